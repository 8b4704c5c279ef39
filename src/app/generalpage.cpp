#include "app/generalpage.h"

#include "core/settings.h"
#include "ui/hints.h"
#include "ui/hoverhints.h"

#include <QCheckBox>
#include <QEvent>
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

    auto *page = new QHBoxLayout(this);
    page->addWidget(m_programGroup, 1);
    page->addWidget(hintGroup, 1);

    m_hints->add(m_offlineBox, OfflineHint, m_hintLabel);
    m_hints->add(m_backupBox, BackupHint, m_hintLabel);
    m_hints->add(m_reorgBox, ReorgHint, m_hintLabel);
    m_hints->add(m_logfileBox, LogfileHint, m_hintLabel);
    m_hints->add(m_soundBox, SoundHint, m_hintLabel);
    m_hints->add(m_userEdit, BenutzerHint, m_hintLabel);
}

void GeneralPage::load(const Settings &s)
{
    m_userEdit->setText(s.Benutzer);
    m_offlineBox->setChecked(s.Offline);
    m_backupBox->setChecked(s.Backup);
    m_reorgBox->setChecked(s.Reorg);
    m_logfileBox->setChecked(s.Logfile);
    m_soundBox->setChecked(s.Sound);
}

void GeneralPage::store(SettingsDialogValues &v) const
{
    v.userName = m_userEdit->text();
    v.offline = m_offlineBox->isChecked();
    v.backup = m_backupBox->isChecked();
    v.reorg = m_reorgBox->isChecked();
    v.logfile = m_logfileBox->isChecked();
    v.sound = m_soundBox->isChecked();
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
