#pragma once
#include "curves/kdftools.h"
#include "runkit/resultrow.h"
#include "runkit/runframedisplay.h"

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

// The run of test 3: one loop started by "&Start" that waits through the
// clock's sleeper and lets the window handle input at fixed steps. Reactions
// arrive through reaction() while the loop lets input run.
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
    // The whole run; returns when it ended or was cancelled.
    void run();
    // "Reaktion" in the order it is handled: judged on the point whose hold
    // ended last.
    void reaction();
    // "Reaktion" at a known input time: judged on the point whose hold
    // contained it (begin < t <= end), of this curve or the one before, even
    // when it is handled later; after the last ended hold as reaction().
    // Before the curve was shown it counts nothing.
    void reactionAt(qint64 inputNs);
    // Input stamped before this is implausible: a second before the last
    // input step ended.
    qint64 inputFloorNs() const;
    // "&Abbruch" (or Esc, or closing) while the run is on.
    void requestCancel() { CancelRequested = true; }

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
    void book(const Hold &hold);
    // Input step: pending input runs; reactions count only when `accepting`.
    // Returns false when the run is to end.
    bool inputStep(bool accepting);
    void presentCurve(const QVector<CurvePoint> &points, int half);
    void slideTo(int target);
    void showFrame(int v);
    void waitUntil(qint64 deadlineNs);
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
    bool m_inStep = false;
    qint64 m_lastStepEndNs = -1;
    QVector<Hold> m_holds;          // ended holds of the curve being presented
    QVector<Hold> m_previousHolds;  // of the curve before it
    int m_bookedSeries = 0;         // the last target booked
    int m_bookedTarget = 0;
    bool m_frameShown = false;      // a slide frame replaced the still picture
    int m_shownFrame = 0;           // v of the frame shown last
    int m_late = 0;
    QStringList m_lateLog;          // written at the next input step
};
