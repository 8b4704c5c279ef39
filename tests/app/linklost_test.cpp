#include "device/trainerfixture.h"

#include "device/batterywindow.h"
#include "device/commandset.h"
#include "device/serialport.h"
#include "device/trainerlink.h"
#include "device/devicefunctions.h"
#include "device/fakebyteport.h"
#include "platform/programpaths.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "app/settingsdialog.h"
#include "app/datasession.h"
#include "app/mainwindow.h"
#include "support/findaction.h"
#include "device/forcesensorpage.h"
#include "app/statuspanels.h"
#include "shooters/activeshooter.h"
#include "store/tdata.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

const QString LostLine = QStringLiteral("Ausführen : [Fehler] Verbindung zum Gerät verloren");

// Logging on, COM2 and Bauart2 in the sandbox's settings store (the sandbox
// starts and ends the program state as at start).
struct ProgramState
{
    ScriptedMessages boxes;
    ProgramState()
    {
        RegistryIni reg(RegistryKeys::Main);
        for (const auto &[key, value] : {std::pair{"Logfile", "1"}, {"Offline", "0"}, {"COM_Index", "1"},
                                         {"Controller", "1"}, {"KS_Zero", "256"}, {"KS_KL", "2,000"}})
            reg.writeString(QStringLiteral("Config"), QString::fromLatin1(key), QString::fromLatin1(value));
    }
};

QStringList logMessages()
{
    QStringList out;
    for (const QString &line : LoadLogIntoViewer())
        out << line.mid(line.indexOf(QStringLiteral(" --- ")) + 5);
    return out;
}

// Runs `inside` in the dialog's exec() loop; a failed check there still ends the loop.
void execWith(QDialog &dialog, const std::function<void()> &inside)
{
    QTimer::singleShot(0, &dialog, [&dialog, inside] {
        const auto close = qScopeGuard([&dialog] {
            if (dialog.isVisible())
                dialog.done(-1);
        });
        inside();
    });
    dialog.exec();
}

} // namespace

// A trainer that stops answering, seen in the windows: the status bar goes
// offline, the log and one message say so, and "O&nline" (F5) connects again
// without "O&ffline" first.
class LinkLostTest : public QObject
{
    Q_OBJECT
private slots:
    void batteryWindow_data()
    {
        QTest::addColumn<bool>("pulled");  // false: the trainer falls silent
        QTest::newRow("trainer falls silent") << false;
        QTest::newRow("trainer pulled out") << true;
    }

    // The battery window asks the trainer for the hours: no answer loses the
    // link. Real 30 ms replies against the virtual trainer.
    void batteryWindow()
    {
        QFETCH(bool, pulled);
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        ProgramState program;
        const QString link = rig.trainer.portPath();
        TData data;
        MainWindow main;
        OpenProgramData();
        ProgramWindows windows;
        windows.akku = new BatteryWindow(&main);
        main.setWindows(windows);
        main.firstActivation();
        QTRY_VERIFY(!main.connecting());
        QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
        QVERIFY(findAction(main, QStringLiteral("Akku_Item"))->isEnabled());

        TrainerConfig silent = TrainerConfig::defaults(2);
        silent.fault = TrainerFault::Silent;
        if (pulled)
            rig.trainer.close();
        else
            rig.trainer.setConfig(silent);
        // Opened as the menu item opens it (here without its modal loop).
        QSignalSpy refreshed(windows.akku, &BatteryWindow::refreshed);
        windows.akku->show();
        QVERIFY(refreshed.wait(3000));
        const QStringList labels{windows.akku->percentLabel()->text(), windows.akku->voltageLabel()->text(),
                                 windows.akku->hoursLabel()->text()};
        windows.akku->hide();
        QCOMPARE(labels, QStringList(3, NotAvailableText));
        QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));
        QCOMPARE(main.statusPanels()->panelText(4), QStringLiteral("PIC : unbekannt"));
        QVERIFY(AppState::instance().OfflineState);
        QVERIFY(findAction(main, QStringLiteral("Offline_Item"))->isChecked());
        QVERIFY(!findAction(main, QStringLiteral("Akku_Item"))->isEnabled());
        QCOMPARE(program.boxes.count(), 1);
        QVERIFY2(program.boxes.lastText().startsWith(QStringLiteral("\r\nVerbindung zum Gerät verloren.\r\n")),
                 qPrintable(program.boxes.lastText()));
        QVERIFY(program.boxes.lastText().contains(pulled ? QStringLiteral("ist nicht mehr vorhanden")
                                                         : QStringLiteral("antwortet nicht mehr")));
        QCOMPARE(logMessages().count(LostLine), 1);

        // The trainer is back: "Online" connects at once.
        if (pulled) {
            QVERIFY(rig.trainer.open(link));
            QVERIFY(rig.trainer.startThread());
        } else {
            rig.trainer.setConfig(TrainerConfig::defaults(2));
        }
        findAction(main, QStringLiteral("Online_Item"))->trigger();
        QTRY_VERIFY(!main.connecting());
        QCOMPARE(program.boxes.count(), 1);
        QVERIFY(!AppState::instance().OfflineState);
        QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
        QCOMPARE(main.statusPanels()->panelText(4), QStringLiteral("PIC : E2105"));
        QVERIFY(qAbs(DeviceLink().LastBatteryVoltage - 8.752) < 0.001);
        data.closeTables();
    }

    // An adapter pulled while the program only waits: the watch that reads
    // the port once a second notices it without sending anything.
    void pulledWhileIdle()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        ProgramState program;
        TData data;
        MainWindow main;
        OpenProgramData();
        main.firstActivation();
        QTRY_VERIFY(!main.connecting());
        QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
        const QByteArray sent = rig.receivedAfter(2);
        main.watchLink();
        QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
        rig.trainer.close();
        // The link's thread notices the hang-up on its own; the watch reads what it found.
        QTRY_VERIFY(PortLost());
        main.watchLink();
        QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));
        QCOMPARE(program.boxes.count(), 1);
        QVERIFY(program.boxes.lastText().contains(QStringLiteral("ist nicht mehr vorhanden")));
        QCOMPARE(logMessages().count(LostLine), 1);
        main.watchLink();
        QCOMPARE(program.boxes.count(), 1);
        QCOMPARE(rig.trainer.received(), sent);   // the watch sent nothing
        data.closeTables();
    }

    // The force test in the settings dialog on a stream that stops: the page
    // shows "Verbindung verloren" and the samples that really came per
    // second; the main window goes offline. Ticks driven on a fake clock.
    void forceTestStreamStops()
    {
        Sandbox box;
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        FakePortInstalled fake;
        fake.peer->replies['C'] = QByteArray("\xE2\x10\x05", 3);
        fake.peer->replies['G'] = QByteArray("\x0D\xC3", 2);
        ProgramState program;
        RegistryIni(RegistryKeys::Main).writeString(QStringLiteral("Config"), QStringLiteral("Offline"),
                                                    QStringLiteral("1"));
        FakeClock clock;
        {
            TData data;
            MainWindow main;
            OpenProgramData();
            ProgramWindows windows;
            auto *config = new SettingsDialog(&main);
            config->goOnline = [&main] { main.goOnline(); };
            config->goOffline = [&main] { main.goOffline(); };
            windows.config = config;
            main.setWindows(windows);
            main.firstActivation();
            QTRY_VERIFY(!main.connecting());
            QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));

            QStringList rates;
            execWith(*config, [&] {
                config->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(config));
                QTest::keyClick(config, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
                config->pageControl()->setCurrentWidget(config->forceSensorPage());
                config->forceSensorPage()->startButton()->click();   // offline: goes online first
                QTRY_VERIFY(config->device()->forceTestRunning());
                QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
                // One sample every 10 ms for a second, every 20 ms for a second, then none.
                for (int tick = 1; tick <= 1000 && config->device()->forceTestRunning(); ++tick) {
                    clock.advanceMs(5);
                    const bool sample = tick <= 200 ? tick % 2 == 1 : tick <= 400 && tick % 4 == 1;
                    if (sample)
                        emit PortLink().samples({0x04E8});
                    config->device()->MesstimerTimer();
                    if (tick == 200 || tick == 400) {
                        config->device()->DatentimerTimer();
                        rates << config->forceSensorPage()->valueLabels().at(5)->text();
                    }
                }
                QVERIFY(!config->device()->forceTestRunning());
                QCOMPARE(config->statusLabel()->text(), QStringLiteral("Verbindung verloren"));
                QCOMPARE(config->forceSensorPage()->valueLabels().at(6)->text(), QStringLiteral("500,0"));  // the last value stays
                QCOMPARE(config->forceSensorPage()->valueLabels().at(5)->text(), QStringLiteral("0"));
                QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));
                QVERIFY(config->forceSensorPage()->startButton()->isEnabled());
                QVERIFY(config->okButton()->isEnabled());
                config->cancelButton()->click();
            });
            QCOMPARE(rates, (QStringList{QStringLiteral("100"), QStringLiteral("50")}));
            QCOMPARE(program.boxes.count(), 1);
            QVERIFY(program.boxes.lastText().contains(QStringLiteral("sendet keine Messwerte mehr")));
            QCOMPARE(logMessages().count(LostLine), 1);
            // No "Offline" needed before "Online".
            findAction(main, QStringLiteral("Online_Item"))->trigger();
            QTRY_VERIFY(!main.connecting());
            QVERIFY(!AppState::instance().OfflineState);
            QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
            QCOMPARE(program.boxes.count(), 1);
            data.closeTables();
        }
    }

    // F11 in the settings dialog on a raw stream that stops after 100 values:
    // the window handles its events during the capture, which ends about two
    // seconds after the last value with the file written and one message.
    void captureKeepsTheWindowResponsive()
    {
        Sandbox box;
        FakePortInstalled fake;
        fake.peer->replies['C'] = QByteArray("\xE2\x10\x05", 3);
        // The raw stream sends its 100 values at once, then stops.
        fake.peer->replies['Z'] = QByteArray("\x02\x00", 2).repeated(100);
        ProgramState program;
        QElapsedTimer clock;   // real time: the link hands the values over as they come
        SettingsDialog config;
        QStringList statusesDuring;   // seen by the window's event handling during the capture
        qint64 tookMs = -1;
        execWith(config, [&] {
            config.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&config));
            QTimer watch;
            watch.setInterval(0);
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (config.device()->busy())
                    statusesDuring << config.statusLabel()->text();
            });
            watch.start();
            clock.start();
            QTest::keyClick(&config, Qt::Key_F11);
            QTRY_VERIFY_WITH_TIMEOUT(!config.device()->busy(), 10000);
            tookMs = clock.elapsed();
        });
        QVERIFY2(statusesDuring.count(QStringLiteral("Debug Test 1 läuft...bitte warten")) > 1000,
                 qPrintable(QString::number(statusesDuring.size())));
        QVERIFY2(tookMs >= 2000 && tookMs < 3200, qPrintable(QString::number(tookMs)));
        QCOMPARE(config.statusLabel()->text(), QStringLiteral("Debug 1 beendet."));
        QFile file(ProgramPaths::inProgramDir(QStringLiteral("Test1.dat")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("0200 ").repeated(100));
        QCOMPARE(program.boxes.count(), 2);   // "Debug Mode", then the stream that stopped
        QVERIFY(program.boxes.lastText().contains(QStringLiteral("sendet keine Messwerte mehr")));
        QVERIFY(program.boxes.lastText().contains(QStringLiteral("Test1.dat")));
    }
};

VR_TEST_CLASS(LinkLostTest)
#include "linklost_test.moc"
