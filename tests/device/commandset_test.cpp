#include "device/commandset.h"
#include "device/serialport.h"
#include "trainerfixture.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QFile>
#include <QTest>
#include <algorithm>

// The command set against the virtual trainer on a real pseudo-terminal,
// with real 30 ms reply pauses; what the program sent is checked on the
// trainer's side.
class CommandSetTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void connectFollowsTheSerialNumber_data()
    {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("connected");
        QTest::newRow("E2 10 05") << bytes({0xE2, 0x10, 0x05}) << false << QStringLiteral("E2105") << true;
        QTest::newRow("space skipped") << bytes({0xE2, 0x20, 0x05}) << false << QStringLiteral("E25") << false;
        QTest::newRow("no reply") << QByteArray() << true << QStringLiteral("000") << false;
        QTest::newRow("FF FF 07") << bytes({0xFF, 0xFF, 0x07}) << false << QStringLiteral("007") << false;
        // Noise that reads as hex is no controller: the number carries the model code.
        QTest::newRow("9A 0B C0") << bytes({0x9A, 0x0B, 0xC0}) << false << QStringLiteral("9ABC0") << false;
        QTest::newRow("3A AB AC") << bytes({0x3A, 0xAB, 0xAC}) << false << QStringLiteral("3AABAC") << false;
        QTest::newRow("E1 10 05, other model") << bytes({0xE1, 0x10, 0x05}) << false << QStringLiteral("E1105") << false;
        QTest::newRow("E2 AB CD") << bytes({0xE2, 0xAB, 0xCD}) << false << QStringLiteral("E2ABCD") << true;
    }
    void connectFollowsTheSerialNumber()
    {
        QFETCH(QByteArray, serial);
        QFETCH(bool, silent);
        TrainerConfig config = TrainerConfig::defaults(2);
        config.serial = serial;
        if (silent)
            config.fault = TrainerFault::Silent;
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);

        QVERIFY(OpenDevice(1, 0, 1));
        QCOMPARE(DeviceLink().portName, QStringLiteral("COM2"));
        QCOMPARE(DeviceLink().baudName, QStringLiteral("9600"));
        QCOMPARE(DeviceLink().modelName, QStringLiteral("Bauart2"));
        QVERIFY(!DeviceLink().connected);

        QTEST(ConnectDevice(), "connected");
        QTEST(DeviceLink().serialText, "text");
        QTEST(DeviceLink().connected, "connected");
        QCOMPARE(rig.receivedAfter(1), QByteArray("C"));
    }

    void bauart1WithNothingAttached()
    {
        TrainerConfig config = TrainerConfig::defaults(1);
        config.fault = TrainerFault::Silent;
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);

        QVERIFY(OpenDevice(1, 0, 0));
        QVERIFY(ConnectDevice());
        QCOMPARE(DeviceLink().serialText, NotAvailableText);
        QCOMPARE(ReadBatteryVoltage(), -1.0);
        QString hours = QStringLiteral("alt");
        EstimateOperatingHours(hours);
        QCOMPARE(hours, NotAvailableText);
        // The slots Bauart1 leaves undefined send 0x00; the estimate sends nothing.
        QCOMPARE(rig.receivedAfter(2), bytes({0x00, 0x00}));

        // Connected: the revision queries do nothing at all.
        QString revision = QStringLiteral("vorher");
        QueryHardwareRevision(revision);
        QuerySoftwareRevision(revision);
        QCOMPARE(revision, QStringLiteral("vorher"));
        QVERIFY(rig.staysQuiet());
    }

    void batteryVoltageAndHours_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<double>("volts");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QByteArray>("received");
        QTest::newRow("0D C3") << bytes({0x0D, 0xC3}) << 8.752 << QStringLiteral("5,00") << QByteArray("CGG");
        QTest::newRow("0D 5C") << bytes({0x0D, 0x5C}) << 8.496 << QStringLiteral("4,00") << QByteArray("CGG");
        QTest::newRow("0F A0") << bytes({0x0F, 0xA0}) << 9.937 << QStringLiteral("3,67") << QByteArray("CGG");
        QTest::newRow("05 DC") << bytes({0x05, 0xDC}) << 3.726 << QStringLiteral("0,00") << QByteArray("CGG");
        // No reply: no reading, the link is lost, and nothing more is asked.
        QTest::newRow("no reply") << QByteArray() << -1.0 << QString() << QByteArray("CG");
    }
    void batteryVoltageAndHours()
    {
        QFETCH(QByteArray, reply);
        QFETCH(double, volts);
        TrainerConfig config = TrainerConfig::defaults(2);
        config.battery = reply;
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);

        ScriptedMessages boxes;
        OpenDevice(1, 0, 1);
        QVERIFY(ConnectDevice());
        const double measured = ReadBatteryVoltage();
        QVERIFY2(qAbs(measured - volts) < 0.0005, qPrintable(QString::number(measured, 'f', 4)));
        QString hours;
        EstimateOperatingHours(hours);
        QTEST(hours, "hours");
        QFETCH(QByteArray, received);
        QCOMPARE(rig.receivedAfter(int(received.size())), received);
        QCOMPARE(DeviceLink().connected, !reply.isEmpty());
        QCOMPARE(boxes.count(), reply.isEmpty() ? 1 : 0);
    }

    void undefinedSlotKeepsTheEarlierModelsByte()
    {
        TrainerOnCom2 rig(TrainerConfig::defaults(1));
        QVERIFY(rig.ok);
        OpenDevice(1, 0, 0);
        QString text;
        QuerySoftwareRevision(text);  // fresh run: the slot is still 0x00
        QCOMPARE(text, NotAvailableText);

        QVERIFY(SelectControllerModel(1));
        QVERIFY(SelectControllerModel(0));
        QVERIFY(!SelectControllerModel(2));
        QCOMPARE(DeviceLink().modelName, QStringLiteral("Bauart1"));
        QuerySoftwareRevision(text);
        QCOMPARE(text, NotAvailableText);
        QCOMPARE(DeviceLink().swRevText, NotAvailableText);
        QuerySerialNumber(text);
        QCOMPARE(text, NotAvailableText);
        QCOMPARE(rig.receivedAfter(3), bytes({0x00, 0x42, 0x43}));
    }

    void deviceInformationOfBauart2()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.hardwareRevision = "HW 2.1";
        config.softwareRevision = "1.05";
        config.controllerType = "PIC16";
        config.controllerRevision = "B2";
        config.deviceType = "Vantrel RT";
        config.manufacturer = "A B";
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        OpenDevice(1, 0, 1);

        QString hw, sw, serial, type, revision, device, maker;
        QueryHardwareRevision(hw);
        QuerySoftwareRevision(sw);
        QuerySerialNumber(serial);
        QueryControllerType(type);
        QueryControllerRevision(revision);
        QueryDeviceType(device);
        QueryManufacturer(maker);
        QCOMPARE(hw, QStringLiteral("HW2.1"));
        QCOMPARE(DeviceLink().hwRevText, hw);
        QCOMPARE(sw, QStringLiteral("1.05"));
        QCOMPARE(serial, QStringLiteral("E2105"));
        QCOMPARE(type, QStringLiteral("PIC16"));
        QCOMPARE(revision, QStringLiteral("B2"));
        QCOMPARE(device, QStringLiteral("VantrelRT"));
        QCOMPARE(maker, QStringLiteral("A B"));  // spaces stay, no terminator
        QCOMPARE(rig.receivedAfter(7), QByteArray("ABCDEFH"));
    }

    void bauart1HardwareRevisionIsHex()
    {
        TrainerConfig config = TrainerConfig::defaults(1);
        config.hardwareRevision = bytes({0x00, 0x20, 0x9A});
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        OpenDevice(1, 0, 0);
        QString hw;
        QueryHardwareRevision(hw);
        QCOMPARE(hw, QStringLiteral("0209A"));
        QString maker = QStringLiteral("x");
        QueryManufacturer(maker);
        QCOMPARE(maker, NotAvailableText);
        QCOMPARE(rig.receivedAfter(2), bytes({0x01, 0x00}));
    }

    void faultyReplies()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.manufacturer = "A B";
        config.fault = TrainerFault::NoTerminator;
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        OpenDevice(1, 0, 1);

        // A manufacturer text without terminator ends after a second of
        // silence: the reply pause, then 10 ms steps; each takes at least its
        // 10 ms, so a second of silence is at most 100 of them, plus the few
        // while the characters came.
        QString maker;
        {
            RecordingClock clock;
            QueryManufacturer(maker);
            QVERIFY(!clock.sleeps.isEmpty());
            QCOMPARE(clock.sleeps.first(), 30);
            const QList<int> steps = clock.sleeps.mid(1);
            QVERIFY(std::all_of(steps.begin(), steps.end(), [](int ms) { return ms == 10; }));
            QVERIFY2(steps.size() <= 150, qPrintable(QString::number(steps.size())));
        }
        QCOMPARE(maker, QStringLiteral("A B"));

        // Replies cut short leave zeros in the window.
        config.fault = TrainerFault::Short;
        config.cutAfter = 2;
        rig.trainer.setConfig(config);
        QString serial;
        QuerySerialNumber(serial);
        QCOMPARE(serial, QStringLiteral("E2100"));
        QString type;
        QueryControllerType(type);
        QCOMPARE(type, QStringLiteral("PI") + QString(3, QChar(0)));

        // Garbage: any bytes, still a text of its window.
        config.fault = TrainerFault::Garbage;
        rig.trainer.setConfig(config);
        QueryControllerType(type);
        QVERIFY(type.size() <= 5);
        QString device;
        QueryDeviceType(device);
        QVERIFY(device.size() <= 15);
    }

    void streamAndDisconnect()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.samples = {0x0123};
        config.sampleIntervalMs = 2;
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        OpenDevice(1, 0, 1);

        // Offline: nothing is sent.
        QVERIFY(!StopStream());
        QVERIFY(!StartStream());
        StartRawStream();
        QVERIFY(!DrainInput());
        QVERIFY(!DisconnectDevice());
        QCOMPARE(ReadBatteryVoltage(), -1.0);
        QString hours = QStringLiteral("unverändert");
        EstimateOperatingHours(hours);
        QCOMPARE(hours, QStringLiteral("unverändert"));
        QVERIFY(rig.staysQuiet());

        QVERIFY(ConnectDevice());
        QVERIFY(StartStream());
        QTRY_VERIFY_WITH_TIMEOUT(rig.trainer.samplesSent() >= 3, 2000);
        quint8 sample[2] = {0, 0};
        QVERIFY(ReadBlock(sample, 2));
        QCOMPARE(sample[0] * 256 + sample[1], 0x123);
        QVERIFY(DrainInput());
        QVERIFY(DisconnectDevice());
        QVERIFY(!DeviceLink().connected);
        QCOMPARE(rig.receivedAfter(3), QByteArray("Cab"));
        QTRY_VERIFY_WITH_TIMEOUT(!rig.trainer.streaming(), 1000);
        // The port stays open after going offline.
        QVERIFY(WriteByte('Z'));
        QCOMPARE(rig.receivedAfter(4), QByteArray("CabZ"));
    }

    void handWrittenPortsSectionAsTheReadmeShows()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        QFile conf(rig.box.configHome() + QStringLiteral("/nrv/vantrel reaktion.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write("[Ports]\nCOM2=" + QFile::encodeName(rig.trainer.linkPath()) + "\n");
        conf.close();
        QVERIFY(OpenDevice(1, 0, 1));
        QVERIFY(ConnectDevice());
        QCOMPARE(DeviceLink().serialText, QStringLiteral("E2105"));
    }

    void openFailurePassesThrough()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        OpenDevice(1, 0, 1);
        QVERIFY(ConnectDevice());
        bool raised = false;
        try {
            OpenDevice(0, 0, 0);  // COM1 names no device
        } catch (const TComException &e) {
            raised = e.message() == QStringLiteral("COM Port bereits belegt !");
        }
        QVERIFY(raised);
        QCOMPARE(DeviceLink().portName, QStringLiteral("COM2"));
        QCOMPARE(DeviceLink().modelName, QStringLiteral("Bauart2"));
        QVERIFY(DeviceLink().connected);  // opening never touches the flag
    }
};

VR_TEST_CLASS(CommandSetTest)
#include "commandset_test.moc"
