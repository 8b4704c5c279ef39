#pragma once
// Store work off the UI thread: a thread of its own and a data module on a
// connection of its own, opened on the same target as the program's (the
// alias's SQLite files or the club server) for the first job and kept open
// for the next ones on that target (a connection to a far server costs
// several round trips). The answer comes back to the caller's thread by a
// queued call.
//
//   m_worker = new StoreWorker(this);
//   auto result = std::make_shared<SeriesSaveResult>();
//   m_worker->start(TData::instance()->target(),
//       [run, result](TData *data, const QString &openError) {   // worker thread
//           *result = data ? saveSeries(data, run) : ...;
//       },
//       [this, result] { ... });                                  // this object's thread
//
// On the server every statement of the job is bounded by the server watchdog,
// so a job ends within the server time-out (plus the connect time-out).
#include "store/databasetarget.h"

#include <QObject>
#include <QThread>
#include <functional>

class TData;

class StoreWorker : public QObject
{
    Q_OBJECT
public:
    explicit StoreWorker(QObject *parent = nullptr);
    // Waits for a running job; its answer is dropped.
    ~StoreWorker() override;

    // data is nullptr when the tables cannot be opened; openError says why (German).
    using Job = std::function<void(TData *data, const QString &openError)>;
    // Runs job on the worker thread, then done on this object's thread.
    // False, and nothing runs, while another job runs.
    bool start(const DatabaseTarget &target, Job job, std::function<void()> done);
    bool isBusy() const { return m_busy; }
    // The worker's module only reads (TData::setReadOnly); before the first job.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

signals:
    void finished();

private:
    QThread m_thread;
    QObject *m_context;   // lives in m_thread: the jobs run in its queue
    bool m_busy = false;
    bool m_readOnly = false;
    // The kept module: made on this object's thread, used and deleted on m_thread.
    TData *m_data = nullptr;
    DatabaseTarget m_dataTarget;
};
