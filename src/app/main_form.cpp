#include "ui/elidinglabel.h"
#include "app/main_form.h"

#include "device/batterywindow.h"
#include "device/comexception.h"
#include "device/commandset.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "app/about_form.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "app/settingsdialog.h"
#include "ui/hints.h"
#include "app/info_form.h"
#include "ui/pictures.h"
#include "core/settings.h"
#include "app/statuspanels.h"
#include "ui/weblinks.h"
#include "shooters/activeshooter.h"
#include "shooters/pers_form.h"
#include "shooters/perssel_form.h"
#include "shooters/shooteractions.h"
#include "store/tdata.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
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

QString testStartLine(int test)
{
    switch (test) {
    case 1: return QStringLiteral("Ausführen : [Start] Einfachreaktionstest");
    case 2: return QStringLiteral("Ausführen : [Start] Einfachreaktionstest mit Fehlscheiben");
    default: return QStringLiteral("Ausführen : [Start] Individualkurven");
    }
}

} // namespace

TMain_Form::TMain_Form(QWidget *parent)
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

    m_idleTimer = new QTimer(this);
    m_idleTimer->setInterval(100);
    connect(m_idleTimer, &QTimer::timeout, this, &TMain_Form::IdleUpdate);
    m_idleTimer->start();
    connect(&DeviceLinkEvents::instance(), &DeviceLinkEvents::linkLost, this, &TMain_Form::LinkLost);
    // An adapter pulled while nothing asks the trainer: noticed within a second.
    m_linkWatch = new QTimer(this);
    m_linkWatch->setInterval(1000);
    connect(m_linkWatch, &QTimer::timeout, this, &TMain_Form::WatchLink);
    m_linkWatch->start();
    SetHelpTopicHandler([this](int number) { ShowHelpTopic(number); });
    resize(1024, 700);
}

TMain_Form::~TMain_Form() { SetHelpTopicHandler({}); }

// ---------------------------------------------------------------- layout

QAction *TMain_Form::addItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &key,
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

QAction *TMain_Form::action(const QString &objectName) const { return findChild<QAction *>(objectName); }

void TMain_Form::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto menuOf = [&](const QString &name, const QString &caption, const QString &hint, int help) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name + QStringLiteral("_Item"));
        m->menuAction()->setStatusTip(hint);
        m->menuAction()->setProperty(kHelpNumber, help);
        m->installEventFilter(this);
        return m;
    };

    QMenu *prog = menuOf(QStringLiteral("Programm_Menu"), QStringLiteral("&Programm"),
                         QStringLiteral("Modus wechseln / Programm beenden"), 1100);
    prog->addSeparator();
    addItem(prog, QStringLiteral("Archiv_Item"), QStringLiteral("&Datenarchivierung"), {}, {}, 1110)->setEnabled(false);
    addItem(prog, QStringLiteral("Import_Item"), QStringLiteral("Daten &importieren..."), {}, {}, 1120)->setEnabled(false);
    connect(addItem(prog, QStringLiteral("Export_Item"), QStringLiteral("Daten &exportieren..."), {}, {}, 1130),
            &QAction::triggered, this, [this] {
                if (m_windows.exportData)
                    m_windows.exportData();
            });
    prog->addSeparator();
    QMenu *mode = prog->addMenu(QStringLiteral("&Modus wechseln..."));
    mode->setObjectName(QStringLiteral("Modus_Menu"));
    mode->menuAction()->setStatusTip(QStringLiteral("Gerät verbinden / trennen"));
    mode->menuAction()->setProperty(kHelpNumber, 1141);
    mode->installEventFilter(this);
    auto *group = new QActionGroup(this);
    QAction *online = addItem(mode, QStringLiteral("Online_Item"), QStringLiteral("O&nline"), Qt::Key_F5,
                              QStringLiteral("Verbindung zum Gerät aufbauen"), 1141);
    QAction *offline = addItem(mode, QStringLiteral("Offline_Item"), QStringLiteral("O&ffline"), Qt::Key_F6,
                               QStringLiteral("Verbindung zum Gerät trennen"), 1141);
    online->setCheckable(true);
    offline->setCheckable(true);
    offline->setChecked(true);
    group->addAction(online);
    group->addAction(offline);
    connect(online, &QAction::triggered, this, [this] {
        if (AppState::instance().OfflineState)
            GoOnline();
        else
            ShowInformation(QStringLiteral("\r\nSie befinden sich bereits im ONLINE-Modus."));
        IdleUpdate();
    });
    connect(offline, &QAction::triggered, this, [this] {
        if (AppState::instance().OfflineState)
            ShowInformation(QStringLiteral("\r\nSie befinden sich bereits im OFFLINE-Modus."));
        else
            GoOffline();
        IdleUpdate();
    });
    prog->addSeparator();
    connect(addItem(prog, QStringLiteral("Beenden_Item"), QStringLiteral("&Beenden"), QKeySequence(Qt::CTRL | Qt::Key_B),
                    QStringLiteral("Programm beenden"), 1150),
            &QAction::triggered, this, [this] {
                if (AskConfirmation(QStringLiteral("\r\nProgramm wirklich beenden ?")) == MessageService::Yes)
                    close();
            });

    QMenu *shooters = menuOf(QStringLiteral("Schuetzen_Menu"), QStringLiteral("&Schützen"),
                             QStringLiteral("Schützenverwaltung"), 1200);
    connect(addItem(shooters, QStringLiteral("Uebersicht_Item"), QStringLiteral("Üb&ersicht"), QKeySequence(Qt::CTRL | Qt::Key_U),
                    QStringLiteral("Schützenübersicht"), 1210),
            &QAction::triggered, this, [this] {
                if (m_windows.pers)
                    openWindowDialog(QStringLiteral("Schützenübersicht"), m_windows.pers);
            });
    connect(addItem(shooters, QStringLiteral("Hinzufuegen_Item"), QStringLiteral("&Hinzufügen"), Qt::Key_F2,
                    QStringLiteral("Neuen Schützen zur Datenbank hinzufügen"), 1220),
            &QAction::triggered, this, [this] {
                if (!m_windows.newShooter)
                    return;
                setTitle(QStringLiteral("Neuen Schützen hinzufügen"));
                m_windows.newShooter();
            });
    connect(addItem(shooters, QStringLiteral("Bearbeiten_Item"), QStringLiteral("&Bearbeiten"), {},
                    QStringLiteral("Schützendaten bearbeiten"), 1230),
            &QAction::triggered, this, [this] {
                if (!m_windows.editShooter)
                    return;
                setTitle(QStringLiteral("Aktiven Schützen bearbeiten..."));
                EditActiveShooter([this] { m_windows.editShooter(); });
                IdleUpdate();
            });
    connect(addItem(shooters, QStringLiteral("Loeschen_Item"), QStringLiteral("&Löschen"), {},
                    QStringLiteral("Schützen aus Datenbank entfernen"), 1240),
            &QAction::triggered, this, [this] {
                DeleteActiveShooter();
                IdleUpdate();
            });
    shooters->addSeparator();
    connect(addItem(shooters, QStringLiteral("Auswaehlen_Item"), QStringLiteral("&Auswählen..."), QKeySequence(Qt::CTRL | Qt::Key_A),
                    QStringLiteral("Schützen für Messung auswählen"), 1250),
            &QAction::triggered, this, [this] {
                if (m_windows.persSel)
                    openWindowDialog(QStringLiteral("Schütze auswählen"), m_windows.persSel);
            });
    shooters->addSeparator();
    addItem(shooters, QStringLiteral("ListeDrucken_Item"), QStringLiteral("Liste &drucken"), {}, {}, 1260)->setEnabled(false);

    QMenu *measure = menuOf(QStringLiteral("Messung_Menu"), QStringLiteral("&Messung"), QStringLiteral("Versuchsauswahl"), 1300);
    connect(addItem(measure, QStringLiteral("Test1_Item"), QStringLiteral("&1 Einfachreaktion statisch"), {}, {}, 0),
            &QAction::triggered, this, [this] { StartTest(1); });
    connect(addItem(measure, QStringLiteral("Test2_Item"), QStringLiteral("&2 Einfachreaktion Zufallspositionen"), {}, {}, 0),
            &QAction::triggered, this, [this] { StartTest(2); });
    connect(addItem(measure, QStringLiteral("Test3_Item"), QStringLiteral("&3 Individualkurven"), {}, {}, 0),
            &QAction::triggered, this, [this] { StartTest(3); });
    measure->addSeparator();
    connect(addItem(measure, QStringLiteral("Wiederholen_Item"), QStringLiteral("&wiederholen"), QKeySequence(Qt::CTRL | Qt::Key_F3),
                    QStringLiteral("letzte Messung wiederholen"), 1300),
            &QAction::triggered, this, &TMain_Form::RepeatLastMeasurement);

    QAction *evaluation = addItem(nullptr, QStringLiteral("Auswertung_Item"), QStringLiteral("&Auswertung"), {},
                                  QStringLiteral("Versuchsauswertung"), 1400);
    bar->addAction(evaluation);
    connect(evaluation, &QAction::triggered, this, [this] {
        if (!m_windows.evaluation)
            return;
        const ActiveShooter &s = ActiveShooter::instance();
        setTitle(QStringLiteral("Messergebnisse ") + s.Vorname + u' ' + s.Name);
        m_windows.evaluation();
    });
    QAction *settings = addItem(nullptr, QStringLiteral("Einstellungen_Item"), QStringLiteral("&Einstellungen"), {},
                                QStringLiteral("Programmeinstellungen"), 1500);
    bar->addAction(settings);
    connect(settings, &QAction::triggered, this, [this] {
        if (m_windows.config)
            openWindowDialog(QStringLiteral("Programmkonfiguration"), m_windows.config);
    });

    QMenu *extras = menuOf(QStringLiteral("Extras_Menu"), QStringLiteral("E&xtras"), QStringLiteral("Bestenliste / Logfile"), 1600);
    connect(addItem(extras, QStringLiteral("Schnellstart_Item"), QStringLiteral("&Schnellstartleiste anzeigen"), Qt::Key_F10,
                    QStringLiteral("Schnellstartleiste aktivieren"), 1600),
            &QAction::triggered, this, [this] {
                WriteLogLine(QStringLiteral("Ausführen : [Start] Schnellstartleiste anzeigen"));
                m_quickBar->show();
                IdleUpdate();
            });
    connect(addItem(extras, QStringLiteral("Akku_Item"), QStringLiteral("&Akkustand anzeigen"), Qt::Key_F12,
                    QStringLiteral("Akku-Restbetriebsdauer anzeigen"), 1600),
            &QAction::triggered, this, [this] {
                if (m_windows.akku)
                    openWindowDialog(QStringLiteral("Restbetriebsdauer anzeigen"), m_windows.akku);
            });
    connect(addItem(extras, QStringLiteral("Logfile_Item"), QStringLiteral("&Logfile einsehen"), QKeySequence(Qt::CTRL | Qt::Key_L),
                    QStringLiteral("Logfile einsehen / löschen"), 1600),
            &QAction::triggered, this, &TMain_Form::ShowLogViewer);
    extras->addSeparator();
    connect(addItem(extras, QStringLiteral("Spurwerk_Item"), QStringLiteral("Vantrel Spurwerk"), {},
                    QStringLiteral("Kurvengenerator ausführen"), 0),
            &QAction::triggered, this, &TMain_Form::LaunchSpurwerk);

    QMenu *help = menuOf(QStringLiteral("Hilfe_Menu"), QStringLiteral("&?"), QStringLiteral("Hilfe"), 1000);
    QAction *contents = addItem(help, QStringLiteral("Inhalt_Item"), QStringLiteral("&Inhalt"), {}, QStringLiteral("Übersicht"), 1000);
    contents->setEnabled(false);
    connect(contents, &QAction::triggered, this, [this] {
        if (!m_helpPaneOpen)
            ShowHelpTopic(1000);
    });
    QMenu *www = help->addMenu(QStringLiteral("&NRV im WWW"));
    www->setObjectName(QStringLiteral("WWW_Menu"));
    www->menuAction()->setStatusTip(QStringLiteral("Verbindung zur Webseite"));
    www->menuAction()->setProperty(kHelpNumber, 1000);
    www->installEventFilter(this);
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
    connect(addItem(help, QStringLiteral("Info_Item"), QStringLiteral("&Info..."), {}, QStringLiteral("Produktinformation"), 1000),
            &QAction::triggered, this, [this] {
                if (m_windows.about)
                    openWindowDialog(WebLinks::MakerName, m_windows.about);
            });
}

void TMain_Form::buildQuickBar(QWidget *parent)
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
        IdleUpdate();
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
        connect(button, &QPushButton::clicked, this, [this, test] { StartTest(test); });
        layout->addWidget(button);
    }
    layout->addStretch(1);
}

QWidget *TMain_Form::buildWorkArea(QWidget *parent)
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

    m_shooterPanel = new QFrame(area);
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
        DeactivateActiveShooter();
        m_shooterName->clear();
        m_shooterRounds->clear();
        IdleUpdate();
    });
    sp->addWidget(picture);
    sp->addLayout(captions);
    sp->addLayout(values, 1);
    sp->addWidget(deactivate, 0, Qt::AlignTop);
    m_shooterPanel->hide();
    layout->addWidget(m_shooterPanel);

    m_work = new QStackedWidget(area);
    m_work->setObjectName(QStringLiteral("Work_Area"));
    m_work->addWidget(new QWidget(m_work));

    m_logPanel = new QWidget(m_work);
    m_logPanel->setObjectName(QStringLiteral("Log_Panel"));
    auto *logLayout = new QVBoxLayout(m_logPanel);
    m_logMemo = new QPlainTextEdit(m_logPanel);
    m_logMemo->setObjectName(QStringLiteral("Log_Memo"));
    m_logMemo->setReadOnly(true);
    m_logMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    m_logMemo->setFont(courier);
    auto *logButtons = new QHBoxLayout;
    auto *logClose = new QPushButton(QStringLiteral("&Schließen"), m_logPanel);
    logClose->setObjectName(QStringLiteral("LogClose_Button"));
    logClose->setDefault(true);
    SetHint(logClose, QStringLiteral("|Logfile schließen"));
    auto *logDelete = new QPushButton(QStringLiteral("&Löschen"), m_logPanel);
    logDelete->setObjectName(QStringLiteral("LogDelete_Button"));
    SetHint(logDelete, QStringLiteral("|Logfile löschen"));
    connect(logClose, &QPushButton::clicked, this, &TMain_Form::CloseLogViewer);
    connect(logDelete, &QPushButton::clicked, this, &TMain_Form::DeleteLogFile);
    logButtons->addStretch(1);
    logButtons->addWidget(logClose);
    logButtons->addWidget(logDelete);
    logLayout->addWidget(m_logMemo, 1);
    logLayout->addLayout(logButtons);
    m_work->addWidget(m_logPanel);

    m_helpPanel = new QWidget(m_work);
    m_helpPanel->setObjectName(QStringLiteral("Help_Panel"));
    auto *helpLayout = new QVBoxLayout(m_helpPanel);
    auto *helpButtons = new QHBoxLayout;
    m_backButton = new QPushButton(QStringLiteral("Zurück"), m_helpPanel);
    m_backButton->setObjectName(QStringLiteral("Back_Button"));
    SetHint(m_backButton, QStringLiteral("|Seite zurück"));
    m_forwardButton = new QPushButton(QStringLiteral("Vorwärts"), m_helpPanel);
    m_forwardButton->setObjectName(QStringLiteral("Forward_Button"));
    SetHint(m_forwardButton, QStringLiteral("|Seite vorwärts"));
    auto *helpClose = new QToolButton(m_helpPanel);
    helpClose->setObjectName(QStringLiteral("HelpClose_Button"));
    helpClose->setText(QStringLiteral("×"));
    SetHint(helpClose, QStringLiteral("|Hilfefenster schließen"));
    helpButtons->addWidget(m_backButton);
    helpButtons->addWidget(m_forwardButton);
    helpButtons->addStretch(1);
    helpButtons->addWidget(helpClose);
    m_helpBrowser = new QTextBrowser(m_helpPanel);
    m_helpBrowser->setObjectName(QStringLiteral("Help_Browser"));
    m_helpBrowser->setOpenLinks(false);
    connect(m_helpBrowser, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("mailto")) {
            openUrl(url.toString());
            return;
        }
        const QString base = QFileInfo(m_history.current()).absolutePath();
        QString file = url.toLocalFile();
        if (file.isEmpty())
            file = url.path();
        if (QFileInfo(file).isRelative())
            file = QDir(base).filePath(file);
        showHelpPage(QDir::cleanPath(file));
    });
    connect(m_backButton, &QPushButton::clicked, this, [this] {
        if (m_history.back()) {
            m_helpBrowser->setSource(QUrl::fromLocalFile(m_history.current()));
            updateHelpButtons();
        }
    });
    connect(m_forwardButton, &QPushButton::clicked, this, [this] {
        if (m_history.forward()) {
            m_helpBrowser->setSource(QUrl::fromLocalFile(m_history.current()));
            updateHelpButtons();
        }
    });
    connect(helpClose, &QToolButton::clicked, this, [this] {
        m_helpPaneOpen = false;
        m_work->setCurrentIndex(m_work->currentWidget() == m_helpPanel ? 0 : m_work->currentIndex());
    });
    helpLayout->addLayout(helpButtons);
    helpLayout->addWidget(m_helpBrowser, 1);
    m_work->addWidget(m_helpPanel);
    layout->addWidget(m_work, 1);
    return area;
}

void TMain_Form::setWindows(const ProgramWindows &windows)
{
    m_windows = windows;
    if (m_windows.akku)
        m_windows.akku->setOfflineStateProvider([] { return AppState::instance().OfflineState; });
    IdleUpdate();
}

void TMain_Form::registerTest(int test, const TestEntry &entry)
{
    m_tests.insert(test, entry);
    IdleUpdate();
}

void TMain_Form::setTitle(const QString &text)
{
    AppState::instance().ActivityTitle = text;
    m_title->setText(text);
}

void TMain_Form::openWindowDialog(const QString &title, QDialog *dialog)
{
    setTitle(title);
    dialog->exec();
    IdleUpdate();
}

void TMain_Form::openLink(const QString &logLine, const QString &url)
{
    WriteLogLine(logLine);
    if (openUrl)
        openUrl(url);
}

bool TMain_Form::quickBarVisible() const { return !m_quickBar->isHidden(); }

// ---------------------------------------------------------------- creation

void TMain_Form::FormCreate(const std::function<void(const QString &)> &splashStatus)
{
    auto splash = [&](const QString &text) {
        if (splashStatus)
            splashStatus(text);
    };
    LoadSettings();
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden MF"));
    m_status->setPanel0Width(width() - 470);
    InstallHintHandler([this](const QString &tip) { m_status->setPanelText(0, tip); });
    // The help pane first: it works also when the tables cannot be opened.
    m_helpPaneOpen = false;
    m_helpBrowser->setSearchPaths({ProgramPaths::helpDir()});
    m_history.setLimit(10);
    m_history.clear();
    updateHelpButtons();

    TData *data = TData::instance();
    if (data) {
        data->activateSession();
        if (data->aliasExists()) {
            splash(QStringLiteral("Datenbank-Alias überprüfen..."));
            WriteLogLine(QStringLiteral("Ausführen : Datenbank-Alias überprüfen"));
            data->deleteAlias();
        } else {
            splash(QStringLiteral("Datenbank-Alias neu anlegen..."));
            WriteLogLine(QStringLiteral("Ausführen : Datenbank-Alias neu anlegen"));
        }
        data->addAlias(data->privateDir());
        splash(QStringLiteral("Datenbanken öffnen..."));
        WriteLogLine(QStringLiteral("Ausführen : Datenbanken öffnen"));
        WriteLogLine(QStringLiteral("Ausführen : [Open] PersTable"));
        WriteLogLine(QStringLiteral("Ausführen : [Open] VisierTable"));
        WriteLogLine(QStringLiteral("Ausführen : [Open] ReakTable"));
        if (!data->openTables()) {
            // The remaining creation steps are skipped; the program runs without tables.
            ShowError(QStringLiteral("\r\n") + data->errorText());
            AppState::instance().BusyTitle = false;
            return;
        }
        LoadSettings();
        if (Settings::instance().Reorg) {
            splash(QStringLiteral("Datenbanken reorganisieren..."));
            WriteLogLine(QStringLiteral("Ausführen : Datenbanken reorganisieren"));
            const std::pair<QString, DataTable *> tables[3] = {{QStringLiteral("PersTable"), data->persTable()},
                                                               {QStringLiteral("VisierTable"), data->visierTable()},
                                                               {QStringLiteral("ReakTable"), data->reakTable()}};
            for (const auto &t : tables) {
                WriteLogLine(QStringLiteral("Ausführen : [Run] Reorg ") + t.first);
                if (!data->PackTable(t.second)) {
                    ShowError(QStringLiteral("\r\n") + data->errorText());
                    AppState::instance().BusyTitle = false;
                    return;
                }
            }
        }
    }
    AppState::instance().BusyTitle = false;
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden MF"));

}

// ---------------------------------------------------------------- device

void TMain_Form::FirstActivation()
{
    if (m_activatedOnce)
        return;
    m_activatedOnce = true;
    if (Settings::instance().Offline)
        AppState::instance().OfflineState = true;
    else
        GoOnline();
}

void TMain_Form::GoOnline()
{
    AppState &state = AppState::instance();
    WriteLogLine(QStringLiteral("Ausführen : [Start] Verbindung aufbauen (ONLINE-Modus)"));
    state.BusyTitle = true;
    setTitle(QStringLiteral("Verbinden mit Vantrel..."));
    m_title->repaint();
    Clock::instance().processEvents();

    const Settings &settings = Settings::instance();
    bool opened = false;
    QString why;
    try {
        opened = OpenDevice(settings.portSelector, 0, settings.controllerSelector);
    } catch (const TComException &error) {
        opened = false;
        why = OpenFailureText(error);
    }
    if (!opened) {
        state.OfflineState = true;
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Verbindung aufbauen"));
        ShowError(QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.\r\n") + why);
    } else {
        const DeviceLinkState &link = DeviceLink();
        m_status->setPanelText(2, QStringLiteral("Port : ") + link.portName + u',' + link.baudName);
        WriteLogLine(QStringLiteral("Ausführen : [Setup] ") + link.portName + u',' + link.baudName + QStringLiteral(",PIC ")
                     + link.modelName);
        if (ConnectDevice()) {
            m_status->setPanelText(4, QStringLiteral("PIC : ") + DeviceLink().serialText);
            m_status->setPanelText(3, QStringLiteral("Modus : Online"));
            state.OfflineState = false;
            DeviceLink().LastBatteryVoltage = ReadBatteryVoltage();
            // A controller that falls silent on the battery query is lost
            // again (said and shown offline by LinkLost).
            if (DeviceLink().connected)
                WriteLogLine(QStringLiteral("Ausführen : [Erfolg] Verbindung aufbauen"));
        } else {
            state.OfflineState = true;
            WriteLogLine(QStringLiteral("Ausführen : [Fehler] Verbindung aufbauen"));
            // A link that was still connected and fails now has said so as lost.
            if (!DeviceLink().lossReported)
                ShowError(QStringLiteral("\r\nFehler beim Verbindungsaufbau zum Gerät.\r\n") + ConnectFailureText());
        }
    }
    state.BusyTitle = false;
    IdleUpdate();
}

void TMain_Form::LinkLost()
{
    // The command set has logged it and said so; the window follows.
    m_status->setPanelText(2, QStringLiteral("Port : unbekannt"));
    m_status->setPanelText(3, QStringLiteral("Modus : Offline"));
    m_status->setPanelText(4, QStringLiteral("PIC : unbekannt"));
    AppState::instance().OfflineState = true;
    IdleUpdate();
}

void TMain_Form::WatchLink()
{
    // Windows with a device function or a test of their own are left alone.
    if (!AppState::instance().OfflineState && !QApplication::activeModalWidget())
        ProbeLink();
}

void TMain_Form::GoOffline()
{
    WriteLogLine(QStringLiteral("Ausführen : Verbindung abbauen (OFFLINE-Modus)"));
    m_status->setPanelText(2, QStringLiteral("Port : unbekannt"));
    m_status->setPanelText(3, QStringLiteral("Modus : Offline"));
    m_status->setPanelText(4, QStringLiteral("PIC : unbekannt"));
    DisconnectDevice();
    AppState::instance().OfflineState = true;
    IdleUpdate();
}

// ---------------------------------------------------------------- end

bool TMain_Form::EnsureBackupFolder(const QString &path)
{
    if (QDir::setCurrent(path))
        return true;
    if (AskConfirmation(QStringLiteral("\r\nBackupverzeichnis nicht gefunden. Neu anlegen ?")) != MessageService::Yes)
        return false;
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir()) {
        ShowError(QStringLiteral("\r\nFehler beim Anlegen des Backupverzeichnisses."));
        return false;
    }
    return true;
}

void TMain_Form::ProgramEnd()
{
    if (m_ended)
        return;
    m_ended = true;
    m_idleTimer->stop();
    const QString backup = ProgramPaths::backupDir();
    TData *data = TData::instance();
    if (data)
        data->deactivateSession();
    // Tables that never opened must not overwrite a good copy.
    if (data && Settings::instance().Backup && !data->tablesOpenedOnce())
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Sicherung Datenbanken übersprungen, die Tabellen waren nicht geöffnet"));
    else if (data && Settings::instance().Backup && EnsureBackupFolder(backup)) {
        WriteLogLine(QStringLiteral("Ausführen : Sicherung Datenbanken"));
        const std::pair<QString, DataTable *> steps[3] = {
            {QStringLiteral("Bitte warten...Sichere Schützendaten."), data->persTable()},
            {QStringLiteral("Bitte warten...Sichere Visierdaten."), data->visierTable()},
            {QStringLiteral("Bitte warten...Sichere Reaktionszeiten."), data->reakTable()}};
        QStringList failures;
        for (const auto &step : steps) {
            // An empty table never replaces a copy that holds rows without asking.
            const qint64 saved = data->rowsInFile(step.second, backup);
            if (saved > 0 && data->rowsInFile(step.second, QFileInfo(data->tableFilePath(step.second)).absolutePath()) == 0
                && AskConfirmation(QStringLiteral("\r\nDie Tabelle „%1“ ist leer, ihre Sicherung enthält %2 Einträge.\r\n"
                                                  "Sicherung trotzdem durch die leere Tabelle ersetzen ?")
                                       .arg(step.second->tableName())
                                       .arg(saved))
                       != MessageService::Yes) {
                WriteLogLine(QStringLiteral("Ausführen : Sicherung von %1 behalten").arg(step.second->tableName()));
                continue;
            }
            if (m_windows.info)
                m_windows.info->ShowInfoBox(step.first);
            if (!data->CopyTable(step.second, backup))
                failures << data->errorText();
        }
        if (m_windows.info)
            m_windows.info->HideInfoBox();
        if (!failures.isEmpty())
            ShowError(QStringLiteral("\r\nFehler bei der Sicherung der Datenbanken.\r\n") + failures.join(QStringLiteral("\r\n")));
    }
    WriteLogLine(QStringLiteral("Ausführen : Programm beenden"));
    WriteLogLine(QString());
}

void TMain_Form::closeEvent(QCloseEvent *event)
{
    ProgramEnd();
    event->accept();
}

// ---------------------------------------------------------------- events

void TMain_Form::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activatedOnce)
        QTimer::singleShot(0, this, &TMain_Form::FirstActivation);
}

void TMain_Form::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_status->setPanel0Width(width() - 470);
}

void TMain_Form::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        int number = 1000;
        for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            if (w->property(kHelpNumber).isValid()) {
                number = w->property(kHelpNumber).toInt();
                break;
            }
        }
        ShowHelpTopic(number);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TMain_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
        if (auto *menu = qobject_cast<QMenu *>(watched)) {
            QAction *a = menu->activeAction();
            QVariant n = a ? a->property(kHelpNumber) : QVariant();
            if (!n.isValid())
                n = menu->menuAction()->property(kHelpNumber);
            menu->close();
            ShowHelpTopic(n.isValid() ? n.toInt() : 1000);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- idle

void TMain_Form::IdleUpdate()
{
    AppState &state = AppState::instance();
    const ActiveShooter &shooter = ActiveShooter::instance();
    m_title->setText(state.ActivityTitle);

    TData *data = TData::instance();
    const bool tableEmpty = !data || !data->persTable() || !data->persTable()->isOpen() || data->persTable()->isEmpty();
    if (m_windows.pers)
        m_windows.pers->UpdateDataMenu();
    action(QStringLiteral("Auswaehlen_Item"))->setEnabled(!tableEmpty && m_windows.persSel != nullptr);

    if (userIsBackHere() && !state.BusyTitle) {
        state.ActivityTitle.clear();
        m_title->clear();
    }

    QMenu *measure = findChild<QMenu *>(QStringLiteral("Messung_Menu"));
    if (!state.OfflineState) {
        action(QStringLiteral("Online_Item"))->setChecked(true);
        measure->setEnabled(true);
        action(QStringLiteral("Akku_Item"))->setEnabled(m_windows.akku != nullptr);
    } else {
        action(QStringLiteral("Offline_Item"))->setChecked(true);
        action(QStringLiteral("Akku_Item"))->setEnabled(false);
    }

    if (shooter.active) {
        m_shooterPanel->show();
        m_shooterName->setText(shooter.displayName());
        m_shooterRounds->setText(QString::number(shooter.Trainingsrunden));
    } else {
        m_shooterPanel->hide();
    }
    action(QStringLiteral("Bearbeiten_Item"))->setEnabled(shooter.active && bool(m_windows.editShooter));
    action(QStringLiteral("Loeschen_Item"))->setEnabled(shooter.active);
    action(QStringLiteral("Auswertung_Item"))->setEnabled(shooter.active && bool(m_windows.evaluation));

    action(QStringLiteral("Schnellstart_Item"))->setEnabled(m_quickBar->isHidden());
    action(QStringLiteral("Wiederholen_Item"))->setEnabled(LastMeasurement[0] != -1 && m_tests.contains(LastMeasurement[0]));
    action(QStringLiteral("Spurwerk_Item"))->setEnabled(!Settings::instance().ProgramDir.trimmed().isEmpty());

    // Tests whose windows are not part of this build stay disabled.
    for (int t = 1; t <= 3; ++t) {
        const bool available = m_tests.contains(t);
        action(QStringLiteral("Test%1_Item").arg(t))->setEnabled(available);
        if (auto *b = findChild<QPushButton *>(QStringLiteral("Test%1_Button").arg(t)))
            b->setEnabled(available);
    }
    action(QStringLiteral("Hinzufuegen_Item"))->setEnabled(bool(m_windows.newShooter));
    action(QStringLiteral("Uebersicht_Item"))->setEnabled(m_windows.pers != nullptr);
    action(QStringLiteral("Einstellungen_Item"))->setEnabled(m_windows.config != nullptr);
    action(QStringLiteral("Info_Item"))->setEnabled(m_windows.about != nullptr);
    action(QStringLiteral("Export_Item"))->setEnabled(bool(m_windows.exportData));
    m_status->setBattery(state.OfflineState, DeviceLink().LastBatteryVoltage);
}

// Back in the main window: it holds the focus (or is the active window)
// and no modal window is open over it.
bool TMain_Form::userIsBackHere() const
{
    if (QApplication::activeModalWidget())
        return false;
    const QWidget *focus = QApplication::focusWidget();
    if (focus)
        return focus->window() == this;
    return QApplication::activeWindow() == this;
}

// ---------------------------------------------------------------- tests

void TMain_Form::StartTest(int test)
{
    if (!m_tests.contains(test))
        return;
    const TestEntry entry = m_tests.value(test);
    ActiveShooter &shooter = ActiveShooter::instance();
    if (!shooter.active) {
        if (AskConfirmation(QStringLiteral("Es wurde noch keine Schütze ausgewählt.\r\n\r\nJetzt wählen und fortfahren ?"))
            == MessageService::Yes && m_windows.persSel) {
            setTitle(QStringLiteral("Schütze auswählen"));
            m_windows.persSel->exec();
        }
    }
    if (!shooter.active)
        return;
    if (test != 3 && entry.prepareSetup)
        entry.prepareSetup();
    WriteLogLine(testStartLine(test));
    setTitle(QStringLiteral("Messvorgaben festlegen"));
    bool accepted = false;
    if (!RepeatFlag)
        accepted = entry.setup && entry.setup();
    if (accepted || RepeatFlag) {
        // The results are booked to the shooter table's current record: make it the active shooter's.
        if (!LocateActiveShooter()) {
            ShowError(QStringLiteral("\r\nDer aktive Schütze ist nicht mehr in der Datenbank vorhanden. Bitte einen Schützen auswählen."));
            shooter.active = false;
            IdleUpdate();
            return;
        }
        setTitle(QStringLiteral("Messwerterfassung"));
        const std::array<int, 3> values = entry.describe ? entry.describe() : std::array<int, 3>{0, 0, 0};
        LastMeasurement = {test, values[0], values[1], values[2]};
        m_restoreLastSettings = entry.snapshot ? entry.snapshot() : std::function<void()>();
        if (entry.run)
            entry.run();
    }
    IdleUpdate();
}

void TMain_Form::RepeatLastMeasurement()
{
    const int test = LastMeasurement[0];
    if (test == -1 || !m_tests.contains(test))
        return;
    if (m_restoreLastSettings)
        m_restoreLastSettings();
    RepeatFlag = true;
    StartTest(test);
    RepeatFlag = false;
}

// ---------------------------------------------------------------- log viewer, help, launcher

void TMain_Form::ShowLogViewer()
{
    m_logMemo->setPlainText(LoadLogIntoViewer().join(u'\n'));
    AppState::instance().BusyTitle = true;
    setTitle(QStringLiteral("Logfile"));
    m_work->setCurrentWidget(m_logPanel);
}

void TMain_Form::CloseLogViewer()
{
    m_work->setCurrentIndex(m_helpPaneOpen ? m_work->indexOf(m_helpPanel) : 0);
    AppState::instance().BusyTitle = false;
}

void TMain_Form::DeleteLogFile()
{
    if (AskConfirmation(QStringLiteral("\r\nWollen Sie die Log-Datei wirklich löschen ?")) != MessageService::Yes)
        return;
    CloseLogViewer();
    ClearLogFile();
}

void TMain_Form::ShowHelpTopic(int number)
{
    const QString file = QDir(ProgramPaths::helpDir()).filePath(QString::number(number) + QStringLiteral(".htm"));
    if (!m_helpPaneOpen) {
        m_helpPaneOpen = true;
        setTitle(QStringLiteral("Online-Hilfe"));
    }
    showHelpPage(file);
    m_work->setCurrentWidget(m_helpPanel);
}

void TMain_Form::showHelpPage(const QString &file)
{
    m_history.visit(file);
    if (QFileInfo::exists(file))
        m_helpBrowser->setSource(QUrl::fromLocalFile(file));
    else
        m_helpBrowser->setHtml(QStringLiteral("<h3>Hilfeseite nicht gefunden</h3><p>Die Datei %1 ist nicht vorhanden.</p>")
                                   .arg(QDir::toNativeSeparators(file).toHtmlEscaped()));
    updateHelpButtons();
}

void TMain_Form::updateHelpButtons()
{
    m_forwardButton->setEnabled(m_history.canGoForward());
    m_backButton->setEnabled(m_history.canGoBack());
}

int TMain_Form::ExecCommandLine(const QString &commandLine)
{
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return 2;                      // file not found
    const QString program = parts.takeFirst();
    const QFileInfo info(program);
    if (program.contains(u'/') || program.contains(u'\\')) {
        if (!info.dir().exists())
            return 3;                  // path not found
        if (!info.exists())
            return 2;
    }
    return QProcess::startDetached(program, parts) ? 33 : 2;
}

void TMain_Form::LaunchSpurwerk()
{
    WriteLogLine(QStringLiteral("Ausführen : [Start] Vantrel Spurwerk"));
    const int code = ExecCommandLine(Settings::instance().ProgramDir);
    if (code <= 31) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Vantrel Spurwerk (Code ") + QString::number(code) + u')');
        ShowError(QStringLiteral("Fehler beim Ausführen von Vantrel Spurwerk."));
    }
}
