// Reaction times of tests 1 and 2 count from the moment the target reached
// the screen, not from the tick that was due to show it.
#include "recordingdisplay.h"

#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "reaction/statictestwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomrun.h"
#include "runkit/runsettings.h"
#include "reaction/staticrun.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <memory>

namespace {
constexpr qint64 kUs = 1000;
constexpr qint64 kMs = 1000000;

// A run after "&Start" with Scheibenabstand 1: the first target at tick 500.
struct RunFixture
{
    FakeClock clock;
    RecordingDisplay d;
    std::unique_ptr<ReactionRun> run;

    explicit RunFixture(const QString &kind)
    {
        if (kind == QLatin1String("static")) {
            run = std::make_unique<StaticRun>(&d);
        } else {
            auto random = std::make_unique<RandomRun>(&d);
            random->setupPositions(300, 0, 0, false);   // every target in the centre, inside the zone
            run = std::move(random);
        }
        run->activate(1, 1, ValidityBounds(), 10);
        run->start();
        clock.runSteps();   // the countdown
    }
};
} // namespace

class OnsetTest : public QObject
{
    Q_OBJECT
private slots:
    void reactionCountsFromTheOnset_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("paintUs");   // target on screen this long after its tick was due; -1: not told
        QTest::addColumn<int>("keyTick");      // the key is handled after this tick
        QTest::addColumn<qint64>("keyUs");     // its input time, after the target's tick was due
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("status");
        QTest::addColumn<qint64>("stampUs");   // the window system's later word on the onset; -1: none

        for (const char *kind : {"static", "random"}) {
            auto row = [kind](const char *name) -> QTestData & { return QTest::addRow("%s: %s", kind, name) << QString::fromLatin1(kind); };
            row("on time") << qint64(300) << 523 << qint64(230800) << "230" << "x" << qint64(-1);
            row("35 ms late") << qint64(35000) << 526 << qint64(265500) << "230" << "x" << qint64(-1);
            row("120 ms late") << qint64(120000) << 535 << qint64(469500) << "340" << "x" << qint64(-1);
            row("key between due time and onset") << qint64(35000) << 502 << qint64(20000) << "-20" << "o" << qint64(-1);
            row("key 0.4 ms before the onset") << qint64(35000) << 503 << qint64(34600) << "-10" << "o" << qint64(-1);
            row("key before the target's tick") << qint64(35000) << 495 << qint64(-45000) << "-50" << "o" << qint64(-1);
            row("display tells no onset: ticks") << qint64(-1) << 526 << qint64(265500) << "260" << "x" << qint64(-1);
            row("X server's stamp after the paint") << qint64(300) << 523 << qint64(230800) << "210" << "x" << qint64(15000);
            row("stamp before the paint: kept") << qint64(35000) << 526 << qint64(265500) << "230" << "x" << qint64(33000);
        }
    }
    void reactionCountsFromTheOnset()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, paintUs);
        QFETCH(int, keyTick);
        QFETCH(qint64, keyUs);
        QFETCH(QString, time);
        QFETCH(QString, status);
        QFETCH(qint64, stampUs);

        RunFixture f(kind);
        f.d.paintNs = paintUs < 0 ? -1 : paintUs * kUs;
        tickTo(*f.run, f.d, keyTick);
        if (stampUs >= 0)
            f.run->refineOnset(500 * 10 * kMs + stampUs * kUs);
        f.run->keyPressedAt(500 * 10 * kMs + keyUs * kUs);
        tickTo(*f.run, f.d, 800);
        QCOMPARE(f.d.shownAt().value(0), 500);
        QCOMPARE(f.d.rows.size(), 1);
        QCOMPARE(f.d.rows.first().time, time);
        QCOMPARE(f.d.rows.first().status, status);
        if (kind == QLatin1String("random"))
            QCOMPARE(f.d.rows.first().error, status == QLatin1String("x") ? QStringLiteral("-") : QStringLiteral("Reaktion"));
    }

    void timeOutRunsFromTheOnset_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("paintUs");
        QTest::addColumn<int>("endTick");      // the timed-out row comes at this tick
        for (const char *kind : {"static", "random"}) {
            QTest::addRow("%s: on time", kind) << QString::fromLatin1(kind) << qint64(300) << 650;
            QTest::addRow("%s: 1 ms late", kind) << QString::fromLatin1(kind) << qint64(1000) << 651;
            QTest::addRow("%s: 35 ms late", kind) << QString::fromLatin1(kind) << qint64(35000) << 654;
            QTest::addRow("%s: 120 ms late", kind) << QString::fromLatin1(kind) << qint64(120000) << 662;
            QTest::addRow("%s: onset not told", kind) << QString::fromLatin1(kind) << qint64(-1) << 650;
        }
    }
    void timeOutRunsFromTheOnset()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, paintUs);
        QFETCH(int, endTick);

        RunFixture f(kind);
        f.d.paintNs = paintUs < 0 ? -1 : paintUs * kUs;
        tickTo(*f.run, f.d, endTick - 1);
        QVERIFY(f.d.rows.isEmpty());
        tickTo(*f.run, f.d, endTick);
        QCOMPARE(f.d.rows.size(), 1);
        QCOMPARE(f.d.rows.first().time, QStringLiteral("00"));
        QCOMPARE(f.d.rowTicks.first(), endTick);
        // The next target keeps to the grid: TargetDelay ticks after its cycle start.
        const int delay = f.run->TargetDelay;
        tickTo(*f.run, f.d, endTick + delay);
        QCOMPARE(f.d.shownAt().value(1), endTick + delay);

        // In a second run, a key just before the end of the full window still counts.
        RunFixture g(kind);
        g.d.paintNs = f.d.paintNs;
        tickTo(g.run.operator*(), g.d, endTick - 1);
        const qint64 onset = g.run->onsetNs();
        QCOMPARE(onset >= 0, paintUs >= 0);
        g.run->keyPressedAt(paintUs < 0 ? -1 : onset + 1499 * kMs);
        QCOMPARE(g.d.rows.size(), 1);
        QCOMPARE(g.d.rows.first().time, paintUs < 0 ? ReactionTimeText(endTick - 1 - 500) : QStringLiteral("1490"));
    }

    // The window of test 1 on the timer and a fake clock: the UI thread
    // stalls before targets 1 and 3, which reach the screen late.
    void lateTargetsInTheWindow()
    {
        Sandbox box;
        ScriptedMessages messages;   // no data module: the profile message is answered
        FakeClock clock;
        Settings::instance().Logfile = true;
        RunSettings::instance().SerienAnzahl = 1;
        RunSettings::instance().Scheibenabstand = 1;

        StaticResultWindow era;
        StaticTestWindow er(&era);
        QString statusLine;
        bool statusShown = false;
        er.setResultShower([&](ReactionResultWindow *w) {
            statusLine = w->statusLabel()->text();
            statusShown = !w->statusLabel()->isHidden();
        });
        er.show();
        QVERIFY(QTest::qWaitForWindowExposed(&er));
        er.startClicked();
        clock.runSteps();   // the countdown
        QVERIFY(er.run().tickOn());

        // The clock moves on by ms while the UI thread is busy; then the
        // timer delivers what fell due.
        auto run = [&](qint64 ms) {
            clock.advanceMs(ms);
            BuiltinFastTimerLibrary::instance().deliverDueTicks();
            QCoreApplication::sendPostedEvents(er.measurementTimer(), TickMessage);
        };
        auto ticks = [&](int n) {
            for (int i = 0; i < n; ++i)
                run(10);
        };
        // The thread stalls until stallMs after the target's tick was due;
        // the key comes keyMs after the target was painted.
        struct Target
        {
            int stallMs;
            int keyMs;
        };
        const QList<Target> targets{{35, 230}, {0, 250}, {120, 300}, {0, 180}, {0, 270}};
        qint64 dueTick = 500;
        for (const Target &t : targets) {
            ticks(int(dueTick - er.measurementTimer()->ticksDelivered()) - 2);
            const qint64 dueNs = er.measurementTimer()->dueNs(dueTick);
            // The two ticks before and the target's tick come stallMs late.
            run((dueNs + qint64(t.stallMs) * kMs - clock.monotonicNs()) / kMs);
            const qint64 shown = er.run().onsetNs();
            QCOMPARE(shown - dueNs, qint64(t.stallMs) * kMs);
            while (clock.monotonicNs() + 10 * kMs <= shown + qint64(t.keyMs) * kMs)
                ticks(1);
            clock.advanceMs((shown + qint64(t.keyMs) * kMs - clock.monotonicNs()) / kMs);
            QTest::keyClick(&er, Qt::Key_X);   // no stamp: taken at its arrival
            // On to the next cycle's first tick (the series' end after the fifth key).
            while (er.run().tickOn() && (!er.run().CycleRunning || er.run().CycleTicks >= er.run().TargetDelay))
                ticks(1);
            dueTick = er.measurementTimer()->ticksDelivered() + er.run().TargetDelay - er.run().CycleTicks;
        }
        QVERIFY(er.run().isComplete());
        QStringList times;
        for (int i = 0; i < era.rowList()->topLevelItemCount(); ++i)
            times << era.rowList()->topLevelItem(i)->text(2);
        QCOMPARE(times, (QStringList{"230", "250", "300", "180", "270"}));
        QCOMPARE(er.run().lateTargets(), 2);

        QStringList late;
        for (const QString &line : LoadLogIntoViewer())
            if (line.contains(QStringLiteral("[Verspätet]")))
                late << line.mid(line.indexOf(QStringLiteral("Ausführen")));
        QCOMPARE(late, (QStringList{"Ausführen : [Verspätet] Serie 1, Ziel 1: 35 ms nach seinem Tick angezeigt",
                                    "Ausführen : [Verspätet] Serie 1, Ziel 3: 120 ms nach seinem Tick angezeigt"}));

        er.cancelClicked();   // "&Fertig": the result window
        QVERIFY(statusShown);
        QVERIFY2(statusLine.startsWith(QStringLiteral("2 Ziele ")), qPrintable(statusLine));
        // The next showing starts with a clear status line.
        era.clearLists();
        QVERIFY(era.statusLabel()->isHidden());
    }
};

VR_TEST_CLASS(OnsetTest)
#include "onset_test.moc"
