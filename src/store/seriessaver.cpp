#include "store/seriessaver.h"

#include "store/storeerror.h"
#include "store/tdata.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace {

const QString kNoShooter = QStringLiteral("\r\nDer aktive Schütze ist nicht in der Schützendatenbank vorhanden.\r\n"
                                          "Die Ergebnisse wurden nicht gespeichert.");

SeriesSaveResult refused(const QString &message) { return SeriesSaveResult{false, message, -1}; }

// The count goes up in the database itself, so a second program saving at
// the same time cannot make one raise disappear.
bool raiseTrainingCount(QSqlDatabase &db, const SeriesRun &run, bool *found, int *rounds, QString *error)
{
    const QString table = TableSchema::persData().qualifiedTable();
    const QString where = QStringLiteral(" WHERE \"name\" = ? AND \"vorname\" = ?");
    QSqlQuery raise(db);
    raise.prepare(QStringLiteral("UPDATE ") + table
                  + QStringLiteral(" SET \"trainingsrunden\" = COALESCE(\"trainingsrunden\", 0) + ?") + where);
    raise.addBindValue(1);
    raise.addBindValue(run.name);
    raise.addBindValue(run.vorname);
    if (!raise.exec()) {
        *error = StoreErrorText(raise.lastError());
        return false;
    }
    *found = raise.numRowsAffected() == 1;
    if (!*found) {
        *error = QStringLiteral("Der Datensatz des Schützen wurde nicht gefunden.");
        return false;
    }
    QSqlQuery read(db);
    read.prepare(QStringLiteral("SELECT \"trainingsrunden\" FROM ") + table + where);
    read.addBindValue(run.name);
    read.addBindValue(run.vorname);
    if (!read.exec() || !read.next()) {
        *error = StoreErrorText(read.lastError());
        return false;
    }
    *rounds = int(std::nearbyint(read.value(0).toDouble()));
    return true;
}

} // namespace

SeriesSaveResult saveSeries(TData *data, const SeriesRun &run)
{
    if (!data || !data->tablesOpen() || run.name.isEmpty())
        return refused(kNoShooter);

    QVector<QVariantMap> rows;
    rows.reserve(run.rows.size());
    for (int i = 0; i < run.rows.size(); ++i) {
        const SeriesRow &row = run.rows.at(i);
        rows << QVariantMap{{QStringLiteral("Name"), run.name},
                            {QStringLiteral("Vorname"), run.vorname},
                            {QStringLiteral("Datum"), run.stamp.date()},
                            {QStringLiteral("Zeit"), run.stamp.time()},
                            {QStringLiteral("MessTyp"), run.messTyp},
                            {QStringLiteral("Serie"), row.series},
                            {QStringLiteral("Scheibe"), row.target},
                            {QStringLiteral("ReakZeit"), row.reactionTime},
                            {QStringLiteral("Status"), row.status},
                            {QStringLiteral("Fehler"), row.error}};
    }

    bool found = true;
    int rounds = -1;
    const DataTable::ExtraWrite raise = [&](QSqlDatabase &db, QString *error) {
        return raiseTrainingCount(db, run, &found, &rounds, error);
    };
    DataTable *reak = data->reakTable();
    if (!reak->insertRows(rows, raise)) {
        if (!found)
            return refused(kNoShooter);
        const QString why = reak->errorText();
        if (IsBusyError(why))
            return refused(QStringLiteral("\r\nDie Datenbank ist gesperrt: sie wird gerade von einem anderen Programm "
                                          "benutzt.\r\nDie Ergebnisse wurden nicht gespeichert; bitte speichern Sie "
                                          "gleich noch einmal."));
        return refused(QStringLiteral("\r\nFehler beim Schreiben der Daten !\r\n") + why);
    }
    data->persTable()->refresh();
    return SeriesSaveResult{true, QString(), rounds};
}
