#include "platform/registryini.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

class RegistryIniTest : public QObject
{
    Q_OBJECT
private slots:
    void keyPathsMapToFiles()
    {
        Sandbox box;
        const QString home = box.configHome();
        QCOMPARE(RegistryIni::fileForKey(QStringLiteral("Software\\Nrv\\Vantrel Reaktion")),
                 home + QStringLiteral("/nrv/vantrel reaktion.conf"));
        QCOMPARE(RegistryIni::fileForKey(QStringLiteral("Software\\NRV")), home + QStringLiteral("/nrv.conf"));
        QCOMPARE(RegistryIni::fileForKey(QStringLiteral("Software\\Nrv\\Vantrel Reaktion\\Config")),
                 home + QStringLiteral("/nrv/vantrel reaktion/config.conf"));
        {
            RegistryIni reg(QStringLiteral("Software\\Nrv\\Vantrel Reaktion"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("Benutzer"), QStringLiteral("x"));
        }
        QVERIFY(QFile::exists(home + QStringLiteral("/nrv/vantrel reaktion.conf")));
        // "Software\NRV\Vantrel Reaktion" is the same key.
        RegistryIni same(QStringLiteral("Software\\NRV\\Vantrel Reaktion"));
        QCOMPARE(same.readString(QStringLiteral("config"), QStringLiteral("BENUTZER"), QString()), QStringLiteral("x"));
    }

    void integerRule_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "42" << 42;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("hex lower") << "0x1" << 1;
        QTest::newRow("hex upper") << "0XfF" << 255;
        QTest::newRow("hex prefix only") << "0x" << 99;
        QTest::newRow("bad hex") << "0x1g" << 99;
        QTest::newRow("letters") << "abc" << 99;
        QTest::newRow("trailing junk") << "12a" << 99;
        QTest::newRow("empty") << "" << 99;
        QTest::newRow("too large") << "4294967296" << 99;
        QTest::newRow("leading blank") << " 7" << 7;
    }
    void integerRule()
    {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        Sandbox box;
        RegistryIni reg(QStringLiteral("Software\\Test"));
        reg.writeString(QStringLiteral("S"), QStringLiteral("v"), stored);
        QCOMPARE(reg.readInteger(QStringLiteral("S"), QStringLiteral("v"), 99), expected);
    }

    void missingValuesGiveDefaults()
    {
        Sandbox box;
        RegistryIni reg(QStringLiteral("Software\\Nothing\\Here"));
        QCOMPARE(reg.readInteger(QStringLiteral("S"), QStringLiteral("v"), 5), 5);
        QCOMPARE(reg.readString(QStringLiteral("S"), QStringLiteral("v"), QStringLiteral("empty")), QStringLiteral("empty"));
        QCOMPARE(reg.readBool(QStringLiteral("S"), QStringLiteral("v"), true), true);
        QVERIFY(!reg.valueExists(QStringLiteral("S"), QStringLiteral("v")));
    }

    void booleansAndCaseInsensitiveNames()
    {
        Sandbox box;
        {
            RegistryIni reg(QStringLiteral("Software\\NRV"));
            reg.writeBool(QStringLiteral("Config"), QStringLiteral("Flag"), true);
            reg.writeString(QStringLiteral("Config"), QStringLiteral("DataDir"), QStringLiteral("a"));
            // Another spelling of the same value overwrites it, the stored name stays.
            reg.writeString(QStringLiteral("config"), QStringLiteral("Datadir"), QStringLiteral("b"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("Two"), QStringLiteral("2"));
        }
        RegistryIni reg(QStringLiteral("Software\\NRV"));
        QCOMPARE(reg.readSection(QStringLiteral("CONFIG")).count(QStringLiteral("DataDir")), 1);
        QCOMPARE(reg.readSection(QStringLiteral("CONFIG")).size(), 3);
        QCOMPARE(reg.readString(QStringLiteral("Config"), QStringLiteral("DATADIR"), QString()), QStringLiteral("b"));
        QCOMPARE(reg.readBool(QStringLiteral("Config"), QStringLiteral("flag"), false), true);
        // Any non-zero integer is true; a non-number falls back to the default.
        QCOMPARE(reg.readBool(QStringLiteral("Config"), QStringLiteral("Two"), false), true);
        QCOMPARE(reg.readBool(QStringLiteral("Config"), QStringLiteral("DataDir"), true), true);
        QCOMPARE(reg.readBool(QStringLiteral("Config"), QStringLiteral("DataDir"), false), false);
    }

    void strangeValueNamesRoundTrip()
    {
        Sandbox box;
        const QStringList names = {QString(), QStringLiteral("@"), QStringLiteral("SV 1920/21 e.V."), QStringLiteral("Schützen \"Tell\""),
                                   QStringLiteral("a\\b"), QStringLiteral("100% Treffer"),
                                   QStringLiteral("O'Brien; [x]=y")};
        {
            RegistryIni reg(QStringLiteral("Software\\Nrv\\Vantrel Reaktion"));
            for (const QString &n : names)
                reg.writeString(QStringLiteral("Vereine"), n, QString());
        }
        RegistryIni reg(QStringLiteral("Software\\Nrv\\Vantrel Reaktion"));
        QStringList read = reg.readSection(QStringLiteral("Vereine"));
        read.sort();
        QStringList expected = names;
        expected.sort();
        QCOMPARE(read, expected);
        reg.deleteValue(QStringLiteral("Vereine"), QStringLiteral("sv 1920/21 E.V."));
        QCOMPARE(reg.readSection(QStringLiteral("Vereine")).size(), names.size() - 1);
    }

    void handEditedListValueReadsAsText()
    {
        Sandbox box;
        const QString file = RegistryIni::fileForKey(QStringLiteral("Software\\Hand"));
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Config]\nKS_KL=6,500\n");
        f.close();
        RegistryIni reg(QStringLiteral("Software\\Hand"));
        QCOMPARE(reg.readString(QStringLiteral("Config"), QStringLiteral("KS_KL"), QString()), QStringLiteral("6,500"));
    }

    void unwritableStoreIsNoOp()
    {
        Sandbox box;
        // The folder that should hold the file is a plain file: writing cannot succeed.
        QFile blocker(box.configHome() + QStringLiteral("/blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        {
            RegistryIni reg(QStringLiteral("Software\\Blocked\\Key"));
            reg.writeString(QStringLiteral("S"), QStringLiteral("v"), QStringLiteral("x"));
        }
        QVERIFY(!QFile::exists(box.configHome() + QStringLiteral("/blocked/key.conf")));
    }
};

VR_TEST_CLASS(RegistryIniTest)
#include "registryini_test.moc"
