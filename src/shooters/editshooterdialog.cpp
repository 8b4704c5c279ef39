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

int shownInt(const QVariant &stored)
{
    const double d = stored.toDouble();
    return std::isfinite(d) && std::fabs(d) < 2e9 ? int(std::lround(d)) : 0;
}

} // namespace

void EditShooterDialog::activate()
{
    FillClubBox(m_clubBox);
    WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz editieren"));
    // The shooter chosen in the list, as a value: the edit is written against it.
    const DataTable *pers = table();
    const qint64 nummer = pers && pers->hasActiveRecord() ? pers->fieldValue(QStringLiteral("Nummer")).toLongLong() : 0;
    m_read = ShooterStore().find(nummer).value_or(Shooter());
    if (m_read.nummer == 0)
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz editieren"));
    m_clubBox->setEditText(m_read.sportverein);
    m_birthDatePicker->setDate(m_read.geburtsdatum);
    m_upperBoundEdit->setValue(shownInt(m_read.obereSchranke));
    m_lowerBoundEdit->setValue(shownInt(m_read.untereSchranke));
    showBoundFields();
    WriteLogLine(QStringLiteral("Ausführen : [Erfolg] Datensatz editieren"));
    m_nameEdit->setFocus();
}

void EditShooterDialog::runSightDialog(SightProfileDialog *dialog)
{
    // The stored profile hangs on the stored names until OK carries it over;
    // the list's record keeps them meanwhile.
    dialog->setEditMode(true);
    dialog->setProfileNumber(0);
    if (runModal)
        runModal(dialog);
    else
        dialog->exec();
}

bool EditShooterDialog::storeRecord(const Shooter &entered)
{
    Shooter changed = m_read;
    changed.name = entered.name;
    changed.vorname = entered.vorname;
    changed.geburtsdatum = entered.geburtsdatum;
    changed.sportverein = entered.sportverein;
    changed.obereSchranke = entered.obereSchranke;
    changed.untereSchranke = entered.untereSchranke;
    return ShooterStore().update(m_read, changed);
}
