#include "device/commandset.h"
#include "device/devicefunctions.h"
#include "device/fakebyteport.h"
#include "device/fasttimer.h"
#include "device/serialport.h"
#include "device/serialportlist.h"
#include "platform/registryini.h"
#include "core/appstate.h"
#include "app/settingsdialog.h"
#include "app/datasession.h"
#include "app/mainwindow.h"
#include "support/findaction.h"
#include "device/controllerpage.h"
#include "device/forcesensorpage.h"
#include "device/shotsensorpage.h"
#include "app/statuspanels.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "device/referenceweightdialog.h"
#include "store/tdata.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
#include "trainer-sim/virtualtrainer.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QScopeGuard>
#include <QToolButton>

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

struct Program
{
    Sandbox box;
    ScriptedMessages boxes;
    Program() { box.setLocale(QLocale(QLocale::German, QLocale::Germany)); }
};

[[nodiscard]] bool activate(QWidget *w)
{
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

void serviceKey(QWidget *w) { QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier); }

QList<bool> deviceTabs(const SettingsDialog &form)
{
    QList<bool> v;
    for (int i = 1; i <= 3; ++i)
        v << (form.pageControl()->isTabVisible(i) && form.pageControl()->isTabEnabled(i));
    return v;
}

// Runs `inside` in the dialog's exec() loop; a failed check there still ends the loop.
int execWith(QDialog &dialog, std::function<void()> inside)
{
    QTimer::singleShot(0, &dialog, [&dialog, inside] {
        inside();
        if (dialog.isVisible())
            dialog.done(-1);
    });
    return dialog.exec();
}

} // namespace

// The device pages of the settings dialog as windows: service access, page
// lock and closing while a device function runs, and the whole calibration
// through the main window against the virtual trainer.
class SettingsDialogDeviceTest : public QObject
{
    Q_OBJECT
private slots:
    void servicePages_data()
    {
        QTest::addColumn<QString>("zero");
        QTest::addColumn<bool>("scaleItem");
        QTest::newRow("never adjusted") << QStringLiteral("-1") << false;
        QTest::newRow("adjusted") << QStringLiteral("256") << true;
        QTest::newRow("adjusted to 0") << QStringLiteral("0") << true;
    }

    void servicePages()
    {
        QFETCH(QString, zero);
        QFETCH(bool, scaleItem);
        Program p;
        store(QStringLiteral("KS_Zero"), zero);
        store(QStringLiteral("SS_Sense"), QStringLiteral("63"));
        SettingsDialog form;
        QStringList tabs;
        for (int i = 0; i < form.pageControl()->count(); ++i)
            tabs << form.pageControl()->tabText(i);
        QCOMPARE(tabs, (QStringList{"Allgemein", "Controller", "Kraftsensor", "Schußsensor", "Information"}));
        QCOMPARE(deviceTabs(form), (QList<bool>{false, false, false}));

        const int first = execWith(form, [&] {
            QVERIFY(activate(&form));
            QCOMPARE(form.forceSensorPage()->scaleAction()->isEnabled(), scaleItem);
            QCOMPARE(form.shotSensorPage()->sensitivityLabel()->text(), QStringLiteral("63"));
            QCOMPARE(form.shotSensorPage()->shotsLabel()->text(), QStringLiteral("0"));
            QVERIFY(!form.shotSensorPage()->calibrateButton()->isEnabled());
            serviceKey(&form);
            QCOMPARE(deviceTabs(form), (QList<bool>{true, true, true}));
            form.pageControl()->setCurrentIndex(2);
            QCOMPARE(form.pageControl()->currentWidget(), form.forceSensorPage());
            serviceKey(&form);  // hidden again: the page falls back to "Allgemein"
            QCOMPARE(deviceTabs(form), (QList<bool>{false, false, false}));
            QCOMPARE(form.pageControl()->currentIndex(), 0);
            serviceKey(&form);
            form.pageControl()->setCurrentIndex(1);
            form.cancelButton()->click();
        });
        QCOMPARE(first, int(QDialog::Rejected));

        // The next opening starts hidden again.
        execWith(form, [&] {
            QCOMPARE(deviceTabs(form), (QList<bool>{false, false, false}));
            QCOMPARE(form.pageControl()->currentIndex(), 0);
            form.cancelButton()->click();
        });
    }

    // While the force test runs: no page change, no closing, no second function.
    void forceTestHoldsTheDialog()
    {
        Program p;
        FakePortInstalled fake;
        fake.peer->replies['C'] = QByteArray("\xE2\x10\x05", 3);
        store(QStringLiteral("Controller"), QStringLiteral("1"));
        store(QStringLiteral("KS_Zero"), QStringLiteral("256"));
        store(QStringLiteral("KS_KL"), QStringLiteral("2,000"));
        SettingsDialog form;
        int online = 0;
        form.goOnline = [&] {
            ++online;
            OpenDevice(1, 0, 1);
            AppState::instance().OfflineState = !ConnectDevice();
        };
        form.setPlotSize(QSize(50, 40));
        const int result = execWith(form, [&] {
            QVERIFY(activate(&form));
            serviceKey(&form);
            form.pageControl()->setCurrentIndex(2);
            form.forceSensorPage()->startButton()->click();
            QCOMPARE(online, 1);
            QVERIFY(form.device()->forceTestRunning());
            QVERIFY(!form.okButton()->isEnabled());
            QVERIFY(!form.cancelButton()->isEnabled());
            QVERIFY(!form.forceSensorPage()->startButton()->isEnabled());
            QVERIFY(form.forceSensorPage()->stopButton()->isEnabled());
            QVERIFY(!form.forceSensorPage()->zeroPointAction()->isEnabled());
            QVERIFY(!form.forceSensorPage()->scaleAction()->isEnabled());
            QCOMPARE(form.statusLabel()->text(), QStringLiteral("Test läuft..."));

            QTest::keyClick(&form, Qt::Key_Escape);
            QVERIFY(!form.close());
            QVERIFY(form.isVisible());
            form.pageControl()->setCurrentIndex(0);
            QCOMPARE(form.pageControl()->currentIndex(), 2);
            serviceKey(&form);
            QCOMPARE(deviceTabs(form), (QList<bool>{true, true, true}));
            p.boxes.clear();
            QTest::keyClick(&form, Qt::Key_F10);
            QCOMPARE(p.boxes.count(), 0);

            fake.peer->pending = QByteArray("\x04\xE8", 2);   // 1256: 500 g
            QTRY_COMPARE(form.forceSensorPage()->valueLabels().at(6)->text(), QStringLiteral("500,0"));
            QCOMPARE(form.forceSensorPage()->valueLabels().at(0)->text(), QStringLiteral("03E8"));

            form.forceSensorPage()->stopButton()->click();
            QVERIFY(form.okButton()->isEnabled());
            QVERIFY(form.forceSensorPage()->scaleAction()->isEnabled());
            QVERIFY(!form.device()->Messtimer->Enabled());
            QTRY_VERIFY(fake.peer->written.endsWith('b'));   // the link's requests are queued

            // done() from elsewhere while the test runs leaves no timer and no stream on.
            form.forceSensorPage()->startButton()->click();
            QVERIFY(form.device()->Datentimer->Enabled());
            form.done(QDialog::Accepted);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(!form.device()->forceTestRunning());
        QVERIFY(!form.device()->Messtimer->Enabled());
        QVERIFY(!form.device()->Datentimer->Enabled());
        QTRY_COMPARE(fake.peer->written, QByteArray("Cabab"));
    }

    void portDevices_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK keeps the choice") << true;
        QTest::newRow("Abbrechen puts it back") << false;
    }

    // The device page lists the machine's serial ports for "COM 1" and
    // "COM 2", stores the choice in "Ports" and shows what each name opens.
    void portDevices()
    {
        QFETCH(bool, ok);
        Program p;
        SetSerialPortLister([] {
            return QList<SerialPortEntry>{{"/dev/ttyUSB0", "USB-Serial Controller", "Prolific Technology Inc."},
                                          {"/dev/ttyS0", "ttyS0", ""},
                                          {"/dev/ttyACM0", "Vantrel reaction trainer", "NRV"}};
        });
        const auto noLister = qScopeGuard([] { SetSerialPortLister(nullptr); });
        const QString missing = p.box.path(QStringLiteral("vantrel-com2"));
        const QString link = p.box.path(QStringLiteral("vantrel-com1"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), link));
        SetPortDeviceFile(QStringLiteral("COM2"), missing);
        SettingsDialog form;
        execWith(form, [&] {
            QVERIFY(activate(&form));
            serviceKey(&form);
            form.pageControl()->setCurrentIndex(1);
            QCOMPARE(form.controllerPage()->com1DeviceBox()->currentText(), QStringLiteral("/dev/ttyS0"));
            QVERIFY(form.controllerPage()->com1DeviceLabel()->text().startsWith(QStringLiteral("öffnet /dev/ttyS0")));
            QCOMPARE(form.controllerPage()->com2DeviceBox()->currentText(), missing);
            QCOMPARE(form.controllerPage()->com2DeviceLabel()->text(), QStringLiteral("öffnet %1 – nicht vorhanden").arg(missing));

            // The open list: the stored choice first, then the ports with description and maker.
            PortDeviceBox *com2 = form.controllerPage()->com2DeviceBox();
            com2->showPopup();
            QAbstractItemView *list = com2->view();
            QStringList rows;
            for (int r = 0; r < com2->model()->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < 3; ++c)
                    cells << com2->model()->index(r, c).data().toString();
                rows << cells.join(u'|');
            }
            QCOMPARE(rows, (QStringList{missing + "|nicht vorhanden|", "/dev/ttyACM0|Vantrel reaction trainer|NRV",
                                        "/dev/ttyS0|ttyS0|", "/dev/ttyUSB0|USB-Serial Controller|Prolific Technology Inc."}));
            list->setCurrentIndex(com2->model()->index(3, 0));
            QTest::keyClick(list, Qt::Key_Return);
            QVERIFY(!list->isVisible());
            QCOMPARE(com2->currentText(), QStringLiteral("/dev/ttyUSB0"));
            QCOMPARE(StoredPortDeviceFile(QStringLiteral("COM2")), QStringLiteral("/dev/ttyUSB0"));
            QVERIFY(form.controllerPage()->com2DeviceLabel()->text().startsWith(QStringLiteral("öffnet /dev/ttyUSB0")));

            // Any other path can be typed, such as the virtual trainer's link.
            QLineEdit *com1 = form.controllerPage()->com1DeviceBox()->lineEdit();
            com1->setFocus();
            com1->selectAll();
            QTest::keyClicks(com1, link);
            QTest::keyClick(com1, Qt::Key_Return);
            QVERIFY(form.isVisible());
            QCOMPARE(StoredPortDeviceFile(QStringLiteral("COM1")), link);
            QCOMPARE(PortDeviceFile(QStringLiteral("COM1")), link);
            QCOMPARE(form.controllerPage()->com1DeviceLabel()->text(), QStringLiteral("öffnet /dev/null (über %1)").arg(link));
            (ok ? form.okButton() : form.cancelButton())->click();
        });
        QCOMPARE(StoredPortDeviceFile(QStringLiteral("COM1")), ok ? link : QString());
        QCOMPARE(StoredPortDeviceFile(QStringLiteral("COM2")), ok ? QStringLiteral("/dev/ttyUSB0") : missing);
    }

    void onlineLinkFollowsTheChosenDevice_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Abbrechen") << false;
    }

    // Online on COM2 = one trainer; choosing another device file for COM2
    // moves the link there on "&OK" and leaves it where it was otherwise.
    void onlineLinkFollowsTheChosenDevice()
    {
        QFETCH(bool, ok);
        Program p;
        VirtualTrainer first(TrainerConfig::defaults(2));
        VirtualTrainer second(TrainerConfig::defaults(2));
        QVERIFY(first.open(p.box.path(QStringLiteral("first"))) && first.startThread());
        QVERIFY(second.open(p.box.path(QStringLiteral("second"))) && second.startThread());
        const auto closeAll = qScopeGuard([&] {
            ResetSerialPort();
            first.close();
            second.close();
        });
        SetPortDeviceFile(QStringLiteral("COM2"), first.portPath());
        store(QStringLiteral("Controller"), QStringLiteral("1"));
        store(QStringLiteral("COM_Index"), QStringLiteral("1"));
        LoadSettings(Settings::instance());
        SettingsDialog form;
        int offline = 0;
        form.goOnline = [] {
            OpenDevice(1, 0, 1);
            AppState::instance().OfflineState = !ConnectDevice();
        };
        form.goOffline = [&offline] {
            ++offline;
            DisconnectDevice();
            AppState::instance().OfflineState = true;
        };
        form.goOnline();
        QVERIFY(!AppState::instance().OfflineState);
        QCOMPARE(OpenedDeviceFile(), first.portPath());
        execWith(form, [&] {
            QVERIFY(activate(&form));
            serviceKey(&form);
            form.pageControl()->setCurrentIndex(1);
            QLineEdit *com2 = form.controllerPage()->com2DeviceBox()->lineEdit();
            com2->setFocus();
            com2->selectAll();
            QTest::keyClicks(com2, second.portPath());
            QTest::keyClick(com2, Qt::Key_Return);
            QVERIFY(form.isVisible());
            (ok ? form.okButton() : form.cancelButton())->click();
        });
        QCOMPARE(OpenedDeviceFile(), ok ? second.portPath() : first.portPath());
        QCOMPARE(offline, ok ? 1 : 0);
        QVERIFY(!AppState::instance().OfflineState);
        QVERIFY(second.received().contains('C') == ok);
    }

    // The trainer vanishes while the force test runs (an unplugged adapter):
    // the test ends with a message, the values read stay on the page and the
    // main window shows the program offline.
    void vanishingTrainerEndsTheForceTest()
    {
        Program p;
        TrainerConfig config = TrainerConfig::defaults(2);
        config.forceModel = true;
        config.zero = 256;
        config.scale = 2.0;
        config.sampleIntervalMs = 5;
        VirtualTrainer trainer(config);
        QVERIFY(trainer.open(p.box.path(QStringLiteral("com2"))));
        QVERIFY(trainer.startThread());
        SetPortDeviceFile(QStringLiteral("COM2"), trainer.portPath());
        store(QStringLiteral("Controller"), QStringLiteral("1"));
        store(QStringLiteral("COM_Index"), QStringLiteral("1"));
        store(QStringLiteral("KS_Zero"), QStringLiteral("256"));
        store(QStringLiteral("KS_KL"), QStringLiteral("2,000"));
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
            main.show();
            QTRY_VERIFY(!main.connecting());   // going online on the first activation has ended

            bool drove = false;
            QTimer::singleShot(0, config, [&] {
                const auto closeAnyway = qScopeGuard([&] {
                    if (config->isVisible())
                        config->done(-1);
                });
                QVERIFY(activate(config));
                serviceKey(config);
                config->pageControl()->setCurrentIndex(2);
                trainer.setLoad(500);
                const QString device = trainer.portPath();
                config->forceSensorPage()->startButton()->click();
                QTRY_COMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
                QTRY_COMPARE(config->forceSensorPage()->valueLabels().at(6)->text(), QStringLiteral("500,0"));
                trainer.close();
                QTRY_VERIFY(!config->device()->forceTestRunning());
                QCOMPARE(p.boxes.lastText(), QStringLiteral("\r\nVerbindung zum Gerät verloren.\r\nDie Schnittstelle "
                                                            "COM2 (%1) ist nicht mehr vorhanden.\r\nDer Test wurde "
                                                            "beendet.\r\nDas Programm arbeitet offline weiter; „Online“ "
                                                            "(F5) verbindet neu.")
                                                 .arg(device));
                QCOMPARE(config->statusLabel()->text(), QStringLiteral("Verbindung verloren"));
                QCOMPARE(config->forceSensorPage()->valueLabels().at(6)->text(), QStringLiteral("500,0"));
                QCOMPARE(main.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));
                QVERIFY(AppState::instance().OfflineState);
                QVERIFY(config->okButton()->isEnabled());
                QVERIFY(config->forceSensorPage()->startButton()->isEnabled());
                config->pageControl()->setCurrentIndex(0);
                QCOMPARE(config->pageControl()->currentIndex(), 0);
                config->cancelButton()->click();
                drove = true;
            });
            findAction(main, QStringLiteral("Einstellungen_Item"))->trigger();
            QVERIFY(drove);
            data.closeTables();
        }
        ResetProgramState();   // the port closes before its trainer
    }

    // "&Abbrechen" forgets a new zero point; the next opening shows the stored one.
    void cancelForgetsAdjustments()
    {
        Program p;
        FakePortInstalled fake;
        fake.peer->replies['C'] = QByteArray("\xE2\x10\x05", 3);
        fake.peer->replies['a'] = QByteArray("\x01\x00", 2).repeated(200);
        store(QStringLiteral("Controller"), QStringLiteral("1"));
        SettingsDialog form;
        QTimer::singleShot(0, &form, [&] {
            form.forceSensorPage()->zeroPointAction()->trigger();
            QTRY_COMPARE(Settings::instance().KS_Zero, 256);
            QVERIFY(form.forceSensorPage()->scaleAction()->isEnabled());
            form.cancelButton()->click();
        });
        form.exec();
        QCOMPARE(stored(QStringLiteral("KS_Zero")), QStringLiteral("<none>"));
        QTimer::singleShot(0, &form, [&] {
            QCOMPARE(Settings::instance().KS_Zero, -1);
            QVERIFY(!form.forceSensorPage()->scaleAction()->isEnabled());
            form.cancelButton()->click();
        });
    }

    // The whole calibration from the main menu against the virtual trainer.
    void calibrationEndToEnd()
    {
        Program p;
        TrainerConfig config = TrainerConfig::defaults(2);
        config.forceModel = true;
        config.zero = 256;
        config.scale = 2.0;
        config.sampleIntervalMs = 5;
        VirtualTrainer trainer(config);
        QVERIFY(trainer.open(p.box.path(QStringLiteral("com2"))));
        QVERIFY(trainer.startThread());
        {
            RegistryIni reg(RegistryKeys::Main);
            reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), trainer.portPath());
        }
        store(QStringLiteral("Controller"), QStringLiteral("1"));
        store(QStringLiteral("COM_Index"), QStringLiteral("1"));
        {
            TData data;
            MainWindow main;
            OpenProgramData();
            ProgramWindows windows;
            auto *config = new SettingsDialog(&main);
            config->setReferenceWeightDialog(new ReferenceWeightDialog(&main));
            config->goOnline = [&main] { main.goOnline(); };
            config->goOffline = [&main] { main.goOffline(); };
            windows.config = config;
            main.setWindows(windows);
            main.show();
            QTRY_VERIFY(!main.connecting());   // going online on the first activation has ended

            bool drove = false;
            QTimer::singleShot(0, config, [&] {
                const auto closeAnyway = qScopeGuard([&] {
                    if (config->isVisible())
                        config->done(-1);
                });
                QVERIFY(activate(config));
                serviceKey(config);
                config->pageControl()->setCurrentIndex(2);
                config->forceSensorPage()->zeroPointAction()->trigger();
                QTRY_COMPARE(p.boxes.lastText(), QStringLiteral("\r\nDer Nullpunkt wurde auf 256 festgelegt."));

                trainer.setLoad(500);
                QTimer::singleShot(0, config->referenceWeightDialog(), [&] {
                    config->referenceWeightDialog()->weightEdit()->setText(QStringLiteral("500"));
                    config->referenceWeightDialog()->continueButton()->click();
                    if (config->referenceWeightDialog()->isVisible())
                        config->referenceWeightDialog()->done(0);
                });
                config->forceSensorPage()->scaleAction()->trigger();
                QTRY_COMPARE(p.boxes.lastText(), QStringLiteral("\r\nDer Skalierungsfaktor wurde auf 2,000 festgelegt."));

                config->forceSensorPage()->startButton()->click();
                QTRY_VERIFY(!AppState::instance().OfflineState);
                QTRY_COMPARE(config->forceSensorPage()->valueLabels().at(6)->text(), QStringLiteral("500,0"));
                config->forceSensorPage()->stopButton()->click();
                QCOMPARE(config->statusLabel()->text(), QStringLiteral("Test beendet."));
                config->okButton()->click();
                drove = true;
            });
            findAction(main, QStringLiteral("Einstellungen_Item"))->trigger();
            QVERIFY(drove);
            QVERIFY(!config->isVisible());
            data.closeTables();
        }
        QCOMPARE(stored(QStringLiteral("KS_Zero")), QStringLiteral("256"));
        QCOMPARE(stored(QStringLiteral("KS_KL")), QStringLiteral("2,000"));
        ResetProgramState();   // the port closes before its trainer
        trainer.close();
    }
};

VR_TEST_CLASS(SettingsDialogDeviceTest)
#include "settingsdialog_device_test.moc"
