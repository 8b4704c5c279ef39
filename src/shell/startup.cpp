#include "shell/startup.h"

#include "device/akku_form.h"
#include "device/fasttimerlibrary.h"
#include "platform/clock.h"
#include "shell/about_form.h"
#include "shell/config_form.h"
#include "shell/info_form.h"
#include "shell/main_form.h"
#include "shell/splash_form.h"
#include "shooters/pers_form.h"
#include "shooters/perssel_form.h"
#include "store/tdata.h"

#include <QApplication>
#include <QScreen>
#include <memory>

int RunProgram(QApplication &app)
{
    app.setApplicationName(QStringLiteral("Vantrel Reaktion"));
    app.setApplicationDisplayName(QStringLiteral("Vantrel Reaktion"));

    auto splash = std::make_unique<TSplash_Form>();
    splash->show();
    splash->repaint();
    Clock::instance().processEvents();

    LoadFastTimerLibrary();
    TData data;

    TMain_Form mainForm;
    mainForm.FormCreate([&](const QString &text) { splash->SetSplashStatus(text); });

    // The other windows, once each, in the program's fixed order.
    ProgramWindows windows;
    windows.akku = new TAkku_Form(&mainForm);
    windows.config = new TConfig_Form(&mainForm);
    windows.info = new TInfo_Form(&mainForm);
    windows.pers = new TPers_Form(&mainForm);
    windows.persSel = new TPersSel_Form(&mainForm);
    windows.about = new TAbout_Form(&mainForm);
    mainForm.setWindows(windows);

    splash->hide();
    splash.reset();
    // Without a window manager "maximised" means nothing: fill the screen by hand.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    const int result = app.exec();
    ReleaseFastTimerLibrary();
    return result;
}
