#include "store/storeworker.h"

#include "store/datatable.h"
#include "store/tdata.h"

#include <QAtomicInt>
#include <QFileInfo>

namespace {

// Opens the worker's data module; false with the reason in *why. A local
// data set is never made here: its files must be there already.
bool openWorkerData(TData *data, QString *why)
{
    if (!data->isServer()) {
        for (const DataTable *t : {data->persTable(), data->visierTable(), data->reakTable()}) {
            const QString file = data->tableFilePath(t);
            if (file.isEmpty() || !QFileInfo(file).isFile()) {
                *why = QStringLiteral("Die Tabellendatei %1 ist nicht vorhanden (Laufwerk nicht verbunden?).")
                           .arg(file.isEmpty() ? t->tableName() : file);
                return false;
            }
        }
    }
    if (data->openTables())
        return true;
    *why = data->errorText();
    return false;
}

} // namespace

StoreWorker::StoreWorker(QObject *parent)
    : QObject(parent)
    , m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("StoreWorker"));
    m_context->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

StoreWorker::~StoreWorker()
{
    m_thread.quit();
    m_thread.wait();
}

bool StoreWorker::start(const DatabaseTarget &target, Job job, std::function<void()> done)
{
    if (m_busy)
        return false;
    m_busy = true;
    static QAtomicInt serial;
    // Made here, where the settings are read; it works in the worker thread only.
    auto *data = new TData(QStringLiteral("VantrelReak-Arbeit-%1").arg(serial.fetchAndAddRelaxed(1)));
    data->setTarget(target);
    // No message box from this thread: a failed read shows in the job's answer.
    for (DataTable *detail : {data->visierTable(), data->reakTable()})
        QObject::disconnect(detail, &DataTable::reloadFailed, data, nullptr);
    data->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_context,
        [this, data, job = std::move(job), done = std::move(done)]() mutable {
            QString why;
            const bool open = openWorkerData(data, &why);
            job(open ? data : nullptr, why);
            delete data;   // closes the tables and the connection in this thread
            QMetaObject::invokeMethod(
                this,
                [this, done = std::move(done)] {
                    m_busy = false;
                    if (done)
                        done();
                    emit finished();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}
