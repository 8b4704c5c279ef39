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

// Every place where the countdown or the series start lets messages run
// (window pumps, waits, log writes) is a numbered point; the clock closes the
// window (stops the run) at the chosen one.
class StoppingClock : public FakeClock
{
public:
    int stopAt = 0;
    int points = 0;
    ReactionRun *run = nullptr;

    void sleep(int ms) override
    {
        FakeClock::sleep(ms);
        point();
    }
    void processEvents() override
    {
        FakeClock::processEvents();
        point();
    }

private:
    void point()
    {
        if (++points == stopAt && run)
            run->stop();
    }
};

// Pumps through the clock, as the test windows do.
struct PumpingDisplay : RecordingDisplay
{
    void processEvents() override
    {
        ++processed;
        Clock::instance().processEvents();
    }
};

std::unique_ptr<ReactionRun> makeRun(const QString &kind, RunDisplay *d)
{
    if (kind == QLatin1String("static"))
        return std::make_unique<StaticRun>(d);
    auto run = std::make_unique<RandomRun>(d);
    run->setupPositions(300, 3, 2, false);
    return run;
}

// Countdown pumps 1..4 with the waits after the lights, the log line, the
// series start, and the first tick's pump.
const int kPoints = 10;

} // namespace

class StopPointsTest : public QObject
{
    Q_OBJECT

private slots:
    void stopWinsAtEveryMessagePoint_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("stopAt");
        for (const char *kind : {"static", "random"})
            for (int point = 1; point <= kPoints; ++point)
                QTest::addRow("%s point %d", kind, point) << QString::fromLatin1(kind) << point;
    }

    // A close while the countdown or the series start lets messages run ends
    // the run: the tick stays off, nothing is shown or counted, and a new
    // "&Start" runs normally.
    void stopWinsAtEveryMessagePoint()
    {
        QFETCH(QString, kind);
        QFETCH(int, stopAt);
        Sandbox box;
        Settings::instance().Logfile = true;   // the log write lets messages run
        StoppingClock clock;
        PumpingDisplay d;
        auto run = makeRun(kind, &d);
        clock.run = run.get();
        clock.stopAt = stopAt;
        run->activate(1, 1, ValidityBounds(), 10);
        run->start();
        if (run->tickOn())
            run->tick();   // the first tick pumps as well
        const int points = clock.points;
        const bool tickOn = run->tickOn();
        const bool displayTickOn = d.tickOn;
        const qsizetype targets = d.targets.size();
        const qsizetype rows = d.rows.size();
        const bool countingDown = run->countingDown();

        // The window opens again and starts anew.
        clock.stopAt = 0;
        run->activate(1, 1, ValidityBounds(), 10);
        run->start();
        const bool restarted = run->tickOn();

        QCOMPARE(points, stopAt);   // nothing ran on after the stop
        QVERIFY(!tickOn);
        QVERIFY(!displayTickOn);
        QCOMPARE(targets, 0);
        QCOMPARE(rows, 0);
        QVERIFY(!countingDown);
        QVERIFY(restarted);
    }

    void unstoppedRunPassesEveryPoint()
    {
        Sandbox box;
        Settings::instance().Logfile = true;
        StoppingClock clock;
        PumpingDisplay d;
        StaticRun run(&d);
        run.activate(1, 1, ValidityBounds(), 10);
        run.start();
        QVERIFY(run.tickOn());
        run.tick();
        QCOMPARE(clock.points, kPoints);
        QCOMPARE(d.status, QStringLiteral("Serie 1"));
    }

    void secondStartWhileTheFirstRunsIsIgnored()
    {
        // "&Start" clicked again while the first countdown lets messages run.
        struct RestartingClock : FakeClock
        {
            ReactionRun *run = nullptr;
            int nested = 0;
            void processEvents() override
            {
                FakeClock::processEvents();
                if (run && nested++ < 20)
                    run->start();
            }
        };
        Sandbox box;
        RestartingClock clock;
        PumpingDisplay d;
        StaticRun run(&d);
        clock.run = &run;
        run.activate(1, 1, ValidityBounds(), 10);
        run.start();
        QCOMPARE(clock.sleeps.size(), 3);   // one countdown, not several
        QVERIFY(run.tickOn());
    }
};

VR_TEST_CLASS(StopPointsTest)
#include "stoppoints_test.moc"
