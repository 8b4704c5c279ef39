#include "platform/stepscheduler.h"

#include "platform/clock.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

namespace {
StepScheduler g_realScheduler;
StepScheduler *g_scheduler = nullptr;

constexpr qint64 kMsNs = 1000000;

struct Pending
{
    QTimer *timer = nullptr;
    qint64 deadlineNs = 0;
    StepScheduler::Step step;
};
QHash<quint64, Pending> g_pending;
quint64 g_nextId = 0;

void arm(quint64 id);

void fire(quint64 id)
{
    auto it = g_pending.find(id);
    if (it == g_pending.end())
        return;
    const qint64 remaining = it->deadlineNs - Clock::instance().monotonicNs();
    if (remaining >= kMsNs) {
        arm(id);   // woken early: the timer counts whole milliseconds
        return;
    }
    // The timer aims under a millisecond early; the rest (at most a
    // millisecond) is spun so that a step lands on its deadline, not up to a
    // millisecond after it.
    QElapsedTimer spin;
    spin.start();
    while (Clock::instance().monotonicNs() < it->deadlineNs && spin.nsecsElapsed() < kMsNs) {
    }
    Pending done = g_pending.take(id);
    done.timer->deleteLater();
    done.step();
}

void arm(quint64 id)
{
    Pending &p = g_pending[id];
    const qint64 remaining = p.deadlineNs - Clock::instance().monotonicNs();
    p.timer->start(int(qMax<qint64>(0, remaining / kMsNs)));
}
} // namespace

quint64 StepScheduler::schedule(qint64 deadlineNs, Step step)
{
    const quint64 id = ++g_nextId;
    auto *timer = new QTimer;
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [id] { fire(id); });
    g_pending.insert(id, Pending{timer, deadlineNs, std::move(step)});
    arm(id);
    return id;
}

void StepScheduler::cancel(quint64 id)
{
    const auto it = g_pending.find(id);
    if (it == g_pending.end())
        return;
    delete it->timer;
    g_pending.erase(it);
}

StepScheduler &StepScheduler::instance() { return g_scheduler ? *g_scheduler : g_realScheduler; }

void StepScheduler::install(StepScheduler *scheduler) { g_scheduler = scheduler; }

void StepTimer::startAt(qint64 deadlineNs)
{
    stop();
    m_scheduler = &StepScheduler::instance();
    m_id = m_scheduler->schedule(deadlineNs, [this] {
        m_id = 0;
        m_onStep();
    });
}

void StepTimer::stop()
{
    if (m_id != 0)
        m_scheduler->cancel(m_id);
    m_id = 0;
}
