#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <stdexcept>

namespace {

// Records what the timers ask of the library.
class RecordingLibrary : public FastTimerLibrary
{
public:
    struct Start
    {
        QObject *window;
        int resolution;
        int interval;
    };
    int StartFastTimer(QObject *window, int resolution, int interval) override
    {
        if (exhausted)
            return 0;
        starts.append({window, resolution, interval});
        return nextId++;
    }
    void StopFastTimer(int timerId) override { stops.append(timerId); }
    int GetMinResolution() const override { return minResolution; }
    int GetMaxResolution() const override { return maxResolution; }

    int minResolution = 2;
    int maxResolution = 50;
    bool exhausted = false;
    int nextId = 7;
    QList<Start> starts;
    QList<int> stops;
};

// Installs a library for the lifetime of a test.
struct LibraryInstalled
{
    explicit LibraryInstalled(FastTimerLibrary *library) { FastTimerLibrary::install(library); }
    ~LibraryInstalled() { FastTimerLibrary::installBuiltin(); }
};

void tick(TFastTimer &timer, int id)
{
    QCoreApplication::postEvent(&timer, new FastTimerTickEvent(id));
    QCoreApplication::sendPostedEvents(&timer, TickMessage);
}

} // namespace

class FastTimerTest : public QObject
{
    Q_OBJECT
private slots:
    // --- the rules, on a recording library ---

    void creationAndUnassignedHandler()
    {
        RecordingLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        QVERIFY(!timer.Enabled());
        QCOMPARE(timer.Interval(), 1000);
        QCOMPARE(timer.Resolution(), 10);
        QCOMPARE(timer.TimerID(), 0);
        QCOMPARE(timer.MinResolution(), 2);
        QCOMPARE(timer.MaxResolution(), 50);

        // Without OnTimer no library timer starts, though Enabled turns true.
        timer.setEnabled(true);
        QVERIFY(timer.Enabled());
        QVERIFY(lib.starts.isEmpty());
        QCOMPARE(lib.stops, QList<int>({0}));

        timer.setEnabled(false);
        timer.setInterval(0);
        timer.OnTimer = [](TFastTimer *) {};
        timer.setEnabled(true);  // interval 0: no start either
        QVERIFY(lib.starts.isEmpty());
    }

    void enablingTwiceStartsOnce()
    {
        RecordingLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        timer.OnTimer = [](TFastTimer *) {};
        timer.setInterval(10);
        timer.setEnabled(true);
        timer.setEnabled(true);
        QCOMPARE(lib.starts.size(), 1);
        QCOMPARE(lib.starts[0].window, static_cast<QObject *>(&timer));
        QCOMPARE(lib.starts[0].resolution, 10);
        QCOMPARE(lib.starts[0].interval, 10);
        QCOMPARE(timer.TimerID(), 7);

        timer.setEnabled(false);
        QCOMPARE(lib.stops, QList<int>({7}));
        QCOMPARE(timer.TimerID(), 7);  // kept after stopping
        timer.setEnabled(false);
        QCOMPARE(lib.stops.size(), 1);
    }

    void intervalAndResolutionRestartOnlyOnChange()
    {
        RecordingLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        timer.OnTimer = [](TFastTimer *) {};

        timer.setResolution(1);
        QCOMPARE(timer.Resolution(), 2);
        timer.setResolution(500);
        QCOMPARE(timer.Resolution(), 50);
        QVERIFY(lib.starts.isEmpty());  // disabled: only stored

        timer.setInterval(10);
        timer.setEnabled(true);
        QCOMPARE(lib.starts.size(), 1);

        timer.setInterval(10);
        timer.setResolution(70);  // clamps to the current 50
        QCOMPARE(lib.starts.size(), 1);
        QVERIFY(lib.stops.isEmpty());

        timer.setInterval(20);
        QCOMPARE(lib.stops, QList<int>({7}));
        QCOMPARE(lib.starts.size(), 2);
        QCOMPARE(lib.starts[1].interval, 20);
        QCOMPARE(timer.TimerID(), 8);

        timer.setResolution(3);
        QCOMPARE(lib.stops, QList<int>({7, 8}));
        QCOMPARE(lib.starts[2].resolution, 3);
        QVERIFY(timer.Enabled());
    }

    void noTimerLeft()
    {
        RecordingLibrary lib;
        lib.exhausted = true;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        timer.OnTimer = [](TFastTimer *) {};
        QString message;
        try {
            timer.setEnabled(true);
        } catch (const OutOfResourcesError &e) {
            message = QString::fromUtf8(e.what());
        }
        QCOMPARE(message, QStringLiteral("No FastTimers available."));
        QVERIFY(timer.Enabled());
    }

    void destructionStopsTheTimer()
    {
        RecordingLibrary lib;
        LibraryInstalled installed(&lib);
        {
            TFastTimer timer;
            timer.OnTimer = [](TFastTimer *) {};
            timer.setEnabled(true);
        }
        QCOMPARE(lib.stops, QList<int>({7}));
    }

    void missingLibrary()
    {
        ScriptedMessages boxes;
        LibraryInstalled installed(nullptr);
        QVERIFY(!LoadFastTimerLibrary());
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.shown()[0].kind, MessageService::Kind::Error);
        QCOMPARE(boxes.shown()[0].caption, QStringLiteral("DLL ERROR"));
        QCOMPARE(boxes.lastText(),
                 QStringLiteral("FASTTime32.DLL failed to load. This application may not execute correctly."));

        TFastTimer timer;
        int ticks = 0;
        timer.OnTimer = [&](TFastTimer *) { ++ticks; };
        QCOMPARE(timer.MinResolution(), 0);
        QCOMPARE(timer.MaxResolution(), 0);
        timer.setInterval(10);
        timer.setEnabled(true);
        QVERIFY(!timer.Enabled());
        timer.setResolution(5);
        QCOMPARE(timer.Resolution(), 0);
        tick(timer, 0);
        QCOMPARE(ticks, 0);
        QCOMPARE(boxes.count(), 1);  // no further messages

        FastTimerLibrary::installBuiltin();
        QVERIFY(LoadFastTimerLibrary());
        QCOMPARE(boxes.count(), 1);
    }

    void ticksReachOnlyTheRunningTimer()
    {
        RecordingLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        QList<TFastTimer *> senders;
        timer.OnTimer = [&](TFastTimer *sender) { senders << sender; };
        timer.setInterval(10);
        tick(timer, 7);  // not enabled
        timer.setEnabled(true);
        tick(timer, 7);
        tick(timer, 6);  // an earlier timer's tick
        QCOMPARE(senders, QList<TFastTimer *>({&timer}));
        timer.setEnabled(false);
        tick(timer, 7);
        QCOMPARE(senders.size(), 1);
    }

    void handlerErrorsAreShownAndTicksGoOn()
    {
        RecordingLibrary lib;
        LibraryInstalled installed(&lib);
        ScriptedMessages boxes;
        TFastTimer timer;
        int calls = 0;
        timer.OnTimer = [&](TFastTimer *) {
            if (++calls == 1)
                throw std::runtime_error("Fehler im Zähler");
        };
        timer.setEnabled(true);
        tick(timer, 7);
        tick(timer, 7);
        QCOMPARE(calls, 2);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.lastText(), QStringLiteral("Fehler im Zähler"));
    }

    // --- delivery by the built-in library, driven by a fake clock ---

    void everyElapsedIntervalIsOneTick()
    {
        FakeClock clock;
        BuiltinFastTimerLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        int ticks = 0;
        timer.OnTimer = [&](TFastTimer *) { ++ticks; };
        timer.setInterval(10);
        timer.setEnabled(true);
        QCOMPARE(lib.runningTimers(), 1);

        // The UI thread was stalled for 35 ms: three ticks, handled one by one.
        clock.advanceMs(35);
        lib.deliverDueTicks();
        QCoreApplication::sendPostedEvents(&timer, TickMessage);
        QCOMPARE(ticks, 3);
        clock.advanceMs(5);
        lib.deliverDueTicks();
        QCoreApplication::sendPostedEvents(&timer, TickMessage);
        QCOMPARE(ticks, 4);

        // Uneven steps and long stalls: n ticks always stand for n intervals.
        const int steps[] = {1, 7, 13, 250, 2, 9, 1000, 3, 60, 10};
        qint64 total = 40;
        for (int step : steps) {
            clock.advanceMs(step);
            total += step;
            lib.deliverDueTicks();
            QCoreApplication::sendPostedEvents(&timer, TickMessage);
            QCOMPARE(ticks, int(total / 10));
        }
    }

    void stoppingDropsPendingTicks()
    {
        FakeClock clock;
        BuiltinFastTimerLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        int ticks = 0;
        timer.OnTimer = [&](TFastTimer *) { ++ticks; };
        timer.setInterval(10);
        timer.setEnabled(true);
        clock.advanceMs(30);
        lib.deliverDueTicks();  // three ticks wait in the queue
        timer.setEnabled(false);
        QCoreApplication::sendPostedEvents(&timer, TickMessage);
        QCOMPARE(ticks, 0);
        QCOMPARE(lib.runningTimers(), 0);

        // A restart counts from the restart.
        timer.setEnabled(true);
        clock.advanceMs(25);
        lib.deliverDueTicks();
        timer.setInterval(5);  // restart: the two ticks of the old period go
        clock.advanceMs(5);
        lib.deliverDueTicks();
        QCoreApplication::sendPostedEvents(&timer, TickMessage);
        QCOMPARE(ticks, 1);
    }

    void neverInsideItsOwnHandler()
    {
        FakeClock clock;
        BuiltinFastTimerLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer timer;
        int depth = 0;
        int deepest = 0;
        int ticks = 0;
        timer.OnTimer = [&](TFastTimer *) {
            ++depth;
            deepest = qMax(deepest, depth);
            ++ticks;
            // Handlers let pending events run, as the test windows do.
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            --depth;
        };
        timer.setInterval(10);
        timer.setEnabled(true);
        clock.advanceMs(50);
        lib.deliverDueTicks();
        QCoreApplication::sendPostedEvents(&timer, TickMessage);
        QCOMPARE(ticks, 5);
        QCOMPARE(deepest, 1);
    }

    void twoTimersInterleave()
    {
        FakeClock clock;
        BuiltinFastTimerLibrary lib;
        LibraryInstalled installed(&lib);
        TFastTimer fast;
        TFastTimer slow;
        QString order;
        fast.OnTimer = [&](TFastTimer *) { order += u'f'; };
        slow.OnTimer = [&](TFastTimer *) { order += u's'; };
        fast.setInterval(5);
        slow.setInterval(70);
        fast.setEnabled(true);
        slow.setEnabled(true);
        for (int i = 0; i < 28; ++i) {
            clock.advanceMs(5);
            lib.deliverDueTicks();
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(order.count(u'f'), 28);
        QCOMPARE(order.count(u's'), 2);
    }

    void libraryRunsOutOfTimers()
    {
        BuiltinFastTimerLibrary lib(1);
        LibraryInstalled installed(&lib);
        TFastTimer first;
        TFastTimer second;
        first.OnTimer = second.OnTimer = [](TFastTimer *) {};
        first.setEnabled(true);
        QVERIFY_THROWS_EXCEPTION(OutOfResourcesError, second.setEnabled(true));
        first.setEnabled(false);
        second.setEnabled(false);
        second.setEnabled(true);
        QCOMPARE(lib.runningTimers(), 1);
    }

    // --- the built-in library on the real clock, briefly ---

    void realClockWithAStalledThread()
    {
        TFastTimer timer;
        int ticks = 0;
        timer.OnTimer = [&](TFastTimer *) { ++ticks; };
        timer.setInterval(5);
        timer.setEnabled(true);
        BuiltinFastTimerLibrary &lib = BuiltinFastTimerLibrary::instance();
        const qint64 startNs = lib.startedAtNs(timer.TimerID());
        QVERIFY(startNs >= 0);
        QTimer::singleShot(60, [] { QThread::msleep(35); });
        QTimer::singleShot(150, [] { QThread::msleep(35); });
        while (Clock::instance().monotonicNs() - startNs < 300 * 1000000LL)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Exactly one tick per elapsed interval, stalls or not: the ticks due
        // before the delivery are all there, none of those due after it.
        const qint64 before = Clock::instance().monotonicNs();
        lib.deliverDueTicks();
        const qint64 after = Clock::instance().monotonicNs();
        QCoreApplication::sendPostedEvents(&timer, TickMessage);
        timer.setEnabled(false);
        const qint64 interval = 5 * 1000000LL;
        QVERIFY2(ticks >= (before - startNs) / interval && ticks <= (after - startNs) / interval,
                 qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg((before - startNs) / 1000000)));
    }
};

VR_TEST_CLASS(FastTimerTest)
#include "fasttimer_test.moc"
