#pragma once
#include "platform/clock.h"

#include <QList>

// A clock whose time only moves when told to or when something sleeps.
// Installs itself for its lifetime; the one made before it comes back when it goes.
class FakeClock : public Clock
{
public:
    FakeClock();
    ~FakeClock() override;

    qint64 monotonicNs() const override { return m_ns; }
    qint64 systemMonotonicNs() const override { return -1; }
    QDateTime now() const override { return m_wall.addMSecs(m_ns / 1000000); }
    void sleep(int ms) override;
    // Recorded as a sleep of the whole milliseconds left (rounded up).
    void sleepUntilNs(qint64 deadlineNs) override;
    void processEvents() override { ++m_pumps; }

    void advanceMs(qint64 ms) { m_ns += ms * 1000000; }
    void setWallClock(const QDateTime &t) { m_wall = t.addMSecs(-(m_ns / 1000000)); }

    QList<int> sleeps;      // every wait asked for, in order
    int pumps() const { return m_pumps; }

    // The innermost one alive, or nullptr.
    static FakeClock *live();

private:
    qint64 m_ns = 0;
    QDateTime m_wall;
    int m_pumps = 0;
    FakeClock *m_outer;
};

// The real clock, recording every sleep asked for (for waits that must run in
// real time, e.g. against a pseudo-terminal). Installs itself for its lifetime;
// make it after the sandbox, which puts the real clock back.
class RecordingClock : public Clock
{
public:
    RecordingClock() { Clock::install(this); }
    ~RecordingClock() override { Clock::install(FakeClock::live()); }

    void sleep(int ms) override
    {
        sleeps.append(ms);
        Clock::sleep(ms);
    }

    QList<int> sleeps;
};
