#pragma once
#include "runkit/resultrow.h"
#include "runkit/runframedisplay.h"
#include "runkit/validitybounds.h"
#include "platform/stepscheduler.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>

// What a test run asks its window to do. The run calls these in the order the
// window must carry them out; a test records them.
class RunDisplay : public virtual RunFrameDisplay
{
public:
    virtual ~RunDisplay() = default;
    virtual void setTickEnabled(bool on) = 0;                     // Messtimer
    virtual void startButtonDisabled() = 0;                       // after the countdown
    // Draws the target disc displaced by (dx, dy) over what the paint box shows.
    virtual void drawTarget(int dx, int dy, const QColor &fill, const QColor &pen, int penWidth) = 0;
    virtual void showSight() = 0;                                 // the plain sight, target gone
    // A reaction was taken and scored: valid ("x") or not. Not called for a
    // presentation that timed out.
    virtual void reactionTaken(bool valid) { Q_UNUSED(valid); }
    // When the picture with the target drawn last was handed to the window
    // system (painted and flushed at once), on Clock::monotonicNs; -1 when
    // the display cannot tell.
    virtual qint64 targetShownNs() const { return -1; }
    // Due time of the tick being handled, on the same clock; -1 when unknown.
    virtual qint64 tickDueNs() const { return -1; }
};

// Top-left and bottom-right corners (bottom-right excluded) of the target disc
// on a W x H paint box, displaced by (dx, dy).
QRect TargetRect(int W, int H, int spiegelSize, int dx = 0, int dy = 0);

// The state and the shared steps of the tick-driven runs of tests 1 and 2.
// The state lives as long as the run object (one per test window) and is not
// reset when the window opens again; start() and the series start reset it.
class ReactionRun
{
public:
    explicit ReactionRun(RunDisplay *display) : m_display(display) {}
    virtual ~ReactionRun() = default;

    // Activation: the settings, bounds and target size of this showing;
    // SeriesNo := 1, TargetDelay := Scheibenabstand * 500.
    void activate(int serienAnzahl, int scheibenabstand, const ValidityBounds &bounds, int spiegelSize);
    // "&Start": the traffic-light countdown, one timer step per light, then
    // the first series with the tick on. Returns at once.
    void start();
    // One tick of the 10 ms measurement timer.
    virtual void tick() = 0;
    // A character key while keys reach the run, pressed at inputNs
    // (Clock::monotonicNs). The reaction time counts from the moment the
    // target reached the screen; without either time it counts in ticks.
    virtual void keyPressedAt(qint64 inputNs) = 0;
    void keyPressed() { keyPressedAt(-1); }
    // Abort or finish: the tick off; a countdown in progress ends at once
    // without starting the series.
    void stop();

    bool tickOn() const { return m_tickOn; }
    bool countingDown() const { return m_countdown; }
    // The last series ended: the run is complete ("&Fertig").
    bool isComplete() const { return m_complete; }
    // Targets of this run that reached the screen more than a tick after
    // their tick was due.
    int lateTargets() const { return m_late; }
    // When the target of the current cycle reached the screen; -1 before.
    qint64 onsetNs() const { return m_onsetNs; }
    // The window system's own word on when the shown target reached the
    // screen, after targetDrawn(): it replaces the onset the display gave
    // (the schedule stays as it was set then).
    void refineOnset(qint64 ns);

    int SeriesNo = 1;
    int TargetsDone = 0;
    bool CycleRunning = false;
    bool Armed = false;
    bool Unanswered = true;
    int CycleTicks = 0;
    int TargetDelay = 500;

    int serienAnzahl() const { return m_serienAnzahl; }
    int scheibenabstand() const { return m_scheibenabstand; }
    const ValidityBounds &bounds() const { return m_bounds; }
    int spiegelSize() const { return m_spiegel; }

protected:
    virtual QString runLogLine() const = 0;
    void StartSeries();
    void setTick(bool on);
    // The countdown's step: the next light, or the series start.
    void countdownStep();
    // Step 4 of the tick; erase() removes the target the run's way.
    void seriesEnd();
    virtual void eraseAfterSeries() = 0;
    // Right after the target was drawn: its onset, and how late it came.
    void targetDrawn();
    // The presentation has had its 150 ticks, counted from its onset.
    bool timedOut() const { return CycleTicks >= TargetDelay + 150 + m_lateTicks; }
    // Cycle end: the next cycle has no target yet.
    void clearOnset();
    // Ticks of a reaction at inputNs: input time - onset in whole ms,
    // brought down to whole ticks; a key before the onset is negative.
    int reactionTicks(qint64 inputNs) const;
    // The log lines of late targets, written at the end of a tick.
    void writeLateLog();

    RunDisplay *m_display;
    ValidityBounds m_bounds;
    int m_serienAnzahl = 5;
    int m_scheibenabstand = 1;
    int m_spiegel = 0;
    bool m_tickOn = false;
    bool m_complete = false;
    bool m_countdown = false;
    int m_light = 0;                 // the light lit in the countdown
    qint64 m_countdownStartNs = 0;
    StepTimer m_countdownStep{[this] { countdownStep(); }};
    qint64 m_onsetNs = -1;
    int m_lateTicks = 0;
    int m_late = 0;
    QStringList m_lateLog;
};
