#include "device/commandset.h"
#include "fakebyteport.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "support/testmain.h"

#include <QTest>

// The command set against an in-process peer with a fake clock: the waits it
// asks for and the bound of the manufacturer query, without real waiting.
class CommandSetLogicTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { ResetProgramState(); }
    void cleanup() { ResetProgramState(); }

    void queriesPauseThirtyMilliseconds()
    {
        Sandbox box;
        FakePortInstalled fake;
        FakeClock clock;
        fake.peer->replies[0x43] = QByteArray("\xE2\x10\x05", 3);
        OpenDevice(1, 0, 1);
        QString text;
        QuerySerialNumber(text);
        QCOMPARE(text, QStringLiteral("E2105"));
        QCOMPARE(clock.sleeps, QList<int>({30}));
        QCOMPARE(fake.peer->written, QByteArray("C"));
    }

    void manufacturerTextUpToTheTerminator()
    {
        Sandbox box;
        FakePortInstalled fake;
        FakeClock clock;
        OpenDevice(1, 0, 1);
        fake.peer->replies[0x48] = QByteArray("A B\x01" "C", 5);
        QString text;
        QueryManufacturer(text);
        QCOMPARE(text, QStringLiteral("A B"));
        QCOMPARE(clock.sleeps, QList<int>({30, 10, 10, 10}));
        QCOMPARE(fake.peer->pending, QByteArray("C"));  // nothing read past the terminator
    }

    void manufacturerKeepsOnlyBytesThatArrived()
    {
        Sandbox box;
        FakePortInstalled fake;
        FakeClock clock;
        OpenDevice(1, 0, 1);
        // A slow controller: reads that find nothing must not repeat the last character.
        fake.peer->trickle = {QByteArray("V"), QByteArray(), QByteArray(), QByteArray("R"), QByteArray(),
                              QByteArray("\x01", 1)};
        QString text;
        QueryManufacturer(text);
        QCOMPARE(text, QStringLiteral("VR"));
    }

    void manufacturerWithoutTerminatorEnds()
    {
        Sandbox box;
        FakePortInstalled fake;
        FakeClock clock;
        OpenDevice(1, 0, 1);

        // Silence: one second after the last byte.
        fake.peer->replies[0x48] = QByteArray("AB");
        QString text;
        QueryManufacturer(text);
        QCOMPARE(text, QStringLiteral("AB"));
        qint64 waited = 0;
        for (int ms : clock.sleeps)
            waited += ms;
        QVERIFY2(waited >= 1000 && waited <= 1100, qPrintable(QString::number(waited)));

        // A controller that never stops: 64 characters.
        fake.peer->replies[0x48] = QByteArray(200, 'x');
        QueryManufacturer(text);
        QCOMPARE(text, QString(64, u'x'));
    }

    void batteryMeasurementDrainsFirst()
    {
        Sandbox box;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        FakePortInstalled fake;
        FakeClock clock;
        fake.peer->replies[0x43] = QByteArray("\xE2\x10\x05", 3);
        fake.peer->replies[0x47] = QByteArray("\x0D\xC3", 2);
        OpenDevice(1, 0, 1);
        QVERIFY(ConnectDevice());
        fake.peer->pending = QByteArray("\x01\x23\x01\x23\x01", 5);  // stream leftovers
        QString hours;
        EstimateOperatingHours(hours);
        QCOMPARE(hours, QStringLiteral("5,00"));
        QVERIFY(fake.peer->pending.isEmpty());
        QCOMPARE(fake.peer->written, QByteArray("CG"));
        QLocale::setDefault(QLocale::c());
    }

    void queryOfAConnectedLink_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QList<QByteArray>>("reads");  // after the connect
        QTest::addColumn<bool>("gone");
        QTest::addColumn<QList<int>>("sleeps");
        QTest::addColumn<QString>("reason");           // empty: the link holds
        const QByteArray type("PIC16");
        QTest::newRow("reply in time") << 1 << QList<QByteArray>{type} << false << QList<int>{30} << QString();
        QTest::newRow("late reply") << 1 << QList<QByteArray>{QByteArray(), type} << false << QList<int>{30, 30}
                                    << QString();
        QTest::newRow("no reply") << 1 << QList<QByteArray>{} << false << QList<int>{30, 30}
                                  << "Das Gerät an COM2 (/dev/ttyS1) antwortet nicht mehr.";
        QTest::newRow("port gone") << 1 << QList<QByteArray>{} << true << QList<int>{30}
                                   << "Die Schnittstelle COM2 (/dev/ttyS1) ist nicht mehr vorhanden.";
        // Bauart1 never answers these queries: silence is no loss.
        QTest::newRow("Bauart1, no reply") << 0 << QList<QByteArray>{} << false << QList<int>{30} << QString();
    }

    // A query of a connected link that gets nothing (after a second pause)
    // ends the link: logged, said once, the windows told.
    void queryOfAConnectedLink()
    {
        QFETCH(int, model);
        QFETCH(QList<QByteArray>, reads);
        QFETCH(bool, gone);
        QFETCH(QList<int>, sleeps);
        QFETCH(QString, reason);
        Sandbox box;
        FakePortInstalled fake;
        FakeClock clock;
        ScriptedMessages boxes;
        Settings::instance().Logfile = true;
        fake.peer->replies[0x43] = QByteArray("\xE2\x10\x05", 3);
        fake.peer->replies[0x46] = QByteArray("Reaktion");
        OpenDevice(1, 0, quint8(model));
        QVERIFY(ConnectDevice());
        int losses = 0;
        const auto watch = QObject::connect(&DeviceLinkEvents::instance(), &DeviceLinkEvents::linkLost,
                                            [&losses] { ++losses; });
        clock.sleeps.clear();
        fake.peer->trickle = reads;
        fake.peer->gone = gone;
        QString type;
        QueryControllerType(type);
        QueryDeviceType(type);   // a second query says nothing more
        QObject::disconnect(watch);

        QCOMPARE(clock.sleeps.mid(0, sleeps.size()), sleeps);
        QCOMPARE(DeviceLink().connected, reason.isEmpty());
        QCOMPARE(losses, reason.isEmpty() ? 0 : 1);
        if (reason.isEmpty()) {
            QCOMPARE(boxes.count(), 0);
            return;
        }
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.lastText(), QStringLiteral("\r\nVerbindung zum Gerät verloren.\r\n") + reason
                                       + QStringLiteral("\r\nDas Programm arbeitet offline weiter; „Online“ (F5) "
                                                        "verbindet neu."));
        QStringList log;
        for (const QString &line : LoadLogIntoViewer())
            log << line.mid(line.indexOf(QStringLiteral(" --- ")) + 5);
        QCOMPARE(log, (QStringList{QStringLiteral("Ausführen : [Fehler] Verbindung zum Gerät verloren"),
                                   QStringLiteral("Ausführen : [Fehler] ") + reason}));
        // A new open starts a new link that may be lost again.
        OpenDevice(1, 0, quint8(model));
        QVERIFY(!DeviceLink().lossReported);
    }

    void hoursFromTheDischargeTable_data()
    {
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("hours");
        QTest::newRow("full") << 9.60 << 41 * 10 / 60.0;
        QTest::newRow("above the table") << 9.90 << 22 * 10 / 60.0;  // the 65.00 entry
        QTest::newRow("8.77 twice") << 8.77 << 33 * 10 / 60.0;
        QTest::newRow("between 8.67 and 8.00") << 8.65 << 4.0;
        QTest::newRow("8.00") << 8.00 << 4.0;
        QTest::newRow("last entry") << 4.12 << 10 / 60.0;
        QTest::newRow("below the table") << 4.00 << 0.0;
        QTest::newRow("no reading") << 0.0 << 0.0;
    }
    void hoursFromTheDischargeTable()
    {
        QFETCH(double, volts);
        QFETCH(double, hours);
        QCOMPARE(OperatingHoursForVoltage(volts), hours);
    }
};

VR_TEST_CLASS(CommandSetLogicTest)
#include "commandsetlogic_test.moc"
