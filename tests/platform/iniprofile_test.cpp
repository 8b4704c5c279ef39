#include "platform/iniprofile.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class IniProfileTest : public QObject
{
    Q_OBJECT

private slots:
    void readsConfigIniCaseInsensitively()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("config.ini"),
                                       "[ER_TEST]\r\nmin_Zeit=0,1\r\n  max_Zeit \t= \t0,8 \r\n");
        const IniProfile ini(path);
        QVERIFY(ini.isLoaded());
        QCOMPARE(ini.readString("er_test", "MIN_ZEIT", "x"), QStringLiteral("0,1"));
        QCOMPARE(ini.readString("Er_Test", "max_zeit", "x"), QStringLiteral("0,8"));
        QCOMPARE(ini.readString("ER_TEST", "other", "0,8"), QStringLiteral("0,8"));
        QCOMPARE(ini.readString("nothing", "min_Zeit", "d"), QStringLiteral("d"));
        QVERIFY(ini.sectionExists("er_TEST"));
        QVERIFY(!ini.sectionExists("ER"));
        QVERIFY(ini.valueExists("ER_TEST", "Min_Zeit"));
        QCOMPARE(ini.readSection("er_test"), QStringList({"min_Zeit", "max_Zeit"}));
        QCOMPARE(ini.sections(), QStringList({"ER_TEST"}));
    }

    void missingOrUnreadableFilesGiveDefaults()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("adir.ini"));
        QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero.ini")));
        const QStringList paths = {dir.filePath(QStringLiteral("none.ini")), dir.filePath(QStringLiteral("adir.ini")),
                                   dir.filePath(QStringLiteral("zero.ini")), QString()};
        for (const QString &path : paths) {
            const IniProfile ini(path);
            QVERIFY2(!ini.isLoaded(), qPrintable(path));
            QCOMPARE(ini.readString("ER_TEST", "min_Zeit", "0,1"), QStringLiteral("0,1"));
            QCOMPARE(ini.readInteger("1", "Speed", 3), 3);
            QCOMPARE(ini.readBool("1", "Rec", false), false);
            QVERIFY(ini.sections().isEmpty());
            QVERIFY(ini.readSection("1").isEmpty());
        }
        const IniProfile empty(writeFile(dir, QStringLiteral("empty.ini"), QByteArray()));
        QVERIFY(empty.isLoaded());
        QCOMPARE(empty.readString("a", "b", "c"), QStringLiteral("c"));
    }

    void valuesAreTakenLiterally()
    {
        const IniProfile ini = IniProfile::fromData(
            "[V]\n"
            "list=0,1\n"
            "path=C:\\dir\\file.bmp\n"
            "eq=a=b\n"
            "inline=1 ; not a comment\n"
            "quoted=\" spaced \"\n"
            "single='one'\n"
            "inner=\"a\" b\"\n"
            "half=\"open\n"
            "mixed=\"x'\n"
            "lone=\"\n"
            "emptyq=\"\"\n"
            "empty=\n"
            "blanks=   \t\n"
            "  spaced key  = v\n");
        QCOMPARE(ini.readString("v", "list", ""), QStringLiteral("0,1"));
        QCOMPARE(ini.readString("v", "path", ""), QStringLiteral("C:\\dir\\file.bmp"));
        QCOMPARE(ini.readString("v", "eq", ""), QStringLiteral("a=b"));
        QCOMPARE(ini.readString("v", "inline", ""), QStringLiteral("1 ; not a comment"));
        QCOMPARE(ini.readString("v", "quoted", ""), QStringLiteral(" spaced "));
        QCOMPARE(ini.readString("v", "single", ""), QStringLiteral("one"));
        QCOMPARE(ini.readString("v", "inner", ""), QStringLiteral("a\" b"));
        QCOMPARE(ini.readString("v", "half", ""), QStringLiteral("\"open"));
        QCOMPARE(ini.readString("v", "mixed", ""), QStringLiteral("\"x'"));
        QCOMPARE(ini.readString("v", "lone", ""), QStringLiteral("\""));
        QCOMPARE(ini.readString("v", "emptyq", "d"), QString());
        QCOMPARE(ini.readString("v", "empty", "d"), QString()); // present but empty: no default
        QCOMPARE(ini.readString("v", "blanks", "d"), QString());
        QCOMPARE(ini.readString("v", "SPACED KEY", ""), QStringLiteral("v"));
    }

    void commentsDuplicatesAndStrayLines()
    {
        const IniProfile ini = IniProfile::fromData(
            "orphan=1\n"
            "[A]\n"
            "; k=comment\n"
            "   ;j=indented comment\n"
            "k=1\n"
            "K=2\n"
            "no equals sign\n"
            "=no key\n"
            "[B]\n"
            "x=b\n"
            "[a]\n"
            "k=3\n"
            "j=4\n"
            "[unclosed\n"
            "y=still B? no, still the ignored [a]\n"
            "[ Spiegel ]  trailing\n"
            "1=160:95|40\n");
        QCOMPARE(ini.sections(), QStringList({"A", "B", "Spiegel"}));
        QCOMPARE(ini.readString("A", "k", ""), QStringLiteral("1"));
        QCOMPARE(ini.readString("a", "j", "def"), QStringLiteral("def"));
        QCOMPARE(ini.readSection("A"), QStringList({"k"}));
        QCOMPARE(ini.readString("B", "y", "def"), QStringLiteral("def"));
        QCOMPARE(ini.readString("", "orphan", "def"), QStringLiteral("def"));
        QCOMPARE(ini.readString("spiegel", "1", "leer"), QStringLiteral("160:95|40"));
        QCOMPARE(ini.readString("spiegel", "2", "leer"), QStringLiteral("leer"));
    }

    void lineEndsAndEncodings()
    {
        const QByteArray body = "[1]\r\nDescription=Sch\xC3\xBCtze \xE2\x82\xAC\rPoints=2\n0=1:2|3\r\n";
        const IniProfile utf8 = IniProfile::fromData(body);
        const IniProfile bom = IniProfile::fromData("\xEF\xBB\xBF" + body);
        const IniProfile cp1252 = IniProfile::fromData("[1]\r\nDescription=Sch\xFCtze \x80\r\nPoints=2\r\n");
        const QString expected = QString::fromUtf8("Sch\xC3\xBCtze \xE2\x82\xAC");
        for (const IniProfile *ini : {&utf8, &bom, &cp1252}) {
            QCOMPARE(ini->readString("1", "Description", ""), expected);
            QCOMPARE(ini->readInteger("1", "Points", 0), 2);
        }
        QCOMPARE(bom.sections(), QStringList({"1"}));
        QCOMPARE(utf8.readString("1", "0", "0"), QStringLiteral("1:2|3"));

        const QString text = QStringLiteral("[Spiegel]\r\n1=160:95|40\r\n");
        QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        const IniProfile wide = IniProfile::fromData("\xFF\xFE" + utf16);
        QCOMPARE(wide.readString("spiegel", "1", "leer"), QStringLiteral("160:95|40"));
    }

    void integersAndBooleans_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("integer");
        QTest::addColumn<bool>("boolean");
        // default 7 for integers, default true for booleans
        QTest::newRow("plain") << QByteArray("40") << 40 << true;
        QTest::newRow("blanks") << QByteArray("  40\t") << 40 << true;
        QTest::newRow("zero") << QByteArray("0") << 0 << false;
        QTest::newRow("negative") << QByteArray("-3") << -3 << true;
        QTest::newRow("plus") << QByteArray("+5") << 5 << true;
        QTest::newRow("hex") << QByteArray("0x1F") << 31 << true;
        QTest::newRow("quoted") << QByteArray("\"12\"") << 12 << true;
        QTest::newRow("trailing letters") << QByteArray("4x") << 7 << true;
        QTest::newRow("decimal comma") << QByteArray("0,1") << 7 << true;
        QTest::newRow("empty") << QByteArray("") << 7 << true;
        QTest::newRow("word") << QByteArray("ja") << 7 << true;
        QTest::newRow("too big") << QByteArray("99999999999") << 7 << true;
        QTest::newRow("largest") << QByteArray("2147483647") << 2147483647 << true;
    }
    void integersAndBooleans()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, integer);
        QFETCH(bool, boolean);
        const IniProfile ini = IniProfile::fromData("[3]\nRec=" + value + "\n");
        QCOMPARE(ini.readInteger("3", "rec", 7), integer);
        QCOMPARE(ini.readBool("3", "REC", true), boolean);
        QCOMPARE(ini.readInteger("3", "missing", 7), 7);
        QCOMPARE(ini.readBool("3", "missing", false), false);
    }

    void curveFileSections()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("serie.kdf"),
                                       "[1]\nRec=1\nPoints=2\nDescription=links\n0=150:150|20\n"
                                       "[3]\nRec=0\nPoints=40\nSpeed=5\n");
        const IniProfile ini(path);
        QCOMPARE(ini.readBool("1", "Rec", false), true);
        QCOMPARE(ini.readInteger("1", "Points", 0), 2);
        QCOMPARE(ini.readString("1", "0", "0"), QStringLiteral("150:150|20"));
        QCOMPARE(ini.readString("1", "1", "0"), QStringLiteral("0"));
        QCOMPARE(ini.readInteger("1", "Speed", 3), 3);
        QCOMPARE(ini.readBool("3", "Rec", false), false);
        QCOMPARE(ini.readInteger("3", "Points", 0), 40);
        QCOMPARE(ini.readString("5", "Description", QString()), QString());
    }

    void garbageNeverCrashes()
    {
        QRandomGenerator rng(20240611);
        for (int round = 0; round < 50; ++round) {
            QByteArray data(int(rng.bounded(1, 20000)), Qt::Uninitialized);
            for (char &c : data) {
                // Mostly structure characters, so the parser gets exercised.
                static const char pool[] = "[]=;\"'\r\n \t\x00\xFF\xC3\xBC\xE2\x80" "AbZ09:|";
                c = rng.bounded(3) == 0 ? char(rng.bounded(256)) : pool[rng.bounded(int(sizeof pool - 1))];
            }
            const IniProfile ini = IniProfile::fromData(data);
            for (const QString &s : ini.sections()) {
                QVERIFY(ini.sectionExists(s));
                for (const QString &k : ini.readSection(s)) {
                    QVERIFY(ini.valueExists(s, k));
                    ini.readInteger(s, k, 0);
                }
            }
            QCOMPARE(ini.readString(QStringLiteral("\x01no such"), QStringLiteral("k"), QStringLiteral("d")),
                     QStringLiteral("d"));
        }
        QTemporaryDir dir;
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char(i * 37 + 11);
        const IniProfile ini(writeFile(dir, QStringLiteral("picture.def"), binary));
        QVERIFY(ini.isLoaded());
        QCOMPARE(ini.readString("Spiegel", "1", "leer"), QStringLiteral("leer"));
    }
};

VR_TEST_CLASS(IniProfileTest)
#include "iniprofile_test.moc"
