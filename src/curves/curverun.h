#pragma once
#include "curves/kdftools.h"
#include "runkit/resultrow.h"
#include "runkit/runframedisplay.h"
#include "platform/stepscheduler.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What the run of test 3 asks its window to do.
class CurveDisplay : public virtual RunFrameDisplay
{
public:
    virtual ~CurveDisplay() = default;
    virtual void setStartEnabled(bool on) = 0;
    virtual void focusReaction() = 0;                   // "Reaktion" takes the keyboard focus
    virtual void resetMirrorSymbols() = 0;              // all five black
    virtual void markMirrorSymbol(int n) = 0;           // symbol n (1 ... 5) white
    virtual void slideFrame(int v) = 0;                 // strip from column v, shown at once
    // The sight ANDed in at that corner (replacing one shown before), shown at once.
    virtual void showSight(int left, int top) = 0;
    virtual void eraseSight() = 0;
    // When the frame shown last (slide, sight, bare scene) was handed to the
    // window system, painted and flushed at once (Clock::monotonicNs); -1
    // when the display cannot tell.
    virtual qint64 shownNs() const { return -1; }
};

// The run of test 3: a state machine started by "&Start" whose waits (slide
// frames, lights, curve points, pauses) are timer steps on one timeline from
// Clock::monotonicNs. Reactions arrive between the steps; each is judged at
// the next input step, where the blocking run once let input run.
class CurveRun
{
public:
    struct Setup
    {
        int serienAnzahl = 1;
        int scheibenabstand = 1;            // seconds
        QStringList curveFiles;
        bool leftToRight = true;
        QVector<MirrorDef> mirrors;         // five, index 0 = mirror 1
        int systemWidth = 0;                // W of the shooting-system picture
    };

    explicit CurveRun(CurveDisplay *display) : m_display(display) {}

    // Opening of the window.
    void activate(const Setup &setup);
    // Starts the run; it goes on in timer steps until it ends or is cancelled.
    void run();
    // "Reaktion" without an input time: judged at the next input step (the
    // end of the hold running now) on the point whose hold ended last there.
    void reaction();
    // "Reaktion" at a known input time: judged on the point whose hold
    // contained it (begin < t <= end), of this curve or the one before, as
    // soon as that hold has ended; after the last ended hold as reaction().
    // Before the curve was shown it counts nothing.
    void reactionAt(qint64 inputNs);
    // Input stamped before this is implausible: a second before the last
    // input step ended.
    qint64 inputFloorNs() const;
    // "&Abbruch" (or Esc, or closing): a run in progress ends at once, with
    // no step and no reaction after it.
    void requestCancel();

    bool running() const { return m_running; }
    // The last series ran to its end without a cancel ("&Fertig"); false
    // again when the window opens or a run starts.
    bool isComplete() const { return m_complete; }
    // Curve points of this run that reached the screen more than a tick
    // (10 ms) after their time.
    int latePoints() const { return m_late; }
    const Setup &setup() const { return m_setup; }

    // The mirror (1 ... 5) that target t uses: t, or 6 - t right to left.
    int mirrorFor(int target) const;
    // File (1-based) of series k with d files: ((k - 1) mod d) + 1.
    static int fileForSeries(int series, int files);

    int SeriesNo = 1;
    int CurrentTarget = 1;
    int LastReactedTarget = 0;
    int FileNo = 0;
    int SightX = 0;
    int SightY = 0;
    int OnRun = 0;
    int LastRun = 0;
    int SinceOn = 0;
    int Entries = 0;
    int PanPosition = 0;
    bool CancelRequested = false;

private:
    // A point's hold on the timeline and how a reaction to it is booked.
    struct Hold
    {
        qint64 beginNs = 0;
        qint64 endNs = 0;
        int series = 0;
        int target = 0;
        int time = 0;       // ms reported
        bool hit = false;
        int entries = 0;
    };
    using Next = void (CurveRun::*)();
    void book(const Hold &hold);
    // Input step: the reactions that arrived since the last one are judged;
    // reaction() counts only when `accepting`.
    void inputStep(bool accepting);
    void judge(qint64 inputNs);
    // Books the hold of this curve or the one before that contains inputNs.
    bool bookInHold(qint64 inputNs);
    void after(qint64 deadlineNs, Next next);
    void onStep();
    // The steps of the run, in their order.
    void beginSeries();
    void seriesSlid();
    void countdownLight();
    void countdownNext();
    void beginTarget();
    void targetSlid();
    void pointStep();
    void curveDone();
    void nextTarget();
    void finish();
    // Slides one pixel per 20 ms to `target`, then goes on with `then`.
    void slideTo(int target, Next then);
    void slideStep();
    void showFrame(int v);
    // When the frame just drawn reached the screen; now when the display cannot tell.
    qint64 shownAt() const;
    // Point k (1-based in the curve) was shown lateNs after its time.
    void noteLate(int point, qint64 lateNs);
    int half(int target) const;

    CurveDisplay *m_display;
    Setup m_setup;
    bool m_running = false;
    bool m_complete = false;
    bool m_accepting = false;
    qint64 m_lastStepEndNs = -1;
    StepTimer m_timer{[this] { onStep(); }};
    Next m_next = nullptr;          // what the pending step does
    QVector<qint64> m_reactions;    // arrived since the last input step (kAsHandled: no time)
    int m_series = 0;
    int m_light = 0;
    Next m_afterSlide = nullptr;
    int m_slideTarget = 0;
    int m_slideFrames = 0;
    qint64 m_slideStartNs = 0;
    QVector<CurvePoint> m_points;   // the curve being presented
    int m_half = 0;
    int m_point = 0;                // point k whose hold is running
    qint64 m_curveStartNs = 0;
    qint64 m_elapsedNs = 0;
    qint64 m_dueNs = 0;
    qint64 m_holdBeginNs = 0;
    bool m_sightShown = false;      // a curve point is on the display
    QVector<Hold> m_holds;          // ended holds of the curve being presented
    QVector<Hold> m_previousHolds;  // of the curve before it
    int m_bookedSeries = 0;         // the last target booked
    int m_bookedTarget = 0;
    bool m_frameShown = false;      // a slide frame replaced the still picture
    int m_shownFrame = 0;           // v of the frame shown last
    int m_late = 0;
    QStringList m_lateLog;          // written at the next input step
};
