#include "shooters/activeshooter.h"

#include "core/actionlog.h"
#include "core/changenotifier.h"
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

namespace {
// A stored count that is no whole number in range (damage, 1e300) is none.
int storedRounds(const QVariant &stored)
{
    int rounds = -1;
    return ResultQuery::wholeNumber(stored, &rounds) && rounds >= 0 ? rounds : -1;
}
} // namespace

void MakeActiveShooter()
{
    ActiveShooter &s = ActiveShooter::instance();
    TData *data = TData::instance();
    DataTable *pers = data ? data->persTable() : nullptr;
    if (pers && pers->hasActiveRecord()) {
        s.Name = pers->fieldValue(QStringLiteral("Name")).toString();
        s.Vorname = pers->fieldValue(QStringLiteral("Vorname")).toString();
        s.Trainingsrunden = storedRounds(pers->fieldValue(QStringLiteral("Trainingsrunden")));
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

// Row of the active shooter's record, -1 when gone. Before a "Nummer" is
// known (older callers) the names decide.
int activeShooterRow(const DataTable *pers)
{
    const ActiveShooter &s = ActiveShooter::instance();
    const auto byNames = [&](int row) {
        return pers->valueAt(row, QStringLiteral("Name")).toString() == s.Name
               && pers->valueAt(row, QStringLiteral("Vorname")).toString() == s.Vorname;
    };
    for (int row = 0; row < pers->recordCount(); ++row) {
        if (s.Nummer > 0 ? pers->valueAt(row, QStringLiteral("Nummer")).toLongLong() == s.Nummer : byNames(row))
            return row;
    }
    // The record deleted elsewhere and made again under the same names.
    for (int row = 0; s.Nummer > 0 && !s.Name.isEmpty() && row < pers->recordCount(); ++row)
        if (byNames(row))
            return row;
    return -1;
}

void takeOverRecord(const DataTable *pers, int row)
{
    ActiveShooter &s = ActiveShooter::instance();
    s.Name = pers->valueAt(row, QStringLiteral("Name")).toString();
    s.Vorname = pers->valueAt(row, QStringLiteral("Vorname")).toString();
    s.Trainingsrunden = storedRounds(pers->valueAt(row, QStringLiteral("Trainingsrunden")));
    s.Nummer = pers->valueAt(row, QStringLiteral("Nummer")).toLongLong();
    ActiveShooter::notifier().notify();
}

} // namespace

bool LocateActiveShooter()
{
    const ActiveShooter &s = ActiveShooter::instance();
    DataTable *pers = openShooterTable();
    if (!s.active || !pers)
        return false;
    const int row = activeShooterRow(pers);
    if (row < 0 || !pers->moveTo(row + 1))
        return false;
    takeOverRecord(pers, row);
    return true;
}

bool RefreshActiveShooter()
{
    const ActiveShooter &s = ActiveShooter::instance();
    const DataTable *pers = openShooterTable();
    if (!s.active || !pers)
        return false;
    const int row = activeShooterRow(pers);
    if (row < 0)
        return false;
    takeOverRecord(pers, row);
    return true;
}
