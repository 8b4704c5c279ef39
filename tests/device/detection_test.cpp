#include "device/devicefunctions.h"
#include "shell/actionlog.h"
#include "shell/appstate.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
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
                                      << QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.")
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
        }
        ScriptedMessages boxes;
        const Settings saved = Settings::instance();
        Settings::instance() = Settings();
        Settings::instance().Logfile = true;
        AppState::instance().OfflineState = false;

        DeviceFunctions f;
        QList<QStringList> infos;
        int offline = 0;
        f.showDeviceInfo = [&](const QStringList &v) { infos << v; };
        f.saveDialogSettings = [&] {
            SettingsDialogValues v;
            v.logfile = true;
            v.com1Checked = port == 0;
            v.com2Checked = port == 1;
            v.controllerText = ModelNames[controller];
            SaveSettings(v);
        };
        f.goOffline = [&] {
            ++offline;
            AppState::instance().OfflineState = true;
        };
        f.DetectController();

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
        Settings::instance() = saved;
        AppState::instance() = AppState();
    }
};

VR_TEST_CLASS(DetectionTest)
#include "detection_test.moc"
