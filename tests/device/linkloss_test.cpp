#include "devicerig.h"
#include "platform/programpaths.h"
#include "platform/safefile.h"
#include "support/testmain.h"

#include <QFile>
#include <QTest>

namespace {

const QString OfflineLine = QStringLiteral("\r\nDas Programm arbeitet offline weiter; „Online“ (F5) verbindet neu.");

QString streamStopped(const QString &consequence)
{
    return QStringLiteral("\r\nVerbindung zum Gerät verloren.\r\nDas Gerät an COM2 (/dev/ttyS1) sendet keine Messwerte "
                          "mehr.\r\n")
           + consequence + OfflineLine;
}

QByteArray readFile(const QString &name)
{
    QFile file(ProgramPaths::inProgramDir(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Reads of a stream: one sample (0x0ABC) every `every` reads, `samples` times,
// then `gap` empty reads and `after` more samples at the same pace.
QList<QByteArray> stream(int samples, int every, int gap = 0, int after = 0)
{
    QList<QByteArray> reads{QByteArray()};  // the serial-number read of the connect
    auto run = [&](int n) {
        for (int i = 0; i < n; ++i) {
            reads << DeviceRig::samples({0xABC});
            for (int k = 1; k < every; ++k)
                reads << QByteArray();
        }
    };
    run(samples);
    for (int i = 0; i < gap; ++i)
        reads << QByteArray();
    run(after);
    return reads;
}

} // namespace

// A trainer that is still there but falls silent or stalls: the force test and
// the captures notice it by the clock, say so once and leave the program
// offline; a stall shorter than two seconds is no loss. Time runs on a fake
// clock: 5 ms per force-test tick, 1 ms per capture read.
class LinkLossTest : public QObject
{
    Q_OBJECT
private slots:
    void forceTestStream_data()
    {
        QTest::addColumn<QString>("schedule");  // per 5 ms tick: 's' a sample arrives, '.' nothing
        QTest::addColumn<int>("checkTick");
        QTest::addColumn<QString>("rateAtCheck");  // "Messwerte je Sekunde"
        QTest::addColumn<int>("lostAtTick");       // -1: still running at the end
        const QString steady = QStringLiteral("s.").repeated(100);  // 1 s at 100 per second
        QTest::newRow("stream stops") << steady + QString(600, u'.') << 200 << "100" << 599;
        QTest::newRow("silent from the start") << QString(500, u'.') << 100 << "0" << 400;
        QTest::newRow("half the rate") << QStringLiteral("s...").repeated(300) << 400 << "50" << -1;
        QTest::newRow("stall of 1 s") << steady + QString(200, u'.') + steady.repeated(3) << 500 << "50" << -1;
        QTest::newRow("stall of 3 s") << steady + QString(600, u'.') + steady << 200 << "100" << 599;
    }

    void forceTestStream()
    {
        QFETCH(QString, schedule);
        QFETCH(int, checkTick);
        QFETCH(QString, rateAtCheck);
        QFETCH(int, lostAtTick);
        InertFastTimers inert;   // ticks driven here
        DeviceRig rig(1);
        rig.answersSerial();
        Settings::instance().KS_Zero = 256;
        Settings::instance().KS_KL = 2.0;
        rig.f.StartForceTest();
        QVERIFY(rig.f.forceTestRunning());
        QVERIFY(!AppState::instance().OfflineState);
        rig.fake.peer->trickle.clear();
        rig.fake.peer->pending.clear();

        int stoppedAt = -1;
        for (int tick = 1; tick <= schedule.size() && rig.f.forceTestRunning(); ++tick) {
            rig.clock.advanceMs(5);
            if (schedule.at(tick - 1) == u's')
                DeviceRig::deliver({1256});
            rig.f.MesstimerTimer();
            if (tick == checkTick) {
                rig.f.DatentimerTimer();
                QCOMPARE(rig.values.last().value(5), rateAtCheck);
            }
            if (!rig.f.forceTestRunning())
                stoppedAt = tick;
        }
        QCOMPARE(stoppedAt, lostAtTick);
        if (lostAtTick < 0) {
            QVERIFY(rig.messageTexts().isEmpty());
            QCOMPARE(rig.linkLosses, 0);
            QVERIFY(DeviceLink().connected);
            return;
        }
        QCOMPARE(rig.statuses.last(), QStringLiteral("Verbindung verloren"));
        QCOMPARE(rig.messageTexts(), QStringList{streamStopped(QStringLiteral("Der Test wurde beendet."))});
        QCOMPARE(rig.linkLosses, 1);
        QVERIFY(AppState::instance().OfflineState);
        QVERIFY(!DeviceLink().connected);
        QVERIFY(!rig.f.Messtimer->Enabled());
        QVERIFY(rig.f.pageChangeAllowed());
        // The values at the loss count what really came in the last second.
        QCOMPARE(rig.values.last().value(5), QStringLiteral("0"));
        QTRY_VERIFY(rig.fake.peer->written.endsWith("b"));
        const QStringList log = DeviceRig::logMessages();
        QVERIFY(log.contains(QStringLiteral("Ausführen : [Fehler] Verbindung zum Gerät verloren")));
        QCOMPARE(log.count(QStringLiteral("Ausführen : [Fehler] Verbindung zum Gerät verloren")), 1);
    }

    void captures_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<int>("samples");      // values in the file
        QTest::addColumn<QString>("message");  // after "Debug Mode"; empty: none
        QTest::addColumn<int>("maxMs");        // the capture ended by then
        const QString cut = QStringLiteral("Die Aufzeichnung wurde abgebrochen; die bis dahin gelesenen Werte stehen in "
                                           "der Datei %1.");
        // 100 samples in about 1 s, then silence: over 2 s after the last one.
        QTest::newRow("F11, stream stops") << int(Qt::Key_F11) << stream(100, 10) << 100
                                           << streamStopped(cut.arg("Test1.dat")) << 3100;
        QTest::newRow("F10, stream stops") << int(Qt::Key_F10) << stream(100, 10) << 100
                                           << streamStopped(cut.arg("test0.dat")) << 3100;
        QTest::newRow("F11, silent from the start") << int(Qt::Key_F11) << QList<QByteArray>{} << 0
                                                    << streamStopped(cut.arg("Test1.dat")) << 2100;
        // One sample per 50 ms: 256 would take 12,8 s; the capture ends at 10 s.
        QTest::newRow("F11, slow stream") << int(Qt::Key_F11) << stream(300, 50) << 200
                                          << "\r\nDie Aufzeichnung wurde beendet, bevor 256 Werte ankamen.\r\nDie Datei "
                                             "Test1.dat enthält die 200 gelesenen Werte."
                                          << 10100;
        QTest::newRow("F11, stall of 1 s") << int(Qt::Key_F11) << stream(50, 10, 1000, 300) << 256 << QString() << 4000;
        QTest::newRow("F10, steady stream") << int(Qt::Key_F10) << stream(600, 10) << 500 << QString() << 5100;
    }

    void captures()
    {
        QFETCH(int, key);
        QFETCH(QList<QByteArray>, reads);
        QFETCH(int, samples);
        QFETCH(QString, message);
        QFETCH(int, maxMs);
        InertFastTimers inert;
        DeviceRig rig(1);
        rig.answersSerial();
        int steps = 0;
        if (key == Qt::Key_F10) {
            // One read step per ms, each after what the link delivered in
            // that ms (the first read of the list is the connect's).
            rig.f.DebugCapture0();
            QTRY_VERIFY(rig.streaming());
            for (steps = 1; steps <= 20000 && rig.f.busy(); ++steps)
                rig.captureStep(reads.value(steps), 1);
            --steps;
            QVERIFY(rig.runToEnd());
        } else {
            // The link hands over the samples: each read of the list is 1 ms
            // on the clock (the first is the connect's), the clock goes on
            // after the last one.
            rig.f.DebugCapture1();
            QTRY_VERIFY(rig.streaming());
            for (const QByteArray &read : reads.mid(1)) {
                if (!rig.f.busy())
                    break;
                rig.clock.advanceMs(1);
                if (!read.isEmpty()) {
                    rig.fake.peer->pending = read;
                    QVERIFY(rig.drained());
                }
            }
            QVERIFY(rig.runToEnd(100));
        }

        QVERIFY2(rig.clock.monotonicMs() <= maxMs, qPrintable(QString::number(rig.clock.monotonicMs())));
        const QStringList texts = rig.messageTexts();
        QCOMPARE(texts.mid(1), message.isEmpty() ? QStringList{} : QStringList{message});
        const bool lost = message.startsWith(QStringLiteral("\r\nVerbindung"));
        QCOMPARE(rig.linkLosses, lost ? 1 : 0);
        QCOMPARE(DeviceLink().connected, !lost);
        if (key == Qt::Key_F11) {
            QCOMPARE(readFile(QStringLiteral("Test1.dat")), QByteArray("0ABC ").repeated(samples));
        } else {
            const QByteArray file = readFile(QStringLiteral("test0.dat"));
            QCOMPARE(file.count("TRUE2748\r\n"), samples);
            QVERIFY(file.endsWith("\r\n"));
            // One line per read step; the step that saw the silence wrote none.
            QVERIFY(file.count("\r\n") == steps || file.count("\r\n") == steps - 1);
        }
        QVERIFY(!rig.f.busy());
        QCOMPARE(rig.buttonStates, (QList<bool>{false, true}));
    }

    // The capture file is written once at the end, whole or not at all.
    void captureFileWholeOrNotAtAll()
    {
        DeviceRig rig(1);
        rig.answersSerial();
        rig.fake.peer->trickle = stream(300, 1);
        QFile old(ProgramPaths::inProgramDir(QStringLiteral("Test1.dat")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("alt") == 3);
        old.close();
        SafeFile::setFaultHook([](SafeFile::Step step) { return step == SafeFile::Step::Flush ? 28 : 0; });  // ENOSPC
        rig.f.DebugCapture1();
        QVERIFY(rig.runToEnd());
        SafeFile::setFaultHook(SafeFile::FaultHook());
        QCOMPARE(readFile(QStringLiteral("Test1.dat")), QByteArray("alt"));
        QCOMPARE(rig.messageTexts().size(), 2);
        QVERIFY2(rig.messageTexts().last().startsWith(QStringLiteral("\r\nFehler beim Schreiben der Testdatei.\r\n")),
                 qPrintable(rig.messageTexts().last()));
        QVERIFY(rig.messageTexts().last().contains(QStringLiteral("Der Datenträger ist voll.")));
        QVERIFY(!rig.f.busy());
    }

    // The zero point does not wait its 25 s for a stream that stopped.
    void adjustmentOfAStoppingStream()
    {
        DeviceRig rig(1);
        rig.answersSerial();
        Settings::instance().KS_Zero = 300;
        rig.fake.peer->trickle = stream(50, 1);
        rig.f.ZeroPoint();
        QVERIFY(rig.runToEnd(250));
        QCOMPARE(Settings::instance().KS_Zero, 300);
        QVERIFY(rig.clock.monotonicMs() < 3100);
        QCOMPARE(rig.messageTexts().last(),
                 streamStopped(QStringLiteral("Die Justierung wurde abgebrochen; die bisherigen Werte bleiben erhalten.")));
        QCOMPARE(rig.linkLosses, 1);
        QCOMPARE(rig.statuses.last(), QStringLiteral("Justierung fehlgeschlagen."));
    }
};

VR_TEST_CLASS(LinkLossTest)
#include "linkloss_test.moc"
