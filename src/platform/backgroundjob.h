#pragma once
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>

class QThread;

// Long work (an import, an export, a PDF) on a thread of its own, so the
// window keeps answering. The work reports its progress through its Control
// and stops early once cancel() was asked; finished() follows on the thread
// the job lives on. Usage:
//   auto *job = new BackgroundJob(parent);
//   job->setWork([](BackgroundJob::Control &c) { ...; return c.progress(done, total); });
//   connect(job, &BackgroundJob::finished, ...);
//   job->start();
class BackgroundJob : public QObject
{
    Q_OBJECT
public:
    // What the work sees on its thread.
    class Control
    {
    public:
        // done of total steps (total 0: not known yet); false once the job
        // was asked to cancel, so the work can stop and undo itself.
        bool progress(qint64 done, qint64 total);
        bool isCancelled() const;
        // The work gives up as if cancelled (a fault it found, a test).
        void cancel();
        // The control of the job whose work runs on the calling thread;
        // nullptr outside a job.
        static Control *current();

    private:
        friend class BackgroundJob;
        explicit Control(BackgroundJob *job);
        BackgroundJob *m_job;
        qint64 m_lastSignalMs = -1;
    };
    using Work = std::function<bool(Control &)>;

    explicit BackgroundJob(QObject *parent = nullptr);
    // Asks a running work to cancel and waits for its end (the program closes).
    ~BackgroundJob() override;

    void setWork(Work work) { m_work = std::move(work); }
    // Runs the work on a thread of its own; false when it runs already.
    bool start();
    // Runs the work on the calling thread (command-line tools, tests); the
    // signals are sent directly.
    bool runHere();
    // Thread-safe; the work sees it at its next progress report.
    void cancel();

    bool isRunning() const { return m_running; }
    bool isCancelled() const { return m_cancel.load(); }
    // The work's result; false while it runs.
    bool succeeded() const { return m_ok; }

signals:
    // Sent at most every 50 ms and once at the end of the range.
    void progressed(qint64 done, qint64 total);
    // The work is over: sent right before finished, so that a progress
    // display is gone before the answer's handlers ask or tell anything.
    void ended();
    void finished(bool ok);

private:
    void runWork();

    Work m_work;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    bool m_running = false;
    bool m_ok = false;
};
