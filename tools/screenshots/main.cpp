// Takes the README screenshots: the main window with an active shooter and
// connected to the virtual trainer, the settings dialog and the battery
// window. Everything runs in a temporary program folder and settings store.
//   vantrel-screenshots <output folder>
#include "device/batterywindow.h"
#include "device/commandset.h"
#include "device/fasttimerlibrary.h"
#include "platform/clock.h"
#include "platform/stepscheduler.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "platform/translations.h"
#include "core/appstate.h"
#include "device/devicefunctions.h"
#include "app/settingsdialog.h"
#include "device/controllerpage.h"
#include "device/forcesensorpage.h"
#include "app/datasession.h"
#include "app/mainwindow.h"
#include "core/windowplacement.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "shooters/shooteroverview.h"
#include "shooters/newshooterdialog.h"
#include "shooters/shooterselectdialog.h"
#include "shooters/sightprofiledialog.h"
#include "device/fasttimer.h"
#include "reaction/statictestwindow.h"
#include "reaction/randomtestwindow.h"
#include "reaction/staticsetupdialog.h"
#include "reaction/randomsetupdialog.h"
#include "runkit/sightviewdialog.h"
#include "curves/curvesetupdialog.h"
#include "app/startup.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "reaction/randomrun.h"
#include "runkit/runsettings.h"
#include "store/tdata.h"
#include "curves/curverunsettings.h"
#include "curves/curvetestwindow.h"
#include "curves/curveresultwindow.h"
#include <QEventLoop>
#include <QPainter>
#include <QTreeWidget>
#include "trainer-sim/virtualtrainer.h"
#include "ui/messageboxes.h"
#include "toolarguments.h"
#include "evaluation/evaluationwindow.h"
#include "report/efrreport.h"
#include "evaluation/printservice.h"
#include "evaluation/resultgrid.h"

#include <QPrintPreviewDialog>
#include <QTableView>
#include <QPrinter>
#include <memory>

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QDir>
#include <QPixmap>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// What the X server shows of the window (not a rendering of the widget):
// sizes, placement and captions as a user sees them.
bool save(QWidget *w, const QString &file)
{
    w->raise();
    w->activateWindow();
    for (int i = 0; i < 30; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    const QRect g = w->frameGeometry();
    QScreen *screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    const bool ok = screen && screen->grabWindow(0, g.x(), g.y(), g.width(), g.height()).save(file);
    std::printf("%s %s\n", ok ? "geschrieben:" : "FEHLER:", qPrintable(file));
    return ok;
}

// "Daten hinzufügen" as F2 opens it: German date, at least its size hint.
bool newShooterScene(QWidget *mainWindow, const QString &out)
{
    NewShooterDialog dialog(mainWindow);
    dialog.show();
    dialog.nameEdit()->setText(QStringLiteral("Berger"));
    dialog.firstNameEdit()->setText(QStringLiteral("Lena"));
    dialog.birthDatePicker()->setDate(QDate(2009, 3, 14));
    dialog.clubBox()->setEditText(QStringLiteral("SV Tell Musterstadt"));
    const bool ok = save(&dialog, out + QStringLiteral("/new_shooter_dialog.png"));
    dialog.reject();
    return ok;
}

// The shooter overview with the marked shooter's details (four-digit birth year).
bool overviewScene(ShooterOverview *overview, const QString &out)
{
    overview->show();
    const bool ok = save(overview, out + QStringLiteral("/shooter_overview.png"));
    overview->hide();
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

// A shooting system (600 px, mirrors 60 ... 540) and one curve set of two
// files in the program folder, for the test 3 scenes.
QStringList writeTest3Files()
{
    const QString p = ProgramPaths::programDir();
    QDir().mkpath(p + QStringLiteral("/sdata"));
    QDir().mkpath(p + QStringLiteral("/kdata/Beispiel"));
    QImage system(600, 200, QImage::Format_RGB32);
    system.fill(qRgb(196, 204, 196));
    {
        QPainter painter(&system);
        painter.fillRect(0, 150, 600, 50, QColor(150, 138, 112));
        painter.setRenderHint(QPainter::Antialiasing);
        for (int x : {60, 180, 300, 420, 540}) {
            painter.fillRect(x - 26, 66, 52, 68, QColor(88, 96, 104));
            painter.fillRect(x - 24, 68, 48, 64, QColor(232, 232, 224));
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(160, 160, 160));
            painter.drawEllipse(QPoint(x, 100), 24, 24);
            painter.setBrush(Qt::black);
            painter.drawEllipse(QPoint(x, 100), 20, 20);
        }
    }
    system.save(p + QStringLiteral("/sdata/anlage.bmp"), "BMP");
    QFile def(p + QStringLiteral("/sdata/anlage.def"));
    if (def.open(QIODevice::WriteOnly))
        def.write("[Spiegel]\r\n1=60:100|40\r\n2=180:100|40\r\n3=300:100|40\r\n4=420:100|40\r\n5=540:100|40\r\n");
    QStringList files;
    for (int f = 1; f <= 2; ++f) {
        const QString path = p + QStringLiteral("/kdata/Beispiel/serie%1.kdf").arg(f);
        QByteArray text;
        for (int t = 1; t <= 5; ++t) {
            text += "[" + QByteArray::number(t) + "]\r\nRec=1\r\nPoints=40\r\n";
            for (int k = 0; k < 40; ++k) {
                // drifting in from the upper left, staying, drifting off to the right
                const int x = k < 15 ? 90 + 4 * k : k < 30 ? 150 + (k % 3) - 1 : 150 + 5 * (k - 29);
                const int y = k < 15 ? 100 + 3 * k + t : k < 30 ? 148 + (k % 4) : 150 - 2 * (k - 29);
                text += QByteArray::number(k) + "=" + QByteArray::number(x) + ":" + QByteArray::number(y) + "|20\r\n";
            }
        }
        QFile kdf(path);
        if (kdf.open(QIODevice::WriteOnly))
            kdf.write(text);
        files << path;
    }
    return files;
}

// Test 3 running with the hit symbols on: two targets hit, the sight on target 3.
bool shootTest3Running(QWidget *parent, const QString &out)
{
    CurveRunSettings &curves = CurveRunSettings::instance();
    curves.ShootingSystemName = QStringLiteral("anlage.bmp");
    curves.CurveFiles = writeTest3Files();
    curves.ShowTargets = true;
    curves.LeftToRight = true;
    RunSettings::instance().SerienAnzahl = 1;
    RunSettings::instance().VisierDatei.clear();
    CurveResultWindow era3(parent);
    CurveTestWindow er3(&era3, parent);
    er3.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    bool ok = false;
    // Every timer step of the run at once, with a look at the run before each.
    struct Stepper : StepScheduler
    {
        std::function<void()> onInput;
        quint64 schedule(qint64, Step step) override
        {
            return StepScheduler::schedule(Clock::instance().monotonicNs(), [this, step] {
                onInput();
                step();
            });
        }
    } stepper;
    stepper.onInput = [&] {
        CurveRun &run = er3.run();
        if (!run.running())
            return;
        if (run.CurrentTarget < 3 && run.OnRun == 100)
            run.reaction();
        if (run.CurrentTarget == 3 && run.OnRun == 60 && !ok) {
            ok = save(&er3, out + QStringLiteral("/test3_running.png"));
            run.requestCancel();
        }
    };
    StepScheduler::install(&stepper);
    er3.startClicked();
    while (er3.run().running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    StepScheduler::install(nullptr);
    return ok;
}

// The setup dialog of test 3 over the sample shooting system and curve set.
bool shootTest3Setup(QWidget *parent, const QString &out)
{
    CurveSetupDialog setup(parent);
    setup.show();
    const bool ok = save(&setup, out + QStringLiteral("/test3_setup.png"));
    setup.hide();
    return ok;
}

// The result window of test 3 with the time bar of a row.
bool shootTest3Result(QWidget *parent, const QString &out)
{
    // Figures as a German desktop shows them.
    const QLocale oldLocale;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    CurveResultWindow era3(parent);
    era3.setRunContext(CurveRunSettings::instance().CurveFiles,
                       {{60, 100, 40}, {180, 100, 40}, {300, 100, 40}, {420, 100, 40}, {540, 100, 40}}, true);
    const char *times[] = {" 240", " 160", " 320", "  80", " 300", " 260", " 180", " 200", " 220", " 280"};
    const char *status[] = {"x", "x", "x", "o", "x", "x", "x", "o", "x", "x"};
    for (int i = 0; i < 10; ++i)
        era3.appendRow(ResultRow{i / 5 + 1, i % 5 + 1, QString::fromLatin1(times[i]), QString::fromLatin1(status[i]),
                                 QStringLiteral(" 1")});
    era3.show();
    era3.rowList()->setCurrentItem(era3.rowList()->topLevelItem(2));
    const bool ok = save(&era3, out + QStringLiteral("/test3_result_window.png"));
    era3.hide();
    QLocale::setDefault(oldLocale);
    return ok;
}

// Test-1 measurements of the active shooter over several weeks, for the
// evaluation window and its chart.
void addMeasurements(DataTable *reak)
{
    const int means[] = {312, 296, 301, 284, 279, 270};
    for (int m = 0; m < 6; ++m) {
        for (int serie = 1; serie <= 2; ++serie)
            for (int k = 1; k <= 5; ++k) {
                const int ms = means[m] + serie * 3 + ((k * 7 + m * 3) % 21) - 10;
                reak->append();
                reak->setFieldValue(QStringLiteral("Datum"), QDate(2026, 10, 5).addDays(7 * m));
                reak->setFieldValue(QStringLiteral("Zeit"), QTime(18, 30 + m, 12));
                reak->setFieldValue(QStringLiteral("MessTyp"), 1.0);
                reak->setFieldValue(QStringLiteral("Serie"), double(serie));
                reak->setFieldValue(QStringLiteral("Scheibe"), double(k));
                reak->setFieldValue(QStringLiteral("ReakZeit"), double(m == 2 && k == 3 ? 0 : ms));
                reak->setFieldValue(QStringLiteral("Status"), m == 2 && k == 3 ? QStringLiteral("o") : QStringLiteral("x"));
                reak->setFieldValue(QStringLiteral("Fehler"), QStringLiteral("-"));
                reak->post();
            }
    }
    reak->applyUpdates();
}

// The evaluation window with the progress chart.
bool shootEvaluation(QWidget *parent, const QString &out)
{
    EvaluationWindow form(parent);
    form.resize(900, 680);
    form.show();
    form.refresh();
    form.grid(1)->selectRow(2);
    const bool ok = save(&form, out + QStringLiteral("/evaluation_window.png"));
    form.hide();
    return ok;
}

// The print preview of the test-1 record, as "&Seitenansicht" shows it.
bool shootPrintPreview(QWidget *parent, const QString &out)
{
    TData *data = TData::instance();
    const ActiveShooter &shooter = ActiveShooter::instance();
    data->openResultQuery(TData::Query::EFR, shooter.Name, shooter.Vorname, true);
    data->CalcEFRData();
    TEFRReport report;
    report.setRows(data->summaryLines(TData::Query::EFR));
    report.measurementLine = QStringLiteral("Einfachreaktionstest");
    report.personLine = shooter.Name + u' ' + shooter.Vorname;
    report.dateLine = QStringLiteral("16.11.2026");
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title());
    MeasurementReport::preparePage(&printer);
    std::unique_ptr<QPrintPreviewDialog> preview(CreatePreviewDialog(
        &printer, report.title(), [&report](QPagedPaintDevice *d) { report.print(d); }, parent));
    preview->resize(900, 760);
    preview->show();
    const bool ok = save(preview.get(), out + QStringLiteral("/print_preview.png"));
    preview->hide();
    return ok;
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
bool shootForceTest(SettingsDialog *config, VirtualTrainer &trainer, const QString &file)
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
    config->toggleServicePages();
    config->pageControl()->setCurrentWidget(config->forceSensorPage());
    config->forceSensorPage()->startButton()->click();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 4000 && config->device()->forceTest().sampleCount() < 320) {
        // Pulls of about 0.45 s up to 420 g, 0.1 s apart.
        const qint64 phase = t.elapsed() % 550;
        const double pull = phase < 450 ? std::sin(M_PI * phase / 450.0) : 0.0;
        trainer.setLoad(420.0 * pull * pull);
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    const bool ok = save(config, file);
    config->forceSensorPage()->stopButton()->click();
    trainer.setLoad(0);
    config->hide();
    QLocale::setDefault(previous);
    return ok;
}

// Lets the device sequences run on until `busy` ends (at most 5 s).
void waitWhile(const std::function<bool()> &busy)
{
    QElapsedTimer t;
    t.start();
    while (busy() && t.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
}

// "Controller" after the detection found the Bauart2 controller.
bool shootControllerFound(SettingsDialog *config, const QString &file)
{
    SilentMessages silent;
    MessageService::install(&silent);
    config->show();
    config->toggleServicePages();
    config->pageControl()->setCurrentWidget(config->controllerPage());
    config->controllerPage()->detectButton()->click();
    waitWhile([config] { return config->device()->busy(); });
    MessageService::install(nullptr);
    const bool ok = save(config, file);
    config->hide();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    ToolArguments arguments(argc, argv);
    MessageBoxes boxes;
    QApplication app(arguments.qtArgc(), arguments.qtArgv());
    MessageService::setDefault(&boxes);
    InstallGermanTranslations(app);
    // As the program starts: German formats, windows placed as on the desktop.
    QLocale::setDefault(ProgramLocale(QLocale::system()));
    WindowPlacement::install();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "Die Bilder werden von einem X-Server aufgenommen: bitte mit QT_QPA_PLATFORM=xcb "
                             "(z. B. unter xvfb-run) starten.\n");
        return 2;
    }
    if (arguments.list().size() != 2) {
        std::fprintf(stderr, "Aufruf: vantrel-screenshots <Zielordner>\n");
        return 2;
    }
    const QString out = QDir(arguments.list().at(1)).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp.filePath(QStringLiteral("config"))));
    QDir(tmp.path()).mkpath(QStringLiteral("prog/bin"));
    ProgramPaths::setProgramDir(tmp.filePath(QStringLiteral("prog/bin")));

    // A fixed port name: the device pages show it, and the pictures stay the same from run to run.
    const QString portLink = QDir::temp().filePath(QStringLiteral("vantrel-screenshots-com2"));
    QFile::remove(portLink);
    VirtualTrainer trainer(TrainerConfig::defaults(2));
    if (!trainer.open(portLink) || !trainer.startThread()) {
        std::fprintf(stderr, "Virtueller Trainer: %s\n", qPrintable(trainer.errorString()));
        return 1;
    }
    {
        RegistryIni reg(RegistryKeys::Main);
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), trainer.portPath());
        reg.writeString(QStringLiteral("Config"), QStringLiteral("Controller"), QStringLiteral("1"));
        reg.writeString(QStringLiteral("Config"), QStringLiteral("Benutzer"), QStringLiteral("Trainer"));
        // Connects when the main window first becomes active, as the program does.
        reg.writeString(QStringLiteral("Config"), QStringLiteral("Offline"), QStringLiteral("0"));
    }

    LoadFastTimerLibrary();
    int result = 0;
    {
        TData data;
        MainWindow form;
        OpenProgramData();
        ProgramWindows windows;
        windows.akku = new BatteryWindow(&form);
        windows.config = new SettingsDialog(&form);
        windows.pers = new ShooterOverview(&form);
        windows.persSel = new ShooterSelectDialog(&form);
        // The tests and the evaluation as the program has them: the quick-start
        // bar and "Auswertung" are enabled in the picture.
        auto *evaluation = new EvaluationWindow(&form);
        windows.evaluation = [evaluation] { evaluation->exec(); };
        form.setWindows(windows);
        auto *sightView = new SightViewDialog(&form);
        auto *setup2 = new RandomSetupDialog(&form);
        setup2->setSightView(sightView);
        RegisterReactionTest(form, 1, new StaticSetupDialog(&form), new StaticTestWindow(new StaticResultWindow(&form), &form));
        RegisterReactionTest(form, 2, setup2, new RandomTestWindow(new RandomResultWindow(&form), &form));
        RegisterCurveTest(form, new CurveSetupDialog(&form), new CurveTestWindow(new CurveResultWindow(&form), &form));

        DataTable *pers = data.persTable();
        addShooter(pers, QStringLiteral("Meyer"), QStringLiteral("Anna"), QStringLiteral("SV Tell Musterstadt"), 12);
        addShooter(pers, QStringLiteral("Zander"), QStringLiteral("Tom"), QStringLiteral("SG Nord"), 3);
        pers->first();
        ActiveShooter::instance().active = true;
        MakeActiveShooter();

        if (const QScreen *screen = QGuiApplication::primaryScreen())
            form.setGeometry(screen->availableGeometry());   // maximised, as the program opens
        form.show();
        AppState::instance().setActivityTitle(QStringLiteral("Schütze auswählen"));
        if (!save(&form, out + QStringLiteral("/main_window.png")))
            result = 1;

        windows.config->show();
        if (!save(windows.config, out + QStringLiteral("/settings_dialog.png")))
            result = 1;
        windows.config->hide();

        windows.config->goOnline = [&form] { form.goOnline(); };
        windows.config->goOffline = [&form] { form.goOffline(); };
        if (!shootForceTest(windows.config, trainer, out + QStringLiteral("/settings_force_sensor.png")))
            result = 1;
        if (!shootControllerFound(windows.config, out + QStringLiteral("/settings_controller.png")))
            result = 1;
        form.goOnline();
        waitWhile([&form] { return form.connecting(); });

        windows.akku->show();
        waitWhile([&windows] { return windows.akku->asking(); });
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        for (int i = 0; i < 200; ++i)
            windows.akku->sweepTick();
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
            RandomResultWindow era2(&form);
            RandomTestWindow er2(&era2, &form);
            er2.show();
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
            struct NoWait : Clock
            {
                void sleep(int) override {}
            } noWait;
            Clock::install(&noWait); // the countdown is not what the picture shows
            er2.startClicked();
            Clock::install(nullptr);
            RandomRun &run = er2.randomRun();
            run.seed(1); // the same target positions in every picture
            run.XOffset = 5;
            run.TargetDelay = 20;
            for (int i = 0; i < 20; ++i)
                er2.measurementTick();
            er2.startButton()->setEnabled(false);
            if (!save(&er2, out + QStringLiteral("/test2_running.png")))
                result = 1;
            er2.measurementTimer()->setEnabled(false);
            er2.hide();

            StaticResultWindow era1(&form);
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

        if (!newShooterScene(&form, out))
            result = 1;
        if (!overviewScene(windows.pers, out))
            result = 1;
        if (!shootTest3Running(&form, out) || !shootTest3Setup(&form, out) || !shootTest3Result(&form, out))
            result = 1;

        // The sight profile dialog for the active shooter.
        auto *persVis = new SightProfileDialog(&form);
        persVis->setEditMode(true);
        persVis->show();
        if (!save(persVis, out + QStringLiteral("/sight_profile_dialog.png")))
            result = 1;
        persVis->reject();

        pers->first();
        addMeasurements(data.reakTable());
        if (!shootEvaluation(&form, out))
            result = 1;
        if (!shootPrintPreview(&form, out))
            result = 1;

        data.closeTables();
    }
    trainer.close();
    ReleaseFastTimerLibrary();
    return result;
}
