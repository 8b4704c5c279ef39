#include "support/fakeclock.h"

FakeClock::FakeClock()
    : m_wall(QDate(2026, 12, 6), QTime(22, 41, 7))
{
    Clock::install(this);
}

FakeClock::~FakeClock() { Clock::install(nullptr); }

void FakeClock::sleep(int ms)
{
    sleeps.append(ms);
    if (ms > 0)
        advanceMs(ms);
}

void FakeClock::sleepUntilNs(qint64 deadlineNs)
{
    const qint64 remaining = deadlineNs - m_ns;
    if (remaining <= 0)
        return;
    sleeps.append(int((remaining + 999999) / 1000000));
    m_ns = deadlineNs;
}
