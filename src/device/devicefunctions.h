#pragma once
#include "device/commandset.h"
#include "device/deviceview.h"
#include "device/forcetest.h"

#include <QObject>
#include <QStringList>

class TFastTimer;

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
        int attempts = 0;
        bool timedOut = false;
        bool portLost = false;       // the port vanished: ended early
        bool streamStopped = false;  // no sample for two seconds: ended early
        LinkLoss lossCause() const { return portLost ? LinkLoss::PortGone : LinkLoss::StreamStopped; }
    };

    // Connects as the functions do: open, log, connect; disables the buttons
    // on success. False (message shown, logged) when it failed.
    bool ConnectionSequence();
    // StartStream, up to 200 samples in up to 25000 reads (ended early when
    // the port vanishes or the stream stops), StopStream.
    Average AveragingLoop();

    void ZeroPoint();             // "&Nullpunkt"
    void ScaleFactor();           // "&Kennlinie"
    void Information();           // "&Information"
    void StartForceTest();        // "Test &Starten"
    void StopForceTest();         // "Test &Beenden"
    // F10, "test0.dat" (5000 reads) and F11, "Test1.dat" (up to 256 raw
    // values): the window stays responsive, a capture ends within 10 s or 2 s
    // after the stream stopped, and the file is written once at the end.
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

    // The view the functions report to; not owned, nullptr for none.
    void setView(DeviceView *view);

    static const QString ZeroQuestion;
    static const QString InformationText;
    static const QString DetectionQuestion;

signals:
    // A function that goes on after it was called (port choice, detection)
    // has ended.
    void functionFinished();

private:
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

    DeviceView *m_view;
    ForceTest m_forceTest;
    StreamWatch m_watch;   // the force test's stream
    QString m_portBeforeChoice;  // the link's port before the first port button of this opening
    bool m_busy = false;
    bool m_testRunning = false;
};
