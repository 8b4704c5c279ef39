#include "store/storeworker.h"

#include "store/datatable.h"
#include "store/tdata.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <utility>

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
    // The kept module closes its connection in its own thread, as that ends.
    if (TData *data = std::exchange(m_data, nullptr))
        connect(&m_thread, &QThread::finished, data, &QObject::deleteLater);
    m_thread.quit();
    m_thread.wait();
}

namespace {
bool sameTarget(const DatabaseTarget &a, const DatabaseTarget &b)
{
    return a.kind == b.kind && a.folder == b.folder && a.host == b.host && a.port == b.port && a.dbname == b.dbname
           && a.user == b.user;
}
} // namespace

bool StoreWorker::start(const DatabaseTarget &target, Job job, std::function<void()> done)
{
    if (m_busy)
        return false;
    m_busy = true;
    TData *stale = nullptr;
    if (m_data && !sameTarget(m_dataTarget, target))
        stale = std::exchange(m_data, nullptr);
    const bool fresh = !m_data;
    if (fresh) {
        static QAtomicInt serial;
        // Made here, where the settings are read; it works in the worker thread only.
        m_data = new TData(QStringLiteral("VantrelReak-Arbeit-%1").arg(serial.fetchAndAddRelaxed(1)));
        m_data->setTarget(target);
        m_data->setReadOnly(m_readOnly);
        m_dataTarget = target;
        // No message box from this thread: a failed read shows in the job's answer.
        for (DataTable *detail : {m_data->visierTable(), m_data->reakTable()})
            QObject::disconnect(detail, &DataTable::reloadFailed, m_data, nullptr);
        m_data->moveToThread(&m_thread);
    }
    QMetaObject::invokeMethod(
        m_context,
        [this, data = m_data, stale, fresh, job = std::move(job), done = std::move(done)]() mutable {
            delete stale;
            QString why;
            const bool open = (!fresh && data->tablesOpen()) || openWorkerData(data, &why);
            job(open ? data : nullptr, why);
            QMetaObject::invokeMethod(
                this,
                [this, data, open, done = std::move(done)] {
                    m_busy = false;
                    // A module that did not open is made anew for the next job; local
                    // files are opened for each job (nothing to gain, and they may be replaced).
                    if ((!open || !m_dataTarget.isServer()) && m_data == data) {
                        m_data = nullptr;
                        QMetaObject::invokeMethod(m_context, [data] { delete data; });
                    }
                    if (done)
                        done();
                    emit finished();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}
