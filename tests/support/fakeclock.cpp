#include "support/fakeclock.h"

namespace {
FakeClock *g_live = nullptr;
}

FakeClock::FakeClock()
    : m_wall(QDate(2026, 12, 6), QTime(22, 41, 7))
    , m_outer(g_live)
{
    g_live = this;
    Clock::install(this);
}

FakeClock::~FakeClock()
{
    g_live = m_outer;
    Clock::install(m_outer);
}

FakeClock *FakeClock::live() { return g_live; }

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
