#include "device/serialbyteport.h"
#include "device/serialport.h"
#include "fakebyteport.h"
#include "platform/clock.h"
#include "trainerfixture.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QTest>
#include <functional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString comErrorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const TComException &e) {
        return e.message();
    }
    return QStringLiteral("<no exception>");
}

void namePorts(const QString &com1, const QString &com2)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM1"), com1);
    reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), com2);
}

QByteArray block(const quint8 *b, int n) { return QByteArray(reinterpret_cast<const char *>(b), n); }

} // namespace

class SerialPortTest : public QObject
{
    Q_OBJECT
private slots:
    // --- logic, against an in-process peer ---

    void openFailuresRaiseTheirTexts()
    {
        Sandbox box;
        FakePortInstalled fake;
        QVERIFY(!portWasOpened());

        fake.peer->openOk = false;
        QCOMPARE(comErrorOf([] { OpenPort(1, 0); }), QStringLiteral("COM Port bereits belegt !"));
        QVERIFY(!portWasOpened());

        fake.peer->openOk = true;
        fake.peer->configureOk = false;
        QCOMPARE(comErrorOf([] { OpenPort(1, 0); }), QStringLiteral("Fehler beim Initialisieren des COM-Ports !"));
        // Opened before the line was refused: the port stays open.
        QVERIFY(portWasOpened());
        QVERIFY(fake.peer->isOpen);

        fake.peer->configureOk = true;
        fake.peer->timeoutsOk = false;
        QCOMPARE(comErrorOf([] { OpenPort(0, 0); }), QStringLiteral("COM-Port TimeOut !"));

        fake.peer->timeoutsOk = true;
        QCOMPARE(comErrorOf([] { OpenPort(2, 0); }), QStringLiteral("COM Port bereits belegt !"));
        QCOMPARE(comErrorOf([] { OpenPort(0, 3); }), QStringLiteral("COM Port bereits belegt !"));
        QCOMPARE(comErrorOf([] { QVERIFY(OpenPort(0, 2)); }), QStringLiteral("<no exception>"));
    }

    void reopeningClosesFirstAndFollowsTheSettings()
    {
        Sandbox box;
        namePorts(QStringLiteral("/dev/test-a"), QStringLiteral("/dev/test-b"));
        FakePortInstalled fake;

        QVERIFY(OpenPort(1, 0));
        QVERIFY(OpenPort(1, 0));
        QVERIFY(OpenPort(0, 2));
        QCOMPARE(fake.peer->opened,
                 QStringList({QStringLiteral("/dev/test-b"), QStringLiteral("/dev/test-b"), QStringLiteral("/dev/test-a")}));
        QCOMPARE(fake.peer->closes, 2);
        QCOMPARE(fake.peer->configures, 3);  // whatever the baud index

        // A failed reopen leaves the state opened but without a usable port.
        fake.peer->openOk = false;
        QCOMPARE(comErrorOf([] { OpenPort(1, 0); }), QStringLiteral("COM Port bereits belegt !"));
        QVERIFY(portWasOpened());
        quint8 value = 0x5A;
        QVERIFY(!ReadByte(value));
        QCOMPARE(value, quint8(0x5A));
        QVERIFY(!WriteByte(0x43));
        quint8 buffer[2] = {0x11, 0x22};
        QVERIFY(!ReadBlock(buffer, 2));
        QCOMPARE(block(buffer, 2), bytes({0x11, 0x22}));
    }

    void blockReadRules()
    {
        Sandbox box;
        FakePortInstalled fake;
        quint8 buffer[12];
        std::fill(buffer, buffer + 12, 0xAA);
        QVERIFY(!ReadBlock(buffer, 2));  // never opened
        QCOMPARE(block(buffer, 2), bytes({0xAA, 0xAA}));

        OpenPort(1, 0);
        fake.peer->pending = bytes({0xFF, 0xFF, 0x07});
        QVERIFY(ReadBlock(buffer, 3));
        QCOMPARE(block(buffer, 3), bytes({0x00, 0x00, 0x07}));

        fake.peer->pending = bytes({0xFF, 0x00});
        QVERIFY(ReadBlock(buffer, 2));
        QCOMPARE(block(buffer, 2), bytes({0xFF, 0x00}));

        // Nothing pending: false, the buffer keeps its bytes.
        std::fill(buffer, buffer + 12, 0xAA);
        QVERIFY(!ReadBlock(buffer, 12));
        QCOMPARE(block(buffer, 12), QByteArray(12, char(0xAA)));

        // 5 of 12: false, the received ones in front, the rest unchanged.
        fake.peer->pending = bytes({1, 2, 3, 4, 5});
        QVERIFY(!ReadBlock(buffer, 12));
        QCOMPARE(block(buffer, 12), bytes({1, 2, 3, 4, 5}) + QByteArray(7, char(0xAA)));

        // A kept 0xFF 0xFF turns into zeros even when nothing was read.
        buffer[0] = 0xFF;
        buffer[1] = 0xFF;
        QVERIFY(!ReadBlock(buffer, 2));
        QCOMPARE(block(buffer, 2), bytes({0x00, 0x00}));
    }

    void singleBytes()
    {
        Sandbox box;
        FakePortInstalled fake;
        quint8 value = 0x33;
        QVERIFY(!WriteByte(0x41));
        OpenPort(1, 0);
        QVERIFY(!ReadByte(value));
        QCOMPARE(value, quint8(0x33));
        fake.peer->pending = bytes({0x00, 0x9A});
        QVERIFY(ReadByte(value));
        QCOMPARE(value, quint8(0x00));
        QVERIFY(ReadByte(value));
        QCOMPARE(value, quint8(0x9A));

        QVERIFY(WriteByte(0x41));
        fake.peer->writeOk = false;
        QVERIFY(!WriteByte(0x42));
        QCOMPARE(fake.peer->written, QByteArray("A"));
    }

    // --- the real port on the virtual trainer's pseudo-terminal ---

    void lineIsNineSixHundredEightNOneWhateverTheBaudIndex()
    {
        TrainerOnCom2 rig;
        QVERIFY2(rig.ok, qPrintable(rig.trainer.errorString()));
        QVERIFY(OpenPort(1, 2));
        const TrainerLineSettings line = rig.trainer.lineSettings();
        QVERIFY(line.valid);
        QCOMPARE(line.baud, 9600);
        QCOMPARE(line.dataBits, 8);
        QVERIFY(!line.parity);
        QCOMPARE(line.stopBits, 1);
        QVERIFY(!line.hardwareFlowControl);
        QVERIFY(!line.softwareFlowControl);
        QVERIFY(line.raw);
    }

    void sameDeviceTwiceInARowAndStillTalking()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        QVERIFY(OpenPort(1, 0));
        QVERIFY(OpenPort(1, 0));
        QVERIFY(WriteByte('C'));
        QCOMPARE(rig.receivedAfter(1), QByteArray("C"));
        Clock::instance().sleep(30);
        quint8 reply[3] = {0, 0, 0};
        QVERIFY(ReadBlock(reply, 3));
        QCOMPARE(block(reply, 3), bytes({0xE2, 0x10, 0x05}));
    }

    void busyAndMissingDevices()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);

        // COM1 names a file that is not there.
        QCOMPARE(comErrorOf([] { OpenPort(0, 0); }), QStringLiteral("COM Port bereits belegt !"));
        QVERIFY(!portWasOpened());

        // Another program holds COM2 (through Qt's lock file) ...
        {
            QSerialPort other;
            other.setPortName(rig.trainer.devicePath());
            QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
            QCOMPARE(comErrorOf([] { OpenPort(1, 0); }), QStringLiteral("COM Port bereits belegt !"));
        }
        // ... or with flock().
        {
            const int fd = ::open(QFile::encodeName(rig.trainer.devicePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            QVERIFY(fd >= 0);
            QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
            QCOMPARE(comErrorOf([] { OpenPort(1, 0); }), QStringLiteral("COM Port bereits belegt !"));
            ::close(fd);
        }
        QVERIFY(OpenPort(1, 0));

        // While we hold it, nobody else gets it: neither through the link
        // with our own port class, nor through Qt's lock on the device.
        SerialBytePort second;
        QVERIFY(!second.open(rig.trainer.linkPath()));
        QSerialPort other;
        other.setPortName(rig.trainer.devicePath());
        QVERIFY(!other.open(QIODevice::ReadWrite));
        QVERIFY(SerialBytePort::isPseudoTerminalDevice(rig.trainer.devicePath()));
        QVERIFY(!SerialBytePort::isPseudoTerminalDevice(QStringLiteral("/dev/null")));
    }

    // The other end goes away while the port is open (as an unplugged USB
    // adapter does): reads and writes fail at once and the port says it is
    // lost; opening it anew clears that once a device is there again.
    void vanishedDeviceIsLost()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        QVERIFY(OpenPort(1, 0));
        QCOMPARE(OpenedDeviceFile(), rig.trainer.portPath());
        QVERIFY(WriteByte('C'));
        Clock::instance().sleep(30);
        quint8 reply[3] = {0, 0, 0};
        QVERIFY(ReadBlock(reply, 3));
        QVERIFY(!PortLost());
        QVERIFY(!ReadBlock(reply, 2));   // nothing there is not a loss
        QVERIFY(!PortLost());

        rig.trainer.close();
        QElapsedTimer timer;
        timer.start();
        while (!PortLost() && timer.elapsed() < 1000)
            ReadBlock(reply, 2);
        QVERIFY(PortLost());
        QVERIFY(!WriteByte('C'));
        quint8 byte = 0x55;
        QVERIFY(!ReadByte(byte));
        QCOMPARE(byte, quint8(0x55));

        QVERIFY(rig.trainer.open(rig.box.path(QStringLiteral("com2"))) && rig.trainer.startThread());
        QVERIFY(OpenPort(1, 0));
        QVERIFY(!PortLost());
        QVERIFY(WriteByte('C'));
        ResetSerialPort();
        QVERIFY(OpenedDeviceFile().isEmpty());
    }

    void shortAndEmptyBlockReads()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.fault = TrainerFault::Short;
        config.cutAfter = 5;
        config.hardwareRevision = "ABCDEFGHIJKL";
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        OpenPort(1, 0);

        quint8 buffer[12];
        std::fill(buffer, buffer + 12, 0xAA);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!ReadBlock(buffer, 12));
        QVERIFY2(timer.elapsed() < 25, "an empty read must not wait");
        QCOMPARE(block(buffer, 12), QByteArray(12, char(0xAA)));

        QVERIFY(WriteByte('A'));
        Clock::instance().sleep(30);
        QVERIFY(!ReadBlock(buffer, 12));
        QCOMPARE(block(buffer, 12), QByteArray("ABCDE") + QByteArray(7, char(0xAA)));
    }

    void leadingFfFfOnTheLine()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.serial = bytes({0xFF, 0xFF, 0x07});
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        OpenPort(1, 0);
        quint8 reply[3] = {1, 1, 1};
        WriteByte('C');
        Clock::instance().sleep(30);
        QVERIFY(ReadBlock(reply, 3));
        QCOMPARE(block(reply, 3), bytes({0x00, 0x00, 0x07}));

        config.serial = bytes({0xFF, 0x00, 0x07});
        rig.trainer.setConfig(config);
        WriteByte('C');
        Clock::instance().sleep(30);
        QVERIFY(ReadBlock(reply, 3));
        QCOMPARE(block(reply, 3), bytes({0xFF, 0x00, 0x07}));
    }
};

VR_TEST_CLASS(SerialPortTest)
#include "serialport_test.moc"
