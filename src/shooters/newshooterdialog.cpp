#include "shooters/newshooterdialog.h"

#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "shooters/birthdateedit.h"
#include "shooters/clublist.h"
#include "shooters/sightprofiledialog.h"
#include "store/datatable.h"
#include "store/tdata.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

NewShooterDialog::NewShooterDialog(QWidget *parent)
    : ShooterRecordDialog(QStringLiteral("PNF"), parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden PNF"));
    setObjectName(QStringLiteral("PersNeu_Form"));
    setWindowTitle(QStringLiteral("Daten hinzufügen"));
    SetHint(m_nameEdit, QStringLiteral("|Nachname des Schützen"));
    SetHint(m_firstNameEdit, QStringLiteral("|Vorname des Schützen"));
    SetHint(m_birthDatePicker, QStringLiteral("|Kalender"));
    SetHint(m_clubBox, QStringLiteral("|Sportverein eintragen oder auswählen"));
    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PNF"));
}

NewShooterDialog::~NewShooterDialog() = default;

void NewShooterDialog::activate()
{
    m_profiles.clear();
    FillClubBox(m_clubBox);
    // No date until one is typed or chosen.
    m_birthDatePicker->clear();
    WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz hinzufügen"));
    DataTable *pers = table();
    const bool ok = pers && pers->first() && pers->append();
    WriteLogLine(ok ? QStringLiteral("Ausführen : [Erfolg] Datensatz hinzufügen")
                    : QStringLiteral("Ausführen : [Fehler] Datensatz hinzufügen"));
    m_upperBoundEdit->setValue(80);
    m_lowerBoundEdit->setValue(20);
    showBoundFields();
    m_nameEdit->setFocus();
}

void NewShooterDialog::runSightDialog(SightProfileDialog *dialog)
{
    DataTable *pers = table();
    TData *data = TData::instance();
    const QString name = m_nameEdit->text().trimmed();
    const QString vorname = m_firstNameEdit->text().trimmed();
    if (pers) {
        // The profile follows the names as they stand now.
        pers->setFieldValue(QStringLiteral("Name"), name);
        pers->setFieldValue(QStringLiteral("Vorname"), vorname);
    }
    if (data)
        data->moveProfiles(m_profiles, name, vorname);
    // A second visit edits the profile made on the first.
    dialog->setEditMode(!m_profiles.isEmpty());
    dialog->setProfileNumber(m_profiles.isEmpty() ? 0 : m_profiles.last());
    if (runModal)
        runModal(dialog);
    else
        dialog->exec();
    const qint64 stored = dialog->storedNummer();
    if (stored > 0 && !m_profiles.contains(stored))
        m_profiles.append(stored);
}

bool NewShooterDialog::storeRecord(const Shooter &entered)
{
    TData *data = TData::instance();
    DataTable *pers = table();
    bool assigned = data && pers;
    const auto set = [&](const char *field, const QVariant &value) {
        assigned = assigned && pers->setFieldValue(QString::fromLatin1(field), value);
    };
    set("Name", entered.name);
    set("Vorname", entered.vorname);
    set("Geburtsdatum", entered.geburtsdatum);
    set("Sportverein", entered.sportverein);
    set("Obere Schranke", entered.obereSchranke);
    set("Untere Schranke", entered.untereSchranke);
    set("Trainingsrunden", 0.0);
    if (!assigned || !data->postShooter(QString(), QString(), m_profiles))
        return false;
    m_profiles.clear();
    return true;
}

void NewShooterDialog::dropRecord()
{
    if (TData *data = TData::instance())
        data->deleteProfiles(m_profiles);
    m_profiles.clear();
}
