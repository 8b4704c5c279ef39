#include "device/batterywindow.h"
#include "device/commandset.h"
#include "device/drmeter.h"
#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "fakebyteport.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "core/appstate.h"
#include "core/settings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QtMath>

namespace {

// Fills the window as opening it does and waits for the trainer's answer
// (when one is asked).
void refreshNow(BatteryWindow &form)
{
    QSignalSpy refreshed(&form, &BatteryWindow::refreshed);
    form.refresh();
    if (refreshed.isEmpty())
        QVERIFY(refreshed.wait(3000));
}

// A timer library that only records; ticks are posted by the test.
class RecordingLibrary : public FastTimerLibrary
{
public:
    struct Start
    {
        QObject *window;
        int resolution;
        int interval;
        int id;
    };
    int StartFastTimer(QObject *window, int resolution, int interval) override
    {
        if (exhausted)
            return 0;
        starts.append({window, resolution, interval, nextId});
        running = nextId;
        return nextId++;
    }
    void StopFastTimer(int timerId) override
    {
        if (timerId == running)
            running = 0;
    }
    int GetMinResolution() const override { return 1; }
    int GetMaxResolution() const override { return 1000; }

    bool exhausted = false;
    int nextId = 1;
    int running = 0;
    QList<Start> starts;
};

// Installs the recording library for one test, a fresh program folder and
// settings store in German, and a device link as at program start.
struct BatteryWindowFixture
{
    BatteryWindowFixture()
    {
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        FastTimerLibrary::install(&library);
    }
    ~BatteryWindowFixture() { FastTimerLibrary::installBuiltin(); }

    // One tick of Volt_Timer the way the library delivers it.
    void tick(BatteryWindow &form)
    {
        QCoreApplication::postEvent(form.sweepTimer(), new FastTimerTickEvent(library.running));
        QCoreApplication::sendPostedEvents(form.sweepTimer(), TickMessage);
    }
    // Ticks until the timer stops (at most `limit`); returns the ticks delivered.
    int runSweep(BatteryWindow &form, int limit = 2000)
    {
        int n = 0;
        while (form.sweepTimer()->Enabled() && n < limit) {
            tick(form);
            ++n;
        }
        return n;
    }

    Sandbox box;
    RecordingLibrary library;
    ScriptedMessages messages;
};

// The raw reading of a Bauart2 controller for a voltage.
QByteArray rawReading(double volts)
{
    const int raw = qRound(volts / (0.001220703125 * 2.035));
    return QByteArray().append(char(raw >> 8)).append(char(raw & 0xFF));
}

// The needle as the meter draws it.
bool needleAt(TDRMeter *meter, int position)
{
    QImage image(meter->size(), QImage::Format_ARGB32);
    meter->render(&image);
    const QPointF c = meter->DialCentre();
    const qreal a = qDegreesToRadians(meter->NeedleAngle(position));
    const qreal r = meter->NeedleLength() * 0.6;
    const QRgb pixel = image.pixel(int(c.x() + r * qCos(a) + 0.5), int(c.y() - r * qSin(a) + 0.5));
    return qRed(pixel) > 200 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

} // namespace

class BatteryWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void chargePercentTruncates()
    {
        QCOMPARE(ChargePercent(8.5), 94);
        QCOMPARE(ChargePercent(9.0), 100);
        QCOMPARE(ChargePercent(9.6), 106);
        QCOMPARE(ChargePercent(5.0), 55);
        QCOMPARE(ChargePercent(-1.0), -11);
        QCOMPARE(ChargePercent(0.0), 0);
        QCOMPARE(ChargePercent(1e12), std::numeric_limits<int>::max());
    }

    void sweepStopsOneStepShortOfTheCharge()
    {
        BatterySweep sweep;
        int p = 0;
        sweep.start(-11);
        QVERIFY(!sweep.tick(&p));
        sweep.start(1);
        QVERIFY(!sweep.tick(&p));
        sweep.start(2);
        QVERIFY(sweep.tick(&p));
        QCOMPARE(p, 1);
        QVERIFY(!sweep.tick(&p));
    }

    void windowAndComponents()
    {
        BatteryWindowFixture f;
        BatteryWindow form;
        QCOMPARE(form.objectName(), QStringLiteral("Akku_Form"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Akku Ladestand"));
        QVERIFY(form.isModal());
        QCOMPARE(form.findChild<TDRMeter *>(QStringLiteral("Volt_Meter")), form.meter());
        QCOMPARE(form.findChild<TFastTimer *>(QStringLiteral("Volt_Timer")), form.sweepTimer());
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("OK_Button")), form.okButton());
        for (const char *name : {"Percent_Label", "Voltage_Label", "Hours_Label", "PercentCaption_Label",
                                 "VoltageCaption_Label", "HoursCaption_Label", "Akku_Image"})
            QVERIFY2(form.findChild<QLabel *>(QLatin1String(name)), name);

        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("PercentCaption_Label"))->text(), QStringLiteral("Ladestand"));
        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("VoltageCaption_Label"))->text(), QStringLiteral("Ladestand"));
        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("HoursCaption_Label"))->text(), QStringLiteral("Voraussichtliche Betriebsdauer"));
        QCOMPARE(form.percentLabel()->text(), QStringLiteral("50 %"));
        QCOMPARE(form.voltageLabel()->text(), QStringLiteral("4.5 V"));
        QCOMPARE(form.hoursLabel()->text(), QStringLiteral("10h"));
        QVERIFY(!form.batteryImage()->pixmap().isNull());
        QCOMPARE(form.okButton()->text(), QStringLiteral("&OK"));
        QVERIFY(form.okButton()->isDefault());
        QCOMPARE(form.okButton()->statusTip(), QStringLiteral("Schließen des Dialogs"));
        QCOMPARE(form.okButton()->toolTip(), QString());
        QVERIFY(!form.sweepTimer()->Enabled());

        // "&OK" closes the window.
        form.show();
        QTest::mouseClick(form.okButton(), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void creationLogsAndRestoresPlacement_closeStoresIt()
    {
        BatteryWindowFixture f;
        Settings::instance().Logfile = true;
        RegistryIni reg(RegistryKeys::Main);
        reg.writeInteger(QStringLiteral("FormData"), QStringLiteral("AFX"), 123);
        reg.writeInteger(QStringLiteral("FormData"), QStringLiteral("AFY"), 77);
        {
            BatteryWindow form;
            QCOMPARE(form.pos(), QPoint(123, 77));
            QFile log(ProgramPaths::logFile());
            QVERIFY(log.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = log.readAll().split('\n');
            QCOMPARE(lines.size(), 3);
            QVERIFY(lines[0].trimmed().endsWith("--- Initialisierung : [Start] Laden AKF"));
            QVERIFY(lines[1].trimmed().endsWith("--- Initialisierung : [Erfolg] Laden AKF"));

            form.show();
            form.move(210, 160);
            form.accept();
        }
        QCOMPARE(reg.readInteger(QStringLiteral("FormData"), QStringLiteral("AFX"), -1), 210);
        QCOMPARE(reg.readInteger(QStringLiteral("FormData"), QStringLiteral("AFY"), -1), 160);
    }

    void texts_data()
    {
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("reading");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("voltage");
        QTest::addColumn<QString>("hours");
        // Charge and voltage from the last going online, hours from the
        // voltage the controller reports when the window opens.
        QTest::newRow("8.5") << 8.5 << 8.5 << "94 %" << "8,50 V" << "4,00 h";
        QTest::newRow("9.6") << 9.6 << 9.5 << "100 %" << "9,60 V" << "6,83 h";
        QTest::newRow("5.0") << 5.0 << 5.0 << "55 %" << "5,00 V" << "0,17 h";
    }
    void texts()
    {
        QFETCH(double, volts);
        QFETCH(double, reading);
        BatteryWindowFixture f;
        FakePortInstalled port;
        FakeClock clock;
        OpenDevice(1, 0, 1);
        DeviceLink().connected = true;
        DeviceLink().LastBatteryVoltage = volts;
        port.peer->replies[0x47] = rawReading(reading);

        BatteryWindow form;
        form.setOfflineStateProvider([] { return false; });
        refreshNow(form);
        QTEST(form.percentLabel()->text(), "percent");
        QTEST(form.voltageLabel()->text(), "voltage");
        QTEST(form.hoursLabel()->text(), "hours");
        QCOMPARE(port.peer->written, QByteArray("G"));  // one battery query for the hours
        QCOMPARE(f.messages.count(), 0);
    }

    void textsOfABauart1Controller()
    {
        BatteryWindowFixture f;
        FakePortInstalled port;
        OpenDevice(1, 0, 0);
        DeviceLink().connected = true;
        DeviceLink().LastBatteryVoltage = -1.0;

        BatteryWindow form;
        form.setOfflineStateProvider([] { return false; });
        refreshNow(form);
        QCOMPARE(form.hoursLabel()->text(), QStringLiteral("nicht verfügbar h"));
        QCOMPARE(form.voltageLabel()->text(), QStringLiteral("-1,00 V"));
        QCOMPARE(form.percentLabel()->text(), QStringLiteral("-11 %"));

        // The needle does not move.
        form.meter()->grab();
        QCOMPARE(f.runSweep(form), 1);
        QCOMPARE(form.meter()->Position(), 0);
    }

    void textsOffline()
    {
        BatteryWindowFixture f;
        FakePortInstalled port;
        OpenDevice(1, 0, 1);
        DeviceLink().LastBatteryVoltage = 8.5;  // of the last going online

        // Told offline: the device is not asked even where the link still looks connected.
        DeviceLink().connected = true;
        bool offline = true;
        BatteryWindow form;
        form.setOfflineStateProvider([&offline] { return offline; });
        refreshNow(form);
        QCOMPARE(form.hoursLabel()->text(), QStringLiteral(" h"));
        QCOMPARE(form.voltageLabel()->text(), QStringLiteral("8,50 V"));
        QCOMPARE(form.percentLabel()->text(), QStringLiteral("94 %"));
        QCOMPARE(port.peer->written, QByteArray());

        // Without a provider the main window's OfflineState decides.
        BatteryWindow plain;
        AppState::instance().OfflineState = true;
        refreshNow(plain);
        QCOMPARE(plain.hoursLabel()->text(), QStringLiteral(" h"));
        QCOMPARE(plain.voltageLabel()->text(), QStringLiteral("8,50 V"));
        QCOMPARE(port.peer->written, QByteArray());
        AppState::instance().OfflineState = false;
        DeviceLink().model = 0;
        refreshNow(plain);
        AppState::instance().OfflineState = true;
        QCOMPARE(plain.hoursLabel()->text(), QStringLiteral("nicht verfügbar h"));
    }

    void lostLink_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");   // what each read of the port gets
        QTest::addColumn<bool>("gone");
        QTest::newRow("silent trainer") << QList<QByteArray>{} << false;
        QTest::newRow("cable pulled") << QList<QByteArray>{} << true;
        // Two drains find nothing, the reply comes after the first pause.
        QTest::newRow("late reply is no loss")
            << QList<QByteArray>{QByteArray(), QByteArray(), QByteArray(), QByteArray("\x0D\xC3", 2)} << false;
    }
    // The trainer no longer answers the battery query: no charge of the past
    // beside hours of nothing; the link is lost and said so once.
    void lostLink()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(bool, gone);
        BatteryWindowFixture f;
        FakePortInstalled port;
        FakeClock clock;
        OpenDevice(1, 0, 1);
        DeviceLink().connected = true;
        DeviceLink().LastBatteryVoltage = 8.5;   // of the last going online
        port.peer->trickle = reads;
        port.peer->gone = gone;
        int losses = 0;
        const auto watch = QObject::connect(&DeviceLinkEvents::instance(), &DeviceLinkEvents::linkLost,
                                            [&losses] { ++losses; });

        BatteryWindow form;
        form.setOfflineStateProvider([] { return false; });
        form.meter()->grab();
        refreshNow(form);
        QObject::disconnect(watch);
        if (!reads.isEmpty()) {
            QCOMPARE(form.hoursLabel()->text(), QStringLiteral("5,00 h"));
            QCOMPARE(form.percentLabel()->text(), QStringLiteral("94 %"));
            QCOMPARE(losses, 0);
            QCOMPARE(f.messages.count(), 0);
            return;
        }
        for (QLabel *label : {form.hoursLabel(), form.voltageLabel(), form.percentLabel()})
            QCOMPARE(label->text(), NotAvailableText);
        QCOMPARE(f.runSweep(form), 1);
        QCOMPARE(form.meter()->Position(), 0);
        QCOMPARE(losses, 1);
        QVERIFY(!DeviceLink().connected);
        QCOMPARE(f.messages.count(), 1);
        QVERIFY(f.messages.lastText().startsWith(QStringLiteral("\r\nVerbindung zum Gerät verloren.\r\n")));
        QVERIFY(f.messages.lastText().contains(gone ? QStringLiteral("ist nicht mehr vorhanden")
                                                    : QStringLiteral("antwortet nicht mehr")));
        // Opened again while the program still thinks it is online: nothing more is said.
        refreshNow(form);
        QCOMPARE(f.messages.count(), 1);
    }

    void needleSweepsOnTheTimerTicks()
    {
        BatteryWindowFixture f;
        DeviceLink().LastBatteryVoltage = 8.5;
        BatteryWindow form;
        form.setOfflineStateProvider([] { return true; });
        form.show();  // opening the window starts the sweep
        QVERIFY(form.sweepTimer()->Enabled());
        QCOMPARE(f.library.starts.size(), 1);
        QCOMPARE(f.library.starts[0].interval, 9);
        QCOMPARE(f.library.starts[0].resolution, 10);
        QCOMPARE(f.library.starts[0].window, form.sweepTimer());

        form.meter()->grab();  // painted once
        for (int i = 1; i <= 40; ++i)
            f.tick(form);
        QCOMPARE(form.meter()->Position(), 40);
        QVERIFY(needleAt(form.meter(), 40));
        QVERIFY(form.sweepTimer()->Enabled());

        QCOMPARE(f.runSweep(form), 54);  // ticks 41 .. 94; the 94th switches the timer off
        QCOMPARE(form.meter()->Position(), 93);
        QVERIFY(needleAt(form.meter(), 93));
        QVERIFY(!needleAt(form.meter(), 40));
        QCOMPARE(f.library.running, 0);

        // Opened again: the needle starts from the bottom once more.
        form.hide();
        form.show();
        QVERIFY(form.sweepTimer()->Enabled());
        f.tick(form);
        QCOMPARE(form.meter()->Position(), 1);
        QCOMPARE(form.sweep().sweepStep(), 1);
    }

    void sweepEnds_data()
    {
        QTest::addColumn<double>("volts");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("needle");
        // A full battery: the needle stops at the top, the timer runs on to 106.
        QTest::newRow("9.6") << 9.6 << 106 << 100;
        QTest::newRow("5.0") << 5.0 << 55 << 54;
    }
    void sweepEnds()
    {
        QFETCH(double, volts);
        QFETCH(int, ticks);
        QFETCH(int, needle);
        BatteryWindowFixture f;
        DeviceLink().LastBatteryVoltage = volts;
        BatteryWindow form;
        form.setOfflineStateProvider([] { return true; });
        form.meter()->grab();
        refreshNow(form);
        QCOMPARE(f.runSweep(form), ticks);
        QCOMPARE(form.sweep().sweepStep(), ticks);
        QCOMPARE(form.meter()->Position(), needle);
        QVERIFY(needleAt(form.meter(), needle));
    }

    void closingStopsTheSweep()
    {
        BatteryWindowFixture f;
        DeviceLink().LastBatteryVoltage = 8.5;
        BatteryWindow form;
        form.setOfflineStateProvider([] { return true; });
        form.show();
        f.tick(form);
        form.accept();
        QVERIFY(!form.sweepTimer()->Enabled());
        QCOMPARE(f.library.running, 0);
    }

    void noTimerLeft_textsStillShown()
    {
        BatteryWindowFixture f;
        f.library.exhausted = true;
        DeviceLink().LastBatteryVoltage = 8.5;
        BatteryWindow form;
        form.setOfflineStateProvider([] { return true; });
        refreshNow(form);
        QCOMPARE(f.messages.count(), 1);
        QCOMPARE(f.messages.lastText(), QStringLiteral("No FastTimers available."));
        QCOMPARE(form.percentLabel()->text(), QStringLiteral("94 %"));
        QCOMPARE(form.voltageLabel()->text(), QStringLiteral("8,50 V"));
    }
};

VR_TEST_CLASS(BatteryWindowTest)
#include "batterywindow_test.moc"
