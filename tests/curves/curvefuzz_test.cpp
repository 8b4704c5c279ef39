#include "curves/curverun.h"
#include "curves/kdftools.h"
#include "curves/timebar.h"
#include "support/fakeclock.h"
#include "support/testmain.h"
#include "curvefiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <random>

namespace {
// A display that only counts, for runs over broken files.
struct NullDisplay : CurveDisplay
{
    int rows = 0;
    CurveRun *run = nullptr;
    int steps = 0;
    void setStatusText(const QString &) override {}
    void setLight(int) override {}
    void setLightsVisible(bool) override {}
    void setCancelCaption(const QString &) override {}
    void setStartEnabled(bool) override {}
    void focusReaction() override {}
    void resetMirrorSymbols() override {}
    void markMirrorSymbol(int) override {}
    void slideFrame(int) override {}
    void showSight(int, int) override {}
    void eraseSight() override {}
    void addResultRow(const ResultRow &) override { ++rows; }
};

QByteArray seedFile()
{
    QByteArray out = "; Beispiel\r\n";
    for (int t = 1; t <= 5; ++t) {
        out += KdfSection(t, {"100:150|20", "150:150|20", "160:140|30", "250:10|20"});
        out += "Description=Kurve " + QByteArray::number(t) + "\r\nSpeed=2\r\n";
    }
    return out;
}
QByteArray seedDef() { return DefFile({"60:100|40", "180:100|40", "300:100|40", "420:100|40", "540:100|40"}); }
} // namespace

class CurveFuzzTest : public QObject
{
    Q_OBJECT
private slots:
    void mutations();
};

void CurveFuzzTest::mutations()
{
    FakeClock clock;
    // 10 000 files: in memory where the system offers it, the disk is not what is tested.
    QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/vr-fuzz-XXXXXX")
                                                                          : QDir::tempPath() + QStringLiteral("/vr-fuzz-XXXXXX"));
    std::mt19937 rng(11);
    const QByteArray seed = seedFile();
    const QByteArray def = seedDef();
    const QString kdf = dir.filePath("k.kdf");
    const QString defPath = kdf;   // the same bytes read as a definition file

    auto mutate = [&](int i) -> QByteArray {
        const QByteArray &base = i % 2 ? seed : def;
        QByteArray m = base;
        std::uniform_int_distribution<int> pos(0, int(base.size()) - 1);
        switch (i % 8) {
        case 0:   // cut at every byte in turn
            return base.left(i / 8 % (base.size() + 1));
        case 1:   // flipped bits
            for (int k = 0; k < 1 + i % 5; ++k)
                m[pos(rng)] = char(m[pos(rng)] ^ (1 << (rng() % 8)));
            return m;
        case 2:   // random bytes
            for (int k = 0; k < 1 + i % 7; ++k)
                m[pos(rng)] = char(rng() % 256);
            return m;
        case 3: { // UTF-16 without byte order mark
            const QString text = QString::fromLatin1(base);
            return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        }
        case 4: { // a 20-digit number somewhere
            const int at = pos(rng);
            return m.insert(at, "98765432109876543210");
        }
        case 5:
            m.replace("Points=4", "Points=2000000000");
            m.replace("|40", "|2000000000");
            return m;
        case 6:   // a long line (1 MB ten times)
            return m.insert(pos(rng), QByteArray(i % 1000 == 6 ? 1 << 20 : 3000, i % 3 ? '7' : ':'));
        default: { // random garbage of random length
            QByteArray g(int(rng() % 400), '\0');
            for (char &c : g)
                c = char(rng() % 256);
            return g;
        }
        }
    };

    int runs = 0;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray data = i == 9999 ? QByteArray(17 * 1024 * 1024, '1') : mutate(i);
        QVERIFY(WriteFile(kdf, data));

        QVector<CurvePoint> points;
        qint64 holdMs = 0;   // of the five curves together
        for (int t = 1; t <= 5; ++t) {
            const CurveDefinition c = ReadCurveDefinition(kdf, QString::number(t));
            QVERIFY(c.PointTexts.size() <= MaxCurvePoints);
            if (DecodeCurvePoints(c, &points)) {
                for (const CurvePoint &p : points) {
                    QVERIFY(p.X >= 0 && p.Y >= 0 && p.T >= 0 && p.T <= MaxHoldMs);
                    holdMs += p.T;
                }
                const QImage bar = DrawTimebar(points, 20, 60, 1);
                QCOMPARE(bar.size(), QSize(513, 33));
            }
        }
        for (const QString &problem : CheckCurveFile(kdf))
            QVERIFY2(problem.startsWith(QStringLiteral("Kurvendatei \u201Ek.kdf\u201C: ")) && problem.size() > 30,
                     qPrintable(problem.left(200)));
        const MirrorDefinitions mirrors = ReadMirrorDefinitions(defPath, 600);
        QCOMPARE(mirrors.mirrors.size(), 5);
        QCOMPARE(mirrors.messages().size(), mirrors.faulty.size());
        for (const MirrorDef &m : mirrors.mirrors)
            QVERIFY(m.X >= 0 && m.X < 600);

        if (i % 50 == 1) {   // 200 through a whole run
            NullDisplay display;
            CurveRun run(&display);
            display.run = &run;
            CurveRun::Setup setup;
            setup.serienAnzahl = 2;
            setup.curveFiles = {kdf};
            setup.mirrors = mirrors.mirrors;
            setup.systemWidth = 600;
            setup.leftToRight = i % 100 == 1;
            run.activate(setup);
            const qint64 startMs = clock.monotonicMs();
            run.run();
            // A reaction between every third pair of steps.
            clock.betweenSteps = [&] {
                if (++display.steps % 3 == 0)
                    run.reaction();
            };
            clock.runSteps();
            clock.betweenSteps = nullptr;
            QVERIFY(!run.running());
            QVERIFY(display.rows <= 10);
            // A run lasts what its curves ask for plus, per series, three
            // lights and five pauses of a second and six slides across the
            // 600 px system at 20 ms a pixel: no file makes it longer.
            const qint64 perSeriesMs = 8 * 1000 + 6 * 600 * 20;
            const qint64 runMs = clock.monotonicMs() - startMs;
            QVERIFY2(runMs <= setup.serienAnzahl * (perSeriesMs + holdMs),
                     qPrintable(QStringLiteral("mutation %1: %2 ms on the clock").arg(i).arg(runMs)));
            ++runs;
        }
    }
    QCOMPARE(runs, 200);
}

VR_TEST_CLASS(CurveFuzzTest)
#include "curvefuzz_test.moc"
