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
    SetHint(Name_Edit, QStringLiteral("|Nachname des Schützen"));
    SetHint(Vorname_Edit, QStringLiteral("|Vorname des Schützen"));
    SetHint(Geburtsdatum_Picker, QStringLiteral("|Kalender"));
    SetHint(Sportverein_ComboBox, QStringLiteral("|Sportverein eintragen oder auswählen"));
    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PNF"));
}

NewShooterDialog::~NewShooterDialog() = default;

void NewShooterDialog::FormActivate()
{
    m_profiles.clear();
    FillClubBox(Sportverein_ComboBox);
    // No date until one is typed or chosen.
    Geburtsdatum_Picker->clear();
    WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz hinzufügen"));
    DataTable *pers = table();
    const bool ok = pers && pers->first() && pers->append();
    WriteLogLine(ok ? QStringLiteral("Ausführen : [Erfolg] Datensatz hinzufügen")
                    : QStringLiteral("Ausführen : [Fehler] Datensatz hinzufügen"));
    ObereSchranke_Edit->setValue(80);
    UntereSchranke_Edit->setValue(20);
    showBoundFields();
    Name_Edit->setFocus();
}

void NewShooterDialog::runSightDialog(SightProfileDialog *dialog)
{
    DataTable *pers = table();
    TData *data = TData::instance();
    const QString name = Name_Edit->text().trimmed();
    const QString vorname = Vorname_Edit->text().trimmed();
    if (pers) {
        // The profile follows the names as they stand now.
        pers->setFieldValue(QStringLiteral("Name"), name);
        pers->setFieldValue(QStringLiteral("Vorname"), vorname);
    }
    if (data)
        data->moveProfiles(m_profiles, name, vorname);
    // A second visit edits the profile made on the first.
    dialog->EditMode = !m_profiles.isEmpty();
    dialog->ProfileNummer = m_profiles.isEmpty() ? 0 : m_profiles.last();
    if (runModal)
        runModal(dialog);
    else
        dialog->exec();
    const qint64 stored = dialog->storedNummer();
    if (stored > 0 && !m_profiles.contains(stored))
        m_profiles.append(stored);
}

bool NewShooterDialog::storeRecord()
{
    TData *data = TData::instance();
    if (!data || !data->postShooter(QString(), QString(), m_profiles))
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
