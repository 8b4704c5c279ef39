#include "shooters/editshooterdialog.h"

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
#include <cmath>

EditShooterDialog::EditShooterDialog(QWidget *parent)
    : ShooterRecordDialog(QStringLiteral("PEF"), parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden PEF"));
    setObjectName(QStringLiteral("PersEdit_Form"));
    setWindowTitle(QStringLiteral("Daten bearbeiten"));
    SetHint(m_nameEdit, QStringLiteral("|Geben Sie hier den Nachnamen des Schützen an"));
    SetHint(m_firstNameEdit, QStringLiteral("|Geben Sie hier den Vornamen des Schützen an"));
    SetHint(m_birthDatePicker, QStringLiteral("|Geben Sie hier das Geburtsdatum des Schützen an"));
    SetHint(m_clubBox, QStringLiteral("|Wählen Sie den Sportverein aus oder geben Sie einen neuen an"));
    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PEF"));
}

EditShooterDialog::~EditShooterDialog() = default;

namespace {

int storedInt(const DataTable *pers, const QString &field)
{
    const double d = pers->fieldValue(field).toDouble();
    return std::isfinite(d) && std::fabs(d) < 2e9 ? int(std::lround(d)) : 0;
}

} // namespace

void EditShooterDialog::activate()
{
    FillClubBox(m_clubBox);
    WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz editieren"));
    DataTable *pers = table();
    if (!pers || !pers->edit())
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz editieren"));
    const bool haveRecord = pers && pers->hasActiveRecord();
    m_storedName = haveRecord ? pers->fieldValue(QStringLiteral("Name")).toString() : QString();
    m_storedVorname = haveRecord ? pers->fieldValue(QStringLiteral("Vorname")).toString() : QString();
    m_clubBox->setEditText(haveRecord ? pers->fieldValue(QStringLiteral("Sportverein")).toString()
                                                 : QString());
    const QDate born = haveRecord ? pers->fieldValue(QStringLiteral("Geburtsdatum")).toDate() : QDate();
    m_birthDatePicker->setDate(born);
    m_upperBoundEdit->setValue(haveRecord ? storedInt(pers, QStringLiteral("Obere Schranke")) : 0);
    m_lowerBoundEdit->setValue(haveRecord ? storedInt(pers, QStringLiteral("Untere Schranke")) : 0);
    showBoundFields();
    WriteLogLine(QStringLiteral("Ausführen : [Erfolg] Datensatz editieren"));
    m_nameEdit->setFocus();
}

void EditShooterDialog::runSightDialog(SightProfileDialog *dialog)
{
    DataTable *pers = table();
    // The stored profile still hangs on the stored names until OK carries it
    // over, so the profile dialog looks there.
    const QString name = m_nameEdit->text().trimmed();
    const QString vorname = m_firstNameEdit->text().trimmed();
    const bool renamed = pers && !m_storedName.isEmpty() && (name != m_storedName || vorname != m_storedVorname);
    if (renamed) {
        pers->setFieldValue(QStringLiteral("Name"), m_storedName);
        pers->setFieldValue(QStringLiteral("Vorname"), m_storedVorname);
    }
    dialog->setEditMode(true);
    dialog->setProfileNumber(0);
    if (runModal)
        runModal(dialog);
    else
        dialog->exec();
    if (renamed) {
        pers->setFieldValue(QStringLiteral("Name"), name);
        pers->setFieldValue(QStringLiteral("Vorname"), vorname);
    }
}

bool EditShooterDialog::storeRecord()
{
    TData *data = TData::instance();
    return data && data->postShooter(m_storedName, m_storedVorname);
}
