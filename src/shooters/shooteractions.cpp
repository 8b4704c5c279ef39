#include "shooters/shooteractions.h"

#include "platform/messageservice.h"
#include "core/actionlog.h"
#include "shooters/activeshooter.h"
#include "store/datatable.h"
#include "store/shooterstore.h"
#include "store/tdata.h"

DataTable *ShooterTable()
{
    TData *data = TData::instance();
    return data ? data->persTable() : nullptr;
}

bool ShooterTableEmpty()
{
    const DataTable *pers = ShooterTable();
    return !pers || !pers->isOpen() || pers->isEmpty();
}

void RefreshShooterTable()
{
    DataTable *pers = ShooterTable();
    if (pers && pers->isOpen() && pers->state() == DataTable::State::Browse)
        pers->refresh();
}

QString ShooterDataText(bool counted, const TData::ShooterData &stored)
{
    if (!counted)
        return QStringLiteral(" mit allen Visierdaten und Messergebnissen");
    QStringList parts;
    if (stored.profiles > 0)
        parts << QStringLiteral("Visierdaten");
    if (stored.series > 0)
        parts << QString::number(stored.series)
                     + (stored.series == 1 ? QStringLiteral(" Messserie") : QStringLiteral(" Messserien"));
    return parts.isEmpty() ? QString() : QStringLiteral(" mit ") + parts.join(QStringLiteral(" und "));
}

ShooterDeleteResult ConfirmAndDeleteCurrentShooter()
{
    DataTable *pers = ShooterTable();
    if (!pers || !pers->isOpen())
        return ShooterDeleteResult::Declined;
    // Ask about a stored record, not about an unfinished entry.
    if (!pers->checkBrowseMode())
        pers->cancel();
    if (pers->currentRow() < 0)
        return ShooterDeleteResult::Declined;
    // The shooter asked about is the one deleted, whatever the list shows
    // after the question (another stand's change reads it again meanwhile).
    ShooterStore store;
    const std::optional<Shooter> asked = store.find(pers->fieldValue(QStringLiteral("Nummer")).toLongLong());
    if (!asked)
        return ShooterDeleteResult::Declined;
    TData *data = TData::instance();
    TData::ShooterData stored;
    const bool counted = data && data->countShooterData(asked->name, asked->vorname, &stored);
    if (AskConfirmation(QStringLiteral("\r\nSchütze ") + asked->vorname + u' ' + asked->name + ShooterDataText(counted, stored)
                        + QStringLiteral(" wirklich löschen ?"))
        != MessageService::Yes)
        return ShooterDeleteResult::Declined;
    WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz löschen"));
    if (!store.remove(*asked)) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz löschen"));
        return ShooterDeleteResult::Failed;
    }
    return ShooterDeleteResult::Deleted;
}

ShooterDeleteResult DeleteActiveShooter()
{
    ActiveShooter &shooter = ActiveShooter::instance();
    // The overview may have moved the table to another shooter: delete the
    // active one, never whoever happens to be current.
    if (!LocateActiveShooter()) {
        shooter.active = false;
        return ShooterDeleteResult::NotFound;
    }
    const ShooterDeleteResult result = ConfirmAndDeleteCurrentShooter();
    if (result != ShooterDeleteResult::Declined)
        shooter.active = false;
    return result;
}

bool EditActiveShooter(const std::function<void()> &editDialog)
{
    ActiveShooter &shooter = ActiveShooter::instance();
    if (!LocateActiveShooter()) {
        if (shooter.active)
            ShowError(QStringLiteral("\r\nDer aktive Schütze ist nicht mehr in der Datenbank vorhanden."));
        shooter.active = false;
        return false;
    }
    if (editDialog)
        editDialog();
    MakeActiveShooter();
    return true;
}
