// Force test against the virtual trainer: the settings dialog's live display
// with the trainer sending a sample every 5 ms and the trace repainted
// offscreen. Prints samples read / expected (elapsed / 5 ms), Messtimer ticks
// / expected, and the time of one tick and one display refresh. Goal: both
// ratios 0.99 or better.
//
//   vantrel-forcetest-bench [--seconds N]

#include "benchoptions.h"
#include "device/commandset.h"
#include "device/devicefunctions.h"
#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "device/forcetest.h"
#include "device/serialport.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "core/appstate.h"
#include "app/settingsdialog.h"
#include "device/forcesensorpage.h"
#include "core/settings.h"
#include "trainer-sim/virtualtrainer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cmath>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = BenchOption(app.arguments(), "--seconds", 30, 1);
    QTextStream out(stdout);

    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath(QStringLiteral("config"))));
    QDir(tmp.path()).mkpath(QStringLiteral("prog"));
    ProgramPaths::setProgramDir(tmp.filePath(QStringLiteral("prog")));

    TrainerConfig config = TrainerConfig::defaults(2);
    config.forceModel = true;
    config.zero = 256;
    config.scale = 2.0;
    config.noise = 2;
    config.sampleIntervalMs = 5;
    VirtualTrainer trainer(config);
    if (!trainer.open(tmp.filePath(QStringLiteral("com2"))) || !trainer.startThread()) {
        out << "Virtueller Trainer: " << trainer.errorString() << "\n";
        return 1;
    }
    {
        RegistryIni reg(RegistryKeys::Main);
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), trainer.portPath());
        reg.writeString(QStringLiteral("Config"), QStringLiteral("Controller"), QStringLiteral("1"));
        reg.writeString(QStringLiteral("Config"), QStringLiteral("COM_Index"), QStringLiteral("1"));
        reg.writeString(QStringLiteral("Config"), QStringLiteral("KS_Zero"), QStringLiteral("256"));
        reg.writeString(QStringLiteral("Config"), QStringLiteral("KS_KL"), QStringLiteral("2.000"));
    }
    LoadFastTimerLibrary();
    int exitCode = 0;
    {
        SettingsDialog form;
        form.goOnline = [] {
            const Settings &s = Settings::instance();
            OpenDevice(s.portSelector, 0, s.controllerSelector);
            AppState::instance().OfflineState = !ConnectDevice();
        };
        form.show();
        form.toggleServicePages();
        form.pageControl()->setCurrentWidget(form.forceSensorPage());
        DeviceFunctions *device = form.device();

        qint64 tickNs = 0, ticks = 0, refreshNs = 0, refreshes = 0;
        QElapsedTimer each;
        device->Messtimer->OnTimer = [&](TFastTimer *) {
            each.start();
            device->MesstimerTimer();
            tickNs += each.nsecsElapsed();
            ++ticks;
        };
        device->Datentimer->OnTimer = [&](TFastTimer *) {
            each.start();
            device->DatentimerTimer();
            refreshNs += each.nsecsElapsed();
            ++refreshes;
        };
        // The trigger is pulled and released once a second.
        QElapsedTimer elapsed;
        QTimer load;
        load.setInterval(20);
        QObject::connect(&load, &QTimer::timeout, [&] {
            const double phase = std::fmod(elapsed.elapsed() / 1000.0, 1.0);
            trainer.setLoad(phase < 0.6 ? 450.0 * std::sin(M_PI * phase / 0.6) : 0.0);
        });

        out << "Kraftsensor-Test: " << seconds << " s, Messwert alle 5 ms, Anzeige offscreen\n";
        out.flush();
        form.forceSensorPage()->startButton()->click();
        if (!device->forceTestRunning()) {
            out << "Test nicht gestartet (Gerät nicht verbunden)\n";
            return 1;
        }
        elapsed.start();
        load.start();
        QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, [&] {
            const double ms = elapsed.nsecsElapsed() / 1e6;
            const int samples = device->forceTest().samplesRead();
            form.forceSensorPage()->stopButton()->click();
            const double expected = ms / 5.0;
            const double sampleRatio = samples / expected;
            const double tickRatio = ticks / expected;
            out << QStringLiteral("Messwerte gelesen:   %1 / %2 erwartet = %3\n")
                       .arg(samples).arg(expected, 0, 'f', 0).arg(sampleRatio, 0, 'f', 4);
            out << QStringLiteral("Messtimer-Ticks:     %1 / %2 erwartet = %3\n")
                       .arg(ticks).arg(expected, 0, 'f', 0).arg(tickRatio, 0, 'f', 4);
            out << QStringLiteral("je Tick:             %1 µs\n").arg(ticks ? tickNs / 1e3 / ticks : 0.0, 0, 'f', 1);
            out << QStringLiteral("je Anzeige (70 ms):  %1 µs (%2 Aktualisierungen)\n")
                       .arg(refreshes ? refreshNs / 1e3 / refreshes : 0.0, 0, 'f', 1).arg(refreshes);
            const bool met = sampleRatio >= 0.99 && tickRatio >= 0.99;
            out << (met ? "Ziel >= 0,99 erreicht\n" : "Ziel >= 0,99 NICHT erreicht\n");
            out.flush();
            exitCode = met ? 0 : 1;
            app.quit();
        });
        app.exec();
        form.hide();
    }
    ResetSerialPort();
    trainer.close();
    ReleaseFastTimerLibrary();
    return exitCode;
}
