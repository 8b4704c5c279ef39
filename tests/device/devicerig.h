#pragma once
#include "device/commandset.h"
#include "device/devicefunctions.h"
#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "device/serialport.h"
#include "device/trainerlink.h"
#include "fakebyteport.h"
#include "lambdadeviceview.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "core/settings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"

#include <QElapsedTimer>
#include <QTest>
#include <functional>

// A fake clock that runs a hook whenever the UI would handle its events,
// and moves on by msPerPump each time (a read of the port takes about 1 ms).
class PumpingClock : public FakeClock
{
public:
    void processEvents() override
    {
        FakeClock::processEvents();
        advanceMs(msPerPump);
        if (onPump)
            onPump();
    }
    std::function<void()> onPump;
    int msPerPump = 0;
};

// While it lives, timers made meanwhile are inert: a test calls their
// handlers itself (make it before the rig).
struct InertFastTimers
{
    InertFastTimers() { FastTimerLibrary::install(nullptr); }
    ~InertFastTimers() { FastTimerLibrary::installBuiltin(); }
};

// The device functions against the in-process peer: German locale, logging
// on, port COM2, the given controller model; every hook recorded.
struct DeviceRig
{
    Sandbox box;
    FakePortInstalled fake;
    PumpingClock clock;
    ScriptedMessages boxes;
    LambdaDeviceView view;
    DeviceFunctions f;

    QStringList statuses;
    QList<bool> buttonStates;
    QList<bool> scaleStates;
    QList<QStringList> deviceInfos;
    QList<QStringList> values;
    int weight = 500;
    int onlineCalls = 0;
    int offlineCalls = 0;
    int saves = 0;
    int linkLosses = 0;   // DeviceLinkEvents::linkLost
    bool goesOnline = true;
    QMetaObject::Connection lossWatch;

    explicit DeviceRig(int model = 1)
    {
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        Settings &s = Settings::instance();
        s.Logfile = true;
        s.COM_Index = 1;
        s.portSelector = 1;
        s.Controller = model;
        s.controllerSelector = quint8(model);
        view.onStatus = [this](const QString &t) { statuses << t; };
        view.onButtons = [this](bool on) { buttonStates << on; };
        view.onScaleItem = [this](bool on) { scaleStates << on; };
        view.onDeviceInfo = [this](const QStringList &v) { deviceInfos << v; };
        view.onForceValues = [this](const QStringList &v) { values << v; };
        view.onAskWeight = [this] { return weight; };
        view.onSaveSettings = [this] { ++saves; };
        view.onGoOnline = [this] {
            ++onlineCalls;
            if (goesOnline && OpenDevice(1, 0, 1) && ConnectDevice())
                AppState::instance().OfflineState = false;
        };
        view.onGoOffline = [this] {
            ++offlineCalls;
            AppState::instance().OfflineState = true;
        };
        f.setView(&view);
        // The main window's part: a lost link shows the program offline.
        lossWatch = QObject::connect(&DeviceLinkEvents::instance(), &DeviceLinkEvents::linkLost, [this] {
            ++linkLosses;
            AppState::instance().OfflineState = true;
        });
    }
    ~DeviceRig()
    {
        QObject::disconnect(lossWatch);
        f.shutDown();
    }

    // Runs a function that goes on after it was called to its end: each turn
    // waits until the stream runs and the peer has nothing left to send, then
    // moves the fake clock on by stepMs and lets the run look at it. False
    // when it still runs after maxTurns.
    bool runToEnd(qint64 stepMs = 0, int maxTurns = 200)
    {
        for (int turn = 0; turn < maxTurns && f.busy(); ++turn) {
            QElapsedTimer waited;
            waited.start();
            while (f.busy() && waited.elapsed() < 10000
                   && !(streaming() && fake.peer->pending.isEmpty()
                        && fake.peer->trickle.isEmpty()))
                QTest::qWait(5);
            if (!f.busy())
                break;
            clock.advanceMs(stepMs);
            QTest::qWait(80);
        }
        QTest::qWait(20);   // the stream's stop request
        return !f.busy();
    }

    // One read step of the F10 capture (its timer inert): the clock moves on
    // by ms, the link hands over the samples in `read`, the step runs.
    void captureStep(const QByteArray &read, qint64 ms = 0)
    {
        clock.advanceMs(ms);
        QVector<int> values;
        for (int i = 0; i + 1 < read.size(); i += 2)
            values << (quint8(read.at(i)) * 256 + quint8(read.at(i + 1)));
        if (!values.isEmpty())
            emit PortLink().samples(values);
        f.DebugtimerTimer();
    }

    // The link hands over samples as it does while streaming.
    static void deliver(const QVector<int> &values) { emit PortLink().samples(values); }

    // Waits (up to 5 s) until the link has read all the peer sent.
    bool drained()
    {
        QElapsedTimer waited;
        waited.start();
        while (!fake.peer->pending.isEmpty() && waited.elapsed() < 5000)
            QTest::qWait(2);
        return fake.peer->pending.isEmpty();
    }

    // The peer was told to send samples (or raw values).
    bool streaming() const
    {
        return fake.peer->written.contains(char(CommandTable().startStream))
               || fake.peer->written.contains(char(CommandTable().rawStream));
    }

    // Samples as the controller sends them: high byte first.
    static QByteArray samples(const QList<int> &values, int times = 1)
    {
        QByteArray b;
        for (int t = 0; t < times; ++t)
            for (int v : values) {
                b.append(char(v >> 8));
                b.append(char(v & 0xFF));
            }
        return b;
    }
    // A Bauart2 controller that answers the serial-number query.
    void answersSerial() { fake.peer->replies['C'] = QByteArray("\xE2\x10\x05", 3); }

    // The messages of the log lines, without date, time and user.
    static QStringList logMessages()
    {
        QStringList messages;
        for (const QString &line : LoadLogIntoViewer()) {
            const int at = line.indexOf(QStringLiteral(" --- "));
            messages << (at < 0 ? line : line.mid(at + 5));
        }
        return messages;
    }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto &m : boxes.shown())
            texts << m.text;
        return texts;
    }
};
