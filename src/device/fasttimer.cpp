#include "device/fasttimer.h"

#include "device/fasttimerlibrary.h"
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
    if (value && m_interval > 0 && m_resolution > 0 && OnTimer) {
        m_timerId = m_library->StartFastTimer(this, m_resolution, m_interval);
        if (m_timerId == 0)
            throw OutOfResourcesError("No FastTimers available.");
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
