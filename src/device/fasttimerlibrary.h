#pragma once
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <map>

class QTimer;

// The message a started timer posts to its window once per elapsed interval.
constexpr QEvent::Type TickMessage = QEvent::Type(1408);

class FastTimerTickEvent : public QEvent
{
public:
    explicit FastTimerTickEvent(int timerId) : QEvent(TickMessage), m_timerId(timerId) {}
    int timerId() const { return m_timerId; }

private:
    int m_timerId;
};

// The periodic-timer library the measurement timers run on: start, stop and
// the range of resolutions it offers.
class FastTimerLibrary
{
public:
    virtual ~FastTimerLibrary() = default;

    // Starts a timer that posts one FastTimerTickEvent per interval to window.
    // Returns its id; 0 when no timer could be started.
    virtual int StartFastTimer(QObject *window, int resolution, int interval) = 0;
    virtual void StopFastTimer(int timerId) = 0;
    virtual int GetMinResolution() const = 0;
    virtual int GetMaxResolution() const = 0;
    // Monotonic time (Clock::monotonicNs) the timer was started at: tick n is
    // due at that time plus n intervals. -1 when the library does not tell.
    virtual qint64 startedAtNs(int timerId) const
    {
        Q_UNUSED(timerId);
        return -1;
    }

    // The library a timer binds to when it is created: the built-in one
    // unless another was installed; nullptr when the library is missing.
    static FastTimerLibrary *loaded();
    // Installs a library (not owned); nullptr stands for a missing library.
    static void install(FastTimerLibrary *library);
    static void installBuiltin();
};

// Program start: true when the timer library is there; otherwise shows the
// "DLL ERROR" message once and the timers stay inert.
bool LoadFastTimerLibrary();
// Program end.
void ReleaseFastTimerLibrary();

// The library that comes with the program: a precise single-shot QTimer per
// started timer, re-armed for the next due tick, and a monotonic clock
// (Clock::monotonicNs) that decides how many intervals have elapsed. Every
// elapsed interval posts its own event, so ticks missed while the UI thread
// was busy follow one after another, never merged; n ticks always stand for
// n intervals. UI thread only.
class BuiltinFastTimerLibrary : public QObject, public FastTimerLibrary
{
    Q_OBJECT
public:
    explicit BuiltinFastTimerLibrary(int capacity = 32, QObject *parent = nullptr);
    ~BuiltinFastTimerLibrary() override;

    int StartFastTimer(QObject *window, int resolution, int interval) override;
    void StopFastTimer(int timerId) override;
    int GetMinResolution() const override { return 1; }
    int GetMaxResolution() const override { return 1000; }
    qint64 startedAtNs(int timerId) const override;

    // Posts the ticks of every timer that are due by now and re-arms.
    void deliverDueTicks();
    int runningTimers() const { return int(m_timers.size()); }

    // The program's instance (lives until the process ends).
    static BuiltinFastTimerLibrary &instance();

private:
    struct Entry
    {
        QPointer<QObject> window;
        qint64 startNs = 0;
        qint64 intervalNs = 0;
        qint64 posted = 0;
        QTimer *timer = nullptr;
    };

    void service(int timerId);
    void arm(Entry &entry);

    std::map<int, Entry> m_timers;
    int m_capacity;
    int m_nextId = 1;
};
