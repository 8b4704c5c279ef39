#pragma once
#include <QDateTime>
#include <QtGlobal>

// Time, blocking waits and "let pending window messages run" in one seam, so
// tests can run long waits instantly and count them.
class Clock
{
public:
    virtual ~Clock() = default;
    // Monotonic time since an arbitrary start.
    virtual qint64 monotonicNs() const;
    // The operating system's monotonic clock (CLOCK_MONOTONIC on Linux, the
    // clock a local X server or Wayland compositor stamps input with), or -1
    // where there is none to compare with.
    virtual qint64 systemMonotonicNs() const;
    qint64 monotonicMs() const { return monotonicNs() / 1000000; }
    // Local date and time of day.
    virtual QDateTime now() const;
    // Blocks the calling thread for ms milliseconds.
    virtual void sleep(int ms);
    // Blocks until monotonicNs() reaches the deadline, to well under a
    // millisecond: a coarse sleep, then a short busy wait.
    virtual void sleepUntilNs(qint64 deadlineNs);
    // Lets the user interface handle its pending events.
    virtual void processEvents();

    static Clock &instance();
    // Installs a clock (not owned); nullptr restores the real one.
    static void install(Clock *clock);
};
