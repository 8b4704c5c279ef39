#pragma once
#include <QMainWindow>
#include <QMap>
#include <array>
#include <functional>

#include "app/helphistory.h"

class QAction;
class ElidingLabel;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTextBrowser;
class QTimer;
class StatusPanels;
class TAbout_Form;
class BatteryWindow;
class SettingsDialog;
class TInfo_Form;
class TPers_Form;
class TPersSel_Form;

// The windows the main window opens; created once by the start sequence.
// A window that is not there leaves its menu item disabled.
struct ProgramWindows
{
    BatteryWindow *akku = nullptr;
    SettingsDialog *config = nullptr;
    TInfo_Form *info = nullptr;
    TPers_Form *pers = nullptr;
    TPersSel_Form *persSel = nullptr;
    TAbout_Form *about = nullptr;
    std::function<bool()> newShooter;    // new shooter dialog, true on OK
    std::function<bool()> editShooter;   // edit shooter dialog for the current record
    std::function<void()> evaluation;    // evaluation window
    std::function<void()> exportData;    // "Daten &exportieren...": all measurements as CSV
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
    std::function<std::array<int, 3>()> describe;  // series count, target spacing, 0: shown in LastMeasurement
};

class TMain_Form : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMain_Form(QWidget *parent = nullptr);
    ~TMain_Form() override;

    // Creation steps that need the data module (alias, open, reorganise) and
    // report to the splash; run once by the start sequence.
    void FormCreate(const std::function<void(const QString &)> &splashStatus = {});

    void setWindows(const ProgramWindows &windows);
    void registerTest(int test, const TestEntry &entry);

    // Device routines.
    void GoOnline();
    void GoOffline();
    // The link failed (DeviceLinkEvents::linkLost): the status bar and the
    // menus show the program offline; "O&nline" (F5) connects anew.
    void LinkLost();
    // Once a second while online and no modal window is open: a port whose
    // device vanished loses the link (nothing is sent to the trainer).
    void WatchLink();
    // The first activation connects unless "Offline" is set; later ones do nothing.
    void FirstActivation();

    // Program end: session closed, optional backup, last log lines.
    void ProgramEnd();
    bool EnsureBackupFolder(const QString &path);

    void IdleUpdate();
    void StartTest(int test);
    void RepeatLastMeasurement();
    void ShowHelpTopic(int number);
    void ShowLogViewer();
    void CloseLogViewer();
    void DeleteLogFile();
    void LaunchSpurwerk();

    // Four numbers: test (-1 = nothing to repeat) and three setup values.
    std::array<int, 4> LastMeasurement = {-1, 0, 0, 0};
    bool RepeatFlag = false;

    StatusPanels *statusPanels() const { return m_status; }
    QAction *action(const QString &objectName) const;
    const HelpHistory &helpHistory() const { return m_history; }
    bool helpPaneOpen() const { return m_helpPaneOpen; }
    bool quickBarVisible() const;

    // Launches a command line; returns the old-style code (above 31 = started).
    static int ExecCommandLine(const QString &commandLine);
    // Opens an address; replaceable by tests.
    std::function<bool(const QString &)> openUrl;

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildQuickBar(QWidget *parent);
    QWidget *buildWorkArea(QWidget *parent);
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key,
                     const QString &hint, int help);
    void setTitle(const QString &text);
    void showHelpPage(const QString &file);
    void updateHelpButtons();
    void openLink(const QString &logLine, const QString &url);
    void openWindowDialog(const QString &title, QDialog *dialog);
    bool userIsBackHere() const;

    ProgramWindows m_windows;
    QMap<int, TestEntry> m_tests;
    StatusPanels *m_status = nullptr;
    QFrame *m_quickBar = nullptr;
    QLabel *m_title = nullptr;
    QFrame *m_shooterPanel = nullptr;
    ElidingLabel *m_shooterName = nullptr;
    QLabel *m_shooterRounds = nullptr;
    QStackedWidget *m_work = nullptr;
    QWidget *m_logPanel = nullptr;
    QPlainTextEdit *m_logMemo = nullptr;
    QWidget *m_helpPanel = nullptr;
    QTextBrowser *m_helpBrowser = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_forwardButton = nullptr;
    QTimer *m_idleTimer = nullptr;
    QTimer *m_linkWatch = nullptr;
    HelpHistory m_history;
    bool m_helpPaneOpen = false;
    bool m_activatedOnce = false;
    bool m_ended = false;
    std::function<void()> m_restoreLastSettings;   // run settings of LastMeasurement
};
