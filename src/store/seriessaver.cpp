#include "store/seriessaver.h"
#include "store/storequery.h"

#include "store/storeerror.h"
#include "store/tdata.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace {

const QString kNoShooter = QStringLiteral("\r\nDer aktive Schütze ist nicht in der Schützendatenbank vorhanden.\r\n"
                                          "Die Ergebnisse wurden nicht gespeichert.");
const QString kShooterDeleted =
    QStringLiteral("\r\nDer aktive Schütze wurde inzwischen an einem anderen Platz aus der Schützendatenbank gelöscht.\r\n"
                   "Die Ergebnisse wurden nicht gespeichert; sie bleiben in der Liste für einen neuen Versuch.");
const QString kServerGone =
    QStringLiteral("\r\nDie Verbindung zum Vereinsserver ist unterbrochen.\r\nDie Ergebnisse sind noch nicht gespeichert; "
                   "sie bleiben in der Liste. Bitte speichern Sie noch einmal, sobald der Server wieder erreichbar ist.\r\n");

const QString kBusy = QStringLiteral("\r\nDie Datenbank ist gesperrt: sie wird gerade von einem anderen Programm "
                                     "benutzt.\r\nDie Ergebnisse wurden nicht gespeichert; bitte speichern Sie "
                                     "gleich noch einmal.");

SeriesSaveResult refused(const QString &message)
{
    return SeriesSaveResult{false, message, -1, {}, {}, message == kShooterDeleted};
}

// How the shooter's record is found: by its number and the names the rows
// carry (a rename elsewhere shows as a mismatch), or by the names alone.
struct ShooterKey
{
    qint64 nummer = 0;
    QString name;
    QString vorname;
};

enum class Raise { Done, Failed, Gone, Renamed };

bool exec(StoreQuery &query, QString *error)
{
    if (query.exec())
        return true;
    *error = StoreErrorText(query.lastError());
    return false;
}

// The count goes up in the database itself, so a second program saving at
// the same time cannot make one raise disappear. The update locks the
// record: a rename or delete on another stand waits for this save or this
// save sees it. One statement: it also answers the new count.
Raise raiseTrainingCount(QSqlDatabase &db, ShooterKey *key, int *rounds, QString *error)
{
    const QString table = TableSchema::persData().qualifiedTable();
    StoreQuery raise(db);
    raise.prepare(QStringLiteral("UPDATE ") + table
                  + QStringLiteral(" SET \"trainingsrunden\" = COALESCE(\"trainingsrunden\", 0) + ? WHERE ")
                  + (key->nummer > 0 ? QStringLiteral("\"nummer\" = ? AND ") : QString())
                  + QStringLiteral("\"name\" = ? AND \"vorname\" = ? RETURNING \"trainingsrunden\""));
    raise.addBindValue(1);
    if (key->nummer > 0)
        raise.addBindValue(key->nummer);
    raise.addBindValue(key->name);
    raise.addBindValue(key->vorname);
    if (!exec(raise, error))
        return Raise::Failed;
    if (raise.next()) {
        if (!ResultQuery::wholeNumber(raise.value(0), rounds) || *rounds < 0)
            *rounds = -1;   // a damaged count: shown empty
        return Raise::Done;
    }
    if (raise.lastError().isValid()) {
        *error = StoreErrorText(raise.lastError());
        return Raise::Failed;
    }
    *error = QStringLiteral("Der Datensatz des Schützen wurde nicht gefunden.");
    if (key->nummer <= 0)
        return Raise::Gone;
    StoreQuery now(db);
    now.prepare(QStringLiteral("SELECT \"name\", \"vorname\" FROM ") + table + QStringLiteral(" WHERE \"nummer\" = ?"));
    now.addBindValue(key->nummer);
    if (!exec(now, error))
        return Raise::Failed;
    if (!now.next())
        return Raise::Gone;
    key->name = now.value(0).toString();
    key->vorname = now.value(1).toString();
    return Raise::Renamed;
}

} // namespace

SeriesSaveResult saveSeries(TData *data, const SeriesRun &run)
{
    if (!data || !data->tablesOpen() || run.name.isEmpty())
        return refused(kNoShooter);

    ShooterKey key{run.nummer, run.name, run.vorname};
    DataTable *pers = data->persTable();
    if (key.nummer <= 0 && pers->hasActiveRecord() && pers->fieldValue(QStringLiteral("Name")).toString() == run.name
        && pers->fieldValue(QStringLiteral("Vorname")).toString() == run.vorname)
        key.nummer = pers->fieldValue(QStringLiteral("Nummer")).toLongLong();

    DataTable *reak = data->reakTable();
    // A rename elsewhere between reading the names and the raise rolls the
    // rows back; they are written again under the new names.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QVector<QVariantMap> rows;
        rows.reserve(run.rows.size());
        for (const SeriesRow &row : run.rows) {
            rows << QVariantMap{{QStringLiteral("Name"), key.name},
                                {QStringLiteral("Vorname"), key.vorname},
                                {QStringLiteral("Datum"), run.stamp.date()},
                                {QStringLiteral("Zeit"), run.stamp.time()},
                                {QStringLiteral("MessTyp"), run.messTyp},
                                {QStringLiteral("Serie"), row.series},
                                {QStringLiteral("Scheibe"), row.target},
                                {QStringLiteral("ReakZeit"), row.reactionTime},
                                {QStringLiteral("Status"), row.status},
                                {QStringLiteral("Fehler"), row.error}};
        }
        Raise outcome = Raise::Failed;
        int rounds = -1;
        const DataTable::ExtraWrite raise = [&](QSqlDatabase &db, QString *error) {
            outcome = raiseTrainingCount(db, &key, &rounds, error);
            return outcome == Raise::Done;
        };
        if (reak->insertRows(rows, raise)) {
            if (pers->isOpen() && data == TData::instance())
                pers->refresh();   // the program's own list shows the new count
            return SeriesSaveResult{true, QString(), rounds, key.name, key.vorname};
        }
        if (outcome == Raise::Renamed)
            continue;
        if (outcome == Raise::Gone)
            return refused(key.nummer > 0 ? kShooterDeleted : kNoShooter);
        const QString why = reak->errorText();
        if (data->isServer()) {
            bool lost = false;
            if (!data->checkServerConnection(&lost))
                return refused(kServerGone + data->errorText());
            if (lost)
                return refused(kServerGone + why);
        }
        if (IsBusyError(why))
            return refused(kBusy);
        return refused(QStringLiteral("\r\nFehler beim Schreiben der Daten !\r\n") + why);
    }
    return refused(QStringLiteral("\r\nDer Schütze wird gerade an einem anderen Platz mehrfach umbenannt.\r\n"
                                  "Die Ergebnisse wurden nicht gespeichert; bitte speichern Sie gleich noch einmal."));
}

SeriesSaveResult seriesNotOpened(bool server, const QString &why)
{
    if (server)
        return refused(kServerGone + why);
    if (IsBusyError(why))
        return refused(kBusy);
    return refused(QStringLiteral("\r\nFehler beim Schreiben der Daten !\r\n") + why);
}
