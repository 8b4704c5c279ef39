#include "curves/curverun.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/testmain.h"
#include "curvefiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

// Records what the run asks of its window; input steps call `onInput`.
struct Recorder : CurveDisplay
{
    QStringList log;               // status texts, lights, captions, marks
    QList<int> frames;             // slide frames v
    QList<QPoint> sights;          // sight corners
    ResultRows rows;
    int inputSteps = 0;
    bool startEnabled = true;
    std::function<void(int step)> onInput;

    void setStatusText(const QString &t) override { log << "status " + t; }
    void setLight(int lit) override { log << QStringLiteral("light %1").arg(lit); }
    void setLightsVisible(bool v) override { log << QStringLiteral("lights %1").arg(v); }
    void setCancelCaption(const QString &c) override { log << "caption " + c; }
    void setStartEnabled(bool on) override { startEnabled = on; }
    void focusReaction() override {}
    void resetMirrorSymbols() override { log << "symbols black"; }
    void markMirrorSymbol(int n) override { log << QStringLiteral("symbol %1 white").arg(n); }
    void slideFrame(int v) override { frames << v; }
    QList<int> paintMs;            // how long showing sight n (0-based) takes
    void showSight(int l, int t) override
    {
        if (sights.size() < paintMs.size())
            static_cast<FakeClock &>(Clock::instance()).advanceMs(paintMs.at(sights.size()));
        sights << QPoint(l, t);
    }
    void eraseSight() override {}
    void addResultRow(const ResultRow &r) override { rows << r; }
    void processEvents() override
    {
        ++inputSteps;
        if (onInput)
            onInput(inputSteps);
    }
};

QString rowText(const ResultRow &r)
{
    return QStringLiteral("%1/%2/%3/%4/%5").arg(r.series).arg(r.target).arg(r.time, r.status, r.error);
}

// A run over curve files written into a temporary folder.
struct Bench
{
    FakeClock clock;
    Sandbox box;
    QTemporaryDir dir;
    Recorder display;
    CurveRun run{&display};
    CurveRun::Setup setup;

    Bench()
    {
        setup.serienAnzahl = 1;
        setup.scheibenabstand = 1;
        setup.systemWidth = 300;
        setup.mirrors = QVector<MirrorDef>(5, MirrorDef{150, 100, 40}); // all in the middle: no slides
    }
    QString addFile(const QByteArray &content)
    {
        const QString path = dir.filePath(QStringLiteral("f%1.kdf").arg(setup.curveFiles.size() + 1));
        WriteFile(path, content);
        setup.curveFiles << path;
        return path;
    }
    void go()
    {
        run.activate(setup);
        run.run();
    }
    // Sleeps after the countdown (3 x Scheibenabstand s).
    QList<int> holds() const { return clock.sleeps.mid(3); }
};

// Five sections, each the given points.
QByteArray fiveOf(const QStringList &points)
{
    QByteArray out;
    for (int t = 1; t <= 5; ++t)
        out += KdfSection(t, points);
    return out;
}

} // namespace

class CurveRunTest : public QObject
{
    Q_OBJECT
private slots:
    void waits_data();
    void waits();
    void inputDoesNotStretchTheCurve();
    void filePerSeries_data();
    void filePerSeries();
    void judgement_data();
    void judgement();
    void reactionWindow_data();
    void reactionWindow();
    void reactionByInputTime_data();
    void reactionByInputTime();
    void holdsLastUntilTheNextPointIsShown_data();
    void holdsLastUntilTheNextPointIsShown();
    void cancel_data();
    void cancel();
    void slides_data();
    void slides();
    void rightToLeft();
};

void CurveRunTest::waits_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QList<int>>("expected");   // sleeps after the countdown

    QTest::newRow("one series: holds only, no pause") << 1 << 2 << QList<int>{30, 40, 30, 40, 30, 40, 30, 40, 30, 40};
    QTest::newRow("two series: a pause after every target")
        << 2 << 1
        << QList<int>{30, 40, 1000, 30, 40, 1000, 30, 40, 1000, 30, 40, 1000, 30, 40, 1000,
                      1000, 1000, 1000,   // countdown of series 2
                      30, 40, 1000, 30, 40, 1000, 30, 40, 1000, 30, 40, 1000, 30, 40, 1000};
}

void CurveRunTest::waits()
{
    QFETCH(int, series);
    QFETCH(int, spacing);
    QFETCH(QList<int>, expected);
    Bench b;
    b.setup.serienAnzahl = series;
    b.setup.scheibenabstand = spacing;
    b.addFile(fiveOf({"150:150|20", "150:150|30", "150:150|40"}));   // point 0 holds nothing
    b.go();
    QCOMPARE(b.clock.sleeps.mid(0, 3), (QList<int>{spacing * 1000, spacing * 1000, spacing * 1000}));
    QCOMPARE(b.holds(), expected);
    QVERIFY(b.display.log.contains("caption &Fertig"));
    QVERIFY(b.run.isComplete());
    QVERIFY(!b.display.startEnabled);
    QCOMPARE(b.display.frames, QList<int>());
    b.run.activate(b.setup);   // the window opens again: nothing to finish yet
    QVERIFY(!b.run.isComplete());
}

void CurveRunTest::inputDoesNotStretchTheCurve()
{
    // Every input step takes 3 ms: the holds after it are shortened, the curve keeps its 100 ms.
    Bench b;
    b.addFile(KdfSection(1, SamePoints(6, 150, 150, 20)) + KdfSection(2, {"1:1|1"}));
    qint64 firstDrawn = -1, lastErased = -1;
    b.display.onInput = [&](int step) {
        b.clock.advanceMs(3);
        if (step == 6)   // before point 1
            firstDrawn = b.clock.monotonicMs();
        if (step == 11)  // after the last hold
            lastErased = b.clock.monotonicMs() - 3;
    };
    b.go();
    QCOMPARE(b.holds().mid(0, 5), (QList<int>{20, 17, 17, 17, 17}));
    QCOMPARE(lastErased - firstDrawn, qint64(100));
}

void CurveRunTest::filePerSeries_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("series");
    QTest::addColumn<QList<int>>("used");   // file used per series (from the hold written in it)

    QTest::newRow("2 series of 3 files") << 3 << 2 << QList<int>{1, 2};
    QTest::newRow("one file serves every series") << 1 << 3 << QList<int>{1, 1, 1};
    QTest::newRow("wrap after the last file") << 2 << 4 << QList<int>{1, 2, 1, 2};
}

void CurveRunTest::filePerSeries()
{
    QFETCH(int, files);
    QFETCH(int, series);
    QFETCH(QList<int>, used);
    Bench b;
    b.setup.serienAnzahl = series;
    for (int f = 1; f <= files; ++f)
        b.addFile(fiveOf({"0:0|0", QStringLiteral("150:150|%1").arg(f)}));
    b.go();
    // Every curve holds once, for the number of its file.
    QList<int> holds;
    for (int s : b.clock.sleeps)
        if (s < 100)
            holds << s;
    QList<int> perSeries;
    for (int i = 0; i < holds.size(); i += 5)
        perSeries << holds.at(i);
    QCOMPARE(perSeries, used);
    QCOMPARE(CurveRun::fileForSeries(4, 2), 2);
    QCOMPARE(CurveRun::fileForSeries(5, 2), 1);
}

void CurveRunTest::judgement_data()
{
    QTest::addColumn<QStringList>("points");
    QTest::addColumn<int>("size");        // S of every mirror
    QTest::addColumn<int>("reactAt");     // input step of the first curve (1 = before point 0)
    QTest::addColumn<QString>("row");

    const QStringList inside = SamePoints(8, 150, 150, 20);
    QTest::newRow("T 20 inside, reaction before point 4") << inside << 40 << 5 << "1/1/  60/x/ 1";
    QTest::newRow("20 px right on S 40") << SamePoints(4, 170, 150, 20) << 40 << 4 << "1/1/  40/x/ 1";
    QTest::newRow("20 px right on S 39") << SamePoints(4, 170, 150, 20) << 39 << 4 << "1/1/  40/o/ 0";
    QTest::newRow("20 px below on S 39") << SamePoints(4, 150, 170, 20) << 39 << 4 << "1/1/  40/o/ 0";
    // on, on, off, off after the last hold: the last stay (50) plus the time since its start (30 + 20 + 25)
    QTest::newRow("after leaving the mirror")
        << QStringList{"150:150|20", "150:150|20", "150:150|30", "250:150|20", "250:150|25"} << 40 << 6
        << "1/1/ 125/o/ 1";
    // on, off, on again: second entry, the running stay
    QTest::newRow("second entry")
        << QStringList{"0:0|0", "150:150|20", "10:10|20", "160:140|30", "150:150|10"} << 40 << 6 << "1/1/  40/x/ 2";
    QTest::newRow("after the last hold") << SamePoints(3, 150, 150, 20) << 40 << 4 << "1/1/  40/x/ 1";
}

void CurveRunTest::judgement()
{
    QFETCH(QStringList, points);
    QFETCH(int, size);
    QFETCH(int, reactAt);
    QFETCH(QString, row);
    Bench b;
    b.setup.mirrors = QVector<MirrorDef>(5, MirrorDef{150, 100, size});
    b.addFile(KdfSection(1, points));
    // Input steps: 1 before the lights, 3 in the countdown, then one per point of curve 1.
    b.display.onInput = [&](int step) {
        if (step == 4 + reactAt) {
            b.run.reaction();
            b.run.reaction(); // a second reaction to the same target is ignored
        }
    };
    b.go();
    QCOMPARE(b.display.rows.size(), 1);
    QCOMPARE(rowText(b.display.rows.first()), row);
    QCOMPARE(b.display.log.contains("symbol 1 white"), row.contains("/x/"));
}

void CurveRunTest::reactionWindow_data()
{
    // Curves of 3 points: steps per target: before 0, before 1, before 2, after the last hold.
    QTest::addColumn<QList<int>>("reactions");   // input steps at which the shooter reacts
    QTest::addColumn<int>("series");
    QTest::addColumn<QStringList>("rows");

    // step 1: before the lights; 2-4 countdown; target t: 5 + 4(t-1) ... 8 + 4(t-1)
    QTest::newRow("countdown and before the first hold count nothing") << QList<int>{1, 2, 3, 4, 5, 6} << 1 << QStringList();
    QTest::newRow("from the step after the first hold to the one after the last")
        << QList<int>{7, 12, 13, 14, 15} << 1 << QStringList{"1/1/  20/x/ 1", "1/2/  40/x/ 1", "1/3/  20/x/ 1"};
    QTest::newRow("no reaction to target 3 leaves no row")
        << QList<int>{7, 11, 19, 23} << 1 << QStringList{"1/1/  20/x/ 1", "1/2/  20/x/ 1", "1/4/  20/x/ 1", "1/5/  20/x/ 1"};
    // series 2 starts at step 25: 25 before the lights, 26-28 countdown, target 1 at 29-32
    QTest::newRow("target 1 in both series")
        << QList<int>{7, 31} << 2 << QStringList{"1/1/  20/x/ 1", "2/1/  20/x/ 1"};
}

void CurveRunTest::reactionWindow()
{
    QFETCH(QList<int>, reactions);
    QFETCH(int, series);
    QFETCH(QStringList, rows);
    Bench b;
    b.setup.serienAnzahl = series;
    b.addFile(fiveOf(SamePoints(3, 150, 150, 20)));
    b.display.onInput = [&](int step) {
        if (reactions.contains(step))
            b.run.reaction();
    };
    b.go();
    QStringList got;
    for (const ResultRow &r : b.display.rows)
        got << rowText(r);
    QCOMPARE(got, rows);
}

void CurveRunTest::reactionByInputTime_data()
{
    // Curve 1: point 1 on the mirror (hold 20), point 2 off it (30), point 3 on it again (40):
    // holds (0, 20], (20, 50], (50, 90] after point 1 is shown. Targets 2 ... 5 are empty.
    // Steps: 5 before point 0, 6 before point 1, 7/8/9 after holds 1/2/3; 10 is target 2's only step.
    QTest::addColumn<QList<int>>("inputMs");   // input times, ms after point 1 was shown
    QTest::addColumn<QList<int>>("steps");     // the input step each one is handled at
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("in hold 1, handled after hold 2 began") << QList<int>{10} << QList<int>{8} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("in hold 1, handled after the last hold") << QList<int>{19} << QList<int>{9} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("at the end of hold 1") << QList<int>{20} << QList<int>{8} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("in hold 2 (off), handled after hold 3") << QList<int>{21} << QList<int>{9} << QStringList{"1/1/  70/o/ 1"};
    QTest::newRow("in hold 3, handled in its step") << QList<int>{70} << QList<int>{9} << QStringList{"1/1/  40/x/ 2"};
    // Not yet at the end of the hold it falls in: judged on the hold that ended last, as handled.
    QTest::newRow("while point 2 is shown, handled at once") << QList<int>{21} << QList<int>{7} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("after the last hold") << QList<int>{91} << QList<int>{9} << QStringList{"1/1/  40/x/ 2"};
    QTest::newRow("handled at the next target's step") << QList<int>{30} << QList<int>{10} << QStringList{"1/1/  70/o/ 1"};
    QTest::newRow("before point 1 was shown") << QList<int>{-1} << QList<int>{7} << QStringList();
    QTest::newRow("after the curve, handled at the next target") << QList<int>{91} << QList<int>{10} << QStringList();
    QTest::newRow("handled in the countdown") << QList<int>{10} << QList<int>{4} << QStringList();
    QTest::newRow("second reaction, earlier hold") << QList<int>{60, 10} << QList<int>{9, 9} << QStringList{"1/1/  40/x/ 2"};
    QTest::newRow("two in one step") << QList<int>{10, 60} << QList<int>{9, 9} << QStringList{"1/1/  20/x/ 1"};
}

void CurveRunTest::reactionByInputTime()
{
    QFETCH(QList<int>, inputMs);
    QFETCH(QList<int>, steps);
    QFETCH(QStringList, rows);
    Bench b;
    b.addFile(KdfSection(1, {"150:150|0", "150:150|20", "250:150|30", "150:150|40"}));
    qint64 shown = 0;
    b.display.onInput = [&](int step) {
        // Every step takes 2 ms: the next hold is shortened, no reaction moved.
        b.clock.advanceMs(2);
        if (step == 6)
            shown = b.clock.monotonicNs();
        for (int i = 0; i < steps.size(); ++i)
            if (steps.at(i) == step)
                b.run.reactionAt(shown + qint64(inputMs.at(i)) * 1000000);
    };
    b.go();
    QStringList got;
    for (const ResultRow &r : b.display.rows)
        got << rowText(r);
    QCOMPARE(got, rows);
    QCOMPARE(b.display.log.contains("symbol 1 white"), !rows.isEmpty() && rows.first().contains("/x/"));
}

void CurveRunTest::holdsLastUntilTheNextPointIsShown_data()
{
    // The curve of reactionByInputTime; point 2 (off the mirror) reaches the
    // screen 15 ms after its time, so point 1 stays until then: holds
    // (0, 35], (35, 50], (50, 90] after point 1 was shown.
    QTest::addColumn<int>("inputMs");
    QTest::addColumn<QString>("row");
    QTest::newRow("after point 2 was due, before it was shown") << 30 << "1/1/  20/x/ 1";
    QTest::newRow("at the end of the late frame") << 35 << "1/1/  20/x/ 1";
    QTest::newRow("once point 2 was shown") << 36 << "1/1/  70/o/ 1";
    QTest::newRow("on point 3, shown on time") << 51 << "1/1/  40/x/ 2";
}

void CurveRunTest::holdsLastUntilTheNextPointIsShown()
{
    QFETCH(int, inputMs);
    QFETCH(QString, row);
    Bench b;
    Settings::instance().Logfile = true;
    b.addFile(KdfSection(1, {"150:150|0", "150:150|20", "250:150|30", "150:150|40"}));
    b.display.paintMs = {0, 15, 0};
    qint64 shown = 0;
    b.display.onInput = [&](int step) {
        if (step == 6)
            shown = b.clock.monotonicNs();
        if (step == 9)   // after the last hold: booked by its input time
            b.run.reactionAt(shown + qint64(inputMs) * 1000000);
    };
    b.go();
    QCOMPARE(b.display.rows.size(), 1);
    QCOMPARE(rowText(b.display.rows.first()), row);
    // The late point is logged and counted, the others are not.
    QCOMPARE(b.run.latePoints(), 1);
    QStringList late;
    for (const QString &line : LoadLogIntoViewer())
        if (line.contains(QStringLiteral("[Verspätet]")))
            late << line.mid(line.indexOf(QStringLiteral("Ausführen")));
    QCOMPARE(late, QStringList{"Ausführen : [Verspätet] Serie 1, Ziel 1: Kurvenpunkt 2 15 ms nach seinem Zeitpunkt angezeigt"});
}

void CurveRunTest::cancel_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("cancelAt");
    QTest::addColumn<int>("steps");    // input steps run in all
    QTest::addColumn<int>("sleeps");   // waits done in all

    const QByteArray three = fiveOf(SamePoints(3, 150, 150, 20));
    QTest::newRow("before the lights") << three << 1 << 1 << 0;
    QTest::newRow("in the countdown, yellow") << three << 3 << 3 << 1;
    QTest::newRow("in a curve") << three << 7 << 7 << 4;
    QTest::newRow("after the last hold") << three << 8 << 8 << 5;
    // empty curves: one step each; the pause after target 1 is the fourth wait
    QTest::newRow("after an empty curve") << QByteArray("[1]\nRec=0\n") << 6 << 6 << 4;
}

void CurveRunTest::cancel()
{
    QFETCH(QByteArray, file);
    QFETCH(int, cancelAt);
    QFETCH(int, steps);
    QFETCH(int, sleeps);
    Bench b;
    b.setup.serienAnzahl = 3;
    b.addFile(file);
    b.display.onInput = [&](int step) {
        if (step == cancelAt) {
            b.run.requestCancel();
            b.run.run(); // "&Start" again inside the run: no nested run
        }
    };
    b.go();
    QCOMPARE(b.display.inputSteps, steps);
    QCOMPARE(b.clock.sleeps.size(), sleeps);
    QVERIFY(!b.display.log.contains("caption &Fertig"));
    QVERIFY(!b.run.isComplete());
    QVERIFY(!b.run.running());
}

void CurveRunTest::slides_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("frameCounts");   // start, then targets 2 ... 5

    QTest::newRow("W 600, mirrors 60 ... 540") << 600 << QList<int>{60, 180, 300, 420, 540} << QList<int>{240, 120, 120, 120, 120};
    QTest::newRow("W 200") << 200 << QList<int>{20, 60, 100, 140, 180} << QList<int>{80, 40, 40, 40, 40};
    // mirror 1 right of the centre and a step back to the left: signed slides
    QTest::newRow("W 600, mixed order") << 600 << QList<int>{450, 100, 300, 299, 599} << QList<int>{150, 350, 200, 1, 300};
}

void CurveRunTest::slides()
{
    QFETCH(int, width);
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, frameCounts);
    Bench b;
    b.setup.systemWidth = width;
    b.setup.mirrors.clear();
    for (int x : xs)
        b.setup.mirrors << MirrorDef{x, 50, 40};
    b.addFile(fiveOf({"0:0|0", "150:150|20"}));
    QList<int> framesBeforeTarget;
    QList<int> centreAtTarget;
    // The step before point 0 of each curve: the slide to its mirror is done.
    b.display.onInput = [&](int step) {
        if (step >= 5 && (step - 5) % 3 == 0) {
            framesBeforeTarget << int(b.display.frames.size());
            const int v = b.display.frames.isEmpty() ? width : b.display.frames.last();
            centreAtTarget << (v + width / 2) % width;   // picture column in the display's middle
        }
    };
    b.go();
    QCOMPARE(centreAtTarget, xs);
    QList<int> counts;
    for (int i = 0; i < framesBeforeTarget.size(); ++i)
        counts << framesBeforeTarget.at(i) - (i == 0 ? 0 : framesBeforeTarget.at(i - 1));
    QCOMPARE(counts, frameCounts);
    // Frames are one pixel apart; each waits 20 ms.
    for (int i = 1; i < b.display.frames.size(); ++i)
        QVERIFY(std::abs(b.display.frames.at(i) - b.display.frames.at(i - 1)) == 1);
    int slideSleeps = 0;
    for (int s : b.clock.sleeps)
        slideSleeps += s == 20 ? 1 : 0;
    QCOMPARE(slideSleeps, int(b.display.frames.size()) + 5);   // plus the five holds of 20 ms
    if (width == 600 && xs.first() == 60)
        QCOMPARE(b.display.frames.mid(0, 2), (QList<int>{599, 598}));
}

void CurveRunTest::rightToLeft()
{
    // Mirrors of different sizes: target t uses mirror 6 - t for slide, zone and symbol.
    Bench b;
    b.setup.systemWidth = 600;
    b.setup.leftToRight = false;
    b.setup.mirrors = {{60, 0, 100}, {180, 0, 80}, {300, 0, 60}, {420, 0, 40}, {540, 0, 20}};
    QByteArray file;
    for (int t = 1; t <= 5; ++t)
        file += KdfSection(t, {"0:0|0", QStringLiteral("%1:150|%2").arg(150 + 15).arg(t)});   // 15 px right
    b.addFile(file);
    QList<int> centre;
    b.display.onInput = [&](int step) {
        if (step >= 5 && (step - 5) % 3 == 0)
            centre << (b.display.frames.last() + 300) % 600;
        if (step >= 5 && (step - 5) % 3 == 2)
            b.run.reaction();
    };
    b.go();
    QCOMPARE(centre, (QList<int>{540, 420, 300, 180, 60}));
    QStringList got;
    for (const ResultRow &r : b.display.rows)
        got << rowText(r);
    // half of mirror 5 is 10 (miss), mirror 4: 20, mirror 3: 30 ... (hits); "Scheibe" stays t
    QCOMPARE(got, (QStringList{"1/1/   1/o/ 0", "1/2/   2/x/ 1", "1/3/   3/x/ 1", "1/4/   4/x/ 1", "1/5/   5/x/ 1"}));
    QVERIFY(b.display.log.contains("symbol 4 white"));
    QVERIFY(b.display.log.contains("symbol 1 white"));
    QVERIFY(!b.display.log.contains("symbol 5 white"));
    QCOMPARE(b.run.mirrorFor(1), 5);
}

VR_TEST_CLASS(CurveRunTest)
#include "curverun_test.moc"
