#pragma once
#include "device/commandset.h"
#include "device/deviceview.h"
#include "device/forcetest.h"

#include <QObject>
#include <QStringList>
#include <QVector>
#include <deque>
#include <functional>

class TFastTimer;
class QTimer;

// Watches a sample stream by the clock: silent once no sample came for the
// silence bound, over time once the limit (0 = none) has passed since it
// was made.
class StreamWatch
{
public:
    explicit StreamWatch(qint64 silenceMs = 0, qint64 limitMs = 0);
    void sample();  // a sample arrived now
    bool silent() const;
    bool overTime() const;

private:
    qint64 m_silenceMs;
    qint64 m_limitMs;
    qint64 m_startMs;
    qint64 m_lastMs;
};

// One run of the sample stream through the trainer link: started with a
// command, fed the samples as they come; ended by its feed (enough), by the
// limit, by two seconds without a sample or by a vanished port. The stream is
// stopped in every case and what is pending dropped, then ended() comes.
class StreamRun : public QObject
{
    Q_OBJECT
public:
    enum class End { Done, OverTime, Silent, PortGone };
    // True: enough samples came.
    using Feed = std::function<bool(const QVector<int> &values)>;
    StreamRun(qint64 limitMs, Feed feed, QObject *parent = nullptr);
    void start(quint8 command);
    bool running() const { return m_running; }

signals:
    void ended(StreamRun::End end);

private:
    void check();
    void finish(End end);

    Feed m_feed;
    qint64 m_limitMs;
    StreamWatch m_watch;
    QTimer *m_check;
    QObject *m_listen = nullptr;   // the link's signals reach the run while it lives
    bool m_running = false;
};

// The device functions of the settings dialog without its window: zero point
// and scale factor of the force sensor, the live force test, the two raw
// captures, the port buttons and the controller detection. They report to a
// DeviceView (none: nothing is shown, no weight is given). One function runs
// at a time: while one runs (or the force test is on) the others do nothing.
class DeviceFunctions : public QObject
{
    Q_OBJECT
public:
    explicit DeviceFunctions(QObject *parent = nullptr);
    ~DeviceFunctions() override;

    struct Average
    {
        int mean = 0;
        int samples = 0;
        bool timedOut = false;
        bool portLost = false;       // the port vanished: ended early
        bool streamStopped = false;  // no sample for two seconds: ended early
        LinkLoss lossCause() const { return portLost ? LinkLoss::PortGone : LinkLoss::StreamStopped; }
    };

    // Starts the stream and averages up to 200 samples within 25 s (ended
    // early when the port vanishes or no sample came for 2 s); the stream is
    // stopped before `done` gets the result.
    void AverageSamples(std::function<void(const Average &)> done);

    void ZeroPoint();             // "&Nullpunkt"
    void ScaleFactor();           // "&Kennlinie"
    void Information();           // "&Information"
    void StartForceTest();        // "Test &Starten"
    void StopForceTest();         // "Test &Beenden"
    // F10, "test0.dat" (5000 read steps of Debugtimer, one line each: the
    // next sample the link delivered, or none) and F11, "Test1.dat" (up to
    // 256 raw values, fed by the link's samples): the window stays
    // responsive, a capture ends within 10 s or 2 s after the stream stopped,
    // and the file is written once at the end.
    void DebugCapture0();
    void DebugCapture1();
    // "COM &1" / "COM &2": opens the port; busy until it is open.
    void ChoosePort(int index, int model);
    // Closing the dialog: a port button opens its port at once, so an online
    // link left on another port than the settings name, or on another device
    // file than its port name now names, is connected anew there.
    void FollowPortSetting();
    // "Gerätetest durchführen": each query goes on when its answer came.
    void DetectController();

    // The two timers' handlers (the timers call them).
    void MesstimerTimer();
    void DatentimerTimer();
    void DebugtimerTimer();   // one read step of the F10 capture

    // A function or the force test is running.
    bool busy() const { return m_busy; }
    bool forceTestRunning() const { return m_testRunning; }
    // False while a function or the force test runs.
    bool pageChangeAllowed() const { return !m_busy; }
    // Stops the force test if it runs (timers off, stream stopped).
    void shutDown();

    ForceTest &forceTest() { return m_forceTest; }
    TFastTimer *Messtimer = nullptr;   // 5 ms, resolution 1
    TFastTimer *Datentimer = nullptr;  // 70 ms, resolution 1
    TFastTimer *Debugtimer = nullptr;  // 1 ms, resolution 1: the F10 capture's read steps

    // The view the functions report to; not owned, nullptr for none.
    void setView(DeviceView *view);

    static const QString ZeroQuestion;
    static const QString InformationText;
    static const QString DetectionQuestion;

signals:
    // A function that goes on after it was called (adjustments, captures,
    // port choice, detection) has ended.
    void functionFinished();

private:
    // Goes online as the main window does (open, log, serial number); on
    // success disables the buttons and goes on with `next`, otherwise the
    // function ends (message shown, logged).
    void connectThen(std::function<void()> next);
    void finishFunction();
    void runForceTest();
    bool deferWhileConnecting(void (DeviceFunctions::*function)());
    void askDeviceInfo(const QStringList &values);
    void finishDetection();
    static QString linkNames();
    void status(const QString &text) { m_view->setStatus(text); }
    void buttons(bool enabled) { m_view->enableButtons(enabled); }
    void scaleItem();
    void finishFailedAdjustment(const QString &action, const QString &message);
    void finishLostAdjustment(const QString &action, LinkLoss cause);
    // The link failed during a function: said once with `ending`; the main
    // window follows the link and goes offline.
    void linkLost(LinkLoss cause, const QString &ending);
    // Writes what a capture read (whole or not at all) and says how it ended.
    void finishCapture(const QString &name, const QString &path, const QByteArray &bytes, bool lost, bool stopped,
                       const QString &shortText);

    void finishCapture0();

    // The F10 capture while it runs.
    struct Capture0
    {
        bool running = false;
        QString name;
        QString path;
        QByteArray text;
        int lines = 0;
        int last = 0;             // the last sample read; a step without one repeats it
        std::deque<int> pending;  // delivered by the link, not yet read by a step
        StreamWatch watch;
        QObject *listen = nullptr;
    };

    DeviceView *m_view;
    Capture0 m_capture0;
    ForceTest m_forceTest;
    StreamWatch m_watch;   // the force test's stream
    QObject *m_forceListen = nullptr;   // the link's samples reach the force test while it lives
    QString m_portBeforeChoice;  // the link's port before the first port button of this opening
    bool m_busy = false;
    bool m_testRunning = false;
};
