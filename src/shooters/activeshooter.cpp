#include "shooters/activeshooter.h"

#include "core/actionlog.h"
#include "core/changenotifier.h"
#include "store/shooterstore.h"
#include "store/tdata.h"

#include <cmath>

ActiveShooter &ActiveShooter::instance()
{
    static ActiveShooter shooter;
    return shooter;
}

ChangeNotifier &ActiveShooter::notifier()
{
    static ChangeNotifier notifier;
    return notifier;
}

void ActiveShooter::setActive(bool on)
{
    active = on;
    notifier().notify();
}

void MakeActiveShooter()
{
    ActiveShooter &s = ActiveShooter::instance();
    TData *data = TData::instance();
    DataTable *pers = data ? data->persTable() : nullptr;
    if (pers && pers->hasActiveRecord()) {
        s.Name = pers->fieldValue(QStringLiteral("Name")).toString();
        s.Vorname = pers->fieldValue(QStringLiteral("Vorname")).toString();
        s.Trainingsrunden = ShooterStore::storedRounds(pers->fieldValue(QStringLiteral("Trainingsrunden")));
        s.Nummer = pers->fieldValue(QStringLiteral("Nummer")).toLongLong();
    }
    WriteLogLine(QStringLiteral("Ausführen : [Start] aktiven Schützen wählen"));
    ActiveShooter::notifier().notify();
}

void DeactivateActiveShooter()
{
    ActiveShooter &s = ActiveShooter::instance();
    s.active = false;
    s.Name.clear();
    s.Vorname.clear();
    s.Trainingsrunden = -1;
    s.Nummer = 0;
    WriteLogLine(QStringLiteral("Ausführen : [Close] aktiven Schützen deaktivieren"));
    ActiveShooter::notifier().notify();
}

namespace {

DataTable *openShooterTable()
{
    TData *data = TData::instance();
    DataTable *pers = data ? data->persTable() : nullptr;
    return pers && pers->isOpen() ? pers : nullptr;
}

// The active shooter's record: by its "Nummer"; by the names before one is
// known (older callers) and for a record deleted elsewhere and made again
// under the same names.
std::optional<Shooter> activeRecord()
{
    const ActiveShooter &s = ActiveShooter::instance();
    const ShooterStore store;
    if (s.Nummer > 0)
        if (std::optional<Shooter> found = store.find(s.Nummer))
            return found;
    return s.Name.isEmpty() ? std::nullopt : store.findByNames(s.Name, s.Vorname);
}

void takeOver(const Shooter &record)
{
    ActiveShooter &s = ActiveShooter::instance();
    s.Name = record.name;
    s.Vorname = record.vorname;
    s.Trainingsrunden = record.trainingsrunden;
    s.Nummer = record.nummer;
    ActiveShooter::notifier().notify();
}

} // namespace

bool LocateActiveShooter()
{
    DataTable *pers = openShooterTable();
    if (!ActiveShooter::instance().active || !pers)
        return false;
    const std::optional<Shooter> record = activeRecord();
    if (!record)
        return false;
    // The lists show the active shooter as their current row.
    int row = 0;
    while (row < pers->recordCount() && pers->valueAt(row, QStringLiteral("Nummer")).toLongLong() != record->nummer)
        ++row;
    if (!pers->moveTo(row + 1))
        return false;
    takeOver(*record);
    return true;
}

bool RefreshActiveShooter()
{
    if (!ActiveShooter::instance().active || !openShooterTable())
        return false;
    const std::optional<Shooter> record = activeRecord();
    if (record)
        takeOver(*record);
    return record.has_value();
}
