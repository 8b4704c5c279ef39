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
    StepScheduler::install(this);
}

FakeClock::~FakeClock()
{
    g_live = m_outer;
    Clock::install(m_outer);
    StepScheduler::install(m_outer);
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

quint64 FakeClock::schedule(qint64 deadlineNs, Step step)
{
    const quint64 id = ++m_nextStep;
    m_steps.insert({deadlineNs, id}, std::move(step));
    return id;
}

void FakeClock::cancel(quint64 id)
{
    for (auto it = m_steps.begin(); it != m_steps.end(); ++it) {
        if (it.key().second == id) {
            m_steps.erase(it);
            return;
        }
    }
}

bool FakeClock::fireNext()
{
    if (m_steps.isEmpty())
        return false;
    if (betweenSteps) {
        betweenSteps();
        if (m_steps.isEmpty())
            return false;
    }
    const auto first = m_steps.begin();
    const qint64 deadline = first.key().first;
    const Step step = first.value();
    m_steps.erase(first);
    sleepUntilNs(deadline);
    step();
    return true;
}

int FakeClock::runSteps(int limit)
{
    int ran = 0;
    while (ran < limit && fireNext())
        ++ran;
    return ran;
}
