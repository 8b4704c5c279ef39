#include "app/mainwindow.h"

#include "app/helppane.h"
#include "app/logviewer.h"
#include "app/statuspanels.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "core/changenotifier.h"
#include "core/settings.h"
#include "device/batterywindow.h"
#include "device/comexception.h"
#include "device/commandset.h"
#include "device/connectsequence.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "shooters/activeshooter.h"
#include "shooters/shooteractions.h"
#include "shooters/shooteroverview.h"
#include "shooters/shooterselectdialog.h"
#include "store/tdata.h"
#include "ui/elidinglabel.h"
#include "ui/hints.h"
#include "ui/weblinks.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *kHelpNumber = "helpNumber";

QString testStartLine(int test)
{
    switch (test) {
    case 1: return QStringLiteral("Ausführen : [Start] Einfachreaktionstest");
    case 2: return QStringLiteral("Ausführen : [Start] Einfachreaktionstest mit Fehlscheiben");
    default: return QStringLiteral("Ausführen : [Start] Individualkurven");
    }
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Main_Form"));
    setWindowTitle(QStringLiteral("Vantrel Reaktion 1.1"));
    setProperty(kHelpNumber, 1000);
    openUrl = [](const QString &url) { return WebLinks::Open(url); };

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    buildQuickBar(central);
    row->addWidget(m_quickBar);
    row->addWidget(buildWorkArea(central), 1);
    outer->addLayout(row, 1);
    m_status = new StatusPanels(central);
    outer->addWidget(m_status);
    setCentralWidget(central);
    buildMenus();

    // An adapter pulled while nothing asks the trainer: noticed within a second.
    m_linkWatch = new QTimer(this);
    m_linkWatch->setInterval(1000);
    connect(m_linkWatch, &QTimer::timeout, this, &MainWindow::watchLink);
    m_linkWatch->start();
    m_connect = new ConnectSequence(this);
    connect(m_connect, &ConnectSequence::openFailed, this, [] { AppState::instance().setOffline(true); });
    connect(m_connect, &ConnectSequence::portOpened, this, [this] {
        const DeviceLinkState &link = DeviceLink();
        m_status->setPanelText(2, QStringLiteral("Port : ") + link.portName + u',' + link.baudName);
    });
    connect(m_connect, &ConnectSequence::connected, this, [this] {
        m_status->setPanelText(4, QStringLiteral("PIC : ") + DeviceLink().serialText);
        m_status->setPanelText(3, QStringLiteral("Modus : Online"));
        AppState::instance().setOffline(false);
    });
    connect(m_connect, &ConnectSequence::refused, this, [] { AppState::instance().setOffline(true); });
    connect(m_connect, &ConnectSequence::finished, this, [this] {
        AppState::instance().setBusyTitle(false);
        updateActions();
    });
    SetHelpTopicHandler([this](int number) { showHelpTopic(number); });
    InstallHintHandler([this](const QString &tip) { m_status->setPanelText(0, tip); });
    resize(1024, 700);
    m_status->setPanel0Width(width() - 470);

    // What the window shows follows the records it shows.
    m_followed << connect(&Settings::notifier(), &ChangeNotifier::changed, this, &MainWindow::updateActions)
               << connect(&AppState::notifier(), &ChangeNotifier::changed, this, &MainWindow::updateActions)
               << connect(&ActiveShooter::notifier(), &ChangeNotifier::changed, this, &MainWindow::updateActions)
               << connect(&DeviceLinkEvents::instance(), &DeviceLinkEvents::linkLost, this, &MainWindow::showLinkLost)
               << connect(&DeviceLinkEvents::instance(), &DeviceLinkEvents::linkChanged, this, &MainWindow::updateActions)
               // Back from another window: the title strip clears.
               << connect(qApp, &QApplication::focusChanged, this, &MainWindow::updateTitle);
    // Shooters and results changed on another stand of the club server.
    if (TData *data = TData::instance())
        m_followed << connect(data, &TData::changedElsewhere, this, &MainWindow::followOtherStands);
    updateActions();
}

MainWindow::~MainWindow()
{
    for (const QMetaObject::Connection &c : std::as_const(m_followed))
        disconnect(c);
    SetHelpTopicHandler({});
    InstallHintHandler({});
}

void MainWindow::setWindows(const ProgramWindows &windows)
{
    m_windows = windows;
    if (m_windows.akku)
        m_windows.akku->setOfflineStateProvider([] { return AppState::instance().OfflineState; });
    updateActions();
}

void MainWindow::registerTest(int test, const TestEntry &entry)
{
    m_tests.insert(test, entry);
    updateActions();
}

// The main window's own title: not announced, so it is not cleared at once
// while the window it names is still to open.
void MainWindow::setTitle(const QString &text)
{
    AppState::instance().ActivityTitle = text;
    m_title->setText(text);
}

void MainWindow::openWindowDialog(const QString &title, QDialog *dialog)
{
    setTitle(title);
    dialog->exec();
    updateActions();
}

void MainWindow::openLink(const QString &logLine, const QString &url)
{
    WriteLogLine(logLine);
    if (openUrl)
        openUrl(url);
}

bool MainWindow::quickBarVisible() const { return !m_quickBar->isHidden(); }

// ---------------------------------------------------------------- device

void MainWindow::firstActivation()
{
    if (m_activatedOnce)
        return;
    m_activatedOnce = true;
    if (Settings::instance().Offline)
        AppState::instance().setOffline(true);
    else
        goOnline();
}

void MainWindow::goOnline()
{
    if (m_connect->running())
        return;
    ConnectSequence::Options options;
    options.readBattery = true;
    options.refusedHead = QStringLiteral("\r\nFehler beim Verbindungsaufbau zum Gerät.\r\n");
    options.explainBeforeLog = true;
    m_connect->start(options);
    AppState::instance().setBusyTitle(true);
    setTitle(QStringLiteral("Verbinden mit Vantrel..."));
}

bool MainWindow::connecting() const { return m_connect->running(); }

void MainWindow::showOfflinePanels()
{
    m_status->setPanelText(2, QStringLiteral("Port : unbekannt"));
    m_status->setPanelText(3, QStringLiteral("Modus : Offline"));
    m_status->setPanelText(4, QStringLiteral("PIC : unbekannt"));
}

void MainWindow::showLinkLost()
{
    // The command set has logged it and said so; the window follows.
    showOfflinePanels();
    AppState::instance().setOffline(true);
    updateActions();
}

void MainWindow::watchLink()
{
    // Windows with a device function or a test of their own are left alone.
    if (!AppState::instance().OfflineState && !QApplication::activeModalWidget() && !m_connect->running())
        ProbeLink();
}

void MainWindow::goOffline()
{
    m_connect->cancel();
    WriteLogLine(QStringLiteral("Ausführen : Verbindung abbauen (OFFLINE-Modus)"));
    showOfflinePanels();
    DisconnectDevice();
    AppState::instance().setOffline(true);
    updateActions();
}

// ---------------------------------------------------------------- events

void MainWindow::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activatedOnce)
        QTimer::singleShot(0, this, &MainWindow::firstActivation);
    if (event->type() == QEvent::ActivationChange)
        updateTitle();
    // A local folder tells nothing of other programs on it: back in the window, read again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_activatedOnce)
        if (TData *data = TData::instance(); data && !data->isServer())
            followOtherStands();
}

void MainWindow::followOtherStands()
{
    RefreshShooterTable();
    if (!RefreshActiveShooter())
        ActiveShooter::notifier().notify();   // "Auswählen…" follows the list
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_status->setPanel0Width(width() - 470);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        int number = 1000;
        for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            if (w->property(kHelpNumber).isValid()) {
                number = w->property(kHelpNumber).toInt();
                break;
            }
        }
        showHelpTopic(number);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
        if (auto *menu = qobject_cast<QMenu *>(watched)) {
            QAction *a = menu->activeAction();
            QVariant n = a ? a->property(kHelpNumber) : QVariant();
            if (!n.isValid())
                n = menu->menuAction()->property(kHelpNumber);
            menu->close();
            showHelpTopic(n.isValid() ? n.toInt() : 1000);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- following the state

void MainWindow::updateActions()
{
    const AppState &state = AppState::instance();
    const ActiveShooter &shooter = ActiveShooter::instance();

    TData *data = TData::instance();
    const bool tableEmpty = !data || !data->persTable() || !data->persTable()->isOpen() || data->persTable()->isEmpty();
    if (m_windows.pers)
        m_windows.pers->updateDataMenu();
    m_selectShooterAction->setEnabled(!tableEmpty && m_windows.persSel != nullptr);

    if (!state.OfflineState) {
        m_onlineAction->setChecked(true);
        m_measureMenu->setEnabled(true);
        m_batteryAction->setEnabled(m_windows.akku != nullptr);
    } else {
        m_offlineAction->setChecked(true);
        m_batteryAction->setEnabled(false);
    }

    if (shooter.active) {
        m_shooterPanel->show();
        m_shooterName->setText(shooter.displayName());
        m_shooterRounds->setText(shooter.Trainingsrunden >= 0 ? QString::number(shooter.Trainingsrunden) : QString());
    } else {
        m_shooterPanel->hide();
    }
    m_editShooterAction->setEnabled(shooter.active && bool(m_windows.editShooter));
    m_deleteShooterAction->setEnabled(shooter.active);
    m_evaluationAction->setEnabled(shooter.active && bool(m_windows.evaluation));

    m_quickBarAction->setEnabled(m_quickBar->isHidden());
    m_repeatAction->setEnabled(m_last.test != -1 && m_tests.contains(m_last.test));
    m_spurwerkAction->setEnabled(!Settings::instance().ProgramDir.trimmed().isEmpty());

    // Tests whose windows are not part of this build stay disabled.
    for (int t = 1; t <= 3; ++t) {
        m_testActions[t - 1]->setEnabled(m_tests.contains(t));
        m_testButtons[t - 1]->setEnabled(m_tests.contains(t));
    }
    m_addShooterAction->setEnabled(bool(m_windows.newShooter));
    m_overviewAction->setEnabled(m_windows.pers != nullptr);
    m_settingsAction->setEnabled(m_windows.config != nullptr);
    m_infoAction->setEnabled(m_windows.about != nullptr);
    m_exportAction->setEnabled(bool(m_windows.exportData));
    m_status->setBattery(state.OfflineState, DeviceLink().LastBatteryVoltage);
    updateTitle();
}

// The title strip names what the last menu action opened until the user is
// back in the main window (unless a busy step keeps it).
void MainWindow::updateTitle()
{
    AppState &state = AppState::instance();
    if (userIsBackHere() && !state.BusyTitle)
        state.ActivityTitle.clear();
    m_title->setText(state.ActivityTitle);
}

// Back in the main window: it holds the focus (or is the active window)
// and no modal window is open over it.
bool MainWindow::userIsBackHere() const
{
    if (QApplication::activeModalWidget())
        return false;
    const QWidget *focus = QApplication::focusWidget();
    if (focus)
        return focus->window() == this;
    return QApplication::activeWindow() == this;
}

// ---------------------------------------------------------------- tests

void MainWindow::startTest(int test, bool repeat)
{
    if (!m_tests.contains(test))
        return;
    const TestEntry entry = m_tests.value(test);
    ActiveShooter &shooter = ActiveShooter::instance();
    if (!shooter.active) {
        if (AskConfirmation(QStringLiteral("Es wurde noch keine Schütze ausgewählt.\r\n\r\nJetzt wählen und fortfahren ?"))
                == MessageService::Yes
            && m_windows.persSel) {
            setTitle(QStringLiteral("Schütze auswählen"));
            m_windows.persSel->exec();
        }
    }
    if (!shooter.active) {
        updateActions();
        return;
    }
    if (test != 3 && entry.prepareSetup)
        entry.prepareSetup();
    WriteLogLine(testStartLine(test));
    setTitle(QStringLiteral("Messvorgaben festlegen"));
    const bool accepted = repeat || (entry.setup && entry.setup());
    if (accepted) {
        // The results are booked to the shooter table's current record: make it the active shooter's.
        if (!LocateActiveShooter()) {
            ShowError(QStringLiteral("\r\nDer aktive Schütze ist nicht mehr in der Datenbank vorhanden. Bitte einen Schützen auswählen."));
            shooter.setActive(false);
            return;
        }
        setTitle(QStringLiteral("Messwerterfassung"));
        m_last = entry.describe ? entry.describe() : LastMeasurement();
        m_last.test = test;
        m_restoreLastSettings = entry.snapshot ? entry.snapshot() : std::function<void()>();
        if (entry.run)
            entry.run();
    }
    updateActions();
}

void MainWindow::repeatLastMeasurement()
{
    if (m_last.test == -1 || !m_tests.contains(m_last.test))
        return;
    if (m_restoreLastSettings)
        m_restoreLastSettings();
    startTest(m_last.test, true);
}

// ---------------------------------------------------------------- log viewer, help, launcher

void MainWindow::showLogViewer()
{
    m_logViewer->load();
    AppState::instance().setBusyTitle(true);
    setTitle(QStringLiteral("Logfile"));
    m_work->setCurrentWidget(m_logViewer);
}

void MainWindow::closeLogViewer()
{
    m_work->setCurrentIndex(m_helpPaneOpen ? m_work->indexOf(m_helpPane) : 0);
    AppState::instance().setBusyTitle(false);
}

void MainWindow::showHelpTopic(int number)
{
    const QString file = QDir(ProgramPaths::helpDir()).filePath(QString::number(number) + QStringLiteral(".htm"));
    if (!m_helpPaneOpen) {
        m_helpPaneOpen = true;
        setTitle(QStringLiteral("Online-Hilfe"));
    }
    m_helpPane->showPage(file);
    m_work->setCurrentWidget(m_helpPane);
}

bool MainWindow::execCommandLine(const QString &commandLine, int *errorCode)
{
    int code = 2;   // file not found
    QStringList parts = QProcess::splitCommand(commandLine);
    if (!parts.isEmpty()) {
        const QString program = parts.takeFirst();
        const QFileInfo info(program);
        const bool hasPath = program.contains(u'/') || program.contains(u'\\');
        if (hasPath && !info.dir().exists())
            code = 3;   // path not found
        else if ((!hasPath || info.exists()) && QProcess::startDetached(program, parts))
            return true;
    }
    if (errorCode)
        *errorCode = code;
    return false;
}

void MainWindow::launchSpurwerk()
{
    WriteLogLine(QStringLiteral("Ausführen : [Start] Vantrel Spurwerk"));
    int code = 0;
    if (!execCommandLine(Settings::instance().ProgramDir, &code)) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Vantrel Spurwerk (Code ") + QString::number(code) + u')');
        ShowError(QStringLiteral("Fehler beim Ausführen von Vantrel Spurwerk."));
    }
}
