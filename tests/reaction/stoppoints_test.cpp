#include "recordingdisplay.h"

#include "reaction/randomrun.h"
#include "reaction/staticrun.h"
#include "core/settings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QTest>
#include <memory>

namespace {

std::unique_ptr<ReactionRun> makeRun(const QString &kind, RunDisplay *d)
{
    if (kind == QLatin1String("static"))
        return std::make_unique<StaticRun>(d);
    auto run = std::make_unique<RandomRun>(d);
    run->setupPositions(300, 3, 2, false);
    return run;
}

// The countdown's timer steps: yellow, green, the series start.
const int kSteps = 3;

} // namespace

class StopPointsTest : public QObject
{
    Q_OBJECT

private slots:
    void stopWinsAtEveryCountdownStep_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("stopAfter");   // steps run before the close
        for (const char *kind : {"static", "random"})
            for (int steps = 0; steps <= kSteps; ++steps)
                QTest::addRow("%s after %d steps", kind, steps) << QString::fromLatin1(kind) << steps;
    }

    // A close at any light of the countdown or before the first tick ends the
    // run there: no step is left, the tick stays off, nothing is shown or
    // counted, and a new "&Start" runs normally.
    void stopWinsAtEveryCountdownStep()
    {
        QFETCH(QString, kind);
        QFETCH(int, stopAfter);
        Sandbox box;
        Settings::instance().Logfile = true;
        FakeClock clock;
        RecordingDisplay d;
        auto run = makeRun(kind, &d);
        run->activate(1, 1, ValidityBounds(), 10);
        run->start();
        for (int i = 0; i < stopAfter; ++i)
            QVERIFY(clock.fireNext());
        run->keyPressed();   // no reaction in the countdown
        run->stop();
        const int pending = clock.pendingSteps();
        const bool tickOn = run->tickOn();
        const bool displayTickOn = d.tickOn;
        const bool countingDown = run->countingDown();
        const bool lights = d.lightsVisible;
        if (run->tickOn())
            run->tick();
        const qsizetype targets = d.targets.size();
        const qsizetype rows = d.rows.size();

        // The window opens again and starts anew.
        run->activate(1, 1, ValidityBounds(), 10);
        run->start();
        clock.runSteps();
        const bool restarted = run->tickOn();

        QCOMPARE(pending, 0);
        QVERIFY(!tickOn);
        QVERIFY(!displayTickOn);
        QVERIFY(!countingDown);
        QVERIFY(!lights);
        QCOMPARE(targets, 0);
        QCOMPARE(rows, 0);
        QVERIFY(restarted);
    }

    void unstoppedRunPassesEveryStep()
    {
        Sandbox box;
        Settings::instance().Logfile = true;
        FakeClock clock;
        RecordingDisplay d;
        StaticRun run(&d);
        run.activate(1, 1, ValidityBounds(), 10);
        run.start();
        QCOMPARE(d.lit, 0);
        QVERIFY(run.countingDown());
        QCOMPARE(clock.runSteps(), kSteps);
        QVERIFY(run.tickOn());
        QVERIFY(!run.countingDown());
        run.tick();
        QCOMPARE(d.status, QStringLiteral("Serie 1"));
    }

    void secondStartWhileTheFirstRunsIsIgnored()
    {
        // "&Start" clicked again during the countdown.
        Sandbox box;
        FakeClock clock;
        RecordingDisplay d;
        StaticRun run(&d);
        run.activate(1, 1, ValidityBounds(), 10);
        run.start();
        clock.fireNext();
        run.start();
        clock.runSteps();
        QCOMPARE(clock.sleeps.size(), 3);   // one countdown, not several
        QVERIFY(run.tickOn());
    }
};

VR_TEST_CLASS(StopPointsTest)
#include "stoppoints_test.moc"
