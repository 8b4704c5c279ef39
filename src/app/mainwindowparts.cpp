// The parts of the main window: menus, quick-start bar, title strip with the
// shooter panel, and the work area with help pane and log viewer.
#include "app/mainwindow.h"

#include "app/aboutdialog.h"
#include "app/settingsdialog.h"
#include "app/helppane.h"
#include "app/logviewer.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "core/changenotifier.h"
#include "device/batterywindow.h"
#include "platform/messageservice.h"
#include "shooters/activeshooter.h"
#include "shooters/shooteroverview.h"
#include "shooters/shooterselectdialog.h"
#include "shooters/shooteractions.h"
#include "store/stationimport.h"
#include "store/tdata.h"
#include "ui/elidinglabel.h"
#include "ui/hints.h"
#include "ui/jobprogress.h"
#include "ui/pictures.h"
#include "ui/weblinks.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *kHelpNumber = "helpNumber";

// Clickable picture (the logo in the title strip).
class ClickLabel : public QLabel
{
public:
    using QLabel::QLabel;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (clicked)
            clicked();
    }
};

} // namespace

QAction *MainWindow::addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key,
                             const QString &hint, int help)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(name);
    if (!key.isEmpty())
        a->setShortcut(key);
    a->setStatusTip(hint);
    if (help > 0)
        a->setProperty(kHelpNumber, help);
    if (menu)
        menu->addAction(a);
    return a;
}

// A menu on the bar (no parent) or a submenu, with its hint and help page;
// F1 inside it shows the help of the highlighted item.
QMenu *MainWindow::addMenu(QMenu *parent, const QString &name, const QString &caption, const QString &hint, int help)
{
    QMenu *m = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    m->setObjectName(name);
    if (!parent)
        m->menuAction()->setObjectName(name + QStringLiteral("_Item"));
    m->menuAction()->setStatusTip(hint);
    m->menuAction()->setProperty(kHelpNumber, help);
    m->installEventFilter(this);
    return m;
}

void MainWindow::buildMenus()
{
    buildProgramMenu();
    buildShooterMenu();
    buildMeasureMenu();
    buildExtrasAndHelpMenus();
}

// Merges a stand's data folder into the open database on a thread of its own,
// with a progress dialog; the shooter tables are read again so the overview
// and the evaluation show what came in.
void MainWindow::importStandFolder(const QString &folder)
{
    TData *data = TData::instance();
    if (!data || !data->tablesOpen()) {
        ShowError(QStringLiteral("\r\nDie Datenbank ist nicht geöffnet; es kann nichts importiert werden."));
        emit standImportFinished(false);
        return;
    }
    auto *job = new StationImportJob(folder, data->connectionTarget(), this);
    connect(job, &BackgroundJob::finished, this, [this, job](bool ok) {
        job->deleteLater();
        const QString folder = job->folder();
        const bool cancelled = !ok && job->isCancelled();
        const QString tag = ok ? QStringLiteral("Erfolg") : cancelled ? QStringLiteral("Abbruch") : QStringLiteral("Fehler");
        WriteLogLine(QStringLiteral("Ausführen : [%1] Daten importieren aus %2: %3")
                         .arg(tag, QDir::toNativeSeparators(folder), ok ? job->summary().text() : job->error()));
        if (!ok) {
            if (cancelled)
                ShowInformation(QStringLiteral("\r\n") + job->error());
            else
                ShowError(QStringLiteral("\r\n") + job->error());
            emit standImportFinished(false);
            return;
        }
        TData *data = TData::instance();
        if (data && data->tablesOpen()) {
            for (DataTable *table : {data->persTable(), data->visierTable(), data->reakTable()})
                if (table->isOpen())
                    table->refresh();
        }
        ActiveShooter::notifier().notify();
        ShowInformation(QStringLiteral("\r\nDaten importiert: ") + job->summary().text());
        emit standImportFinished(true);
    });
    ShowJobProgress(job, QStringLiteral("Daten importieren"), QStringLiteral("Die Daten werden importiert …"), this);
    job->start();
}

void MainWindow::buildProgramMenu()
{
    QMenu *prog = addMenu(nullptr, QStringLiteral("Programm_Menu"), QStringLiteral("&Programm"),
                          QStringLiteral("Modus wechseln / Programm beenden"), 1100);
    prog->addSeparator();
    addItem(prog, QStringLiteral("Archiv_Item"), QStringLiteral("&Datenarchivierung"), {}, {}, 1110)->setEnabled(false);
    connect(addItem(prog, QStringLiteral("Import_Item"), QStringLiteral("Daten &importieren..."), {},
                    QStringLiteral("Daten eines anderen Trainingsstands übernehmen"), 1120),
            &QAction::triggered, this, [this] {
                const QString folder = QFileDialog::getExistingDirectory(
                    this, QStringLiteral("Datenordner des Trainingsstands wählen"), QString(),
                    QFileDialog::ShowDirsOnly);
                if (!folder.isEmpty())
                    importStandFolder(folder);
            });
    m_exportAction = addItem(prog, QStringLiteral("Export_Item"), QStringLiteral("Daten &exportieren..."), {}, {}, 1130);
    connect(m_exportAction, &QAction::triggered, this, [this] {
        if (m_windows.exportData)
            m_windows.exportData();
    });
    prog->addSeparator();
    QMenu *mode = addMenu(prog, QStringLiteral("Modus_Menu"), QStringLiteral("&Modus wechseln..."),
                          QStringLiteral("Gerät verbinden / trennen"), 1141);
    auto *group = new QActionGroup(this);
    m_onlineAction = addItem(mode, QStringLiteral("Online_Item"), QStringLiteral("O&nline"), Qt::Key_F5,
                             QStringLiteral("Verbindung zum Gerät aufbauen"), 1141);
    m_offlineAction = addItem(mode, QStringLiteral("Offline_Item"), QStringLiteral("O&ffline"), Qt::Key_F6,
                              QStringLiteral("Verbindung zum Gerät trennen"), 1141);
    m_onlineAction->setCheckable(true);
    m_offlineAction->setCheckable(true);
    m_offlineAction->setChecked(true);
    group->addAction(m_onlineAction);
    group->addAction(m_offlineAction);
    connect(m_onlineAction, &QAction::triggered, this, [this] {
        if (AppState::instance().OfflineState)
            goOnline();
        else
            ShowInformation(QStringLiteral("\r\nSie befinden sich bereits im ONLINE-Modus."));
        updateActions();
    });
    connect(m_offlineAction, &QAction::triggered, this, [this] {
        if (AppState::instance().OfflineState)
            ShowInformation(QStringLiteral("\r\nSie befinden sich bereits im OFFLINE-Modus."));
        else
            goOffline();
        updateActions();
    });
    prog->addSeparator();
    connect(addItem(prog, QStringLiteral("Beenden_Item"), QStringLiteral("&Beenden"), QKeySequence(Qt::CTRL | Qt::Key_B),
                    QStringLiteral("Programm beenden"), 1150),
            &QAction::triggered, this, [this] {
                if (AskConfirmation(QStringLiteral("\r\nProgramm wirklich beenden ?")) == MessageService::Yes)
                    close();
            });
}

void MainWindow::buildShooterMenu()
{
    QMenu *shooters = addMenu(nullptr, QStringLiteral("Schuetzen_Menu"), QStringLiteral("&Schützen"),
                              QStringLiteral("Schützenverwaltung"), 1200);
    m_overviewAction = addItem(shooters, QStringLiteral("Uebersicht_Item"), QStringLiteral("Üb&ersicht"),
                               QKeySequence(Qt::CTRL | Qt::Key_U), QStringLiteral("Schützenübersicht"), 1210);
    connect(m_overviewAction, &QAction::triggered, this, [this] {
        if (m_windows.pers)
            openWindowDialog(QStringLiteral("Schützenübersicht"), m_windows.pers);
    });
    m_addShooterAction = addItem(shooters, QStringLiteral("Hinzufuegen_Item"), QStringLiteral("&Hinzufügen"), Qt::Key_F2,
                                 QStringLiteral("Neuen Schützen zur Datenbank hinzufügen"), 1220);
    connect(m_addShooterAction, &QAction::triggered, this, [this] {
        if (!m_windows.newShooter)
            return;
        setTitle(QStringLiteral("Neuen Schützen hinzufügen"));
        m_windows.newShooter();
        updateActions();   // the table may hold its first shooter now
    });
    m_editShooterAction = addItem(shooters, QStringLiteral("Bearbeiten_Item"), QStringLiteral("&Bearbeiten"), {},
                                  QStringLiteral("Schützendaten bearbeiten"), 1230);
    connect(m_editShooterAction, &QAction::triggered, this, [this] {
        if (!m_windows.editShooter)
            return;
        setTitle(QStringLiteral("Aktiven Schützen bearbeiten..."));
        EditActiveShooter([this] { m_windows.editShooter(); });
        updateActions();
    });
    m_deleteShooterAction = addItem(shooters, QStringLiteral("Loeschen_Item"), QStringLiteral("&Löschen"), {},
                                    QStringLiteral("Schützen aus Datenbank entfernen"), 1240);
    connect(m_deleteShooterAction, &QAction::triggered, this, [this] {
        DeleteActiveShooter();
        updateActions();
    });
    shooters->addSeparator();
    m_selectShooterAction = addItem(shooters, QStringLiteral("Auswaehlen_Item"), QStringLiteral("&Auswählen..."),
                                    QKeySequence(Qt::CTRL | Qt::Key_A), QStringLiteral("Schützen für Messung auswählen"), 1250);
    connect(m_selectShooterAction, &QAction::triggered, this, [this] {
        if (m_windows.persSel)
            openWindowDialog(QStringLiteral("Schütze auswählen"), m_windows.persSel);
    });
    shooters->addSeparator();
    addItem(shooters, QStringLiteral("ListeDrucken_Item"), QStringLiteral("Liste &drucken"), {}, {}, 1260)->setEnabled(false);
}

void MainWindow::buildMeasureMenu()
{
    m_measureMenu = addMenu(nullptr, QStringLiteral("Messung_Menu"), QStringLiteral("&Messung"), QStringLiteral("Versuchsauswahl"), 1300);
    const QString captions[3] = {QStringLiteral("&1 Einfachreaktion statisch"), QStringLiteral("&2 Einfachreaktion Zufallspositionen"),
                                 QStringLiteral("&3 Individualkurven")};
    for (int t = 1; t <= 3; ++t) {
        m_testActions[t - 1] = addItem(m_measureMenu, QStringLiteral("Test%1_Item").arg(t), captions[t - 1], {}, {}, 0);
        connect(m_testActions[t - 1], &QAction::triggered, this, [this, t] { startTest(t); });
    }
    m_measureMenu->addSeparator();
    m_repeatAction = addItem(m_measureMenu, QStringLiteral("Wiederholen_Item"), QStringLiteral("&wiederholen"),
                             QKeySequence(Qt::CTRL | Qt::Key_F3), QStringLiteral("letzte Messung wiederholen"), 1300);
    connect(m_repeatAction, &QAction::triggered, this, &MainWindow::repeatLastMeasurement);

    m_evaluationAction = addItem(nullptr, QStringLiteral("Auswertung_Item"), QStringLiteral("&Auswertung"), {},
                                 QStringLiteral("Versuchsauswertung"), 1400);
    menuBar()->addAction(m_evaluationAction);
    connect(m_evaluationAction, &QAction::triggered, this, [this] {
        if (!m_windows.evaluation)
            return;
        const ActiveShooter &s = ActiveShooter::instance();
        setTitle(QStringLiteral("Messergebnisse ") + s.Vorname + u' ' + s.Name);
        m_windows.evaluation();
        updateActions();
    });
    m_settingsAction = addItem(nullptr, QStringLiteral("Einstellungen_Item"), QStringLiteral("&Einstellungen"), {},
                               QStringLiteral("Programmeinstellungen"), 1500);
    menuBar()->addAction(m_settingsAction);
    connect(m_settingsAction, &QAction::triggered, this, [this] {
        if (m_windows.config)
            openWindowDialog(QStringLiteral("Programmkonfiguration"), m_windows.config);
    });
}

void MainWindow::buildExtrasAndHelpMenus()
{
    QMenu *extras = addMenu(nullptr, QStringLiteral("Extras_Menu"), QStringLiteral("E&xtras"), QStringLiteral("Bestenliste / Logfile"), 1600);
    m_quickBarAction = addItem(extras, QStringLiteral("Schnellstart_Item"), QStringLiteral("&Schnellstartleiste anzeigen"), Qt::Key_F10,
                               QStringLiteral("Schnellstartleiste aktivieren"), 1600);
    connect(m_quickBarAction, &QAction::triggered, this, [this] {
        WriteLogLine(QStringLiteral("Ausführen : [Start] Schnellstartleiste anzeigen"));
        m_quickBar->show();
        updateActions();
    });
    m_batteryAction = addItem(extras, QStringLiteral("Akku_Item"), QStringLiteral("&Akkustand anzeigen"), Qt::Key_F12,
                              QStringLiteral("Akku-Restbetriebsdauer anzeigen"), 1600);
    connect(m_batteryAction, &QAction::triggered, this, [this] {
        if (m_windows.akku)
            openWindowDialog(QStringLiteral("Restbetriebsdauer anzeigen"), m_windows.akku);
    });
    connect(addItem(extras, QStringLiteral("Logfile_Item"), QStringLiteral("&Logfile einsehen"), QKeySequence(Qt::CTRL | Qt::Key_L),
                    QStringLiteral("Logfile einsehen / löschen"), 1600),
            &QAction::triggered, this, &MainWindow::showLogViewer);
    extras->addSeparator();
    m_spurwerkAction = addItem(extras, QStringLiteral("Spurwerk_Item"), QStringLiteral("Vantrel Spurwerk"), {},
                               QStringLiteral("Kurvengenerator ausführen"), 0);
    connect(m_spurwerkAction, &QAction::triggered, this, &MainWindow::launchSpurwerk);

    QMenu *help = addMenu(nullptr, QStringLiteral("Hilfe_Menu"), QStringLiteral("&?"), QStringLiteral("Hilfe"), 1000);
    QAction *contents = addItem(help, QStringLiteral("Inhalt_Item"), QStringLiteral("&Inhalt"), {}, QStringLiteral("Übersicht"), 1000);
    contents->setEnabled(false);
    connect(contents, &QAction::triggered, this, [this] {
        if (!m_helpPaneOpen)
            showHelpTopic(1000);
    });
    QMenu *www = addMenu(help, QStringLiteral("WWW_Menu"), QStringLiteral("&NRV im WWW"), QStringLiteral("Verbindung zur Webseite"), 1000);
    connect(addItem(www, QStringLiteral("Homepage_Item"), QStringLiteral("&Homepage"), {}, WebLinks::Homepage, 0),
            &QAction::triggered, this, [this] { openLink(QStringLiteral("Ausführen : Verbinden mit Webseite"), WebLinks::Homepage); });
    connect(addItem(www, QStringLiteral("FAQ_Item"), QStringLiteral("&FAQ"), {}, WebLinks::Faq, 0), &QAction::triggered, this,
            [this] { openLink(QStringLiteral("Ausführen : Verbinden mit Webseite (FAQ)"), WebLinks::Faq); });
    connect(addItem(www, QStringLiteral("Updates_Item"), QStringLiteral("&Updates"), {}, WebLinks::Updates, 0), &QAction::triggered,
            this, [this] { openLink(QStringLiteral("Ausführen : Verbinden mit Webseite (Updates)"), WebLinks::Updates); });
    www->addSeparator();
    connect(addItem(www, QStringLiteral("EMail_Item"), QStringLiteral("&E-Mail"), {}, WebLinks::SupportMail, 0),
            &QAction::triggered, this,
            [this] { openLink(QStringLiteral("Ausführen : Senden E-Mail"), QStringLiteral("mailto:") + WebLinks::SupportMail); });
    help->addSeparator();
    m_infoAction = addItem(help, QStringLiteral("Info_Item"), QStringLiteral("&Info..."), {}, QStringLiteral("Produktinformation"), 1000);
    connect(m_infoAction, &QAction::triggered, this, [this] {
        if (m_windows.about)
            openWindowDialog(WebLinks::MakerName, m_windows.about);
    });
}

void MainWindow::buildQuickBar(QWidget *parent)
{
    m_quickBar = new QFrame(parent);
    m_quickBar->setObjectName(QStringLiteral("SpeedBar_Panel"));
    m_quickBar->setFixedWidth(105);
    m_quickBar->setAutoFillBackground(true);
    QPalette pal = m_quickBar->palette();
    pal.setColor(QPalette::Window, QColor(0x7A, 0x96, 0xDF));   // inactive caption
    m_quickBar->setPalette(pal);
    auto *layout = new QVBoxLayout(m_quickBar);
    layout->setContentsMargins(4, 2, 4, 4);
    auto *header = new QHBoxLayout;
    header->addStretch(1);
    auto *helpButton = new QToolButton(m_quickBar);
    helpButton->setObjectName(QStringLiteral("SpeedBarHelp_Button"));
    helpButton->setText(QStringLiteral("?"));
    helpButton->setEnabled(false);
    auto *closeButton = new QToolButton(m_quickBar);
    closeButton->setObjectName(QStringLiteral("SpeedBarClose_Button"));
    closeButton->setText(QStringLiteral("×"));
    connect(closeButton, &QToolButton::clicked, this, [this] {
        WriteLogLine(QStringLiteral("Ausführen : [Close] Schnellstartleiste verbergen"));
        m_quickBar->hide();
        updateActions();
    });
    header->addWidget(helpButton);
    header->addWidget(closeButton);
    layout->addLayout(header);
    const QString captions[3] = {QStringLiteral("Einfachreaktion statisch"), QStringLiteral("Einfachreaktion  Zufallspositionen"),
                                 QStringLiteral("Individualkurven")};
    for (int i = 0; i < 3; ++i) {
        auto *button = new QPushButton(captions[i], m_quickBar);
        button->setObjectName(QStringLiteral("Test%1_Button").arg(i + 1));
        button->setMinimumHeight(72);
        QFont small = button->font();
        small.setPixelSize(11);
        button->setFont(small);
        QString wrapped = captions[i];
        wrapped.replace(u' ', u'\n');
        button->setText(wrapped.replace(QStringLiteral("\n\n"), QStringLiteral("\n")));
        const int test = i + 1;
        connect(button, &QPushButton::clicked, this, [this, test] { startTest(test); });
        layout->addWidget(button);
        m_testButtons[i] = button;
    }
    layout->addStretch(1);
}

QWidget *MainWindow::buildWorkArea(QWidget *parent)
{
    auto *area = new QWidget(parent);
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *strip = new QFrame(area);
    strip->setObjectName(QStringLiteral("Title_Panel"));
    strip->setFixedHeight(41);
    strip->setAutoFillBackground(true);
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, QColor(0x7A, 0x96, 0xDF));
    pal.setColor(QPalette::WindowText, Qt::white);
    strip->setPalette(pal);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(8, 0, 4, 0);
    m_title = new QLabel(strip);
    m_title->setObjectName(QStringLiteral("Title_Label"));
    QFont f = m_title->font();
    f.setPixelSize(19);
    m_title->setFont(f);
    auto *logo = new ClickLabel(strip);
    logo->setObjectName(QStringLiteral("Logo_Image"));
    logo->setPixmap(Pictures::pixmap(Pictures::logo()).scaledToHeight(37, Qt::SmoothTransformation));
    logo->setCursor(Qt::PointingHandCursor);
    logo->clicked = [this] { openLink(QStringLiteral("Ausführen : Verbinden mit Webseite"), WebLinks::Homepage); };
    stripLayout->addWidget(m_title, 1);
    stripLayout->addWidget(logo);
    layout->addWidget(strip);
    layout->addWidget(buildShooterPanel(area));

    m_work = new QStackedWidget(area);
    m_work->setObjectName(QStringLiteral("Work_Area"));
    m_work->addWidget(new QWidget(m_work));
    m_logViewer = new LogViewer(m_work);
    connect(m_logViewer, &LogViewer::closeRequested, this, &MainWindow::closeLogViewer);
    m_work->addWidget(m_logViewer);
    m_helpPane = new HelpPane(m_work);
    connect(m_helpPane, &HelpPane::externalLinkClicked, this, [this](const QString &url) {
        if (openUrl)
            openUrl(url);
    });
    connect(m_helpPane, &HelpPane::closeRequested, this, [this] {
        m_helpPaneOpen = false;
        if (m_work->currentWidget() == m_helpPane)
            m_work->setCurrentIndex(0);
    });
    m_work->addWidget(m_helpPane);
    layout->addWidget(m_work, 1);
    return area;
}

QWidget *MainWindow::buildShooterPanel(QWidget *parent)
{
    m_shooterPanel = new QFrame(parent);
    m_shooterPanel->setObjectName(QStringLiteral("Shooter_Panel"));
    m_shooterPanel->setFrameShape(QFrame::StyledPanel);
    auto *sp = new QHBoxLayout(m_shooterPanel);
    auto *picture = new QLabel(m_shooterPanel);
    picture->setObjectName(QStringLiteral("User_Image"));
    picture->setPixmap(Pictures::pixmap(Pictures::userPicture()));
    auto *captions = new QVBoxLayout;
    auto *values = new QVBoxLayout;
    auto *l1 = new QLabel(QStringLiteral("Aktiver Schütze"), m_shooterPanel);
    auto *l2 = new QLabel(QStringLiteral("Trainingsrunden"), m_shooterPanel);
    for (QLabel *l : {l1, l2}) {
        QFont bold = l->font();
        bold.setBold(true);
        l->setFont(bold);
        l->setStyleSheet(QStringLiteral("color: navy;"));
        captions->addWidget(l);
    }
    m_shooterName = new ElidingLabel(m_shooterPanel);
    m_shooterName->setObjectName(QStringLiteral("ShooterName_Label"));
    m_shooterRounds = new QLabel(m_shooterPanel);
    m_shooterRounds->setObjectName(QStringLiteral("Trainingsrunden_Label"));
    values->addWidget(m_shooterName);
    values->addWidget(m_shooterRounds);
    auto *deactivate = new QToolButton(m_shooterPanel);
    deactivate->setObjectName(QStringLiteral("Deactivate_Button"));
    deactivate->setText(QStringLiteral("×"));
    SetHint(deactivate, QStringLiteral("|Aktiven Schützen deaktivieren"));
    connect(deactivate, &QToolButton::clicked, this, [this] {
        m_shooterName->clear();
        m_shooterRounds->clear();
        DeactivateActiveShooter();
    });
    sp->addWidget(picture);
    sp->addLayout(captions);
    sp->addLayout(values, 1);
    sp->addWidget(deactivate, 0, Qt::AlignTop);
    m_shooterPanel->hide();
    return m_shooterPanel;
}
