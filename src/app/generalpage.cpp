#include "app/generalpage.h"

#include "core/settings.h"
#include "ui/hints.h"
#include "ui/hoverhints.h"
#include "platform/messageservice.h"
#include "store/databasetarget.h"
#include "store/serverlogin.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QInputDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {
const QString OfflineHint = QStringLiteral(
    "Wird das Programm im Offline-Modus gestartet, wird keine Prüfung vorgenommen, ob das Vantrel "
    "korrekt installiert und angeschlossen ist.");
const QString BackupHint = QStringLiteral(
    "Beim Beenden des Programms wird eine automatische Sicherung der Datenbanken vorgenommen. Diese "
    "Daten können dann im Fehlerfall wieder restauriert werden.");
const QString ReorgHint = QStringLiteral(
    "Beim Starten des Programms wird eine Reorganisation der Daten vorgenommen. Dies erhöht die "
    "Performance und beugt Datenfehlern vor.");
const QString LogfileHint = QStringLiteral(
    "Jede ausgeführte Aktion wird in der Datei LOGFILE.TXT protokolliert. Tritt ein Fehler auf, kann "
    "dieser anhand des Logfiles nachvollzogen werden.");
const QString SoundHint = QStringLiteral(
    "Ist diese Option aktiviert, erhält der Schütze ein akustisches Signal über das Ergebnis seines "
    "Versuches.");
const QString BenutzerHint = QStringLiteral(
    "Der Benutzername erscheint auf den Ausdrucken des Messprotokolls. Ist die Option AKTIONEN "
    "PROTOKOLLIEREN aktiviert, wird der Benutzername bei allen Aktionen mitprotokolliert.");
const QString LocalHint = QStringLiteral(
    "Die Daten liegen in den drei Tabellen im Datenordner dieses Rechners.");
const QString ServerHint = QStringLiteral(
    "Alle Stände des Vereins arbeiten mit einer gemeinsamen PostgreSQL-Datenbank. Das Kennwort steht nicht in den "
    "Einstellungen, sondern in der PostgreSQL-Kennwortdatei (.pgpass) des Benutzers.");
const QString ServerNameHint = QStringLiteral("Name oder IP-Adresse des Vereinsservers.");
const QString PortHint = QStringLiteral("Port des PostgreSQL-Servers, meist 5432.");
const QString DbNameHint = QStringLiteral("Name der Datenbank auf dem Server.");
const QString DbUserHint = QStringLiteral("Benutzer, mit dem sich das Programm am Server anmeldet.");
const QString TestHint = QStringLiteral(
    "Versucht eine Verbindung mit den eingegebenen Werten und meldet das Ergebnis. Die Auswahl selbst wirkt erst beim "
    "nächsten Programmstart.");

bool askPassword(QWidget *parent, const QString &label, QString *password)
{
    bool ok = false;
    *password = QInputDialog::getText(parent, QStringLiteral("Kennwort für den Vereinsserver"), label, QLineEdit::Password,
                                      QString(), &ok);
    return ok;
}
} // namespace

const QString GeneralPage::GroupHint =
    QStringLiteral("Für nähere Informationen den Mousezeiger über das gewünschte Thema bewegen.");

GeneralPage::GeneralPage(QWidget *parent)
    : QWidget(parent)
    , m_hints(new HoverHints(this))
{
    setObjectName(QStringLiteral("Allgemein_Page"));

    m_programGroup = new QGroupBox(QStringLiteral("Programm"), this);
    m_programGroup->setObjectName(QStringLiteral("Programm_GroupBox"));
    m_programGroup->installEventFilter(this);

    m_userLabel = new QLabel(QStringLiteral("&Benutzer"), m_programGroup);
    m_userLabel->setObjectName(QStringLiteral("Benutzer_Label"));
    m_userEdit = new QLineEdit(m_programGroup);
    m_userEdit->setObjectName(QStringLiteral("Benutzer_Edit"));
    SetHint(m_userEdit, QStringLiteral("Benutzername eingeben"));
    m_userLabel->setBuddy(m_userEdit);

    auto checkBox = [this](const QString &name, const QString &caption) {
        auto *box = new QCheckBox(caption, m_programGroup);
        box->setObjectName(name);
        return box;
    };
    m_offlineBox = checkBox(QStringLiteral("Offline_CheckBox"), QStringLiteral("im O&ffline Modus starten"));
    m_backupBox = checkBox(QStringLiteral("Backup_CheckBox"), QStringLiteral("Datenbank-Ba&ckup anlegen"));
    m_reorgBox = checkBox(QStringLiteral("Reorg_CheckBox"), QStringLiteral("Datenbanken &Reorganisieren"));
    m_logfileBox = checkBox(QStringLiteral("Logfile_CheckBox"), QStringLiteral("Aktionen &protokollieren"));
    m_soundBox = checkBox(QStringLiteral("Sound_CheckBox"), QStringLiteral("a&kustische Trefferanzeige"));

    auto *programm = new QVBoxLayout(m_programGroup);
    auto *user = new QHBoxLayout;
    user->addWidget(m_userLabel);
    user->addWidget(m_userEdit, 1);
    programm->addLayout(user);
    programm->addSpacing(6);
    for (QCheckBox *box : {m_offlineBox, m_backupBox, m_reorgBox, m_logfileBox, m_soundBox})
        programm->addWidget(box);
    programm->addStretch(1);

    auto *hintGroup = new QGroupBox(QStringLiteral("Hinweis"), this);
    hintGroup->setObjectName(QStringLiteral("Hinweis_GroupBox"));
    m_hintLabel = HoverHints::makeArea(hintGroup, QStringLiteral("Hinweis_Label"), GroupHint);
    auto *hinweis = new QVBoxLayout(hintGroup);
    hinweis->addWidget(m_hintLabel, 1);

    m_databaseGroup = new QGroupBox(QStringLiteral("Datenbank"), this);
    m_databaseGroup->setObjectName(QStringLiteral("Datenbank_GroupBox"));
    m_localButton = new QRadioButton(QStringLiteral("&lokal (Datenordner)"), m_databaseGroup);
    m_localButton->setObjectName(QStringLiteral("Lokal_Radio"));
    m_serverButton = new QRadioButton(QStringLiteral("&Vereinsserver (PostgreSQL)"), m_databaseGroup);
    m_serverButton->setObjectName(QStringLiteral("Vereinsserver_Radio"));
    auto *kind = new QButtonGroup(m_databaseGroup);
    kind->addButton(m_localButton);
    kind->addButton(m_serverButton);
    m_localButton->setChecked(true);
    auto lineEdit = [this](const QString &name) {
        auto *edit = new QLineEdit(m_databaseGroup);
        edit->setObjectName(name);
        return edit;
    };
    m_serverEdit = lineEdit(QStringLiteral("Server_Edit"));
    m_portBox = new QSpinBox(m_databaseGroup);
    m_portBox->setObjectName(QStringLiteral("Port_SpinBox"));
    m_portBox->setRange(1, 65535);
    m_portBox->setValue(5432);
    m_dbNameEdit = lineEdit(QStringLiteral("Datenbank_Edit"));
    m_dbUserEdit = lineEdit(QStringLiteral("DBBenutzer_Edit"));
    m_testButton = new QPushButton(QStringLiteral("Verbindung &testen"), m_databaseGroup);
    m_testButton->setObjectName(QStringLiteral("Verbindung_Button"));
    auto *note = new QLabel(QStringLiteral("Die Auswahl wirkt beim nächsten Programmstart."), m_databaseGroup);
    note->setObjectName(QStringLiteral("Datenbank_Hinweis_Label"));

    auto *db = new QGridLayout(m_databaseGroup);
    db->addWidget(m_localButton, 0, 0);
    db->addWidget(m_serverButton, 1, 0);
    db->addWidget(m_testButton, 3, 0, Qt::AlignLeft);
    const std::pair<QString, QWidget *> fields[4] = {{QStringLiteral("Se&rver"), m_serverEdit},
                                                     {QStringLiteral("P&ort"), m_portBox},
                                                     {QStringLiteral("&Datenbank"), m_dbNameEdit},
                                                     {QStringLiteral("Ben&utzer"), m_dbUserEdit}};
    for (int row = 0; row < 4; ++row) {
        auto *label = new QLabel(fields[row].first, m_databaseGroup);
        label->setBuddy(fields[row].second);
        label->setEnabled(m_serverButton->isChecked());
        // Disabled together with its field.
        connect(m_serverButton, &QRadioButton::toggled, label, &QLabel::setEnabled);
        db->addWidget(label, row, 1);
        db->addWidget(fields[row].second, row, 2);
    }
    db->addWidget(note, 4, 0, 1, 3);
    db->setColumnStretch(2, 1);
    db->setColumnMinimumWidth(0, 200);
    connect(m_serverButton, &QRadioButton::toggled, this, &GeneralPage::updateServerFields);
    connect(m_testButton, &QPushButton::clicked, this, &GeneralPage::testConnection);
    m_passwordPrompt = [this](const QString &label, QString *password) { return askPassword(this, label, password); };
    updateServerFields();

    auto *page = new QGridLayout(this);
    page->addWidget(m_programGroup, 0, 0);
    page->addWidget(hintGroup, 0, 1);
    page->addWidget(m_databaseGroup, 1, 0, 1, 2);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);

    m_hints->add(m_offlineBox, OfflineHint, m_hintLabel);
    m_hints->add(m_backupBox, BackupHint, m_hintLabel);
    m_hints->add(m_reorgBox, ReorgHint, m_hintLabel);
    m_hints->add(m_logfileBox, LogfileHint, m_hintLabel);
    m_hints->add(m_soundBox, SoundHint, m_hintLabel);
    m_hints->add(m_userEdit, BenutzerHint, m_hintLabel);
    m_hints->add(m_localButton, LocalHint, m_hintLabel);
    m_hints->add(m_serverButton, ServerHint, m_hintLabel);
    m_hints->add(m_serverEdit, ServerNameHint, m_hintLabel);
    m_hints->add(m_portBox, PortHint, m_hintLabel);
    m_hints->add(m_dbNameEdit, DbNameHint, m_hintLabel);
    m_hints->add(m_dbUserEdit, DbUserHint, m_hintLabel);
    m_hints->add(m_testButton, TestHint, m_hintLabel);
}

void GeneralPage::updateServerFields()
{
    const bool server = m_serverButton->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{m_serverEdit, m_portBox, m_dbNameEdit, m_dbUserEdit, m_testButton})
        w->setEnabled(server);
}

void GeneralPage::testConnection()
{
    if (m_probeDialog)
        return;
    startProbe(DatabaseTarget::server(m_serverEdit->text().trimmed(), m_portBox->value(), m_dbNameEdit->text().trimmed(),
                                      m_dbUserEdit->text().trimmed()),
               false);
}

void GeneralPage::startProbe(const DatabaseTarget &target, bool passwordWritten)
{
    const int serial = ++m_probeSerial;
    auto *busy = new QProgressDialog(QStringLiteral("Verbindung zu %1 wird geprüft ...").arg(target.describe()),
                                     QStringLiteral("Abbrechen"), 0, 0, this);
    busy->setObjectName(QStringLiteral("ConnectionProbe_Dialog"));
    busy->setWindowTitle(QStringLiteral("Verbindung testen"));
    busy->setWindowModality(Qt::WindowModal);
    busy->setAutoReset(false);
    busy->setAutoClose(false);
    busy->setMinimumDuration(0);
    busy->setAttribute(Qt::WA_DeleteOnClose);
    m_probeDialog = busy;
    connect(busy, &QProgressDialog::canceled, this, [this, busy] {
        ++m_probeSerial;   // the answer, when it comes, is dropped
        m_probeDialog = nullptr;
        busy->close();
    });
    busy->show();
    ServerLogin::tryConnectionAsync(target, this, [this, target, serial, passwordWritten](const ServerLogin::Probe &result) {
        if (serial != m_probeSerial)
            return;
        if (QProgressDialog *busy = m_probeDialog) {
            m_probeDialog = nullptr;
            busy->close();
        }
        probeDone(target, result, passwordWritten);
    });
}

void GeneralPage::probeDone(const DatabaseTarget &target, const ServerLogin::Probe &result, bool passwordWritten)
{
    if (!result.ok && result.passwordProblem && !passwordWritten) {
        const QString file = ServerLogin::passwordFilePath();
        if (AskConfirmation(QStringLiteral("\r\nKeine Verbindung zu %1: %2\r\n\r\nDas Kennwort in die "
                                           "PostgreSQL-Kennwortdatei %3 eintragen ?")
                                .arg(target.describe(), result.reason, QDir::toNativeSeparators(file)))
            != MessageService::Yes)
            return;
        QString password;
        if (!m_passwordPrompt(QStringLiteral("Kennwort für Benutzer %1 auf %2:").arg(target.user, target.host), &password))
            return;
        QString error;
        if (!ServerLogin::writePasswordEntry(target, password, &error, file)) {
            ShowError(QStringLiteral("\r\n") + error);
            return;
        }
        startProbe(target, true);
        return;
    }
    if (result.ok)
        ShowInformation(QStringLiteral("\r\nDie Verbindung zu %1 ist in Ordnung.").arg(target.describe()));
    else
        ShowError(QStringLiteral("\r\nKeine Verbindung zu %1: %2").arg(target.describe(), result.reason));
}

void GeneralPage::load(const Settings &s)
{
    m_userEdit->setText(s.Benutzer);
    m_offlineBox->setChecked(s.Offline);
    m_backupBox->setChecked(s.Backup);
    m_reorgBox->setChecked(s.Reorg);
    m_logfileBox->setChecked(s.Logfile);
    m_soundBox->setChecked(s.Sound);
    (s.DBOnServer ? m_serverButton : m_localButton)->setChecked(true);
    m_serverEdit->setText(s.DBServer);
    m_portBox->setValue(s.DBPort);
    m_dbNameEdit->setText(s.DBName);
    m_dbUserEdit->setText(s.DBUser);
    updateServerFields();
}

void GeneralPage::store(SettingsDialogValues &v) const
{
    v.userName = m_userEdit->text();
    v.offline = m_offlineBox->isChecked();
    v.backup = m_backupBox->isChecked();
    v.reorg = m_reorgBox->isChecked();
    v.logfile = m_logfileBox->isChecked();
    v.sound = m_soundBox->isChecked();
    v.dbOnServer = m_serverButton->isChecked();
    v.dbServer = m_serverEdit->text().trimmed();
    v.dbPort = m_portBox->value();
    v.dbName = m_dbNameEdit->text().trimmed();
    v.dbUser = m_dbUserEdit->text().trimmed();
}

void GeneralPage::programGroupClicked() { m_hintLabel->setText(GroupHint); }

bool GeneralPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_programGroup && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A press on one of the group's controls reaches the group too when
        // the control does not take it (labels): only the bare group counts.
        if (mouse->button() == Qt::LeftButton && !m_programGroup->childAt(mouse->position().toPoint()))
            programGroupClicked();
    }
    return QWidget::eventFilter(watched, event);
}
