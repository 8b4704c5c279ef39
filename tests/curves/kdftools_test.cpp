#include "curves/kdftools.h"
#include "support/sandbox.h"
#include "support/testmain.h"
#include "curvefiles.h"

#include <QTest>
#include <QTemporaryDir>
#include <map>

class KdfToolsTest : public QObject
{
    Q_OBJECT
private slots:
    void readCurve_data();
    void readCurve();
    void mirrors_data();
    void mirrors();
    void listings();
    void shuffleIsUniform();
    void checkCurveFile_data();
    void checkCurveFile();
    void shippedFiles();
};

void KdfToolsTest::readCurve_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<int>("points");          // "Points" as read
    QTest::addColumn<QStringList>("texts");   // point texts loaded
    QTest::addColumn<bool>("presentable");
    QTest::addColumn<QString>("decoded");     // decoded points "x,y,t;..."

    QTest::newRow("Rec=0 with Points=40 loads nothing")
        << QByteArray("[3]\nRec=0\nPoints=40\n0=1:1|1\n") << "3" << 40 << QStringList() << true << "";
    QTest::newRow("Points=2 with only key 0")
        << QByteArray("[1]\nrec=1\nPOINTS=2\n0=200:80|15\n") << "1" << 2 << QStringList{"200:80|15", "0"} << true
        << "200,80,15;0,0,0";
    QTest::newRow("section and keys without regard to case, defaults")
        << QByteArray("[a]\nRec=1\n[2]\nREC=5\nPoints=1\n0=12a:-5|\n") << "2" << 1 << QStringList{"12a:-5|"} << true
        << "12,5,0";
    QTest::newRow("missing section is an empty curve") << QByteArray("[1]\nRec=1\nPoints=1\n0=1:1|1\n") << "4" << 0
                                                       << QStringList() << true << "";
    QTest::newRow("part beyond 32 bits presents nothing")
        << QByteArray("[1]\nRec=1\nPoints=2\n0=1:1|1\n1=150:150|99999999999\n") << "1" << 2
        << QStringList{"1:1|1", "150:150|99999999999"} << false << "";
    QTest::newRow("hold over 10000 ms presents nothing")
        << QByteArray("[1]\nRec=1\nPoints=2\n0=1:1|1\n1=150:150|10001\n") << "1" << 2
        << QStringList{"1:1|1", "150:150|10001"} << false << "";
    QTest::newRow("hold of 10000 ms is kept") << QByteArray("[1]\nRec=1\nPoints=1\n0=150:150|10000\n") << "1" << 1
                                              << QStringList{"150:150|10000"} << true << "150,150,10000";
    QTest::newRow("Points=2000000000 reads no keys") << QByteArray("[1]\nRec=1\nPoints=2000000000\n0=1:1|1\n") << "1"
                                                     << 2000000000 << QStringList() << false << "";
}

void KdfToolsTest::readCurve()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(int, points);
    QFETCH(QStringList, texts);
    QFETCH(bool, presentable);
    QFETCH(QString, decoded);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.kdf");
    WriteFile(path, file);
    const CurveDefinition c = ReadCurveDefinition(path, section);
    QCOMPARE(c.Points, points);
    QCOMPARE(c.PointTexts, texts);
    QVector<CurvePoint> pts;
    QCOMPARE(DecodeCurvePoints(c, &pts), presentable);
    QStringList got;
    for (const CurvePoint &p : pts)
        got << QStringLiteral("%1,%2,%3").arg(p.X).arg(p.Y).arg(p.T);
    QCOMPARE(got.join(';'), decoded);
}

void KdfToolsTest::mirrors_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("faulty");
    QTest::addColumn<QString>("halves");        // S div 2 of the five mirrors
    QTest::addColumn<QStringList>("reasons");   // what the report says about each faulty mirror

    const QByteArray good = DefFile({"60:100|40", "180:100|41", "300:100|39", "420:100|0", "540:100|1"});
    QTest::newRow("five mirrors, 40 and 41 both give 20") << good << 600 << QList<int>() << "20,20,19,0,0" << QStringList();
    QTest::newRow("missing key 4") << DefFile({"60:1|40", "180:1|40", "300:1|40"}).append("5=540:1|40\r\n") << 600
                                   << QList<int>{4} << "20,20,20,0,20"
                                   << QStringList{"Im Abschnitt [Spiegel] fehlt der Schlüssel „4“."};
    QTest::newRow("leer and absent") << QByteArray("[spiegel]\n1=leer\n3=1:1|2\n") << -1 << QList<int>{1, 2, 4, 5}
                                     << "0,0,1,0,0"
                                     << QStringList{"Wert „leer“: kein Spiegel angegeben.", "fehlt der Schlüssel „2“",
                                                    "fehlt der Schlüssel „4“", "fehlt der Schlüssel „5“"};
    QTest::newRow("part beyond 32 bits") << DefFile({"60:1|40", "4294967296:1|40", "1:1|99999999999", "1:1|4",
                                                     "1:2147483647|4"})
                                         << -1 << QList<int>{2, 3} << "20,0,0,2,2"
                                         << QStringList{"Wert „4294967296:1|40“: eine Zahl ist zu groß.",
                                                        "Wert „1:1|99999999999“: eine Zahl ist zu groß."};
    QTest::newRow("X outside the picture") << DefFile({"0:1|40", "199:1|40", "200:1|40", "100:1|40", "5000:1|40"}) << 200
                                           << QList<int>{3, 5} << "20,20,0,20,0"
                                           << QStringList{"Wert „200:1|40“: X = 200 liegt außerhalb des Bildes (200 Pixel breit).",
                                                          "Wert „5000:1|40“: X = 5000"};
    QTest::newRow("long value is shortened") << DefFile({"1:1|1", "1:1|1", "1:1|1", "1:1|1", QString(60, u'9')}) << -1
                                             << QList<int>{5} << "0,0,0,0,0"
                                             << QStringList{"Wert „" + QString(40, u'9') + "…“: eine Zahl ist zu groß."};
    QTest::newRow("no file") << QByteArray() << 600 << QList<int>{1, 2, 3, 4, 5} << "0,0,0,0,0"
                             << QStringList{"", "", "", "", ""};
}

void KdfToolsTest::mirrors()
{
    QFETCH(QByteArray, file);
    QFETCH(int, width);
    QFETCH(QList<int>, faulty);
    QFETCH(QString, halves);
    QFETCH(QStringList, reasons);
    QTemporaryDir dir;
    const QString path = dir.filePath("anlage.def");
    if (!file.isEmpty())
        WriteFile(path, file);
    const MirrorDefinitions m = ReadMirrorDefinitions(path, width);
    QCOMPARE(m.faulty, faulty);
    QCOMPARE(m.texts.size(), 5 - faulty.size());
    QStringList h;
    for (const MirrorDef &d : m.mirrors)
        h << QString::number(d.S / 2);
    QCOMPARE(h.join(','), halves);
    QStringList expected;
    for (int n : faulty)
        expected << QStringLiteral("Defintionsdaten Spiegel %1 der Schussanlage fehlerhaft.").arg(n);
    QCOMPARE(m.messages(), expected);

    // One report for all of them: the file, then a line per faulty mirror with its reason.
    const QStringList lines = m.report(path).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.first(), QStringLiteral("Die Definitionsdatei „%1“ der Schussanlage ist fehlerhaft:")
                                .arg(QDir::toNativeSeparators(path)));
    const int first = lines.indexOf(QString()) + 1;
    QCOMPARE(lines.mid(1, first - 2), file.isEmpty() ? QStringList{"Die Datei ist nicht vorhanden."} : QStringList());
    QCOMPARE(lines.size() - first, faulty.size());
    for (int i = 0; i < faulty.size(); ++i) {
        QVERIFY2(lines.at(first + i).startsWith(expected.at(i)), qPrintable(lines.at(first + i)));
        QVERIFY2(lines.at(first + i).contains(reasons.at(i)), qPrintable(lines.at(first + i)));
    }
}

void KdfToolsTest::listings()
{
    QTemporaryDir dir;
    const QString k = dir.filePath("kdata");
    QDir().mkpath(k + "/Zebra");
    QDir().mkpath(k + "/alpha");
    WriteFile(k + "/lose.txt", "x");             // a plain file is offered like a set
    WriteFile(k + "/.gitkeep", "");               // hidden entries are not
    WriteFile(k + "/alpha/b.KDF", "");
    WriteFile(k + "/alpha/a.kdf", "");
    WriteFile(k + "/alpha/c.kdf.bak", "");
    QDir().mkpath(k + "/alpha/sub.kdf");          // a folder is no curve file
    QCOMPARE(ListCurveSets(k), (QStringList{"alpha", "lose.txt", "Zebra"}));
    QCOMPARE(ListCurveSets(dir.filePath("nothing")), QStringList());
    QCOMPARE(ListCurveFiles(k + "/alpha"), (QStringList{k + "/alpha/a.kdf", k + "/alpha/b.KDF"}));
    QCOMPARE(ListCurveFiles(k + "/lose.txt"), QStringList());

    const QString s = dir.filePath("sdata");
    WriteFile(s + "/anlage.bmp", "x");             // no definition beside it
    WriteFile(s + "/gross.BMP", "x");
    WriteFile(s + "/gross.def", "x");
    WriteFile(s + "/klein.v2.bmp", "x");           // base name up to the first "."
    WriteFile(s + "/klein.DEF", "x");
    QCOMPARE(ListShootingSystems(s), (QStringList{"gross.BMP", "klein.v2.bmp"}));
    QCOMPARE(DefinitionFileFor(s + "/klein.v2.bmp"), s + "/klein.DEF");
    QCOMPARE(DefinitionFileFor(s + "/anlage.bmp"), s + "/anlage.def");

    const QString v = dir.filePath("vdata");
    WriteFile(v + "/b.Bmp", "x");
    WriteFile(v + "/a.bmp", "x");
    WriteFile(v + "/c.png", "x");
    QCOMPARE(ListSightPictures(v), (QStringList{"a.bmp", "b.Bmp"}));
}

void KdfToolsTest::shuffleIsUniform()
{
    // 4 files: 24 orders, each about 1/24 of 48000 draws; every order is a permutation.
    const QStringList files{"a", "b", "c", "d"};
    std::mt19937 rng(20261207);
    std::map<QString, int> seen;
    const int draws = 48000;
    for (int i = 0; i < draws; ++i) {
        QStringList l = files;
        ShuffleCurveFiles(l, rng);
        QStringList sorted = l;
        sorted.sort();
        QCOMPARE(sorted, files);
        ++seen[l.join(QString())];
    }
    QCOMPARE(int(seen.size()), 24);
    double chi2 = 0;
    for (const auto &e : seen)
        chi2 += std::pow(e.second - draws / 24.0, 2) / (draws / 24.0);
    QVERIFY2(chi2 < 50, qPrintable(QString::number(chi2))); // 23 degrees of freedom, p < 0.001
    // Seeded alike, shuffled alike; one or no file stays as it is.
    std::mt19937 r1(7), r2(7);
    QStringList x = files, y = files;
    ShuffleCurveFiles(x, r1);
    ShuffleCurveFiles(y, r2);
    QCOMPARE(x, y);
    QStringList one{"a"};
    ShuffleCurveFiles(one, r1);
    QCOMPARE(one, QStringList{"a"});
}

void KdfToolsTest::checkCurveFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("fragments");   // one per expected problem, in order

    QByteArray all;
    for (int s = 1; s <= 5; ++s)
        all += KdfSection(s, SamePoints(3, 150, 150, 20));
    QTest::newRow("sound file") << all << QStringList();
    QTest::newRow("missing sections") << KdfSection(2, {"1:1|1"}) + KdfSection(4, {"1:1|1"})
                                      << QStringList{"Es fehlen die Abschnitte [1], [3], [5]"};
    QByteArray gaps = all;
    gaps.replace("[2]\r\nRec=1\r\nPoints=3\r\n0=150:150|20\r\n1=150:150|20\r\n", "[2]\r\nRec=1\r\nPoints=3\r\n");
    QTest::newRow("missing point keys") << gaps << QStringList{"Abschnitt [2]: 2 von 3 Punkten fehlen (erster fehlender: Punkt 0)"};
    QTest::newRow("values beyond the limits")
        << KdfSection(1, {"1:1|1", "99999999999:1|1"}) + KdfSection(2, {"1:1|10001"}) + "[3]\nRec=1\nPoints=10001\n"
               + KdfSection(4, {}) + KdfSection(5, {}, 0)
        << QStringList{"Abschnitt [1]: Punkt 1 enthält eine zu große Zahl", "Abschnitt [2]: Punkt 0 hält länger als 10000 ms",
                       "Abschnitt [3]: 10001 Punkte sind zu viele"};
    QTest::newRow("not readable") << QByteArray() << QStringList{"Die Datei kann nicht gelesen werden."};
}

void KdfToolsTest::checkCurveFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, fragments);
    QTemporaryDir dir;
    const QString path = dir.filePath("s\"1.kdf");
    if (!file.isEmpty())
        WriteFile(path, file);
    else
        QDir().mkpath(path);   // a folder of that name cannot be read as a file
    const QStringList problems = CheckCurveFile(path);
    QCOMPARE(problems.size(), fragments.size());
    for (int i = 0; i < problems.size(); ++i) {
        QVERIFY2(problems.at(i).startsWith(QStringLiteral("Kurvendatei \u201Es\"1.kdf\u201C: ")), qPrintable(problems.at(i)));
        QVERIFY2(problems.at(i).contains(fragments.at(i)), qPrintable(problems.at(i)));
    }
}

void KdfToolsTest::shippedFiles()
{
    // The sample data shipped with the program: every system and every curve file is sound.
    const QString data = QStringLiteral(VR_SOURCE_DIR "/data");
    const QStringList systems = ListShootingSystems(data + "/sdata");
    QVERIFY(systems.size() >= 2);
    bool wide = false, narrow = false;
    for (const QString &name : systems) {
        const QImage picture(data + "/sdata/" + name);
        QVERIFY2(!picture.isNull(), qPrintable(name));
        wide = wide || picture.width() >= 600;
        narrow = narrow || picture.width() < 300;
        QVERIFY(ReadMirrorDefinitions(DefinitionFileFor(data + "/sdata/" + name), picture.width()).ok());
    }
    QVERIFY(wide && narrow);
    const QStringList sets = ListCurveSets(data + "/kdata");
    QVERIFY(sets.size() >= 2);
    for (const QString &set : sets) {
        const QStringList files = ListCurveFiles(data + "/kdata/" + set);
        QVERIFY(files.size() >= 3 && files.size() <= 6);
        for (const QString &f : files) {
            QCOMPARE(CheckCurveFile(f), QStringList());
            for (int t = 1; t <= 5; ++t) {
                QVector<CurvePoint> pts;
                QVERIFY(DecodeCurvePoints(ReadCurveDefinition(f, QString::number(t)), &pts));
                QVERIFY(pts.size() >= 10);
            }
        }
    }
}

VR_TEST_CLASS(KdfToolsTest)
#include "kdftools_test.moc"
