#include "device/inputsequencer.h"

#include "device/fasttimer.h"
#include "platform/clock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QInputEvent>
#include <QWidget>

#include <algorithm>

InputSequencer::InputSequencer(TFastTimer *timer)
    : m_timer(timer)
{
    DrainInput = [] {
        // Window-system input is read in one pass and delivered in the next.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    };
    m_timer->BeforeLateTick = [this] {
        if (DrainInput)
            DrainInput();
    };
    m_timer->AfterTick = [this] { afterTick(); };
}

InputSequencer::~InputSequencer()
{
    m_timer->BeforeLateTick = nullptr;
    m_timer->AfterTick = nullptr;
}

void ShareSystemClock(InputTimeMapper &mapper)
{
    const Clock &clock = Clock::instance();
    const qint64 system = clock.systemMonotonicNs();
    if (system >= 0)
        mapper.setSystemClock(system - clock.monotonicNs());
    else
        mapper.clearSystemClock();
}

void ObserveInputEvent(InputTimeMapper &mapper, const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        if (event->spontaneous()) {
            ShareSystemClock(mapper);
            mapper.observe(static_cast<const QInputEvent *>(event)->timestamp(), Clock::instance().monotonicNs());
        }
        break;
    default:
        break;
    }
}

InputTimeMapper::Mapped MapInputStamp(InputTimeMapper &mapper, quint64 stampMs, qint64 floorNs)
{
    ShareSystemClock(mapper);
    return mapper.map(stampMs, Clock::instance().monotonicNs(), floorNs);
}

bool MapWindowSystemStamp(InputTimeMapper &mapper, quint64 stampMs, qint64 *ns)
{
    ShareSystemClock(mapper);
    return mapper.timeOf(stampMs, Clock::instance().monotonicNs(), ns);
}

InputClockWatch::InputClockWatch(QWidget *window, std::function<void(const QEvent *)> observe)
    : QObject(window)
    , m_window(window)
    , m_observe(std::move(observe))
{
    window->installEventFilter(this);
}

InputClockWatch::~InputClockWatch()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool InputClockWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && !event->spontaneous()) {
        if (event->type() == QEvent::Show)
            qApp->installEventFilter(this);
        else if (event->type() == QEvent::Hide)
            qApp->removeEventFilter(this);
    }
    if (event->spontaneous() && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == m_window)
        m_observe(event);
    return false;
}

void InputSequencer::observe(const QEvent *event) { ObserveInputEvent(m_mapper, event); }

namespace {
InputSequencer::TimedAction untimed(std::function<void()> action)
{
    return [action = std::move(action)](qint64) { action(); };
}
} // namespace

void InputSequencer::submit(const QInputEvent *event, TimedAction action)
{
    submitStamped(event->timestamp(), std::move(action));
}

void InputSequencer::submit(const QInputEvent *event, std::function<void()> action)
{
    submitStamped(event->timestamp(), untimed(std::move(action)));
}

void InputSequencer::submitStamped(quint64 stampMs, std::function<void()> action)
{
    submitStamped(stampMs, untimed(std::move(action)));
}

void InputSequencer::submitAt(qint64 ns, std::function<void()> action) { submitAt(ns, untimed(std::move(action))); }

void InputSequencer::submitStamped(quint64 stampMs, TimedAction action)
{
    const qint64 last = m_timer->lastDueNs();
    const qint64 floor = last >= 0 ? last - 1000000000 : InputTimeMapper::NoFloor;
    submitAt(MapInputStamp(m_mapper, stampMs, floor).ns, std::move(action));
}

void InputSequencer::submitAt(qint64 ns, TimedAction action)
{
    if (m_timer->inHandler()) {
        if (ns < m_timer->runningTickDueNs()) {
            // It happened before the running tick, and the handler lets
            // input run before its own steps (the runs do so at the start
            // of a cycle): it takes its place now.
            action(ns);
            return;
        }
        auto at = std::upper_bound(m_waiting.begin(), m_waiting.end(), ns,
                                   [](qint64 t, const Waiting &w) { return t < w.ns; });
        m_waiting.insert(at, Waiting{ns, std::move(action)});
        return;
    }
    apply(ns, action);
}

void InputSequencer::apply(qint64 ns, const TimedAction &action)
{
    if (m_timer->scheduled()) {
        m_timer->deliverTicksUpTo(ns);
        if (m_timer->lastDueNs() > ns)
            ++m_misplaced;
    }
    action(ns);
}

void InputSequencer::afterTick()
{
    while (!m_waiting.empty() && !m_timer->inHandler()) {
        Waiting w = std::move(m_waiting.front());
        m_waiting.pop_front();
        apply(w.ns, w.action);
    }
}
