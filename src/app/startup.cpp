#include "app/startup.h"

#include "curves/curverunsettings.h"
#include "curves/curvetestwindow.h"
#include "curves/curveresultwindow.h"
#include "curves/curvesetupdialog.h"
#include "device/batterywindow.h"
#include "device/fasttimerlibrary.h"
#include "evaluation/evaluationwindow.h"
#include "evaluation/dataexport.h"
#include "platform/clock.h"
#include "platform/translations.h"
#include "reaction/statictestwindow.h"
#include "reaction/randomtestwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "reaction/staticsetupdialog.h"
#include "reaction/randomsetupdialog.h"
#include "runkit/sightviewdialog.h"
#include "runkit/runsettings.h"
#include "app/aboutdialog.h"
#include "core/actionlog.h"
#include "app/settingsdialog.h"
#include "app/datasession.h"
#include "app/infowindow.h"
#include "app/mainwindow.h"
#include "app/splashscreen.h"
#include "core/windowplacement.h"
#include "shooters/shooteroverview.h"
#include "shooters/editshooterdialog.h"
#include "shooters/newshooterdialog.h"
#include "shooters/sightprofiledialog.h"
#include "shooters/shooterselectdialog.h"
#include "device/referenceweightdialog.h"
#include "store/tdata.h"
#include "ui/messageboxes.h"

#include <QApplication>
#include <QScreen>
#include <memory>

void RegisterReactionTest(MainWindow &mainWindow, int test, SetupDialogBase *setup, QDialog *window)
{
    TestEntry entry;
    entry.prepareSetup = [setup] { setup->prepareForShow(); };
    entry.setup = [setup] { return setup->exec() == QDialog::Accepted; };
    entry.run = [window] { window->exec(); };
    entry.snapshot = [] {
        const RunSettings kept = RunSettings::instance();
        return std::function<void()>([kept] { RunSettings::instance() = kept; });
    };
    entry.describe = [] {
        const RunSettings &r = RunSettings::instance();
        LastMeasurement last;
        last.seriesCount = r.SerienAnzahl;
        last.spacing = r.Scheibenabstand;
        return last;
    };
    mainWindow.registerTest(test, entry);
}

void RegisterCurveTest(MainWindow &mainWindow, CurveSetupDialog *setup, CurveTestWindow *window)
{
    TestEntry entry;
    entry.setup = [setup] { return setup->exec() == QDialog::Accepted; };
    entry.run = [window] { window->exec(); };
    entry.snapshot = [] { return SnapshotCurveRun(); };
    entry.describe = [] {
        const RunSettings &r = RunSettings::instance();
        LastMeasurement last;
        last.seriesCount = r.SerienAnzahl;
        last.spacing = r.Scheibenabstand;
        return last;
    };
    mainWindow.registerTest(3, entry);
}

ProgramSession::ProgramSession(QApplication &app)
{
    // Message boxes while no other message service is installed.
    static MessageBoxes boxes;
    MessageService::setDefault(&boxes);
    // No display name: on X11 the toolkit would append it to every caption.
    app.setApplicationName(QStringLiteral("Vantrel Reaktion"));
    // Qt's own dialogs (messages, files, printing) in German as well.
    InstallGermanTranslations(app);
    QLocale::setDefault(ProgramLocale(QLocale::system()));
    WindowPlacement::install();

    auto splash = std::make_unique<SplashScreen>();
    splash->show();
    splash->repaint();
    Clock::instance().processEvents();

    LoadFastTimerLibrary();
    // What the database driver said in English goes to the action log only.
    SetStoreLogHook([](const QString &line) { WriteLogLine(line); });
    m_data = std::make_unique<TData>();

    m_main = std::make_unique<MainWindow>();
    MainWindow &mainWindow = *m_main;
    OpenProgramData([&](const QString &text) { splash->setStatus(text); });

    // The other windows, once each, in the program's fixed order.
    ProgramWindows windows;
    windows.akku = new BatteryWindow(&mainWindow);
    windows.config = new SettingsDialog(&mainWindow);
    auto *info = new InfoWindow(&mainWindow);
    // The end of the program (backup) runs once, when the main window closes.
    QObject::connect(&mainWindow, &MainWindow::closing, &mainWindow, [this, info] {
        if (m_ended)
            return;
        m_ended = true;
        CloseProgramData(info);
    });
    windows.pers = new ShooterOverview(&mainWindow);
    auto *persEdit = new EditShooterDialog(&mainWindow);
    windows.persSel = new ShooterSelectDialog(&mainWindow);
    windows.config->setReferenceWeightDialog(new ReferenceWeightDialog(&mainWindow));   // weight entry of the force-sensor calibration
    windows.config->goOnline = [&mainWindow] { mainWindow.goOnline(); };
    windows.config->goOffline = [&mainWindow] { mainWindow.goOffline(); };
    windows.about = new AboutDialog(&mainWindow);
    auto *setup1 = new StaticSetupDialog(&mainWindow);
    auto *persVis = new SightProfileDialog(&mainWindow);
    // The setup dialogs offer it for a shooter without a sight profile.
    const auto setUpSight = [persVis] {
        persVis->setEditMode(true);
        persVis->setProfileNumber(0);
        persVis->exec();
    };
    setup1->setSightProfileSetup(setUpSight);
    auto *persNeu = new NewShooterDialog(&mainWindow);
    persNeu->setSightDialog(persVis);
    persEdit->setSightDialog(persVis);
    windows.newShooter = [persNeu] { return persNeu->exec() == QDialog::Accepted; };
    windows.editShooter = [persEdit] { return persEdit->exec() == QDialog::Accepted; };
    windows.pers->newShooter = [persNeu] { persNeu->exec(); };
    windows.pers->editShooter = [persEdit] { persEdit->exec(); };
    auto *result2 = new RandomResultWindow(&mainWindow);   // the test window needs its result window
    auto *test2 = new RandomTestWindow(result2, &mainWindow);
    auto *sightView = new SightViewDialog(&mainWindow);
    auto *setup2 = new RandomSetupDialog(&mainWindow);
    setup2->setSightView(sightView);
    setup2->setSightProfileSetup(setUpSight);
    auto *result1 = new StaticResultWindow(&mainWindow);
    auto *test1 = new StaticTestWindow(result1, &mainWindow);
    auto *evaluation = new EvaluationWindow(&mainWindow);
    windows.evaluation = [evaluation] { evaluation->exec(); };
    windows.exportData = [&mainWindow] { ExportAllData(&mainWindow); };
    mainWindow.setWindows(windows);
    RegisterReactionTest(mainWindow, 1, setup1, test1);
    RegisterReactionTest(mainWindow, 2, setup2, test2);
    auto *setup3 = new CurveSetupDialog(&mainWindow);
    setup3->setSightView(sightView, [setup2, sightView] { setup2->setSightView(sightView); });
    setup3->setSightProfileSetup(setUpSight);
    auto *result3 = new CurveResultWindow(&mainWindow);
    auto *test3 = new CurveTestWindow(result3, &mainWindow);
    RegisterCurveTest(mainWindow, setup3, test3);

    splash->hide();
    splash.reset();
    // Without a window manager "maximised" means nothing: fill the screen by hand.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        mainWindow.setGeometry(screen->availableGeometry());
    mainWindow.showMaximized();
}

ProgramSession::~ProgramSession()
{
    m_main.reset();
    m_data.reset();
    SetStoreLogHook(StoreLogHook());
    ReleaseFastTimerLibrary();
}

int RunProgram(QApplication &app)
{
    ProgramSession session(app);
    return app.exec();
}
