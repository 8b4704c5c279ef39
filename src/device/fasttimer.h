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

protected:
    bool event(QEvent *event) override;

private:
    void runHandler();

    FastTimerLibrary *m_library;
    bool m_enabled = false;
    int m_interval = 1000;
    int m_resolution = 10;
    int m_timerId = 0;
    int m_minResolution = 0;
    int m_maxResolution = 0;
    bool m_inHandler = false;
    int m_deferredTicks = 0;
};
