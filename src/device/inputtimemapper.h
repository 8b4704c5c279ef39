#pragma once
#include <QtGlobal>

#include <deque>
#include <limits>

// Maps the time stamps the window system puts on input events onto the
// monotonic clock of the measurement timer (Clock::monotonicNs).
//
// The stamps are milliseconds on the window system's own clock: on X11 the
// server time (milliseconds of the server's monotonic clock, 32 bits, wraps
// after 49.7 days), on Wayland the compositor's clock (usually
// CLOCK_MONOTONIC, 32 bits), on Windows GetMessageTime (milliseconds since
// boot, 32 bits). Whatever the clock, an event can never arrive before it was
// stamped, so offset = arrival - stamp is at least the true offset; the
// smallest offset of the recent events is the estimate. An offset far from
// it (a clock that jumped, a first event that waited in the queue) counts
// only when several events in a row agree on it; then a new calibration
// starts. An implausible stamp falls back to the arrival
// time and is counted.
class InputTimeMapper
{
public:
    struct Mapped
    {
        qint64 ns = 0;          // input time on the monotonic clock
        bool fallback = false;  // the arrival time stands in for it
    };

    static constexpr qint64 NoFloor = std::numeric_limits<qint64>::min();

    // Maps an event stamped stampMs that arrived at arrivalNs. An input time
    // before floorNs or after the arrival is implausible. Feeds calibration.
    Mapped map(quint64 stampMs, qint64 arrivalNs, qint64 floorNs = NoFloor);
    // Feeds calibration only (any input event of the window).
    void observe(quint64 stampMs, qint64 arrivalNs);
    // Another event stamped by the window system on the clock of its input
    // (an X server's PropertyNotify): its time, like map() but never the
    // arrival instead; false when the stamp cannot be placed.
    bool timeOf(quint64 stampMs, qint64 arrivalNs, qint64 *ns);

    // The window system stamps on the operating system's monotonic clock,
    // which runs offsetNs ahead of ours: an event that fits (arrived within
    // a second of its stamp on that clock) is mapped exactly, without
    // waiting for the estimate to settle. Cleared by clearSystemClock().
    void setSystemClock(qint64 offsetNs);
    void clearSystemClock() { m_haveSystemClock = false; }

    bool calibrated() const { return !m_samples.empty(); }
    qint64 offsetNs() const { return m_offset; }
    int fallbacks() const { return m_fallbacks; }
    int recalibrations() const { return m_recalibrations; }
    void reset();

    // Offsets kept for the estimate; offsets this far above it count as a
    // possible clock jump.
    static constexpr int Window = 32;
    static constexpr qint64 JumpNs = 1000000000;
    // Offsets this far below it are taken only when several agree.
    static constexpr qint64 SlackNs = 50000000;
    static constexpr int JumpEvents = 3;
    static constexpr qint64 AgreeNs = 100000000;

private:
    // Milliseconds on a clock that does not wrap.
    qint64 unwrap(quint64 stampMs);
    // The offset of an event stamped on the system clock, else the sample.
    qint64 onSystemClock(qint64 sampleNs) const;
    void feed(qint64 sampleNs);

    std::deque<qint64> m_samples;
    std::deque<qint64> m_jumps;
    qint64 m_offset = 0;
    qint64 m_epoch = 0;
    quint32 m_lastLow = 0;
    bool m_haveStamp = false;
    bool m_haveSystemClock = false;
    qint64 m_systemOffset = 0;
    int m_fallbacks = 0;
    int m_recalibrations = 0;
};
