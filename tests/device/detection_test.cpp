#include "device/devicefunctions.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
#include "lambdadeviceview.h"
#include "trainerfixture.h"

#include <QTest>

// Controller detection against virtual trainers on COM1 and COM2 at once.
class DetectionTest : public QObject
{
    Q_OBJECT
private slots:
    void detect_data()
    {
        QTest::addColumn<int>("com1Model");   // trainer models, 1 or 2
        QTest::addColumn<int>("com2Model");
        QTest::addColumn<int>("port");        // selected: 0 = COM1, 1 = COM2
        QTest::addColumn<int>("controller");  // selected: 0 = Bauart1, 1 = Bauart2
        QTest::addColumn<bool>("portThere");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QByteArray>("received");  // by the selected trainer
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("logLine");

        const QStringList found{"2.1", "1.05", "E2105", "PIC16", "B2", "Reaktion", "Vantrel Sim"};
        const QStringList dashes(7, QStringLiteral("-"));
        const QString yes = QStringLiteral("\r\nGewählter Controller wurde gefunden.");
        const QString no =
            QStringLiteral("Gewählter Controller wurde nicht gefunden.\r\nBitte wählen Sie einen anderen Typ aus.");
        QTest::newRow("Bauart2 on COM1") << 2 << 1 << 0 << 1 << true << found << QByteArray("CABCDEFH") << yes
                                         << "Ausführen : [Erfolg] PIController COM1,9600,Bauart2";
        QTest::newRow("Bauart2 on COM2") << 1 << 2 << 1 << 1 << true << found << QByteArray("CABCDEFH") << yes
                                         << "Ausführen : [Erfolg] PIController COM2,9600,Bauart2";
        QTest::newRow("Bauart1 is never found") << 1 << 1 << 1 << 0 << true << dashes << QByteArray(1, '\0') << no
                                                << "Ausführen : [Fehler] PIController COM2,9600,Bauart1 [?]";
        QTest::newRow("Bauart2 chosen, Bauart1 there") << 2 << 1 << 1 << 1 << true << dashes << QByteArray("C") << no
                                                       << "Ausführen : [Fehler] PIController COM2,9600,Bauart2 [?]";
        QTest::newRow("Bauart1 chosen, Bauart2 there") << 1 << 2 << 1 << 0 << true << dashes << QByteArray(1, '\0')
                                                       << no << "Ausführen : [Fehler] PIController COM2,9600,Bauart1 [?]";
        QTest::newRow("port missing") << 2 << 2 << 0 << 1 << false << dashes << QByteArray()
                                      << QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.\r\nDie "
                                                        "Schnittstelle COM1 (%1) ist nicht vorhanden; ist das Gerät "
                                                        "angeschlossen?")
                                      << "Ausführen : [Fehler] PIController ,,";
    }

    void detect()
    {
        QFETCH(int, com1Model);
        QFETCH(int, com2Model);
        QFETCH(int, port);
        QFETCH(int, controller);
        QFETCH(bool, portThere);
        QFETCH(QStringList, labels);
        QFETCH(QByteArray, received);
        QFETCH(QString, message);
        QFETCH(QString, logLine);

        TrainersOnCom1AndCom2 trainers(TrainerConfig::defaults(com1Model), TrainerConfig::defaults(com2Model));
        QVERIFY(trainers.ok);
        if (!portThere) {
            RegistryIni reg(RegistryKeys::Main);
            reg.writeString(QStringLiteral("Ports"), PortNames[port], trainers.box.path(QStringLiteral("gone")));
            message = message.arg(trainers.box.path(QStringLiteral("gone")));
        }
        ScriptedMessages boxes;
        Settings::instance().Logfile = true;
        AppState::instance().OfflineState = false;

        LambdaDeviceView view;
        DeviceFunctions f;
        f.setView(&view);
        QList<QStringList> infos;
        int offline = 0;
        view.onDeviceInfo = [&](const QStringList &v) { infos << v; };
        view.onSaveSettings = [&] {
            SettingsDialogValues v;
            v.logfile = true;
            v.com1Checked = port == 0;
            v.com2Checked = port == 1;
            v.controllerText = ModelNames[controller];
            SaveSettings(v);
        };
        view.onGoOffline = [&] {
            ++offline;
            AppState::instance().OfflineState = true;
        };
        f.DetectController();
        QTRY_VERIFY(!f.busy());

        QCOMPARE(infos, QList<QStringList>{labels});
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.shown().at(0).text, DeviceFunctions::DetectionQuestion);
        QCOMPARE(boxes.lastText(), message);
        QCOMPARE(trainers.on(port).received(), received);
        QVERIFY(trainers.on(1 - port).received().isEmpty());
        QCOMPARE(offline, 1);
        QVERIFY(AppState::instance().OfflineState);
        QVERIFY(!DeviceLink().connected);
        QVERIFY(!f.busy());
        // The choice is in the store before the controller is asked.
        Settings stored;
        LoadSettings(stored);
        QCOMPARE(stored.COM_Index, port);
        QCOMPARE(stored.Controller, controller);
        QStringList log;
        for (const QString &line : LoadLogIntoViewer())
            log << line.mid(line.indexOf(QStringLiteral(" --- ")) + 5);
        QVERIFY2(log.contains(logLine), qPrintable(log.join(u'\n')));
    }

    // A port button opens its port at once; when the dialog closes, an online
    // link is put back on the port of the settings (those of "&OK" or, after
    // "&Abbrechen", the old ones) and really talks to that trainer.
    void linkFollowsThePortSetting_data()
    {
        QTest::addColumn<int>("clicked");   // port button: 0 = COM1, 1 = COM2
        QTest::addColumn<bool>("saved");    // "&OK" (true) or "&Abbrechen"
        QTest::addColumn<bool>("offline");  // the main window offline before
        QTest::addColumn<QString>("port");  // the link's port afterwards
        QTest::addColumn<int>("reconnects");
        QTest::newRow("COM1, Abbrechen") << 0 << false << false << "COM2" << 1;
        QTest::newRow("COM1, OK") << 0 << true << false << "COM1" << 1;
        QTest::newRow("COM2 again, Abbrechen") << 1 << false << false << "COM2" << 0;
        QTest::newRow("COM1, Abbrechen, offline") << 0 << false << true << "COM1" << 0;
    }

    void linkFollowsThePortSetting()
    {
        QFETCH(int, clicked);
        QFETCH(bool, saved);
        QFETCH(bool, offline);
        QFETCH(QString, port);
        QFETCH(int, reconnects);
        TrainersOnCom1AndCom2 trainers(TrainerConfig::defaults(2), TrainerConfig::defaults(2));
        QVERIFY(trainers.ok);
        ScriptedMessages boxes;
        Settings::instance().COM_Index = 1;
        Settings::instance().portSelector = 1;
        Settings::instance().Controller = 1;
        Settings::instance().controllerSelector = 1;
        QVERIFY(OpenDevice(1, 0, 1) && (offline || ConnectDevice()));
        AppState::instance().OfflineState = offline;

        LambdaDeviceView view;
        DeviceFunctions f;
        f.setView(&view);
        int online = 0;
        view.onGoOffline = [&] {
            DisconnectDevice();
            AppState::instance().OfflineState = true;
        };
        view.onGoOnline = [&] {
            ++online;
            const Settings &s = Settings::instance();
            OpenDevice(s.portSelector, 0, s.controllerSelector);
            AppState::instance().OfflineState = !ConnectDevice();
        };
        f.ChoosePort(clicked, 1);
        QTRY_VERIFY(!f.busy());
        QCOMPARE(DeviceLink().portName, PortNames[clicked]);
        if (saved) {
            SettingsDialogValues v;
            v.com1Checked = clicked == 0;
            v.com2Checked = clicked == 1;
            v.controllerText = ModelNames[1];
            SaveSettings(v);
        }
        trainers.on(0).clearReceived();
        trainers.on(1).clearReceived();
        f.FollowPortSetting();
        QCOMPARE(online, reconnects);
        QCOMPARE(DeviceLink().portName, port);
        QCOMPARE(AppState::instance().OfflineState, offline);
        if (!offline) {
            const int to = port == QLatin1String("COM1") ? 0 : 1;
            QCOMPARE(trainers.on(to).received().endsWith('C'), reconnects == 1);   // the serial number asked there
            QVERIFY(!trainers.on(1 - to).received().contains('C'));
        }
        QCOMPARE(boxes.count(), 0);
    }
};

VR_TEST_CLASS(DetectionTest)
#include "detection_test.moc"
