#include "platform/programpaths.h"
#include "reaction/staticrun.h"
#include "runkit/validitybounds.h"
#include "recordingdisplay.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QFile>
#include <QTest>

namespace {
const QString kIniError = QStringLiteral("\r\nFehler beim Lesen von CONFIG.INI !");

// Messages about config.ini (they go on with the file, key and reason).
int iniErrors(const ScriptedMessages &messages)
{
    int n = 0;
    for (const ScriptedMessages::Shown &m : messages.shown())
        n += m.text.startsWith(kIniError) ? 1 : 0;
    return n;
}

[[nodiscard]] bool writeConfig(const QByteArray &text)
{
    QFile f(ProgramPaths::configIni());
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}
} // namespace

class StaticRunTest : public QObject
{
    Q_OBJECT
private:
    // A run of test 1 after "&Start" with Scheibenabstand 1.
    struct Fixture
    {
        FakeClock clock;
        RecordingDisplay d;
        StaticRun run{&d};
        explicit Fixture(int series = 1, int spacing = 1)
        {
            run.activate(series, spacing, ValidityBounds(), 10);
            run.start();
            clock.runSteps();   // the countdown
        }
        // Presses a key at `ticksAfter` ticks after the target of the current cycle was shown.
        void keyAfterTarget(int ticksAfter)
        {
            // A cycle whose target was already shown runs to its end first.
            while (run.tickOn() && run.CycleRunning && run.CycleTicks >= run.TargetDelay) {
                ++d.tickNo;
                run.tick();
            }
            const int shownAt = d.tickNo + (run.TargetDelay - run.CycleTicks);
            tickTo(run, d, shownAt + ticksAfter);
            run.keyPressed();
        }
    };

private slots:
    void countdownAndTimingWithSpacingOne()
    {
        Fixture fx(1, 1);
        QCOMPARE(fx.clock.sleeps, (QList<int>{1000, 1000, 1000}));
        QVERIFY(fx.d.tickOn);
        QVERIFY(fx.d.startDisabled);
        QVERIFY(!fx.d.lightsVisible);
        QCOMPARE(fx.d.status, QStringLiteral("Messbeginn Serie 1"));
        // Lights red, yellow, green before the tick starts.
        const int red = int(fx.d.events.indexOf("light:0")), yellow = int(fx.d.events.indexOf("light:1")),
                  green = int(fx.d.events.indexOf("light:2"));
        QVERIFY(red >= 0 && red < yellow && yellow < green);

        tickTo(fx.run, fx.d, 2000);
        // First target at tick 500, every later one 250 ticks after the one before.
        QCOMPARE(fx.d.shownAt(), (QList<int>{500, 750, 1000, 1250, 1500}));
        // Unanswered targets time out 150 ticks after they were shown.
        QCOMPARE(fx.d.rowTicks, (QList<int>{650, 900, 1150, 1400, 1650}));
        for (const ResultRow &row : fx.d.rows) {
            QCOMPARE(row.time, QStringLiteral("00"));
            QCOMPARE(row.status, QStringLiteral("o"));
            QCOMPARE(row.error, QStringLiteral("-"));
        }
        QCOMPARE(fx.d.rows.last().target, 5);
        QVERIFY(!fx.d.tickOn);
        QVERIFY(fx.run.isComplete());
        QCOMPARE(fx.d.status, QStringLiteral("Messung beendet."));
        QCOMPARE(fx.d.cancelCaption, QStringLiteral("&Fertig"));
        QCOMPARE(fx.d.tickNo, 1650);
    }

    void spacingTwoDelaysTheFirstTargetTenSeconds()
    {
        Fixture fx(1, 2);
        QCOMPARE(fx.clock.sleeps, (QList<int>{2000, 2000, 2000}));
        tickTo(fx.run, fx.d, 1400);
        QCOMPARE(fx.d.shownAt(), (QList<int>{1000, 1350}));
    }

    void boundsAtTheEdges_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("status");
        QTest::newRow("10 ticks: 0,1 held in six bytes lies above 0,1") << 10 << "100" << "o";
        QTest::newRow("11") << 11 << "110" << "x";
        QTest::newRow("23") << 23 << "230" << "x";
        QTest::newRow("80") << 80 << "800" << "x";
        QTest::newRow("81") << 81 << "810" << "o";
        QTest::newRow("0: key at the very tick of the target") << 0 << "00" << "o";
    }
    void boundsAtTheEdges()
    {
        QFETCH(int, ticks);
        QFETCH(QString, time);
        QFETCH(QString, status);
        Fixture fx;
        fx.keyAfterTarget(ticks);
        QCOMPARE(fx.d.rows.size(), 1);
        QCOMPARE(fx.d.rows.first(), (ResultRow{1, 1, time, status, "-"}));
        // The answered target is erased (white disc) at once.
        QCOMPARE(fx.d.targets.last().fill, QColor(Qt::white));
        QCOMPARE(fx.d.targets.last().tick, fx.d.tickNo);
    }

    void keyBeforeTheTarget()
    {
        Fixture fx;
        tickTo(fx.run, fx.d, 488);
        fx.run.keyPressed();
        QCOMPARE(fx.d.rows.size(), 1);
        QCOMPARE(fx.d.rows.first(), (ResultRow{1, 1, "-120", "o", "-"}));
        fx.run.keyPressed(); // further keys of the cycle are ignored
        QCOMPARE(fx.d.rows.size(), 1);
        tickTo(fx.run, fx.d, 700);
        // The target still comes at its tick and no timed-out row follows.
        QVERIFY(fx.d.shownAt().contains(500));
        QCOMPARE(fx.d.rows.size(), 1);
        // It stays until the cycle ends at 650.
        QList<int> erased;
        for (const DrawnTarget &t : fx.d.targets)
            if (t.fill == QColor(Qt::white) && t.tick > 500)
                erased << t.tick;
        QCOMPARE(erased.first(), 650);
        // The next cycle counts on with target number 2.
        fx.keyAfterTarget(30);
        QCOMPARE(fx.d.rows.last(), (ResultRow{1, 2, "300", "x", "-"}));
    }

    void twoKeysGiveOneRow()
    {
        Fixture fx;
        fx.keyAfterTarget(25);
        tickTo(fx.run, fx.d, fx.d.tickNo + 3);
        fx.run.keyPressed();
        QCOMPARE(fx.d.rows.size(), 1);
        QCOMPARE(fx.d.rows.first().time, QStringLiteral("250"));
        // The cycle runs to its full length; the next target comes 100 ticks after it.
        tickTo(fx.run, fx.d, 760);
        QCOMPARE(fx.d.shownAt(), (QList<int>{500, 750}));
    }

    void keysOutsideACycleAreIgnored()
    {
        FakeClock clock;
        RecordingDisplay d;
        StaticRun run(&d);
        run.activate(1, 1, ValidityBounds(), 10);
        run.keyPressed(); // before "&Start"
        QVERIFY(d.rows.isEmpty());
        run.start();
        run.keyPressed(); // in the countdown
        clock.runSteps();
        run.keyPressed(); // before the first tick
        QVERIFY(d.rows.isEmpty());
    }

    void fifthAnsweredPresentationEndsTheSeriesAtTheNextTick()
    {
        Fixture fx(2, 1);
        for (int i = 0; i < 5; ++i)
            fx.keyAfterTarget(20);
        QCOMPARE(fx.d.rows.size(), 5);
        const int answered = fx.d.tickNo;
        ++fx.d.tickNo;
        fx.run.tick();
        // Series 2 starts right away, without countdown, with target number 1.
        QCOMPARE(fx.run.SeriesNo, 2);
        QCOMPARE(fx.run.TargetsDone, 0);
        QCOMPARE(fx.run.CycleTicks, 0);
        QVERIFY(!fx.run.CycleRunning);
        QVERIFY(fx.d.tickOn);
        QCOMPARE(fx.d.status, QString());
        QCOMPARE(fx.clock.sleeps.size(), 3);
        // Its first target comes Scheibenabstand * 100 ticks after its first tick.
        tickTo(fx.run, fx.d, answered + 1 + 100);
        QCOMPARE(fx.d.shownAt().last(), answered + 1 + 100);
        QCOMPARE(fx.d.status, QStringLiteral("Serie 2"));
        fx.run.keyPressed();
        QCOMPARE(fx.d.rows.last(), (ResultRow{2, 1, "00", "o", "-"}));
    }

    void threeSeriesGiveFifteenRows()
    {
        Fixture fx(3, 1);
        int k = 0;
        while (fx.d.rows.size() < 15 && fx.run.tickOn()) {
            // Answer every other target, let the others time out.
            if (k++ % 2 == 0)
                fx.keyAfterTarget(30);
            else
                for (const qsizetype before = fx.d.rows.size(); fx.d.rows.size() == before && fx.run.tickOn();) {
                    ++fx.d.tickNo;
                    fx.run.tick();
                }
        }
        tickTo(fx.run, fx.d, fx.d.tickNo + 1);
        QCOMPARE(fx.d.rows.size(), 15);
        for (int i = 0; i < 15; ++i) {
            QCOMPARE(fx.d.rows.at(i).series, i / 5 + 1);
            QCOMPARE(fx.d.rows.at(i).target, i % 5 + 1);
        }
        QVERIFY(fx.run.isComplete());
        QVERIFY(!fx.d.tickOn);
        QCOMPARE(fx.d.cancelCaption, QStringLiteral("&Fertig"));
    }

    void stopDuringTheCountdownStartsNothing()
    {
        // A cancel while the yellow light is on.
        FakeClock clock;
        RecordingDisplay d;
        StaticRun run(&d);
        run.activate(1, 1, ValidityBounds(), 10);
        run.start();
        clock.fireNext();
        run.stop();
        clock.runSteps();
        QVERIFY(!run.tickOn());
        QVERIFY(!d.startDisabled);
        QVERIFY(clock.sleeps.size() < 3);
    }

    void boundsFromConfigIni()
    {
        Sandbox box;
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        ScriptedMessages messages;
        // Missing file: the built-in bounds, no message.
        ValidityBounds b = ReadValidityBounds();
        QCOMPARE(messages.count(), 0);
        QCOMPARE(b.min_Zeit, Real48(0.1L));
        QCOMPARE(b.max_Zeit, Real48(0.8L));

        QVERIFY(writeConfig("[ER_TEST]\r\nmin_Zeit=0,15\r\nmax_Zeit=0,5\r\n"));
        b = ReadValidityBounds();
        QCOMPARE(messages.count(), 0);
        QCOMPARE(b.min_Zeit, Real48(0.15L));
        QCOMPARE(b.max_Zeit, Real48(0.5L));
        QVERIFY(!b.validStatic(15)); // 0,15 held in six bytes lies above 0,15
        QVERIFY(b.validStatic(16));
        QVERIFY(b.validStatic(50));
        QVERIFY(!b.validStatic(51));

        // A decimal point under a comma locale is read as well.
        QVERIFY(writeConfig("[er_test]\nMIN_ZEIT=0.2\nmax_Zeit=0,6\n"));
        b = ReadValidityBounds();
        QCOMPARE(messages.count(), 0);
        QCOMPARE(b.min_Zeit, Real48(0.2L));
        QCOMPARE(b.max_Zeit, Real48(0.6L));

        // Both wrong: two messages.
        messages.clear();
        QVERIFY(writeConfig("[ER_TEST]\nmin_Zeit=abc\nmax_Zeit=\n"));
        b = ReadValidityBounds();
        QCOMPARE(iniErrors(messages), 2);
        QCOMPARE(b.max_Zeit, Real48(0.8L));

        // A section without the keys: defaults, also under a locale with a decimal point.
        messages.clear();
        box.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(writeConfig("[ER_TEST]\n"));
        b = ReadValidityBounds();
        QCOMPARE(messages.count(), 0);
        QCOMPARE(b.min_Zeit, Real48(0.1L));
    }

    void boundsEitherSeparator_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("expected");
        const QStringList locales{QStringLiteral("C"), QStringLiteral("en_US"), QStringLiteral("de_DE")};
        for (const QString &l : locales) {
            const QByteArray tag = l.toLatin1();
            QTest::newRow(tag + " shipped comma") << l << QByteArray("0,1") << true << 0.1;
            QTest::newRow(tag + " point") << l << QByteArray("0.25") << true << 0.25;
            QTest::newRow(tag + " blanks") << l << QByteArray(" 0,3 ") << true << 0.3;
            QTest::newRow(tag + " word") << l << QByteArray("kurz") << false << 0.1;
            QTest::newRow(tag + " both separators") << l << QByteArray("0,1.5") << false << 0.1;
            QTest::newRow(tag + " two commas") << l << QByteArray("0,1,5") << false << 0.1;
        }
    }

    // The shipped "config.ini" says "0,1": a start under a point locale reads it without a message.
    void boundsEitherSeparator()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, value);
        QFETCH(bool, accepted);
        QFETCH(double, expected);
        Sandbox box;
        box.setLocale(QLocale(locale));
        ScriptedMessages messages;
        QVERIFY(writeConfig("[ER_TEST]\r\nmin_Zeit=" + value + "\r\n"));
        const ValidityBounds b = ReadValidityBounds();
        QCOMPARE(iniErrors(messages), accepted ? 0 : 1);
        QCOMPARE(double(b.min_Zeit.value()), double(Real48(static_cast<long double>(expected)).value()));
    }

    void randomRunTimeWindow()
    {
        // Test 2 compares the tick count with bound * 100.
        ValidityBounds b;
        QVERIFY(!b.inTimeRandom(10));
        QVERIFY(b.inTimeRandom(11));
        QVERIFY(b.inTimeRandom(80));
        QVERIFY(!b.inTimeRandom(81));
        QVERIFY(!b.inTimeRandom(0));
        QVERIFY(!b.inTimeRandom(-5));
        b.min_Zeit = Real48(0.0L);
        QVERIFY(b.inTimeRandom(0));
        QVERIFY(b.validStatic(0));
    }
};

VR_TEST_CLASS(StaticRunTest)
#include "staticrun_test.moc"
