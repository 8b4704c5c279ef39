#include "device/fasttimer.h"

#include "device/fasttimerlibrary.h"
#include "platform/clock.h"
#include "platform/messageservice.h"

TFastTimer::TFastTimer(QObject *owner)
    : QObject(owner)
    , m_library(FastTimerLibrary::loaded())
{
    if (m_library) {
        m_minResolution = m_library->GetMinResolution();
        m_maxResolution = m_library->GetMaxResolution();
    }
}

TFastTimer::~TFastTimer() { setEnabled(false); }

void TFastTimer::setEnabled(bool value)
{
    if (!m_library || value == m_enabled)
        return;
    m_enabled = value;
    m_deferredTicks = 0;
    m_startNs = -1;
    m_delivered = 0;
    m_drainedFor = 0;
    if (value && m_interval > 0 && m_resolution > 0 && OnTimer) {
        m_timerId = m_library->StartFastTimer(this, m_resolution, m_interval);
        if (m_timerId == 0)
            throw OutOfResourcesError("No FastTimers available.");
        m_startNs = m_library->startedAtNs(m_timerId);
        return;
    }
    m_library->StopFastTimer(m_timerId);
}

void TFastTimer::setInterval(int value)
{
    if (value == m_interval)
        return;
    if (m_enabled) {
        setEnabled(false);
        m_interval = value;
        setEnabled(true);
    } else {
        m_interval = value;
    }
}

void TFastTimer::setResolution(int value)
{
    if (value < m_minResolution)
        value = m_minResolution;
    if (value > m_maxResolution)
        value = m_maxResolution;
    if (value == m_resolution)
        return;
    if (m_enabled) {
        setEnabled(false);
        m_resolution = value;
        setEnabled(true);
    } else {
        m_resolution = value;
    }
}

bool TFastTimer::event(QEvent *e)
{
    if (e->type() != TickMessage)
        return QObject::event(e);
    const int id = static_cast<FastTimerTickEvent *>(e)->timerId();
    if (!m_enabled || id == 0 || id != m_timerId)
        return true;  // a tick of a timer that was stopped since
    if (m_startNs >= 0) {
        // Known due times: the event only says that ticks are due. Inside
        // OnTimer or while input is drained, the running delivery takes them.
        if (!m_inHandler && !m_draining)
            deliverDue(Clock::instance().monotonicNs(), true);
        return true;
    }
    if (m_inHandler) {
        // The handler let events run; this tick follows when it returns.
        ++m_deferredTicks;
        return true;
    }
    runHandler();
    while (m_deferredTicks > 0 && m_enabled && m_timerId == id) {
        --m_deferredTicks;
        runHandler();
    }
    return true;
}

void TFastTimer::deliverTicksUpTo(qint64 ns)
{
    if (m_inHandler || m_startNs < 0)
        return;
    deliverDue(qMin(ns, Clock::instance().monotonicNs()), false);
}

void TFastTimer::deliverDue(qint64 limitNs, bool drainLate)
{
    // State is read anew in every round: a drain or a handler may have
    // delivered ticks, stopped or restarted the timer.
    while (m_enabled && m_startNs >= 0 && !m_inHandler) {
        const qint64 next = m_delivered + 1;
        const qint64 due = dueNs(next);
        if (due > limitNs)
            return;
        if (drainLate && BeforeLateTick && !m_draining && m_drainedFor != next
            && Clock::instance().monotonicNs() - due > LateNs) {
            m_drainedFor = next;
            m_draining = true;
            BeforeLateTick();
            m_draining = false;
            continue;
        }
        m_delivered = next;
        m_runningDue = due;
        runHandler();
        m_runningDue = -1;
        if (AfterTick)
            AfterTick();
        if (drainLate)
            limitNs = qMax(limitNs, Clock::instance().monotonicNs());
    }
}

void TFastTimer::runHandler()
{
    if (!OnTimer)
        return;
    m_inHandler = true;
    try {
        OnTimer(this);
    } catch (const std::exception &error) {
        m_inHandler = false;
        ShowError(QString::fromUtf8(error.what()));
        return;
    } catch (...) {
        m_inHandler = false;
        ShowError(QStringLiteral("\r\nUnbekannter Fehler im Zeitgeber."));
        return;
    }
    m_inHandler = false;
}
