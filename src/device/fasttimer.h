#pragma once
#include <QObject>
#include <functional>
#include <stdexcept>

class FastTimerLibrary;

// Raised when the timer library has no timer left to start.
class OutOfResourcesError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The measurement timer: one OnTimer call per elapsed Interval (ms) on the UI
// thread, handled as an event of its own, never inside its own OnTimer.
// Runs on the timer library it finds at creation; without one it is inert.
//
// When the library tells when it started a timer, every tick has a due time
// (start + n intervals) and the timer delivers by those times: a tick event
// delivers every tick due by now, one OnTimer call each, and
// deliverTicksUpTo() lets input that happened at a known time be placed
// among the ticks (see InputSequencer).
class TFastTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(int Interval READ Interval WRITE setInterval)
    Q_PROPERTY(int Resolution READ Resolution WRITE setResolution)

public:
    using Handler = std::function<void(TFastTimer *sender)>;

    explicit TFastTimer(QObject *owner = nullptr);
    ~TFastTimer() override;

    bool Enabled() const { return m_enabled; }
    // Starts a library timer when true and Interval, Resolution > 0 and
    // OnTimer is set; otherwise stops it. Same value or no library: nothing.
    // Raises OutOfResourcesError "No FastTimers available." when the library
    // has no timer left (Enabled stays true).
    void setEnabled(bool value);

    int Interval() const { return m_interval; }
    // A different value restarts a running timer.
    void setInterval(int value);

    int Resolution() const { return m_resolution; }
    // Clamped to the library's range; a different value restarts a running timer.
    void setResolution(int value);

    int TimerID() const { return m_timerId; }
    int MinResolution() const { return m_minResolution; }
    int MaxResolution() const { return m_maxResolution; }

    // Called once per tick with the timer as sender; an empty handler never
    // starts the library timer.
    Handler OnTimer;

    // True while running with known due times.
    bool scheduled() const { return m_enabled && m_startNs >= 0; }
    // Ticks delivered since the timer was last enabled.
    qint64 ticksDelivered() const { return m_delivered; }
    // Due time (monotonic ns) of tick n (1 = the first) of the current run.
    qint64 dueNs(qint64 n) const { return m_startNs + n * qint64(m_interval) * 1000000; }
    // Due time of the last delivered tick; -1 when none was delivered.
    qint64 lastDueNs() const { return m_delivered > 0 ? dueNs(m_delivered) : -1; }
    // True while OnTimer runs; then dueNs of the running tick.
    bool inHandler() const { return m_inHandler; }
    qint64 runningTickDueNs() const { return m_inHandler ? m_runningDue : -1; }
    // Delivers, one OnTimer call each, every tick not yet delivered whose due
    // time lies at or before ns (never beyond now). Does nothing inside
    // OnTimer or without known due times.
    void deliverTicksUpTo(qint64 ns);

    // Called before a tick that is delivered late, so that input waiting
    // behind it can be placed before it; called at most once per tick.
    std::function<void()> BeforeLateTick;
    // Called after every OnTimer call.
    std::function<void()> AfterTick;
    // A tick delivered later than this after its due time counts as late.
    // Input may have come in any time after the due time, so every tick that
    // is not exactly on time lets it run first.
    static constexpr qint64 LateNs = 0;

protected:
    bool event(QEvent *event) override;

private:
    void runHandler();
    void deliverDue(qint64 limitNs, bool drainLate);

    FastTimerLibrary *m_library;
    bool m_enabled = false;
    int m_interval = 1000;
    int m_resolution = 10;
    int m_timerId = 0;
    int m_minResolution = 0;
    int m_maxResolution = 0;
    bool m_inHandler = false;
    int m_deferredTicks = 0;
    qint64 m_startNs = -1;
    qint64 m_delivered = 0;
    qint64 m_runningDue = -1;
    qint64 m_drainedFor = 0;
    bool m_draining = false;
};
