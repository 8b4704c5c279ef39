#include "platform/clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

namespace {
Clock g_realClock;
Clock *g_clock = nullptr;

const QElapsedTimer &startTimer()
{
    static QElapsedTimer t = [] { QElapsedTimer e; e.start(); return e; }();
    return t;
}
} // namespace

qint64 Clock::monotonicNs() const { return startTimer().nsecsElapsed(); }

qint64 Clock::systemMonotonicNs() const
{
    return QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
}

QDateTime Clock::now() const { return QDateTime::currentDateTime(); }

void Clock::sleep(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void Clock::sleepUntilNs(qint64 deadlineNs)
{
    constexpr qint64 kSpinNs = 2000000; // the sleeper may overshoot by this much
    for (;;) {
        const qint64 remaining = deadlineNs - monotonicNs();
        if (remaining <= 0)
            return;
        if (remaining > kSpinNs)
            QThread::usleep(static_cast<unsigned long>((remaining - kSpinNs) / 1000));
    }
}

void Clock::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

Clock &Clock::instance() { return g_clock ? *g_clock : g_realClock; }

void Clock::install(Clock *clock) { g_clock = clock; }
