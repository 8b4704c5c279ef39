#include "device/batterywindow.h"
#include "device/commandset.h"
#include "device/connectsequence.h"
#include "device/devicefunctions.h"
#include "device/trainerlink.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
#include "lambdadeviceview.h"
#include "trainerfixture.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

QStringList logMessages()
{
    QStringList out;
    for (const QString &line : LoadLogIntoViewer())
        out << line.mid(line.indexOf(QStringLiteral(" --- ")) + 5);
    return out;
}

// Counts how often the UI thread's event loop ran a 5 ms timer while a
// sequence went on: a sequence that waited in one piece leaves it near zero.
struct Heartbeat
{
    QTimer timer;
    int beats = 0;
    Heartbeat()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { ++beats; });
        timer.start();
    }
};

void useCom2(int model)
{
    Settings &s = Settings::instance();
    s.Logfile = true;
    s.COM_Index = 1;
    s.portSelector = 1;
    s.Controller = model;
    s.controllerSelector = quint8(model);
}

} // namespace

// The device sequences through the trainer link on its worker thread, against
// the virtual trainer: nothing waits on the UI thread, and a silent, babbling
// or cut-off trainer is told apart as by the blocking queries.
class TrainerLinkTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void connect_data()
    {
        QTest::addColumn<int>("fault");          // TrainerFault
        QTest::addColumn<bool>("portThere");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("messageStart");
        QTest::addColumn<QString>("lastLog");
        QTest::addColumn<QByteArray>("received");
        const QString refused = QStringLiteral("\r\nFehler beim Verbindungsaufbau zum Gerät.\r\nDas Gerät an COM2 (");
        const QString ok = QStringLiteral("Ausführen : [Erfolg] Verbindung aufbauen");
        const QString failed = QStringLiteral("Ausführen : [Fehler] Verbindung aufbauen");
        QTest::newRow("answers") << int(TrainerFault::None) << true << true << QString() << ok << QByteArray("CG");
        QTest::newRow("silent") << int(TrainerFault::Silent) << true << false << refused << failed << QByteArray("C");
        QTest::newRow("garbage") << int(TrainerFault::Garbage) << true << false << refused << failed
                                 << QByteArray("C");
        QTest::newRow("stops mid-reply") << int(TrainerFault::Short) << true << false << refused << failed
                                         << QByteArray("C");
        QTest::newRow("no such port")
            << int(TrainerFault::None) << false << false
            << QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.\r\nDie Schnittstelle COM2 (") << failed
            << QByteArray();
    }

    // Going online as the main window does: open, serial number, battery.
    void connect()
    {
        QFETCH(int, fault);
        QFETCH(bool, portThere);
        QFETCH(bool, online);
        QFETCH(QString, messageStart);
        QFETCH(QString, lastLog);
        TrainerConfig config = TrainerConfig::defaults(2);
        config.fault = TrainerFault(fault);
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        if (!portThere)
            RegistryIni(RegistryKeys::Main)
                .writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), rig.box.path(QStringLiteral("gone")));
        ScriptedMessages boxes;
        useCom2(1);

        ConnectSequence sequence;
        QSignalSpy finished(&sequence, &ConnectSequence::finished);
        QSignalSpy connected(&sequence, &ConnectSequence::connected);
        ConnectSequence::Options options;
        options.readBattery = true;
        options.refusedHead = QStringLiteral("\r\nFehler beim Verbindungsaufbau zum Gerät.\r\n");
        options.explainBeforeLog = true;
        Heartbeat heart;
        sequence.start(options);
        QVERIFY(sequence.running());
        QCOMPARE(ConnectSequence::current(), &sequence);
        QVERIFY(finished.wait(3000));
        QVERIFY2(heart.beats >= 2 || !portThere, qPrintable(QString::number(heart.beats)));
        QVERIFY(!sequence.running());
        QCOMPARE(finished.first().first().toBool(), online);
        QCOMPARE(DeviceLink().connected, online);
        QCOMPARE(connected.count(), online ? 1 : 0);
        if (online) {
            QCOMPARE(boxes.count(), 0);
            QCOMPARE(DeviceLink().serialText, QStringLiteral("E2105"));
            QVERIFY(qAbs(DeviceLink().LastBatteryVoltage - 8.752) < 0.001);
        } else {
            QCOMPARE(boxes.count(), 1);
            QVERIFY2(boxes.lastText().startsWith(messageStart), qPrintable(boxes.lastText()));
        }
        const QStringList log = logMessages();
        QVERIFY(log.contains(QStringLiteral("Ausführen : [Start] Verbindung aufbauen (ONLINE-Modus)")));
        QCOMPARE(log.last(), lastLog);
        QTEST(rig.receivedAfter(2, 200), "received");
    }

    // The battery window asks for the hours without waiting; a trainer that
    // falls silent or is pulled out loses the link, said once.
    void battery_data()
    {
        QTest::addColumn<int>("trainer");   // 0 answers, 1 silent, 2 pulled out
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("message");
        QTest::newRow("answers") << 0 << QStringList{"97 %", "8,75 V", "5,00 h"} << QString();
        QTest::newRow("falls silent") << 1 << QStringList(3, NotAvailableText) << "antwortet nicht mehr";
        QTest::newRow("pulled out") << 2 << QStringList(3, NotAvailableText) << "ist nicht mehr vorhanden";
    }
    void battery()
    {
        QFETCH(int, trainer);
        QFETCH(QStringList, labels);
        QFETCH(QString, message);
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        ScriptedMessages boxes;
        useCom2(1);
        ConnectSequence sequence;
        QSignalSpy finished(&sequence, &ConnectSequence::finished);
        ConnectSequence::Options options;
        options.readBattery = true;
        sequence.start(options);
        QVERIFY(finished.wait(3000));
        QVERIFY(DeviceLink().connected);

        if (trainer == 1) {
            TrainerConfig silent = TrainerConfig::defaults(2);
            silent.fault = TrainerFault::Silent;
            rig.trainer.setConfig(silent);
        } else if (trainer == 2) {
            rig.trainer.close();
        }
        BatteryWindow form;
        form.setOfflineStateProvider([] { return false; });
        QSignalSpy refreshed(&form, &BatteryWindow::refreshed);
        Heartbeat heart;
        form.refresh();
        QVERIFY(form.asking());
        QVERIFY(refreshed.wait(3000));
        QVERIFY(heart.beats >= 2 || trainer == 2);   // a pulled port answers at once
        QCOMPARE((QStringList{form.percentLabel()->text(), form.voltageLabel()->text(), form.hoursLabel()->text()}),
                 labels);
        QCOMPARE(DeviceLink().connected, message.isEmpty());
        if (message.isEmpty()) {
            QCOMPARE(boxes.count(), 0);
        } else {
            QCOMPARE(boxes.count(), 1);
            QVERIFY2(boxes.lastText().contains(message), qPrintable(boxes.lastText()));
            QCOMPARE(logMessages().count(QStringLiteral("Ausführen : [Fehler] Verbindung zum Gerät verloren")), 1);
        }
    }

    // The controller's own texts one after the other; the manufacturer's text
    // ends at its terminator.
    void identify()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        ScriptedMessages boxes;
        useCom2(1);
        AppState::instance().OfflineState = false;
        LambdaDeviceView view;
        DeviceFunctions f;
        f.setView(&view);
        QList<QStringList> infos;
        view.onDeviceInfo = [&](const QStringList &v) { infos << v; };
        QSignalSpy finished(&f, &DeviceFunctions::functionFinished);
        Heartbeat heart;
        f.DetectController();
        QVERIFY(f.busy());
        QVERIFY(finished.wait(3000));
        QVERIFY(heart.beats >= 8);   // eight queries of 30 ms each
        QCOMPARE(infos, (QList<QStringList>{{"2.1", "1.05", "E2105", "PIC16", "B2", "Reaktion", "Vantrel Sim"}}));
        QCOMPARE(rig.receivedAfter(8), QByteArray("CABCDEFH"));
    }

    // The link itself: a reply window, samples of a stream, and the port that
    // vanishes while nothing is asked.
    void linkSignals()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.samples = {0x0123, 0x0456};
        config.sampleIntervalMs = 2;
        TrainerOnCom2 rig(config);
        QVERIFY(rig.ok);
        TrainerLink &link = TrainerLink::worker();
        QSignalSpy opened(&link, &TrainerLink::opened);
        QSignalSpy answered(&link, &TrainerLink::answered);
        QSignalSpy samples(&link, &TrainerLink::samples);
        QSignalSpy lost(&link, &TrainerLink::lost);
        link.open(rig.trainer.portPath(), 7);
        link.ask('G', 2, ReplyKind::Window, false, 8);
        QVERIFY(answered.wait(2000));
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.first().at(0).toInt(), 7);
        QVERIFY(opened.first().at(1).toBool());
        QCOMPARE(answered.first().at(0).toInt(), 8);
        QCOMPARE(answered.first().at(1).toByteArray(), QByteArray("\x0D\xC3", 2));
        QCOMPARE(answered.first().at(2).toInt(), 2);

        link.startStream('a');
        QList<int> values;
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     for (; !samples.isEmpty(); samples.removeFirst())
                                         for (int v : samples.first().first().value<QVector<int>>())
                                             values << v;
                                     return values.size() >= 10;
                                 }()),
                                 3000);
        QCOMPARE(values.mid(0, 4), (QList<int>{0x0123, 0x0456, 0x0123, 0x0456}));
        link.stopStream('b');
        QVERIFY(rig.receivedAfter(3).endsWith('b'));

        rig.trainer.close();
        QVERIFY(lost.wait(3000));
        QVERIFY(link.portGone());
        link.close();
        QTRY_VERIFY(!link.isOpen());
    }
};

VR_TEST_CLASS(TrainerLinkTest)
#include "trainerlink_test.moc"
