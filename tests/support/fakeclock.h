#pragma once
#include "platform/clock.h"
#include "platform/stepscheduler.h"

#include <QList>
#include <QMap>
#include <functional>
#include <utility>

// A clock whose time only moves when told to, when something sleeps or when
// a scheduled step is fired (the wait to its deadline counts as a sleep).
// Installs itself as clock and step scheduler for its lifetime; the one made
// before it comes back when it goes.
class FakeClock : public Clock, public StepScheduler
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

    // StepScheduler: steps wait until fired.
    quint64 schedule(qint64 deadlineNs, Step step) override;
    void cancel(quint64 id) override;
    int pendingSteps() const { return int(m_steps.size()); }
    // Fires the step due first: `betweenSteps` runs (where the event loop
    // would handle input), then time moves to the step's deadline (recorded
    // in `sleeps` when ahead). False when none is pending (any more).
    bool fireNext();
    std::function<void()> betweenSteps;
    // Fires steps until none is pending or `limit` ran; returns how many ran.
    int runSteps(int limit = 1000000);

    // The innermost one alive, or nullptr.
    static FakeClock *live();

private:
    qint64 m_ns = 0;
    QDateTime m_wall;
    int m_pumps = 0;
    FakeClock *m_outer;
    QMap<std::pair<qint64, quint64>, Step> m_steps;   // by deadline, then order
    quint64 m_nextStep = 0;
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
