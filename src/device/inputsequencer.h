#pragma once
#include "device/inputtimemapper.h"

#include <QObject>
#include <QtGlobal>
#include <deque>
#include <functional>

class QEvent;
class QInputEvent;
class QWidget;
class TFastTimer;

// Tells the mapper how far the system's monotonic clock runs ahead of ours.
void ShareSystemClock(InputTimeMapper &mapper);
// Feeds a spontaneous input event (key, mouse) to the mapper's calibration.
void ObserveInputEvent(InputTimeMapper &mapper, const QEvent *event);
// Maps an input stamped stampMs onto the monotonic clock, taken now; an input
// time before floorNs (or after now) falls back to now.
InputTimeMapper::Mapped MapInputStamp(InputTimeMapper &mapper, quint64 stampMs,
                                      qint64 floorNs = InputTimeMapper::NoFloor);
// The time of another event the window system stamped on the clock of its
// input (see InputTimeMapper::timeOf); false when it cannot be placed.
bool MapWindowSystemStamp(InputTimeMapper &mapper, quint64 stampMs, qint64 *ns);

// Places the user's input among the ticks of a measurement timer by the time
// the window system received it, not by the time the program got to it:
// before an input is applied, the timer delivers every tick whose due time
// lies at or before the input's time; ticks due later follow it. Before a
// late tick (one that waited behind a busy UI thread) the sequencer lets the
// input that waited with it run first, so it can take its place.
//
// An input seen while a tick is handled (its handler let pending events run)
// is applied at once when it happened before that tick was due, otherwise
// right after the tick. An input the sequencer could not place (a later tick
// had already been delivered) is applied at once and counted.
class InputSequencer
{
public:
    explicit InputSequencer(TFastTimer *timer);
    ~InputSequencer();

    // Any input event of the window: keeps the clock calibration fresh.
    void observe(const QEvent *event);
    // Applies action at the event's place among the ticks; a timed action
    // is handed the input time (monotonic ns) it was placed by.
    using TimedAction = std::function<void(qint64 inputNs)>;
    void submit(const QInputEvent *event, TimedAction action);
    void submit(const QInputEvent *event, std::function<void()> action);
    // The same for an input stamped stampMs on the window system's clock.
    void submitStamped(quint64 stampMs, TimedAction action);
    void submitStamped(quint64 stampMs, std::function<void()> action);
    // The same for an input at a monotonic time already known.
    void submitAt(qint64 inputNs, TimedAction action);
    void submitAt(qint64 inputNs, std::function<void()> action);

    InputTimeMapper &mapper() { return m_mapper; }
    // Inputs that came after a tick due later than them had been delivered.
    int misplaced() const { return m_misplaced; }
    // Inputs waiting for the running tick to end.
    int waiting() const { return int(m_waiting.size()); }

    // How the sequencer lets waiting input run (default: the event loop).
    std::function<void()> DrainInput;

private:
    struct Waiting
    {
        qint64 ns;
        TimedAction action;
    };
    void apply(qint64 ns, const TimedAction &action);
    void afterTick();

    TFastTimer *m_timer;
    InputTimeMapper m_mapper;
    std::deque<Waiting> m_waiting;
    int m_misplaced = 0;
};

// Feeds every spontaneous input event of one window to a calibration; takes
// nothing away. Watches the application while the window is shown.
class InputClockWatch : public QObject
{
public:
    InputClockWatch(QWidget *window, std::function<void(const QEvent *)> observe);
    ~InputClockWatch() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    std::function<void(const QEvent *)> m_observe;
};
