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

// Records what the run asks of its window.
struct Recorder : CurveDisplay
{
    QStringList log;               // status texts, lights, captions, marks
    QList<int> frames;             // slide frames v
    QList<QPoint> sights;          // sight corners
    QList<qint64> sightNs;         // when each was shown
    QList<int> framesAtSight;      // slide frames shown before each sight
    qint64 erasedNs = -1;          // the last eraseSight
    ResultRows rows;
    bool startEnabled = true;

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
        sightNs << Clock::instance().monotonicNs();
        framesAtSight << int(frames.size());
    }
    void eraseSight() override { erasedNs = Clock::instance().monotonicNs(); }
    void addResultRow(const ResultRow &r) override { rows << r; }
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
    // Gaps between the run's timer steps, where the window handles input:
    // gap g comes before the g-th step. Gaps 1 to 3 are the lights; without
    // slides and pauses, gap 3 + k is the hold of point k of curve 1.
    std::function<void(int gap)> onGap;
    int gaps = 0;
    void go()
    {
        run.activate(setup);
        run.run();
        clock.betweenSteps = [this] {
            if (onGap)
                onGap(++gaps);
        };
        clock.runSteps();
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
    // Input takes 3 ms between every two steps: the waits are shortened, the curve keeps its 100 ms.
    Bench b;
    b.addFile(KdfSection(1, SamePoints(6, 150, 150, 20)) + KdfSection(2, {"1:1|1"}));
    b.onGap = [&](int) { b.clock.advanceMs(3); };
    b.go();
    QCOMPARE(b.holds().mid(0, 5), (QList<int>{17, 17, 17, 17, 17}));
    QCOMPARE(b.display.erasedNs - b.display.sightNs.first(), qint64(100) * 1000000);
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
    QTest::addColumn<int>("reactAt");     // in the hold of point reactAt - 2 of the first curve
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
    // In the hold of point reactAt - 2 (gap 3 + k is the hold of point k): judged when it has ended.
    b.onGap = [&](int gap) {
        if (gap == 3 + reactAt - 2) {
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
    // Curves of 3 points: two holds per target, each a gap; a pause after
    // every target when there are several series.
    QTest::addColumn<QList<int>>("reactions");   // gaps in which the shooter reacts
    QTest::addColumn<int>("series");
    QTest::addColumn<QStringList>("rows");

    // gaps 1-3: the lights; target t: holds at 4 + 2(t-1) and 5 + 2(t-1)
    QTest::newRow("countdown counts nothing") << QList<int>{1, 2, 3} << 1 << QStringList();
    QTest::newRow("from the first hold to the last")
        << QList<int>{4, 7, 8} << 1 << QStringList{"1/1/  20/x/ 1", "1/2/  40/x/ 1", "1/3/  20/x/ 1"};
    QTest::newRow("no reaction to target 3 leaves no row")
        << QList<int>{4, 6, 10, 12} << 1 << QStringList{"1/1/  20/x/ 1", "1/2/  20/x/ 1", "1/4/  20/x/ 1", "1/5/  20/x/ 1"};
    // two series: hold, hold, pause per target (gaps 4-18); series 2: lights 19-21, target 1 at 22
    QTest::newRow("a pause counts nothing") << QList<int>{6} << 2 << QStringList();
    QTest::newRow("target 1 in both series")
        << QList<int>{4, 22} << 2 << QStringList{"1/1/  20/x/ 1", "2/1/  20/x/ 1"};
}

void CurveRunTest::reactionWindow()
{
    QFETCH(QList<int>, reactions);
    QFETCH(int, series);
    QFETCH(QStringList, rows);
    Bench b;
    b.setup.serienAnzahl = series;
    b.addFile(fiveOf(SamePoints(3, 150, 150, 20)));
    b.onGap = [&](int gap) {
        if (reactions.contains(gap))
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
    // Gaps 4/5/6: holds 1/2/3 (judged at their ends at the latest); 7: the
    // pause after target 1 (judged at target 2's step); 3: the green light.
    QTest::addColumn<QList<int>>("inputMs");   // input times, ms after point 1 was shown
    QTest::addColumn<QList<int>>("steps");     // the gap each one arrives in
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("in hold 1, arriving in hold 2") << QList<int>{10} << QList<int>{5} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("in hold 1, arriving in the last hold") << QList<int>{19} << QList<int>{6} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("at the end of hold 1") << QList<int>{20} << QList<int>{5} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("in hold 2 (off), arriving in hold 3") << QList<int>{21} << QList<int>{6} << QStringList{"1/1/  70/o/ 1"};
    QTest::newRow("in hold 3, judged at its end") << QList<int>{70} << QList<int>{6} << QStringList{"1/1/  40/x/ 2"};
    // Not yet at the end of the hold it falls in: judged on the hold that ended last, as handled.
    QTest::newRow("while point 2 is shown, handled at once") << QList<int>{21} << QList<int>{4} << QStringList{"1/1/  20/x/ 1"};
    QTest::newRow("after the last hold") << QList<int>{91} << QList<int>{6} << QStringList{"1/1/  40/x/ 2"};
    QTest::newRow("arriving in the pause after the curve") << QList<int>{30} << QList<int>{7} << QStringList{"1/1/  70/o/ 1"};
    QTest::newRow("before point 1 was shown") << QList<int>{-1} << QList<int>{4} << QStringList();
    QTest::newRow("after the curve, arriving in the pause") << QList<int>{91} << QList<int>{7} << QStringList();
    QTest::newRow("arriving in the countdown") << QList<int>{10} << QList<int>{3} << QStringList();
    QTest::newRow("second reaction, earlier hold") << QList<int>{60, 10} << QList<int>{6, 6} << QStringList{"1/1/  40/x/ 2"};
    QTest::newRow("two in one gap") << QList<int>{10, 60} << QList<int>{6, 6} << QStringList{"1/1/  20/x/ 1"};
}

void CurveRunTest::reactionByInputTime()
{
    QFETCH(QList<int>, inputMs);
    QFETCH(QList<int>, steps);
    QFETCH(QStringList, rows);
    Bench b;
    b.setup.serienAnzahl = 2;   // a pause after target 1
    b.addFile(KdfSection(1, {"150:150|0", "150:150|20", "250:150|30", "150:150|40"}));
    b.onGap = [&](int gap) {
        // Input takes 2 ms between every two steps: the next wait is shortened, no reaction moved.
        b.clock.advanceMs(2);
        const qint64 shown = b.display.sightNs.value(0);
        for (int i = 0; i < steps.size(); ++i)
            if (steps.at(i) == gap)
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
    b.onGap = [&](int gap) {
        if (gap == 6)   // in the last hold: booked by its input time
            b.run.reactionAt(b.display.sightNs.first() + qint64(inputMs) * 1000000);
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
    QTest::addColumn<int>("cancelAt");   // the gap
    QTest::addColumn<int>("sleeps");     // waits done in all

    const QByteArray three = fiveOf(SamePoints(3, 150, 150, 20));
    QTest::newRow("red") << three << 1 << 0;
    QTest::newRow("in the countdown, yellow") << three << 2 << 1;
    QTest::newRow("in a curve") << three << 5 << 4;
    QTest::newRow("after the last hold") << three << 6 << 5;
    // empty curves: a pause after each; the pause after target 2 comes after the fourth wait
    QTest::newRow("after an empty curve") << QByteArray("[1]\nRec=0\n") << 5 << 4;
}

void CurveRunTest::cancel()
{
    QFETCH(QByteArray, file);
    QFETCH(int, cancelAt);
    QFETCH(int, sleeps);
    Bench b;
    b.setup.serienAnzahl = 3;
    b.addFile(file);
    b.onGap = [&](int gap) {
        if (gap == cancelAt) {
            b.run.run(); // "&Start" again during the run: no second run
            b.run.requestCancel();
        }
    };
    b.go();
    QCOMPARE(b.gaps, cancelAt);   // nothing ran after the cancel
    QCOMPARE(b.clock.pendingSteps(), 0);
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
    b.go();
    // When each curve shows its point: the slide to its mirror is done.
    const QList<int> framesBeforeTarget = b.display.framesAtSight;
    QList<int> centreAtTarget;
    for (int frames : framesBeforeTarget) {
        const int v = frames == 0 ? width : b.display.frames.at(frames - 1);
        centreAtTarget << (v + width / 2) % width;   // picture column in the display's middle
    }
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
    // A reaction in the hold of each curve's one point.
    qsizetype seen = 0;
    b.onGap = [&](int) {
        if (b.display.sights.size() > seen) {
            seen = b.display.sights.size();
            b.run.reaction();
        }
    };
    b.go();
    QList<int> centre;
    for (int frames : b.display.framesAtSight)
        centre << (b.display.frames.at(frames - 1) + 300) % 600;
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
