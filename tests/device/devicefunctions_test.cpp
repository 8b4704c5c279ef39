#include "devicerig.h"
#include "platform/programpaths.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <cmath>

namespace {
const QString Timeout = QStringLiteral("\r\nTimeout !");
const QString InitFailed = QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.\r\n"
                                          "Die Schnittstelle COM2 (/dev/ttyS1) wird von einem anderen Programm benutzt.");
const QString ConnectFailed = QStringLiteral("\r\nFehler beim Verbindungsaufbau mit dem Gerät.\r\n"
                                             "Das Gerät an COM2 (/dev/ttyS1) antwortet nicht; ist es eingeschaltet und "
                                             "angeschlossen?");
const QString NotAbove = QStringLiteral(
    "\r\nDer Messwert liegt nicht über dem Nullpunkt.\r\nDer Skalierungsfaktor wurde nicht geändert.");

enum Function { Zero, Scale };
enum Peer { Answering, SilentBauart2, Busy };

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

QByteArray readFile(const QString &name)
{
    QFile file(ProgramPaths::inProgramDir(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

// Zero point, scale factor, force test, captures and port buttons on an
// in-process controller with a fake clock: 25000 reads take no real time.
class DeviceFunctionsTest : public QObject
{
    Q_OBJECT
private slots:
    void adjustments_data()
    {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("peer");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("answer");      // to the zero-point question
        QTest::addColumn<int>("weight");      // 0: weight entry not confirmed
        QTest::addColumn<int>("zeroBefore");
        QTest::addColumn<int>("zeroAfter");
        QTest::addColumn<double>("scaleAfter");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("logTail");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("lastStatus");

        const int ok = MessageService::Ok, cancel = MessageService::Cancel;
        const QString q = DeviceFunctions::ZeroQuestion;
        const QString zeroSet = "\r\nDer Nullpunkt wurde auf 256 festgelegt.";
        const QStringList connectLog = {"Ausführen : [Start] Verbindung aufbauen (ONLINE-Modus)",
                                        "Ausführen : [Setup] COM2,9600,PIC Bauart2",
                                        "Ausführen : [Erfolg] Verbindung aufbauen"};
        const QString zeroFailed = "Ausführen : [Fehler] Nullpunkt einstellen";
        const QString scaleFailed = "Ausführen : [Fehler] Kennlinie einstellen";
        const QString done = "Justierung beendet.", failed = "Justierung fehlgeschlagen.";
        const QByteArray bauart1 = bytes({0x00, 0x02, 0x04});
        auto row = [](const char *name, Function fn, int model, Peer peer, const QByteArray &stream, int answer,
                      int weight, int zeroBefore, int zeroAfter, double scaleAfter, const QStringList &messages,
                      const QStringList &logTail, const QByteArray &written, const QString &status) {
            QTest::newRow(name) << int(fn) << model << int(peer) << stream << answer << weight << zeroBefore
                                << zeroAfter << scaleAfter << messages << logTail << written << status;
        };
        auto s = [](int value, int times) { return DeviceRig::samples({value}, times); };

        row("zero 256", Zero, 1, Answering, s(256, 200), ok, 0, -1, 256, 6.0, {q, zeroSet},
            QStringList{"Ausführen : Nullpunkt einstellen"} + connectLog + QStringList{"Ausführen : [Setup] Nullpunkt:=256"},
            "Cab", done);
        row("zero 256/257 truncates", Zero, 1, Answering, DeviceRig::samples({256, 257}, 100), ok, 0, 40, 256, 6.0,
            {q, zeroSet}, {"Ausführen : [Setup] Nullpunkt:=256"}, "Cab", done);
        row("zero, silent Bauart1 keeps -1", Zero, 0, Answering, {}, ok, 0, -1, -1, 6.0, {q, Timeout},
            {"Ausführen : [Setup] COM2,9600,PIC Bauart1", "Ausführen : [Erfolg] Verbindung aufbauen", zeroFailed},
            bauart1, failed);
        row("zero, silent Bauart1 keeps 300", Zero, 0, Answering, {}, ok, 0, 300, 300, 6.0, {q, Timeout}, {zeroFailed},
            bauart1, failed);
        row("zero, Abbrechen", Zero, 1, Answering, s(256, 200), cancel, 0, 40, 40, 6.0, {q},
            {"Ausführen : Nullpunkt einstellen"}, {}, {});
        row("zero, busy port", Zero, 1, Busy, {}, ok, 0, 40, 40, 6.0, {q, InitFailed},
            {"Ausführen : [Start] Verbindung aufbauen (ONLINE-Modus)", "Ausführen : [Fehler] Verbindung aufbauen"}, {},
            {});
        row("zero, silent Bauart2", Zero, 1, SilentBauart2, {}, ok, 0, 40, 40, 6.0, {q, ConnectFailed},
            {"Ausführen : [Setup] COM2,9600,PIC Bauart2", "Ausführen : [Fehler] Verbindung aufbauen"}, "C", {});
        row("scale 2,000", Scale, 1, Answering, s(1256, 200), ok, 500, 256, 256, 2.0,
            {"\r\nDer Skalierungsfaktor wurde auf 2,000 festgelegt."},
            QStringList{"Ausführen : Kennlinie einstellen"} + connectLog + QStringList{"Ausführen : [Setup] Kennlinie:=2,000"},
            "Cab", done);
        row("scale, mean 10 below zero", Scale, 1, Answering, s(246, 200), ok, 100, 256, 256, 6.0, {NotAbove},
            {scaleFailed}, "Cab", failed);
        row("scale, mean at zero", Scale, 1, Answering, s(256, 200), ok, 100, 256, 256, 6.0, {NotAbove}, {scaleFailed},
            "Cab", failed);
        row("scale, timeout keeps the factor", Scale, 1, Answering, s(1256, 199), ok, 500, 256, 256, 6.0, {Timeout},
            {scaleFailed}, "Cab", failed);
        row("scale, weight not confirmed", Scale, 1, Answering, s(1256, 200), ok, 0, 256, 256, 6.0, {},
            {"Ausführen : Kennlinie einstellen"}, {}, {});
    }

    void adjustments()
    {
        QFETCH(int, function);
        QFETCH(int, model);
        QFETCH(int, peer);
        QFETCH(QByteArray, stream);
        QFETCH(int, answer);
        QFETCH(int, weight);
        QFETCH(int, zeroBefore);
        QFETCH(int, zeroAfter);
        QFETCH(double, scaleAfter);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, logTail);
        QFETCH(QByteArray, written);
        QFETCH(QString, lastStatus);

        DeviceRig rig(model);
        if (peer == Answering && model == 1)
            rig.answersSerial();
        rig.fake.peer->openOk = peer != Busy;
        rig.fake.peer->replies[model == 1 ? 'a' : 0x02] = stream;
        rig.weight = weight;
        rig.boxes.answerNext(answer);
        Settings::instance().KS_Zero = zeroBefore;

        if (function == Zero)
            rig.f.ZeroPoint();
        else
            rig.f.ScaleFactor();
        // One step to the limit: a stream that has not brought 200 samples by then timed out.
        QVERIFY(rig.runToEnd(25000));

        QCOMPARE(rig.messageTexts(), messages);
        QCOMPARE(Settings::instance().KS_Zero, zeroAfter);
        QCOMPARE(Settings::instance().KS_KL, scaleAfter);
        const QStringList log = DeviceRig::logMessages();
        QVERIFY2(log.size() >= logTail.size(), qPrintable(log.join(u'\n')));
        QCOMPARE(log.mid(log.size() - logTail.size()), logTail);
        QCOMPARE(rig.fake.peer->written, written);
        QCOMPARE(rig.statuses.isEmpty() ? QString() : rig.statuses.last(), lastStatus);
        QVERIFY(!rig.f.busy());
        // Buttons come back after every run that took them away; "&Kennlinie"
        // follows the zero point that is set in the end.
        QCOMPARE(rig.buttonStates.count(false), rig.buttonStates.count(true));
        if (!rig.scaleStates.isEmpty())
            QCOMPARE(rig.scaleStates.last(), zeroAfter != -1);
        // Nothing reaches the store before the dialog is confirmed.
        Settings stored;
        LoadSettings(stored);
        QCOMPARE(stored.KS_Zero, -1);
    }

    // 200 samples within 25 s on the clock; no sample for 2 s ends it early.
    // every > 0: one sample each `every` ms; 0: all at once, then 25 s pass.
    void averagingBounds_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("every");
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<int>("mean");
        QTest::addColumn<int>("counted");
        QTest::newRow("200 at once") << 200 << 0 << false << false << 300 << 200;
        QTest::newRow("200th at 24,8 s") << 200 << 124 << false << false << 300 << 200;
        QTest::newRow("200th at 25 s") << 200 << 125 << true << false << 300 << 199;
        QTest::newRow("199 samples") << 199 << 0 << true << false << 300 << 199;
        QTest::newRow("nothing at all") << 0 << 1000 << false << true << 0 << 0;
    }

    void averagingBounds()
    {
        QFETCH(int, samples);
        QFETCH(int, every);
        QFETCH(bool, timedOut);
        QFETCH(bool, stopped);
        QFETCH(int, mean);
        QFETCH(int, counted);
        DeviceRig rig(1);
        rig.answersSerial();
        QVERIFY(OpenDevice(1, 0, 1) && ConnectDevice());
        bool ended = false;
        DeviceFunctions::Average average;
        rig.f.AverageSamples([&](const DeviceFunctions::Average &a) {
            average = a;
            ended = true;
        });
        if (every == 0)
            rig.fake.peer->pending = DeviceRig::samples({300}, samples);
        for (int i = 0; every > 0 && i < samples && !ended; ++i) {
            rig.clock.advanceMs(every);
            rig.fake.peer->pending = DeviceRig::samples({300});
            QVERIFY(rig.drained());
        }
        QVERIFY(rig.drained());
        rig.clock.advanceMs(every == 0 ? 25000 : 2000);
        QTRY_VERIFY(ended);
        QTest::qWait(20);
        QCOMPARE(average.timedOut, timedOut);
        QCOMPARE(average.streamStopped, stopped);
        QCOMPARE(average.mean, mean);
        QCOMPARE(average.samples, counted);
        QVERIFY(rig.fake.peer->written.endsWith("ab"));   // the stream is stopped in every case
    }

    // While a function runs, the others (reached from the event loop) do nothing.
    void oneFunctionAtATime()
    {
        DeviceRig rig(1);
        rig.answersSerial();
        rig.fake.peer->replies['a'] = DeviceRig::samples({256}, 200);
        bool triedOthers = false;
        auto tryOthers = [&] {
            if (triedOthers || !rig.f.busy())
                return;
            triedOthers = true;
            QVERIFY(!rig.f.pageChangeAllowed());
            rig.f.DebugCapture0();
            rig.f.DebugCapture1();
            rig.f.StartForceTest();
            rig.f.ScaleFactor();
            rig.f.ZeroPoint();
            rig.f.ChoosePort(0, 1);
            rig.f.DetectController();
        };
        // From the event loop while the zero point runs.
        QTimer::singleShot(0, tryOthers);
        rig.f.ZeroPoint();
        QVERIFY(rig.runToEnd());
        QVERIFY(triedOthers);
        QCOMPARE(Settings::instance().KS_Zero, 256);
        QCOMPARE(rig.fake.peer->written, QByteArray("Cab"));
        QCOMPARE(rig.messageTexts().size(), 2);
        QVERIFY(!QFile::exists(ProgramPaths::inProgramDir(QStringLiteral("test0.dat"))));
        QCOMPARE(rig.fake.peer->opened.size(), 1);
        QVERIFY(rig.f.pageChangeAllowed());
    }

    void forceLevels_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("y");
        // Zero 256, scale 2.0, plot height 100: the full height stands for 500 g.
        // No sample was read from the port: none per second.
        QTest::newRow("below zero") << 200
                                    << QStringList{"0000", "200", "0", "256", "1", "0", "0,0"} << 99;
        QTest::newRow("500 g") << 1256 << QStringList{"03E8", "1256", "1000", "256", "97", "0", "500,0"} << 3;
        QTest::newRow("over the top") << 2256 << QStringList{"07D0", "2256", "2000", "256", "99", "0", "1000,0"} << 1;
        QTest::newRow("at zero") << 256 << QStringList{"0000", "256", "0", "256", "1", "0", "0,0"} << 99;
        QTest::newRow("12-bit maximum") << 4095
                                        << QStringList{"0EFF", "4095", "3839", "256", "99", "0", "1919,5"} << 1;
    }

    void forceLevels()
    {
        QFETCH(int, sample);
        QFETCH(QStringList, labels);
        QFETCH(int, y);
        Sandbox box;
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        ForceTest test(QSize(200, 100));
        test.start(256, 2.0);
        QCOMPARE(test.plotScale(), 0.1);
        test.buffer()[0] = quint8(sample >> 8);
        test.buffer()[1] = quint8(sample & 0xFF);
        test.advance();
        QCOMPARE(test.labelTexts(), labels);
        QCOMPARE(test.penPosition(), QPoint(1, y));
        // The trace runs in red from the bottom left corner.
        QCOMPARE(test.plot().pixelColor(1, y), ForceTest::traceColor());
    }

    // The live test through the dialog's functions: start, ticks, a stall, the
    // wrap at the plot width, stop.
    void forceTestRun()
    {
        InertFastTimers inert;   // ticks driven here
        DeviceRig rig(1);
        rig.answersSerial();
        Settings::instance().KS_Zero = 256;
        Settings::instance().KS_KL = 2.0;
        rig.f.forceTest().setPlotSize(QSize(10, 100));
        int plotUpdates = 0;
        bool stateRunning = false;
        rig.view.onPlot = [&] { ++plotUpdates; };
        rig.view.onForceTestState = [&](bool running) { stateRunning = running; };

        rig.f.StartForceTest();   // offline: goes online first
        QCOMPARE(rig.onlineCalls, 1);
        QVERIFY(rig.f.forceTestRunning());
        QVERIFY(stateRunning);
        QVERIFY(!rig.f.pageChangeAllowed());
        QVERIFY(rig.f.Messtimer->Enabled());
        QVERIFY(rig.f.Datentimer->Enabled());
        QCOMPARE(rig.f.Messtimer->Interval(), 5);
        QCOMPARE(rig.f.Datentimer->Interval(), 70);
        QTRY_COMPARE(rig.fake.peer->written, QByteArray("Ca"));
        QCOMPARE(rig.statuses.last(), QStringLiteral("Test läuft..."));
        QCOMPARE(rig.buttonStates, QList<bool>{false});

        // One sample, then nothing: the stalled ticks keep the last sample.
        DeviceRig::deliver({1256});
        for (int i = 0; i < 3; ++i) {
            rig.f.MesstimerTimer();
            QCOMPARE(rig.f.forceTest().rawLevel(), quint16(1256));
        }
        rig.f.DatentimerTimer();
        QCOMPARE(rig.values.last().value(6), QStringLiteral("500,0"));
        QCOMPARE(rig.f.forceTest().sampleCount(), 3);
        QCOMPARE(rig.f.forceTest().penPosition(), QPoint(3, 3));

        // Width 10: ticks 4 to 9 draw, the tenth starts again at the left edge.
        for (int i = 4; i <= 9; ++i)
            rig.f.MesstimerTimer();
        QCOMPARE(rig.f.forceTest().penPosition(), QPoint(9, 3));
        QCOMPARE(rig.f.forceTest().plot().pixelColor(5, 3), ForceTest::traceColor());
        rig.f.MesstimerTimer();
        QCOMPARE(rig.f.forceTest().sampleCount(), 0);
        QCOMPARE(rig.f.forceTest().penPosition(), QPoint(0, 100));
        QCOMPARE(rig.f.forceTest().plot().pixelColor(5, 3), QColor(Qt::white));
        QVERIFY(plotUpdates >= 11);

        rig.f.StopForceTest();
        QTRY_VERIFY(rig.fake.peer->written.endsWith("b"));
        QVERIFY(!rig.f.Messtimer->Enabled());
        QVERIFY(!rig.f.Datentimer->Enabled());
        QVERIFY(!stateRunning);
        QVERIFY(rig.f.pageChangeAllowed());
        QCOMPARE(rig.statuses.last(), QStringLiteral("Test beendet."));
        QCOMPARE(rig.scaleStates.last(), true);
        const QStringList log = DeviceRig::logMessages();
        QVERIFY(log.contains(QStringLiteral("Ausführen : [Start] Config KS_Test")));
        QCOMPARE(log.last(), QStringLiteral("Ausführen : [Ende] Config KS_Test"));

        // "Test &Beenden" with no zero point leaves "&Kennlinie" off.
        Settings::instance().KS_Zero = -1;
        rig.f.StartForceTest();
        rig.f.StopForceTest();
        QCOMPARE(rig.scaleStates.last(), false);
    }

    void forceTestRefused_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QStringList>("messages");
        const QStringList invalid{QStringLiteral("\r\nUngültiger Skalierungsfaktor. Bitte nehmen Sie die Kennlinie neu auf.")};
        QTest::newRow("scale 0") << 0.0 << true << invalid;
        QTest::newRow("scale 0.0009") << 0.0009 << true << invalid;
        QTest::newRow("scale negative") << -2.0 << true << invalid;
        QTest::newRow("scale NaN") << std::nan("") << true << invalid;
        QTest::newRow("scale infinite") << HUGE_VAL << true << invalid;
        QTest::newRow("stays offline") << 2.0 << false << QStringList{};
    }

    void forceTestRefused()
    {
        QFETCH(double, scale);
        QFETCH(bool, online);
        QFETCH(QStringList, messages);
        DeviceRig rig(1);
        rig.answersSerial();
        rig.goesOnline = online;
        Settings::instance().KS_KL = scale;
        rig.f.StartForceTest();
        QCOMPARE(rig.messageTexts(), messages);
        QVERIFY(!rig.f.forceTestRunning());
        QVERIFY(!rig.f.busy());
        QVERIFY(!rig.f.Messtimer->Enabled());
        QVERIFY(!rig.fake.peer->written.contains('a'));
        QVERIFY(rig.buttonStates.isEmpty());
    }

    void captures_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QByteArray>("written");

        QByteArray alternating;
        QList<QByteArray> halfSilent{QByteArray()};  // the serial-number read of the connect
        for (int i = 0; i < 2500; ++i) {
            halfSilent << DeviceRig::samples({256}) << QByteArray();
            alternating += "TRUE256\r\nFALSE256\r\n";
        }
        const QString info0 = QStringLiteral("Debug Mode\r\nFile = test0.dat");
        const QString info1 = QStringLiteral("Debug Mode\r\nFile = TEST1.dat");
        QTest::newRow("F10, every other read empty") << int(Qt::Key_F10) << halfSilent << alternating
                                                     << QStringList{info0} << QByteArray("Cab");
        QByteArray silent;
        for (int i = 0; i < 5000; ++i)
            silent += "FALSE0\r\n";
        QTest::newRow("F10, silent stream") << int(Qt::Key_F10) << QList<QByteArray>{} << silent << QStringList{info0}
                                            << QByteArray("Cab");
        QByteArray full;
        for (int i = 0; i < 256; ++i)
            full += "0100 ";
        QTest::newRow("F11, 256 samples") << int(Qt::Key_F11) << QList<QByteArray>(300, DeviceRig::samples({256})) << full
                                          << QStringList{info1} << QByteArray("CZb");
        // 10 s pass: what came is kept and counted.
        QTest::newRow("F11, 100 of 256") << int(Qt::Key_F11) << QList<QByteArray>(100, DeviceRig::samples({0xABC}))
                                         << QByteArray("0ABC ").repeated(100)
                                         << QStringList{info1, "\r\nDie Aufzeichnung wurde beendet, bevor 256 Werte "
                                                               "ankamen.\r\nDie Datei Test1.dat enthält die 100 "
                                                               "gelesenen Werte."}
                                         << QByteArray("CZb");
    }

    void captures()
    {
        QFETCH(int, key);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, messages);
        QFETCH(QByteArray, written);
        InertFastTimers inert;
        DeviceRig rig(1);
        rig.answersSerial();
        if (key == Qt::Key_F10) {
            // One read step per chunk after the connect's: the chunk is what
            // the link delivered before it; the clock stands still.
            rig.f.DebugCapture0();
            QTRY_VERIFY(rig.streaming());
            for (int step = 1; step <= 20000 && rig.f.busy(); ++step)
                rig.captureStep(chunks.value(step));
        } else {
            rig.fake.peer->trickle = chunks;
            rig.f.DebugCapture1();
        }
        QVERIFY(rig.runToEnd(10000));
        QCOMPARE(readFile(key == Qt::Key_F10 ? QStringLiteral("test0.dat") : QStringLiteral("Test1.dat")), file);
        QCOMPARE(rig.messageTexts(), messages);
        QCOMPARE(rig.fake.peer->written, written);
        QCOMPARE(rig.statuses.last(),
                 key == Qt::Key_F10 ? QStringLiteral("Debug beendet.") : QStringLiteral("Debug 1 beendet."));
        QCOMPARE(rig.buttonStates, (QList<bool>{false, true}));
        QCOMPARE(DeviceRig::logMessages().first(), QStringLiteral("Ausführen : Debug Mode"));
        QVERIFY(rig.fake.peer->pending.isEmpty());  // nothing left to garble the next reply
    }

    void captureFileCannotBeCreated_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("F10") << QStringLiteral("test0.dat");
        QTest::newRow("F11") << QStringLiteral("Test1.dat");
    }

    void captureFileCannotBeCreated()
    {
        QFETCH(QString, name);
        DeviceRig rig(1);
        rig.answersSerial();
        QVERIFY(QDir().mkpath(ProgramPaths::inProgramDir(name)));  // a folder where the file should go
        if (name == QLatin1String("test0.dat"))
            rig.f.DebugCapture0();
        else
            rig.f.DebugCapture1();
        QCOMPARE(rig.messageTexts().value(1),
                 QStringLiteral("\r\nFehler beim Öffnen der Testdatei.\r\n„%1“ ist ein Ordner.")
                     .arg(ProgramPaths::inProgramDir(name)));
        QVERIFY(rig.fake.peer->written.isEmpty());
        QVERIFY(rig.fake.peer->opened.isEmpty());
        QVERIFY(!rig.f.busy());
    }

    void portVanishes_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("goneAfterReads");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("lastStatus");
        QTest::addColumn<QByteArray>("file");   // what a capture wrote before the loss
        QTest::newRow("zero point") << "zero" << 50
                                    << "Die Justierung wurde abgebrochen; die bisherigen Werte bleiben erhalten."
                                    << "Justierung fehlgeschlagen." << QByteArray();
        QTest::newRow("scale factor") << "scale" << 120
                                      << "Die Justierung wurde abgebrochen; die bisherigen Werte bleiben erhalten."
                                      << "Justierung fehlgeschlagen." << QByteArray();
        QTest::newRow("force test") << "force" << 4 << "Der Test wurde beendet." << "Verbindung verloren"
                                    << QByteArray();
        // The same through the link: the sample left over from the connect's read counts too.
        QTest::newRow("F10 capture")
            << "capture0" << 4
            << "Die Aufzeichnung wurde abgebrochen; die bis dahin gelesenen Werte stehen in der Datei test0.dat."
            << "Debug beendet." << QByteArray("TRUE256\r\n").repeated(4);
        // The link takes what arrived in one read: its first read brings two samples.
        QTest::newRow("F11 capture")
            << "capture1" << 3
            << "Die Aufzeichnung wurde abgebrochen; die bis dahin gelesenen Werte stehen in der Datei Test1.dat."
            << "Debug 1 beendet." << QByteArray("0100 0100 0100 ");
        QTest::newRow("controller test") << "detect" << 0 << "Der Gerätetest wurde abgebrochen." << QString()
                                         << QByteArray();
    }

    // The device vanishes in the middle of a function (an unplugged adapter):
    // the function ends at once with a message instead of running into its
    // time-out, keeps what it had, and the program goes offline.
    void portVanishes()
    {
        QFETCH(QString, function);
        QFETCH(int, goneAfterReads);
        QFETCH(QString, ending);
        QFETCH(QString, lastStatus);
        QFETCH(QByteArray, file);
        InertFastTimers inert;   // the force test and the F10 capture: ticks and steps driven here
        DeviceRig rig(1);
        rig.answersSerial();
        Settings::instance().KS_Zero = 256;
        Settings::instance().KS_KL = 2.0;
        if (function == QLatin1String("zero") || function == QLatin1String("scale"))
            rig.fake.peer->trickle = QList<QByteArray>(200, DeviceRig::samples({1256}));   // one per read
        else if (!function.startsWith(QLatin1String("capture")))
            rig.fake.peer->replies['a'] = DeviceRig::samples({1256}, 200);
        rig.fake.peer->goneAfterReads = goneAfterReads;
        if (function == QLatin1String("zero")) {
            rig.f.ZeroPoint();
            QVERIFY(rig.runToEnd());
        } else if (function == QLatin1String("scale")) {
            rig.f.ScaleFactor();
            QVERIFY(rig.runToEnd());
        } else if (function == QLatin1String("force")) {
            // A tick after each look of the link at the port.
            rig.f.StartForceTest();
            for (int i = 0; i < 100 && rig.f.forceTestRunning(); ++i) {
                QTest::qWait(5);
                rig.f.MesstimerTimer();
            }
            QVERIFY(!rig.f.forceTestRunning());
            QVERIFY(!rig.f.Messtimer->Enabled());
            QVERIFY(!rig.f.Datentimer->Enabled());
            // The values read before stay shown.
            QCOMPARE(rig.f.forceTest().rawLevel(), quint16(1256));
        } else if (function == QLatin1String("capture0")) {
            // A read step after each read of the link (one sample each) until the loss shows.
            rig.fake.peer->trickle = QList<QByteArray>(10, DeviceRig::samples({256}));
            rig.f.DebugCapture0();
            QTRY_VERIFY(rig.streaming());
            for (int step = 0; step < 100 && rig.f.busy(); ++step) {
                const int reads = rig.fake.peer->reads;
                QTRY_VERIFY(rig.fake.peer->reads > reads || PortLost());
                rig.f.DebugtimerTimer();
            }
            QVERIFY(rig.runToEnd());
        } else if (function == QLatin1String("capture1")) {
            rig.fake.peer->trickle = QList<QByteArray>(10, DeviceRig::samples({256}));
            rig.f.DebugCapture1();
            QVERIFY(rig.runToEnd());
        } else {
            rig.f.DetectController();
            QTRY_VERIFY(!rig.f.busy());
        }
        const QString lost = QStringLiteral("\r\nVerbindung zum Gerät verloren.\r\nDie Schnittstelle COM2 "
                                            "(/dev/ttyS1) ist nicht mehr vorhanden.\r\n")
                             + ending + QStringLiteral("\r\nDas Programm arbeitet offline weiter; „Online“ (F5) verbindet neu.");
        QCOMPARE(rig.messageTexts().last(), lost);
        QCOMPARE(rig.messageTexts().count(lost), 1);
        QVERIFY(!rig.messageTexts().contains(Timeout));
        QCOMPARE(rig.linkLosses, 1);
        QVERIFY(AppState::instance().OfflineState);
        QVERIFY(!rig.f.busy());
        QVERIFY(rig.f.pageChangeAllowed());
        QCOMPARE(rig.buttonStates.count(false), rig.buttonStates.count(true));
        if (!lastStatus.isEmpty())
            QCOMPARE(rig.statuses.last(), lastStatus);
        QCOMPARE(Settings::instance().KS_Zero, 256);
        QCOMPARE(Settings::instance().KS_KL, 2.0);
        QVERIFY(DeviceRig::logMessages().contains(QStringLiteral("Ausführen : [Fehler] Verbindung zum Gerät verloren")));
        QVERIFY(DeviceRig::logMessages().contains(
            QStringLiteral("Ausführen : [Fehler] Die Schnittstelle COM2 (/dev/ttyS1) ist nicht mehr vorhanden.")));
        if (!file.isEmpty())
            QCOMPARE(readFile(function == QLatin1String("capture0") ? QStringLiteral("test0.dat")
                                                                   : QStringLiteral("Test1.dat")),
                     file);
    }

    void portButtons_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("free");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("portName");
        const QString busy = QStringLiteral("\r\nDieser Port wird bereits verwendet.\r\nDie Schnittstelle %1 wird von "
                                            "einem anderen Programm benutzt.");
        QTest::newRow("COM1 free") << 0 << true << QStringList{} << QStringLiteral("COM1");
        QTest::newRow("COM2 free") << 1 << true << QStringList{} << QStringLiteral("COM2");
        QTest::newRow("COM1 busy") << 0 << false << QStringList{busy.arg("COM1 (/dev/ttyS0)")} << QString();
        QTest::newRow("COM2 busy") << 1 << false << QStringList{busy.arg("COM2 (/dev/ttyS1)")} << QString();
    }

    void portButtons()
    {
        QFETCH(int, index);
        QFETCH(bool, free);
        QFETCH(QStringList, messages);
        QFETCH(QString, portName);
        DeviceRig rig(1);
        rig.fake.peer->openOk = free;
        rig.f.ChoosePort(index, 1);
        QTRY_VERIFY(!rig.f.busy());
        QCOMPARE(rig.messageTexts(), messages);
        QCOMPARE(DeviceLink().portName, portName);
        if (!free)
            QCOMPARE(DeviceRig::logMessages(),
                     QStringList{QStringLiteral("Ausführen : [Fehler] Init COM%1").arg(index + 1)});
    }
};

VR_TEST_CLASS(DeviceFunctionsTest)
#include "devicefunctions_test.moc"
