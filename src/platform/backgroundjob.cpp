#include "platform/backgroundjob.h"

#include <QElapsedTimer>
#include <QThread>

namespace {
thread_local BackgroundJob::Control *t_current = nullptr;

qint64 nowMs()
{
    static QElapsedTimer since = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return since.elapsed();
}
} // namespace

BackgroundJob::Control::Control(BackgroundJob *job)
    : m_job(job)
{
}

bool BackgroundJob::Control::progress(qint64 done, qint64 total)
{
    const qint64 now = nowMs();
    if (m_lastSignalMs < 0 || now - m_lastSignalMs >= 50 || (total > 0 && done >= total)) {
        m_lastSignalMs = now;
        emit m_job->progressed(done, total);
    }
    return !isCancelled();
}

bool BackgroundJob::Control::isCancelled() const { return m_job->m_cancel.load(); }

void BackgroundJob::Control::cancel() { m_job->cancel(); }

BackgroundJob::Control *BackgroundJob::Control::current() { return t_current; }

BackgroundJob::BackgroundJob(QObject *parent)
    : QObject(parent)
{
}

BackgroundJob::~BackgroundJob()
{
    if (m_thread) {
        m_cancel = true;
        m_thread->wait();
        delete m_thread;
    }
}

void BackgroundJob::runWork()
{
    Control control(this);
    Control *outer = t_current;
    t_current = &control;
    m_ok = m_work && m_work(control);
    t_current = outer;
}

bool BackgroundJob::start()
{
    if (m_running)
        return false;
    m_running = true;
    m_ok = false;
    m_thread = QThread::create([this] { runWork(); });
    m_thread->setObjectName(QStringLiteral("BackgroundJob"));
    // Queued to this object's thread: the result is complete when it arrives.
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->deleteLater();
        m_thread = nullptr;
        m_running = false;
        emit ended();
        emit finished(m_ok);
    }, Qt::QueuedConnection);
    m_thread->start();
    return true;
}

bool BackgroundJob::runHere()
{
    if (m_running)
        return false;
    m_running = true;
    runWork();
    m_running = false;
    emit ended();
    emit finished(m_ok);
    return m_ok;
}

void BackgroundJob::cancel() { m_cancel = true; }
