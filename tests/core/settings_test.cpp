#include "platform/registryini.h"
#include "core/settings.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QTest>
#include <QWidget>

namespace {
void store(const QString &name, const QString &value)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeString(QStringLiteral("Config"), name, value);
}
QString stored(const QString &name)
{
    RegistryIni reg(RegistryKeys::Main);
    return reg.readString(QStringLiteral("Config"), name, QStringLiteral("<none>"));
}
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void firstStartDefaults()
    {
        Sandbox box;
        Settings s;
        s.Benutzer = QStringLiteral("old");
        s.Logfile = true;
        LoadSettings(s);
        QCOMPARE(s.Benutzer, QString());
        QVERIFY(s.Offline);
        QVERIFY(s.Backup);
        QVERIFY(s.Reorg);
        QVERIFY(!s.Logfile);
        QVERIFY(s.Sound);
        QCOMPARE(s.KS_Zero, -1);
        QCOMPARE(s.KS_KL, 6.0);
        QCOMPARE(s.SS_Sense, 50);
        QCOMPARE(s.COM_Index, 1);
        QCOMPARE(int(s.portSelector), 1);
        QCOMPARE(s.Controller, 0);
        QCOMPARE(int(s.controllerSelector), 0);
        QCOMPARE(s.ProgramDir, QString());
    }

    void storedValuesAndCaseInsensitiveNames()
    {
        Sandbox box;
        {
            RegistryIni reg(RegistryKeys::Main);
            reg.writeString(QStringLiteral("config"), QStringLiteral("benutzer"), QStringLiteral("Trainer Ö"));
            reg.writeString(QStringLiteral("CONFIG"), QStringLiteral("OFFLINE"), QStringLiteral("0"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("logfile"), QStringLiteral("5"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("COM_Index"), QStringLiteral("0x0"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("Controller"), QStringLiteral("1"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("KS_Zero"), QStringLiteral("nix"));
            RegistryIni companion(QStringLiteral("Software\\NRV\\Vantrel Spurwerk"));
            companion.writeString(QStringLiteral("config"), QStringLiteral("programdir"), QStringLiteral("/opt/spurwerk \"x\""));
        }
        Settings s;
        LoadSettings(s);
        QCOMPARE(s.Benutzer, QStringLiteral("Trainer Ö"));
        QVERIFY(!s.Offline);
        QVERIFY(s.Logfile);
        QCOMPARE(s.COM_Index, 0);
        QCOMPARE(int(s.portSelector), 0);
        QCOMPARE(int(s.controllerSelector), 1);
        QCOMPARE(s.KS_Zero, -1);
        QCOMPARE(s.ProgramDir, QStringLiteral("/opt/spurwerk \"x\""));
    }

    void portIndexOutOfRangeKeepsSelector()
    {
        Sandbox box;
        store(QStringLiteral("COM_Index"), QStringLiteral("0x1"));
        Settings s;
        LoadSettings(s);
        QCOMPARE(s.COM_Index, 1);
        QCOMPARE(int(s.portSelector), 1);

        store(QStringLiteral("COM_Index"), QStringLiteral("7"));
        store(QStringLiteral("Controller"), QStringLiteral("9"));
        Settings fresh;  // program start: selectors 0
        fresh.portSelector = 0;
        LoadSettings(fresh);
        QCOMPARE(fresh.COM_Index, 7);
        QCOMPARE(int(fresh.portSelector), 0);
        QCOMPARE(fresh.Controller, 9);
        QCOMPARE(int(fresh.controllerSelector), 0);
        LoadSettings(s);  // a record that had selector 1 keeps it
        QCOMPARE(int(s.portSelector), 1);

        // Neither radio button checked: the index stays 7 and is written back as it is.
        SettingsDialogValues d;
        d.controllerText = QStringLiteral("Bauart2");
        SaveSettings(d, fresh);
        QCOMPARE(stored(QStringLiteral("COM_Index")), QStringLiteral("7"));
        QCOMPARE(stored(QStringLiteral("Controller")), QStringLiteral("1"));
        QCOMPARE(int(fresh.controllerSelector), 1);
    }

    void scaleInLocales_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "6,500";
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "6.500";
    }
    void scaleInLocales()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        Sandbox box;
        box.setLocale(locale);
        Settings s;
        LoadSettings(s);
        s.KS_KL = 6.5;
        s.KS_Zero = 512;
        WriteSettings(s);
        QCOMPARE(stored(QStringLiteral("KS_KL")), text);
        QCOMPARE(stored(QStringLiteral("KS_Zero")), QStringLiteral("512"));
        Settings back;
        LoadSettings(back);
        QCOMPARE(back.KS_KL, 6.5);
        QCOMPARE(back.KS_Zero, 512);
    }

    void scaleWrittenUnderOtherLocaleStillReads()
    {
        Sandbox box;
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        store(QStringLiteral("KS_KL"), QStringLiteral("6.500"));  // not the group separator: 6,5
        Settings s;
        LoadSettings(s);
        QCOMPARE(s.KS_KL, 6.5);
        box.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        store(QStringLiteral("KS_KL"), QStringLiteral("7,250"));
        LoadSettings(s);
        QCOMPARE(s.KS_KL, 7.25);
        store(QStringLiteral("KS_KL"), QStringLiteral("sechs"));
        LoadSettings(s);
        QCOMPARE(s.KS_KL, 6.0);
        store(QStringLiteral("KS_KL"), QStringLiteral("6"));
        LoadSettings(s);
        QCOMPARE(s.KS_KL, 6.0);
    }

    void saveTakesDialogValuesAndKeepsCalibration()
    {
        Sandbox box;
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        Settings s;
        LoadSettings(s);
        s.KS_Zero = 321;   // changed by calibration, not by the dialog
        s.KS_KL = 5.125;
        SettingsDialogValues d;
        d.userName = QStringLiteral("Anna");
        d.offline = false;
        d.backup = false;
        d.reorg = false;
        d.logfile = true;
        d.sound = false;
        d.com1Checked = true;
        d.controllerText = QStringLiteral("Bauart2");
        SaveSettings(d, s);
        QCOMPARE(int(s.portSelector), 0);
        QCOMPARE(int(s.controllerSelector), 1);
        Settings back;
        LoadSettings(back);
        QCOMPARE(back.Benutzer, QStringLiteral("Anna"));
        QVERIFY(!back.Offline && !back.Backup && !back.Reorg && back.Logfile && !back.Sound);
        QCOMPARE(back.COM_Index, 0);
        QCOMPARE(back.Controller, 1);
        QCOMPARE(back.KS_Zero, 321);
        QCOMPARE(stored(QStringLiteral("KS_KL")), QStringLiteral("5,125"));
        QCOMPARE(stored(QStringLiteral("Offline")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("Logfile")), QStringLiteral("1"));

        // An unknown controller text keeps the model.
        d.controllerText = QStringLiteral("Bauart9");
        d.com1Checked = false;
        d.com2Checked = true;
        SaveSettings(d, s);
        QCOMPARE(s.Controller, 1);
        QCOMPARE(s.COM_Index, 1);
    }

    void formPlacementRoundTrip()
    {
        Sandbox box;
        QWidget w;
        w.move(40, 50);
        LoadFormPlacement(&w, QStringLiteral("PSF"));  // nothing stored: stays at its place
        QCOMPARE(w.pos(), QPoint(40, 50));
        SaveFormPlacement(QStringLiteral("PSF"), 123, 77);
        {
            RegistryIni reg(RegistryKeys::Main);
            QCOMPARE(reg.readInteger(QStringLiteral("FormData"), QStringLiteral("PSFX"), 0), 123);
            QCOMPARE(reg.readInteger(QStringLiteral("FormData"), QStringLiteral("PSFY"), 0), 77);
        }
        QWidget other;
        other.move(5, 6);
        LoadFormPlacement(&other, QStringLiteral("PSF"));
        QCOMPARE(other.pos(), QPoint(123, 77));
        // Only one of the two values stored: the other keeps the current place.
        {
            RegistryIni reg(RegistryKeys::Main);
            reg.writeString(QStringLiteral("FormData"), QStringLiteral("ER1FX"), QStringLiteral("0x20"));
        }
        QWidget third;
        third.move(1, 2);
        LoadFormPlacement(&third, QStringLiteral("ER1F"));
        QCOMPARE(third.pos(), QPoint(32, 2));
    }

    void portDeviceFiles()
    {
        Sandbox box;
#ifndef Q_OS_WIN
        QCOMPARE(PortDeviceFile(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(PortDeviceFile(QStringLiteral("COM2")), QStringLiteral("/dev/ttyS1"));
#endif
        {
            RegistryIni reg(QStringLiteral("Software\\Nrv\\Vantrel Reaktion"));
            reg.writeString(QStringLiteral("ports"), QStringLiteral("com2"), QStringLiteral("/tmp/vantrel-com2"));
        }
        QCOMPARE(PortDeviceFile(QStringLiteral("COM2")), QStringLiteral("/tmp/vantrel-com2"));
    }
};

VR_TEST_CLASS(SettingsTest)
#include "settings_test.moc"
