#include "app/startup.h"

#include "curves/curverunsettings.h"
#include "curves/er3_form.h"
#include "curves/era3_form.h"
#include "curves/ersetup3_form.h"
#include "device/batterywindow.h"
#include "device/fasttimerlibrary.h"
#include "evaluation/aw_form.h"
#include "evaluation/dataexport.h"
#include "platform/clock.h"
#include "platform/translations.h"
#include "reaction/er1_form.h"
#include "reaction/er2_form.h"
#include "reaction/era1_form.h"
#include "reaction/era2_form.h"
#include "reaction/ersetup1_form.h"
#include "reaction/ersetup2_form.h"
#include "runkit/erview_form.h"
#include "runkit/runsettings.h"
#include "app/about_form.h"
#include "core/actionlog.h"
#include "app/settingsdialog.h"
#include "app/info_form.h"
#include "app/main_form.h"
#include "app/splash_form.h"
#include "core/windowplacement.h"
#include "shooters/pers_form.h"
#include "shooters/persedit_form.h"
#include "shooters/persneu_form.h"
#include "shooters/persvis_form.h"
#include "device/referenceweightdialog.h"
#include "shooters/perssel_form.h"
#include "store/tdata.h"
#include "ui/messageboxes.h"

#include <QApplication>
#include <QScreen>
#include <memory>

void RegisterReactionTest(TMain_Form &mainForm, int test, TERSetupBase *setup, QDialog *window)
{
    TestEntry entry;
    entry.prepareSetup = [setup] { setup->PrepareForShow(); };
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

void RegisterCurveTest(TMain_Form &mainForm, TERSetup3_Form *setup, TER3_Form *window)
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
    windows.akku = new BatteryWindow(&mainForm);
    windows.config = new SettingsDialog(&mainForm);
    windows.info = new TInfo_Form(&mainForm);
    windows.pers = new TPers_Form(&mainForm);
    auto *persEdit = new TPersEdit_Form(&mainForm);
    windows.persSel = new TPersSel_Form(&mainForm);
    windows.config->setReferenceWeightDialog(new ReferenceWeightDialog(&mainForm));   // weight entry of the force-sensor calibration
    windows.config->goOnline = [&mainForm] { mainForm.GoOnline(); };
    windows.config->goOffline = [&mainForm] { mainForm.GoOffline(); };
    windows.about = new TAbout_Form(&mainForm);
    auto *setup1 = new TERSetup1_Form(&mainForm);
    auto *persVis = new TPersVis_Form(&mainForm);
    // The setup dialogs offer it for a shooter without a sight profile.
    const auto setUpSight = [persVis] {
        persVis->EditMode = true;
        persVis->ProfileNummer = 0;
        persVis->exec();
    };
    setup1->setSightProfileSetup(setUpSight);
    auto *persNeu = new TPersNeu_Form(&mainForm);
    persNeu->PersVis = persVis;
    persEdit->PersVis = persVis;
    windows.newShooter = [persNeu] { return persNeu->exec() == QDialog::Accepted; };
    windows.editShooter = [persEdit] { return persEdit->exec() == QDialog::Accepted; };
    windows.pers->newShooter = [persNeu] { persNeu->exec(); };
    windows.pers->editShooter = [persEdit] { persEdit->exec(); };
    auto *result2 = new TERA2_Form(&mainForm);   // the test window needs its result window
    auto *test2 = new TER2_Form(result2, &mainForm);
    auto *sightView = new TERview_Form(&mainForm);
    auto *setup2 = new TERSetup2_Form(&mainForm);
    setup2->setSightView(sightView);
    setup2->setSightProfileSetup(setUpSight);
    auto *result1 = new TERA1_Form(&mainForm);
    auto *test1 = new TER1_Form(result1, &mainForm);
    auto *evaluation = new TAW_Form(&mainForm);
    windows.evaluation = [evaluation] { evaluation->exec(); };
    windows.exportData = [&mainForm] { ExportAllData(&mainForm); };
    mainForm.setWindows(windows);
    RegisterReactionTest(mainForm, 1, setup1, test1);
    RegisterReactionTest(mainForm, 2, setup2, test2);
    auto *setup3 = new TERSetup3_Form(&mainForm);
    setup3->setSightView(sightView, [setup2, sightView] { setup2->setSightView(sightView); });
    setup3->setSightProfileSetup(setUpSight);
    auto *result3 = new TERA3_Form(&mainForm);
    auto *test3 = new TER3_Form(result3, &mainForm);
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
