#pragma once
#include "platform/clock.h"

#include <QList>

// A clock whose time only moves when told to or when something sleeps.
// Installs itself for its lifetime.
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

private:
    qint64 m_ns = 0;
    QDateTime m_wall;
    int m_pumps = 0;
};
