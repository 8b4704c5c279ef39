#include "curves/curvescene.h"
#include "curves/curvestats.h"
#include "curves/timebar.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QTest>

namespace {
// A picture whose column x has the colour (x % 256, x / 256, 7).
QImage columns(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x % 256, x / 256, 7));
    return img;
}
int columnAt(const QImage &img, int x, int y)
{
    const QRgb c = img.pixel(x, y);
    return qBlue(c) == 7 ? qRed(c) + 256 * qGreen(c) : -1;
}

ResultRow row(int series, int target, const QString &time, const QString &status)
{
    return {series, target, time, status, QStringLiteral(" 1")};
}
} // namespace

class CurvePicturesTest : public QObject
{
    Q_OBJECT
private slots:
    void slideFrame_data();
    void slideFrame();
    void sightIsAnded();
    void statistics_data();
    void statistics();
    void timebar_data();
    void timebar();
};

void CurvePicturesTest::slideFrame_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("v");
    QTest::addColumn<QList<int>>("probe");     // display columns
    QTest::addColumn<QList<int>>("expected");  // picture column shown there, -1 = background

    // W 600: x0 = -150, the middle shows strip column v + 300
    QTest::newRow("W 600 at rest") << 600 << 200 << 600 << QList<int>{0, 150, 299} << QList<int>{150, 300, 449};
    QTest::newRow("W 600 on mirror 1 at 60") << 600 << 200 << 360 << QList<int>{0, 150, 299} << QList<int>{510, 60, 209};
    // W 200: x0 = 50, columns left of it stay background; the strip repeats the picture
    QTest::newRow("W 200 at rest") << 200 << 120 << 200 << QList<int>{49, 50, 150, 249, 250, 299}
                                   << QList<int>{-1, 0, 100, 199, 0, 49};
    QTest::newRow("W 200 near the strip's end clips") << 200 << 120 << 450 << QList<int>{50, 199, 200, 299}
                                                      << QList<int>{50, 199, -1, -1};
    QTest::newRow("W 100 beyond the strip") << 100 << 80 << 150 << QList<int>{100, 249, 250, 299}
                                            << QList<int>{50, 99, -1, -1};
}

void CurvePicturesTest::slideFrame()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, v);
    QFETCH(QList<int>, probe);
    QFETCH(QList<int>, expected);
    CurveScene scene;
    scene.setSystemPicture(columns(width, height));
    scene.drawSlideFrame(v);
    const int y = 150;   // the picture is centred vertically
    QList<int> got;
    for (int x : probe)
        got << columnAt(scene.display(), x, y);
    QCOMPARE(got, expected);
    QCOMPARE(columnAt(scene.display(), 150, scene.y0() - 1), scene.y0() > 0 ? -1 : columnAt(scene.display(), 150, 0));
}

void CurvePicturesTest::sightIsAnded()
{
    CurveScene scene;
    QImage system(300, 300, QImage::Format_RGB32);
    system.fill(qRgb(0xF0, 0x0F, 0xAA));
    scene.setSystemPicture(system);
    scene.drawStill();
    QImage sight(300, 300, QImage::Format_RGB32);
    sight.fill(Qt::white);
    sight.setPixel(150, 150, qRgb(0, 0, 0));
    sight.setPixel(151, 150, qRgb(0x3C, 0xFF, 0x0F));
    sight.setPixel(0, 0, qRgb(0, 0, 0));
    scene.setSightPicture(sight);
    const QImage before = scene.display();
    scene.drawSight(20, -10);   // sight centre at (170, 140); corner clipped off the top
    QCOMPARE(scene.display().pixel(170, 140), qRgb(0, 0, 0));
    QCOMPARE(scene.display().pixel(171, 140), qRgb(0x30, 0x0F, 0x0A));
    QCOMPARE(scene.display().pixel(169, 140), qRgb(0xF0, 0x0F, 0xAA));   // white leaves the scene
    QCOMPARE(scene.display().pixel(20, 0), qRgb(0xF0, 0x0F, 0xAA));      // (0,0) of the sight lies above the display
    scene.drawSight(-20, 5);    // a second sight first puts the first one away
    QCOMPARE(scene.display().pixel(170, 140), qRgb(0xF0, 0x0F, 0xAA));
    QCOMPARE(scene.display().pixel(130, 155), qRgb(0, 0, 0));
    scene.eraseSight();
    QCOMPARE(scene.display(), before);
}

void CurvePicturesTest::statistics_data()
{
    QTest::addColumn<ResultRows>("rows");
    QTest::addColumn<QStringList>("labels");   // AnzMess, GLabel, MW, Diff
    QTest::addColumn<QStringList>("groups");   // "caption:mean:sd"

    const ResultRows five{row(1, 1, " 300", "x"), row(1, 2, " 320", "x"), row(1, 3, " 900", "o"), row(1, 4, " 280", "x"),
                          row(1, 5, " 300", "x")};
    QTest::newRow("x,x,o,x,x") << five << QStringList{"5", " (4 gültig / 1 ungültig)", "300,0 ms", "16,3 ms"}
                               << QStringList{"1:300,0:16,3"};
    ResultRows seven = five;
    seven << row(2, 1, "  10", "x") << row(2, 2, "  20", "x");
    QTest::newRow("seven rows, two series") << seven << QStringList{"7", " (6 gültig / 1 ungültig)", "205,0 ms", "147,7 ms"}
                                            << QStringList{"1:300,0:16,3", "2:15,0:7,1"};
    QTest::newRow("one valid row")
        << ResultRows{row(1, 1, " 250", "o"), row(1, 2, " 250", "x"), row(1, 3, "  70", "o"), row(1, 4, "  70", "X"),
                      row(1, 5, "  70", "o")}
        // The series line reads the status as the store does once saved: "X" counts there.
        << QStringList{"5", " (1 gültig / 4 ungültig)", "250,0 ms", "0 ms"} << QStringList{"1:160,0:127,3"};
    QTest::newRow("one valid row in a series of three")
        << ResultRows{row(1, 1, " 250", "o"), row(1, 3, " 250", "x"), row(1, 5, "  70", "o")}
        << QStringList{"3", " (1 gültig / 2 ungültig)", "250,0 ms", "0 ms"} << QStringList{"1:250,0:0,0"};
    QTest::newRow("no valid row") << ResultRows{row(1, 1, "  40", "o")}
                                  << QStringList{"1", " (0 gültig / 1 ungültig)", "0,0 ms", "0,0 ms"} << QStringList{"1::"};
    QTest::newRow("no rows") << ResultRows() << QStringList{"0", " (0 gültig / 0 ungültig)", "0,0 ms", "0,0 ms"}
                             << QStringList();
}

void CurvePicturesTest::statistics()
{
    QFETCH(ResultRows, rows);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, groups);
    Sandbox box;
    box.setLocale(QLocale(QLocale::German, QLocale::Germany));
    const CurveStatistics s(rows);
    QCOMPARE((QStringList{s.anzMessText(), s.gLabelText(), s.mwText(), s.diffText()}), labels);
    QStringList got;
    for (const CurveStatistics::GroupLine &g : s.groupLines())
        got << g.caption + ":" + g.subItems.value(0) + ":" + g.subItems.value(1);
    QCOMPARE(got, groups);
}

void CurvePicturesTest::timebar_data()
{
    QTest::addColumn<QVector<CurvePoint>>("points");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("f");
    QTest::addColumn<QList<int>>("probe");   // x positions in the middle row
    QTest::addColumn<QString>("colours");    // g green, r red, y yellow, w white

    // 4 points, 400 ms on 513 px: scale 1.2825; points 0..3 cover x 0-127, 128-256, 256-384, 384-512
    const QVector<CurvePoint> four{{150, 150, 100}, {150, 150, 100}, {300, 150, 100}, {150, 150, 100}};
    // reaction 200 ms on the first stay: at point 1 onRun = 200 -> mark from x 128 to 153
    QTest::newRow("mark on the first stay") << four << 200 << 1 << QList<int>{0, 127, 128, 152, 154, 256, 300, 400, 512}
                                            << "ggyygrrgg";
    // reaction after leaving: lastRun 200 + offAcc 100 = 300 -> mark at point 2 (x 256 ... 282)
    QTest::newRow("mark off the mirror") << four << 300 << 1 << QList<int>{255, 256, 281, 283, 384}
                                         << "gyyrg";
    // second entry, phase 2, time 100 -> point 3 (x 384)
    QTest::newRow("mark on the second stay") << four << 100 << 2 << QList<int>{128, 384, 409, 411} << "gyyg";
    QTest::newRow("no matching phase, no mark") << four << 200 << 3 << QList<int>{128, 150} << "gg";
    QTest::newRow("all times zero: empty bar") << QVector<CurvePoint>{{150, 150, 0}, {1, 1, 0}} << 0 << 0
                                               << QList<int>{0, 256, 512} << "www";
    QTest::newRow("no curve: empty bar") << QVector<CurvePoint>() << 0 << 0 << QList<int>{0, 512} << "ww";
}

void CurvePicturesTest::timebar()
{
    QFETCH(QVector<CurvePoint>, points);
    QFETCH(int, b);
    QFETCH(int, f);
    QFETCH(QList<int>, probe);
    QFETCH(QString, colours);
    const QImage bar = DrawTimebar(points, 20, b, f);
    QCOMPARE(bar.size(), QSize(513, 33));
    QString got;
    for (int x : probe) {
        const QRgb c = bar.pixel(x, 5);
        got += c == qRgb(0, 128, 0) ? 'g' : c == qRgb(255, 0, 0) ? 'r' : c == qRgb(255, 255, 0) ? 'y'
             : c == qRgb(255, 255, 255) ? 'w' : '?';
    }
    QCOMPARE(got, colours);
    if (!points.isEmpty() && points.first().T == 100) {
        // scale: a line every 100 ms (128.25 px, short), the start a whole second (long line)
        QCOMPARE(bar.pixel(128, 32), qRgb(0, 0, 0));
        QCOMPARE(bar.pixel(257, 23), qRgb(0, 0, 0));
        QVERIFY(bar.pixel(257, 22) != qRgb(0, 0, 0));
        QCOMPARE(bar.pixel(0, 13), qRgb(0, 0, 0));
    }
}

VR_TEST_CLASS(CurvePicturesTest)
#include "curvepictures_test.moc"
