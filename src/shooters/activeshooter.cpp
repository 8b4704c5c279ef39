#include "shooters/activeshooter.h"

#include "shell/actionlog.h"
#include "store/tdata.h"

#include <cmath>

ActiveShooter &ActiveShooter::instance()
{
    static ActiveShooter shooter;
    return shooter;
}

void MakeActiveShooter()
{
    ActiveShooter &s = ActiveShooter::instance();
    TData *data = TData::instance();
    DataTable *pers = data ? data->persTable() : nullptr;
    if (pers && pers->hasActiveRecord()) {
        s.Name = pers->fieldValue(QStringLiteral("Name")).toString();
        s.Vorname = pers->fieldValue(QStringLiteral("Vorname")).toString();
        const double rounds = pers->fieldValue(QStringLiteral("Trainingsrunden")).toDouble();
        s.Trainingsrunden = int(std::nearbyint(rounds));
    }
    WriteLogLine(QStringLiteral("Ausführen : [Start] aktiven Schützen wählen"));
}

void DeactivateActiveShooter()
{
    ActiveShooter &s = ActiveShooter::instance();
    s.active = false;
    s.Name.clear();
    s.Vorname.clear();
    s.Trainingsrunden = -1;
    WriteLogLine(QStringLiteral("Ausführen : [Close] aktiven Schützen deaktivieren"));
}

bool LocateActiveShooter()
{
    const ActiveShooter &s = ActiveShooter::instance();
    TData *data = TData::instance();
    DataTable *pers = data ? data->persTable() : nullptr;
    if (!s.active || !pers || !pers->isOpen())
        return false;
    for (int row = 0; row < pers->recordCount(); ++row) {
        if (pers->valueAt(row, QStringLiteral("Name")).toString() == s.Name
            && pers->valueAt(row, QStringLiteral("Vorname")).toString() == s.Vorname)
            return pers->moveTo(row + 1);
    }
    return false;
}
