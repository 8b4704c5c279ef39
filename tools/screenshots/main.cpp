// Takes the README screenshots: the main window with an active shooter and
// connected to the virtual trainer, the settings dialog and the battery
// window. Everything runs in a temporary program folder and settings store.
//   vantrel-screenshots <output folder>
#include "device/akku_form.h"
#include "device/commandset.h"
#include "device/fasttimerlibrary.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "platform/translations.h"
#include "shell/appstate.h"
#include "device/devicefunctions.h"
#include "shell/config_form.h"
#include "shell/info_form.h"
#include "shell/main_form.h"
#include "shell/settings.h"
#include "shooters/activeshooter.h"
#include "shooters/pers_form.h"
#include "shooters/perssel_form.h"
#include "shooters/persvis_form.h"
#include "device/fasttimer.h"
#include "reaction/er2_form.h"
#include "reaction/era1_form.h"
#include "reaction/era2_form.h"
#include "reaction/randomrun.h"
#include "reaction/runsettings.h"
#include "store/tdata.h"
#include "trainer-sim/virtualtrainer.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>

namespace {

bool save(QWidget *w, const QString &file)
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "geschrieben:" : "FEHLER:", qPrintable(file));
    return ok;
}

void addShooter(DataTable *pers, const QString &name, const QString &vorname, const QString &club, int rounds)
{
    pers->append();
    pers->setFieldValue(QStringLiteral("Name"), name);
    pers->setFieldValue(QStringLiteral("Vorname"), vorname);
    pers->setFieldValue(QStringLiteral("Sportverein"), club);
    pers->setFieldValue(QStringLiteral("Geburtsdatum"), QDate(1998, 4, 12));
    pers->setFieldValue(QStringLiteral("Trainingsrunden"), double(rounds));
    pers->post();
}

// Message boxes answered with their first button, without a window.
struct SilentMessages : MessageService
{
    int show(Kind, const QString &, int buttons, const QString &) override
    {
        return buttons & Ok ? int(Ok) : int(Yes);
    }
};

// "Kraftsensor" with a running trace: the trainer's trigger is pulled a few times.
bool shootForceTest(TConfig_Form *config, VirtualTrainer &trainer, const QString &file)
{
    TrainerConfig c = trainer.config();
    c.forceModel = true;
    c.zero = 256;
    c.scale = 2.0;
    c.noise = 3;
    c.sampleIntervalMs = 5;
    trainer.setConfig(c);
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    config->show();
    // As after a zero point and a scale factor (showing the dialog reloads the store).
    Settings::instance().KS_Zero = 256;
    Settings::instance().KS_KL = 2.0;
    config->ToggleServicePages();
    config->PageControl->setCurrentWidget(config->Kraftsensor_Page);
    config->TestStart_Button->click();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 4000 && config->Device->forceTest().sampleCount() < 320) {
        // Pulls of about 0.45 s up to 420 g, 0.1 s apart.
        const qint64 phase = t.elapsed() % 550;
        const double pull = phase < 450 ? std::sin(M_PI * phase / 450.0) : 0.0;
        trainer.setLoad(420.0 * pull * pull);
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    const bool ok = save(config, file);
    config->TestStop_Button->click();
    trainer.setLoad(0);
    config->hide();
    QLocale::setDefault(previous);
    return ok;
}

// "Controller" after the detection found the Bauart2 controller.
bool shootControllerFound(TConfig_Form *config, const QString &file)
{
    SilentMessages silent;
    MessageService::install(&silent);
    config->show();
    config->ToggleServicePages();
    config->PageControl->setCurrentWidget(config->Controller_Page);
    config->Geraetetest_Button->click();
    MessageService::install(nullptr);
    const bool ok = save(config, file);
    config->hide();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InstallGermanTranslations(app);
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: vantrel-screenshots <Zielordner>\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath(QStringLiteral("config"))));
    QDir(tmp.path()).mkpath(QStringLiteral("prog/bin"));
    ProgramPaths::setProgramDir(tmp.filePath(QStringLiteral("prog/bin")));

    VirtualTrainer trainer(TrainerConfig::defaults(2));
    if (!trainer.open(tmp.filePath(QStringLiteral("com2"))) || !trainer.startThread()) {
        std::fprintf(stderr, "Virtueller Trainer: %s\n", qPrintable(trainer.errorString()));
        return 1;
    }
    {
        RegistryIni reg(RegistryKeys::Main);
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), trainer.portPath());
        reg.writeString(QStringLiteral("Config"), QStringLiteral("Controller"), QStringLiteral("1"));
        reg.writeString(QStringLiteral("Config"), QStringLiteral("Benutzer"), QStringLiteral("Trainer"));
    }

    LoadFastTimerLibrary();
    int result = 0;
    {
        TData data;
        TMain_Form form;
        form.FormCreate();
        ProgramWindows windows;
        windows.akku = new TAkku_Form(&form);
        windows.config = new TConfig_Form(&form);
        windows.info = new TInfo_Form(&form);
        windows.pers = new TPers_Form(&form);
        windows.persSel = new TPersSel_Form(&form);
        form.setWindows(windows);

        DataTable *pers = data.persTable();
        addShooter(pers, QStringLiteral("Meyer"), QStringLiteral("Anna"), QStringLiteral("SV Tell Musterstadt"), 12);
        addShooter(pers, QStringLiteral("Zander"), QStringLiteral("Tom"), QStringLiteral("SG Nord"), 3);
        pers->first();
        ActiveShooter::instance().active = true;
        MakeActiveShooter();

        form.resize(1024, 700);
        form.show();
        form.GoOnline();
        AppState::instance().ActivityTitle = QStringLiteral("Schütze auswählen");
        form.IdleUpdate();
        if (!save(&form, out + QStringLiteral("/main_window.png")))
            result = 1;

        windows.config->show();
        if (!save(windows.config, out + QStringLiteral("/settings_dialog.png")))
            result = 1;
        windows.config->hide();

        windows.config->goOnline = [&form] { form.GoOnline(); };
        windows.config->goOffline = [&form] { form.GoOffline(); };
        if (!shootForceTest(windows.config, trainer, out + QStringLiteral("/settings_force_sensor.png")))
            result = 1;
        if (!shootControllerFound(windows.config, out + QStringLiteral("/settings_controller.png")))
            result = 1;
        form.GoOnline();

        windows.akku->show();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        for (int i = 0; i < 200; ++i)
            windows.akku->Volt_TimerTimer();
        if (!save(windows.akku, out + QStringLiteral("/battery_window.png")))
            result = 1;
        windows.akku->hide();

        // Test 2 running with the hit display on, and a result window with rows.
        {
            DataTable *vis = data.visierTable();
            pers->first();
            vis->append();
            const QList<QPair<const char *, double>> sizes{{"Diopter_Size", 33}, {"DiopVis_Size", 80},
                                                           {"A_Korntunnel", 50}, {"I_Korntunnel", 40},
                                                           {"A_Ringkorn", 20},   {"I_Ringkorn", 12},
                                                           {"Spiegel_Size", 10}};
            for (const auto &size : sizes)
                vis->setFieldValue(QString::fromLatin1(size.first), size.second);
            vis->post();
            RunSettings &rs = RunSettings::instance();
            rs.SerienAnzahl = 1;
            rs.Scheibenabstand = 1;
            rs.Trefferanzeige = true;
            TERA2_Form era2(&form);
            TER2_Form er2(&era2, &form);
            er2.show();
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
            struct NoWait : Clock
            {
                void sleep(int) override {}
            } noWait;
            Clock::install(&noWait); // the countdown is not what the picture shows
            er2.OK_ButtonClick();
            Clock::install(nullptr);
            RandomRun &run = er2.randomRun();
            run.XOffset = 5;
            run.TargetDelay = 20;
            for (int i = 0; i < 20; ++i)
                er2.MesstimerTimer();
            er2.OK_Button->setEnabled(false);
            if (!save(&er2, out + QStringLiteral("/test2_running.png")))
                result = 1;
            er2.Messtimer->setEnabled(false);
            er2.hide();

            TERA1_Form era1(&form);
            const char *times[] = {"230", "00", "250", "-50", "270", "210", "240", "00", "260", "220"};
            const char *status[] = {"x", "o", "x", "o", "x", "x", "x", "o", "x", "x"};
            for (int i = 0; i < 10; ++i)
                era1.appendRow(ResultRow{i / 5 + 1, i % 5 + 1, QString::fromLatin1(times[i]),
                                         QString::fromLatin1(status[i]), QStringLiteral("-")});
            era1.show();
            if (!save(&era1, out + QStringLiteral("/result_window.png")))
                result = 1;
            era1.hide();
        }

        // The sight profile dialog for the active shooter.
        auto *persVis = new TPersVis_Form(&form);
        persVis->EditMode = true;
        persVis->show();
        if (!save(persVis, out + QStringLiteral("/sight_profile_dialog.png")))
            result = 1;
        persVis->reject();

        data.closeTables();
    }
    trainer.close();
    ReleaseFastTimerLibrary();
    return result;
}
