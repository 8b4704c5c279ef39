#pragma once
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <functional>

class QAction;
class ElidingLabel;
class HelpPane;
class LogViewer;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTimer;
class StatusPanels;
class AboutDialog;
class BatteryWindow;
class ConnectSequence;
class SettingsDialog;
class ShooterOverview;
class ShooterSelectDialog;

// The windows the main window opens; created once by the start sequence.
// A window that is not there leaves its menu item disabled.
struct ProgramWindows
{
    BatteryWindow *akku = nullptr;
    SettingsDialog *config = nullptr;
    ShooterOverview *pers = nullptr;
    ShooterSelectDialog *persSel = nullptr;
    AboutDialog *about = nullptr;
    std::function<bool()> newShooter;    // new shooter dialog, true on OK
    std::function<bool()> editShooter;   // edit shooter dialog for the current record
    std::function<void()> evaluation;    // evaluation window
    std::function<void()> exportData;    // "Daten &exportieren...": all measurements as CSV
};

// The last measurement started, as "&wiederholen" starts it again.
struct LastMeasurement
{
    int test = -1;         // 1 to 3; -1: nothing to repeat
    int seriesCount = 0;   // series of the run
    int spacing = 0;       // target spacing of the run
};

// One test as the main window starts it. `snapshot` is called after the setup
// dialog was confirmed; the function it returns puts those run settings back
// when the test is repeated ("&wiederholen").
struct TestEntry
{
    std::function<void()> prepareSetup;  // before the setup dialog (tests 1 and 2: free count entry off)
    std::function<bool()> setup;         // setup dialog, true on OK
    std::function<void()> run;           // test window
    std::function<std::function<void()>()> snapshot;
    std::function<LastMeasurement()> describe;  // series count and spacing of the confirmed setup
};

// The program's main window: menus, quick-start bar, title strip with the
// active shooter, help pane, log viewer and status bar. It follows the
// settings, the program state, the active shooter and the device link
// through their change signals.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void setWindows(const ProgramWindows &windows);
    void registerTest(int test, const TestEntry &entry);

    // Device routines. Going online runs on while the window goes on;
    // connecting() tells whether it still runs.
    void goOnline();
    bool connecting() const;
    void goOffline();
    // The link failed (DeviceLinkEvents::linkLost): the status bar and the
    // menus show the program offline; "O&nline" (F5) connects anew.
    void showLinkLost();
    // Once a second while online and no modal window is open: a port whose
    // device vanished loses the link (nothing is sent to the trainer).
    void watchLink();
    // The first activation connects unless "Offline" is set; later ones do nothing.
    void firstActivation();
    // Shooter list, panel and menus read again after a change elsewhere.
    void followOtherStands();

    // "Daten importieren..." of a chosen folder: merged on a thread of its own
    // with a progress dialog; standImportFinished() tells the end.
    void importStandFolder(const QString &folder);

    // Setup dialog (unless repeated), then the test window.
    void startTest(int test, bool repeat = false);
    void repeatLastMeasurement();
    const LastMeasurement &lastMeasurement() const { return m_last; }

    void showHelpTopic(int number);
    void showLogViewer();
    void closeLogViewer();
    void launchSpurwerk();

    StatusPanels *statusPanels() const { return m_status; }
    bool helpPaneOpen() const { return m_helpPaneOpen; }
    bool quickBarVisible() const;

    // Launches a command line; true when it started. `errorCode` gets 2 (file
    // not found) or 3 (path not found) for the log.
    static bool execCommandLine(const QString &commandLine, int *errorCode = nullptr);
    // Opens an address; replaceable by tests.
    std::function<bool(const QString &)> openUrl;

signals:
    // The window closes: the program's end follows.
    void closing();
    // A "Daten importieren..." started by importStandFolder() has ended (its
    // messages shown); ok false after a failure or a cancel.
    void standImportFinished(bool ok);

public slots:
    // Menus, quick-start bar, title strip, shooter panel and status bar from
    // the current state.
    void updateActions();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildProgramMenu();
    void buildShooterMenu();
    void buildMeasureMenu();
    void buildExtrasAndHelpMenus();
    QMenu *addMenu(QMenu *parent, const QString &name, const QString &caption, const QString &hint, int help);
    void buildQuickBar(QWidget *parent);
    QWidget *buildWorkArea(QWidget *parent);
    QWidget *buildShooterPanel(QWidget *parent);
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key,
                     const QString &hint, int help);
    void setTitle(const QString &text);
    void updateTitle();
    void openLink(const QString &logLine, const QString &url);
    void openWindowDialog(const QString &title, QDialog *dialog);
    void showOfflinePanels();
    bool userIsBackHere() const;

    ProgramWindows m_windows;
    QMap<int, TestEntry> m_tests;
    LastMeasurement m_last;
    std::function<void()> m_restoreLastSettings;   // run settings of m_last

    QAction *m_exportAction = nullptr;
    QAction *m_onlineAction = nullptr;
    QAction *m_offlineAction = nullptr;
    QAction *m_overviewAction = nullptr;
    QAction *m_addShooterAction = nullptr;
    QAction *m_editShooterAction = nullptr;
    QAction *m_deleteShooterAction = nullptr;
    QAction *m_selectShooterAction = nullptr;
    QAction *m_testActions[3] = {};
    QAction *m_repeatAction = nullptr;
    QAction *m_evaluationAction = nullptr;
    QAction *m_settingsAction = nullptr;
    QAction *m_quickBarAction = nullptr;
    QAction *m_batteryAction = nullptr;
    QAction *m_spurwerkAction = nullptr;
    QAction *m_infoAction = nullptr;
    QMenu *m_measureMenu = nullptr;
    QPushButton *m_testButtons[3] = {};

    StatusPanels *m_status = nullptr;
    QFrame *m_quickBar = nullptr;
    QLabel *m_title = nullptr;
    QFrame *m_shooterPanel = nullptr;
    ElidingLabel *m_shooterName = nullptr;
    QLabel *m_shooterRounds = nullptr;
    QStackedWidget *m_work = nullptr;
    LogViewer *m_logViewer = nullptr;
    HelpPane *m_helpPane = nullptr;
    QTimer *m_linkWatch = nullptr;
    ConnectSequence *m_connect = nullptr;
    QList<QMetaObject::Connection> m_followed;   // change signals, cut before the widgets go
    bool m_helpPaneOpen = false;
    bool m_activatedOnce = false;
};
