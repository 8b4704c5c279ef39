#include "reaction/randomrun.h"
#include "recordingdisplay.h"
#include "support/fakeclock.h"
#include "support/testmain.h"

#include <QSet>
#include <QTest>

class RandomRunTest : public QObject
{
    Q_OBJECT
private:
    struct Fixture
    {
        FakeClock clock;
        RecordingDisplay d;
        RandomRun run{&d};
        Fixture(int spos, int sposOk, bool hits = false, int series = 1)
        {
            run.activate(series, 1, ValidityBounds(), 10);
            run.setupPositions(300, spos, sposOk, hits);
            run.seed(12345);
            run.start();
            clock.runSteps();   // the countdown
        }
        // Ticks to the showing of the current cycle's target.
        void toTarget()
        {
            while (run.tickOn() && run.CycleRunning && run.CycleTicks >= run.TargetDelay)
                step();
            while (run.tickOn() && !(run.CycleRunning && run.CycleTicks == run.TargetDelay))
                step();
        }
        void step()
        {
            ++d.tickNo;
            run.tick();
        }
        void steps(int n)
        {
            for (int i = 0; i < n && run.tickOn(); ++i)
                step();
        }
    };

private slots:
    void zoneArithmetic_data()
    {
        QTest::addColumn<int>("spos");
        QTest::addColumn<int>("sposOk");
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("halfOk");
        QTest::newRow("defaults 10 / 5") << 10 << 5 << 30 << -15 << 7;
        QTest::newRow("0 / 0: always the centre") << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("10 / 50: no false presentations") << 10 << 50 << 30 << -15 << 75;
        QTest::newRow("50 / 0: only the centre is inside") << 50 << 0 << 150 << -75 << 0;
        QTest::newRow("odd span rounds toward zero") << 7 << 3 << 21 << -10 << 4;
    }
    void zoneArithmetic()
    {
        QFETCH(int, spos);
        QFETCH(int, sposOk);
        QFETCH(int, span);
        QFETCH(int, base);
        QFETCH(int, halfOk);
        RecordingDisplay d;
        RandomRun run(&d);
        run.setupPositions(300, spos, sposOk, false);
        QCOMPARE(run.PosSpan, span);
        QCOMPARE(run.PosBase, base);
        QCOMPARE(run.HalfOk, halfOk);
        QSet<int> seen;
        int inside = 0;
        for (int i = 0; i < 3000; ++i) {
            run.drawOffset();
            QVERIFY(run.XOffset >= base);
            QVERIFY(run.XOffset <= base + qMax(span - 1, 0));
            seen << run.XOffset;
            inside += run.insideZone() ? 1 : 0;
        }
        QCOMPARE(int(seen.size()), qMax(span, 1)); // every offset comes up
        if (sposOk == 50 || span == 0)
            QCOMPARE(inside, 3000);
        if (spos == 50 && sposOk == 0)
            QVERIFY(inside < 100);
    }

    void targetsLieOnTheDiagonal()
    {
        Fixture fx(10, 5);
        QSet<int> signs;
        for (int i = 0; i < 40; ++i) {
            fx.run.XOffset = 9;
            fx.run.DrawTargetAt(9, Qt::black);
            const DrawnTarget &t = fx.d.targets.last();
            QCOMPARE(t.dx, 9);
            QVERIFY(t.dy == 9 || t.dy == -9);
            QCOMPARE(t.penWidth, 2);
            QCOMPARE(t.pen, QColor(Qt::black)); // no hit display: a plain disc
            signs << t.dy;
        }
        QCOMPARE(int(signs.size()), 2);
    }

    void hitDisplayRims()
    {
        Fixture fx(10, 5, true);
        fx.run.DrawTargetAt(7, Qt::black);
        QCOMPARE(fx.d.targets.last().pen, QColor(0, 255, 0));
        QCOMPARE(fx.d.targets.last().fill, QColor(Qt::black));
        fx.run.DrawTargetAt(-7, Qt::black);
        QCOMPARE(fx.d.targets.last().pen, QColor(0, 255, 0));
        fx.run.DrawTargetAt(8, Qt::black);
        QCOMPARE(fx.d.targets.last().pen, QColor(255, 0, 0));
        fx.run.DrawTargetAt(-15, Qt::black);
        QCOMPARE(fx.d.targets.last().pen, QColor(255, 0, 0));
    }

    void rowsByZoneAndTime_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("after"); // ticks after the target, -1 = no key
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("inside, 23 ticks") << 0 << 23 << "230" << "x" << "-";
        QTest::newRow("inside, 10 ticks") << 7 << 10 << "100" << "o" << "Reaktion";
        QTest::newRow("inside, 81 ticks") << -7 << 81 << "810" << "o" << "Reaktion";
        QTest::newRow("inside, no key") << 3 << -1 << "00" << "o" << "Reaktion";
        QTest::newRow("outside, in time") << 8 << 23 << "230" << "o" << "Ziel";
        QTest::newRow("outside, no key") << -15 << -1 << "00" << "o" << "Ziel";
        QTest::newRow("outside, too early") << 12 << 5 << "50" << "o" << "Ziel";
    }
    void rowsByZoneAndTime()
    {
        QFETCH(int, offset);
        QFETCH(int, after);
        QFETCH(QString, time);
        QFETCH(QString, status);
        QFETCH(QString, error);
        Fixture fx(10, 5);
        fx.run.XOffset = offset;
        fx.toTarget();
        QCOMPARE(fx.d.tickNo, 500); // first target at Scheibenabstand * 500
        QCOMPARE(fx.d.targets.last().dx, offset);
        if (after >= 0) {
            fx.steps(after);
            fx.run.keyPressed();
            QCOMPARE(fx.d.sightShown.last(), fx.d.tickNo); // the answered target is erased at once
        } else {
            fx.steps(150);
            QCOMPARE(fx.d.tickNo, 650);
        }
        QCOMPARE(fx.d.rows.size(), 1);
        QCOMPARE(fx.d.rows.first(), (ResultRow{1, 1, time, status, error}));
    }

    void keyBeforeTheTargetAndLaterDelays()
    {
        Fixture fx(10, 5);
        fx.run.XOffset = 0;
        fx.steps(480);
        fx.run.keyPressed();
        QCOMPARE(fx.d.rows.first(), (ResultRow{1, 1, "-200", "o", "Reaktion"}));
        fx.run.keyPressed();
        fx.steps(170);
        QCOMPARE(fx.d.rows.size(), 1);        // no timed-out row after an early key
        QCOMPARE(fx.d.shownAt(), QList<int>{500}); // the target came anyway
        // Later targets: 50 to 199 ticks after the start of their cycle.
        QSet<int> delays;
        for (int i = 0; i < 200; ++i) {
            fx.run.TargetsDone = 0; // keep the series going
            while (fx.run.CycleRunning)
                fx.step();
            const int start = fx.d.tickNo;
            fx.toTarget();
            delays << fx.d.tickNo - start;
        }
        for (int delay : delays)
            QVERIFY2(delay >= 50 && delay <= 199, qPrintable(QString::number(delay)));
        QVERIFY(delays.size() > 50);
    }

    void fifthAnsweredTargetCarriesOverDelayAndOffset()
    {
        Fixture fx(10, 5, false, 2);
        for (int i = 0; i < 5; ++i) {
            fx.toTarget();
            fx.steps(20);
            fx.run.keyPressed();
        }
        const int delay = fx.run.TargetDelay;
        const int offset = fx.run.XOffset;
        const int sightsBefore = int(fx.d.sightShown.size());
        fx.step();
        QCOMPARE(fx.run.SeriesNo, 2);
        QCOMPARE(int(fx.d.sightShown.size()), sightsBefore + 1); // the series end shows the plain sight
        const int start = fx.d.tickNo;
        fx.toTarget();
        QCOMPARE(fx.d.tickNo - start, delay);
        QCOMPARE(fx.d.targets.last().dx, offset);
    }

    void lastSeriesEndsTheRun()
    {
        Fixture fx(10, 5, false, 1);
        while (fx.run.tickOn())
            fx.step();
        QCOMPARE(fx.d.rows.size(), 5);
        QVERIFY(fx.run.isComplete());
        QCOMPARE(fx.d.status, QStringLiteral("Messung beendet."));
        QCOMPARE(fx.d.cancelCaption, QStringLiteral("&Fertig"));
        // Test 2 leaves the lights alone during the cycles.
        QCOMPARE(fx.d.events.filter("light:").size(), 3);
    }
};

VR_TEST_CLASS(RandomRunTest)
#include "randomrun_test.moc"
