#include "app/startup.h"

#include "curves/curverunsettings.h"
#include "curves/curvetestwindow.h"
#include "curves/curveresultwindow.h"
#include "curves/curvesetupdialog.h"
#include "device/akku_form.h"
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
#include "app/about_form.h"
#include "core/actionlog.h"
#include "app/config_form.h"
#include "app/info_form.h"
#include "app/main_form.h"
#include "app/splash_form.h"
#include "core/windowplacement.h"
#include "shooters/shooteroverview.h"
#include "shooters/editshooterdialog.h"
#include "shooters/newshooterdialog.h"
#include "shooters/sightprofiledialog.h"
#include "shooters/skl_form.h"
#include "shooters/shooterselectdialog.h"
#include "store/tdata.h"
#include "ui/messageboxes.h"

#include <QApplication>
#include <QScreen>
#include <memory>

void RegisterReactionTest(TMain_Form &mainForm, int test, SetupDialogBase *setup, QDialog *window)
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
        return std::array<int, 3>{r.SerienAnzahl, r.Scheibenabstand, 0};
    };
    mainForm.registerTest(test, entry);
}

void RegisterCurveTest(TMain_Form &mainForm, CurveSetupDialog *setup, CurveTestWindow *window)
{
    TestEntry entry;
    entry.setup = [setup] { return setup->exec() == QDialog::Accepted; };
    entry.run = [window] { window->exec(); };
    entry.snapshot = [] { return SnapshotCurveRun(); };
    entry.describe = [] {
        const RunSettings &r = RunSettings::instance();
        return std::array<int, 3>{r.SerienAnzahl, r.Scheibenabstand, 0};
    };
    mainForm.registerTest(3, entry);
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

    auto splash = std::make_unique<TSplash_Form>();
    splash->show();
    splash->repaint();
    Clock::instance().processEvents();

    LoadFastTimerLibrary();
    // What the database driver said in English goes to the action log only.
    SetStoreLogHook([](const QString &line) { WriteLogLine(line); });
    m_data = std::make_unique<TData>();

    m_main = std::make_unique<TMain_Form>();
    TMain_Form &mainForm = *m_main;
    mainForm.FormCreate([&](const QString &text) { splash->SetSplashStatus(text); });

    // The other windows, once each, in the program's fixed order.
    ProgramWindows windows;
    windows.akku = new TAkku_Form(&mainForm);
    windows.config = new TConfig_Form(&mainForm);
    windows.info = new TInfo_Form(&mainForm);
    windows.pers = new ShooterOverview(&mainForm);
    auto *persEdit = new EditShooterDialog(&mainForm);
    windows.persSel = new ShooterSelectDialog(&mainForm);
    windows.config->SKL_Form = new TSKL_Form(&mainForm);   // weight entry of the force-sensor calibration
    windows.config->goOnline = [&mainForm] { mainForm.GoOnline(); };
    windows.config->goOffline = [&mainForm] { mainForm.GoOffline(); };
    windows.about = new TAbout_Form(&mainForm);
    auto *setup1 = new StaticSetupDialog(&mainForm);
    auto *persVis = new SightProfileDialog(&mainForm);
    // The setup dialogs offer it for a shooter without a sight profile.
    const auto setUpSight = [persVis] {
        persVis->setEditMode(true);
        persVis->setProfileNumber(0);
        persVis->exec();
    };
    setup1->setSightProfileSetup(setUpSight);
    auto *persNeu = new NewShooterDialog(&mainForm);
    persNeu->setSightDialog(persVis);
    persEdit->setSightDialog(persVis);
    windows.newShooter = [persNeu] { return persNeu->exec() == QDialog::Accepted; };
    windows.editShooter = [persEdit] { return persEdit->exec() == QDialog::Accepted; };
    windows.pers->newShooter = [persNeu] { persNeu->exec(); };
    windows.pers->editShooter = [persEdit] { persEdit->exec(); };
    auto *result2 = new RandomResultWindow(&mainForm);   // the test window needs its result window
    auto *test2 = new RandomTestWindow(result2, &mainForm);
    auto *sightView = new SightViewDialog(&mainForm);
    auto *setup2 = new RandomSetupDialog(&mainForm);
    setup2->setSightView(sightView);
    setup2->setSightProfileSetup(setUpSight);
    auto *result1 = new StaticResultWindow(&mainForm);
    auto *test1 = new StaticTestWindow(result1, &mainForm);
    auto *evaluation = new EvaluationWindow(&mainForm);
    windows.evaluation = [evaluation] { evaluation->exec(); };
    windows.exportData = [&mainForm] { ExportAllData(&mainForm); };
    mainForm.setWindows(windows);
    RegisterReactionTest(mainForm, 1, setup1, test1);
    RegisterReactionTest(mainForm, 2, setup2, test2);
    auto *setup3 = new CurveSetupDialog(&mainForm);
    setup3->setSightView(sightView, [setup2, sightView] { setup2->setSightView(sightView); });
    setup3->setSightProfileSetup(setUpSight);
    auto *result3 = new CurveResultWindow(&mainForm);
    auto *test3 = new CurveTestWindow(result3, &mainForm);
    RegisterCurveTest(mainForm, setup3, test3);

    splash->hide();
    splash.reset();
    // Without a window manager "maximised" means nothing: fill the screen by hand.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
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
