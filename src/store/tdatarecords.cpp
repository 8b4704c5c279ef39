#include "store/tdata.h"
#include "store/storequery.h"

#include "store/storeerror.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>

// Writes of the data module that span rows or tables: series, shooters and
// their sight profiles, each in one transaction.

int TData::deleteSeries(const QString &name, const QString &vorname, const QDate &datum, const QTime &zeit, int messTyp,
                        int serie)
{
    if (!connectionOpen()) {
        fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Serie kann nicht gelöscht werden."));
        return -1;
    }
    int count = 0;
    const bool deleted = writeTransaction(QStringLiteral("Die Serie kann nicht gelöscht werden: "), [&](QSqlDatabase &db, QString *why) {
        StoreQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM ") + TableSchema::reakData().qualifiedTable()
                      + QStringLiteral(" WHERE \"name\" = ? AND \"vorname\" = ? AND \"datum\" = ? AND \"zeit\" = ?"
                                       " AND \"messtyp\" = ? AND \"serie\" = ?"));
        query.addBindValue(name);
        query.addBindValue(vorname);
        query.addBindValue(TableSchema::dateText(datum));
        query.addBindValue(TableSchema::timeText(zeit));
        query.addBindValue(double(messTyp));
        query.addBindValue(double(serie));
        if (!query.exec()) {
            *why = StoreErrorText(query.lastError());
            return false;
        }
        count = query.numRowsAffected();
        return true;
    });
    if (!deleted)
        return -1;
    if (m_reak->isOpen())
        m_reak->refresh();
    return count;
}

namespace {

// Sets "Name" and "Vorname" of the rows of table that match `where`.
bool renameRows(QSqlDatabase &db, const TableSchema &table, const QString &where, const QVariantList &whereValues,
                const QString &name, const QString &vorname, QString *error)
{
    StoreQuery query(db);
    if (!query.prepare(QStringLiteral("UPDATE ") + table.qualifiedTable()
                       + QStringLiteral(" SET \"name\" = ?, \"vorname\" = ? WHERE ") + where)) {
        *error = StoreErrorText(query.lastError());
        return false;
    }
    query.addBindValue(name);
    query.addBindValue(vorname);
    for (const QVariant &v : whereValues)
        query.addBindValue(v);
    if (!query.exec()) {
        *error = StoreErrorText(query.lastError());
        return false;
    }
    return true;
}

// Hands the VData and ReakData rows of the pair (fromName, fromVorname) over to (name, vorname).
bool carryPairRows(QSqlDatabase &db, const QString &fromName, const QString &fromVorname, const QString &name,
                   const QString &vorname, QString *error)
{
    const QString where = QStringLiteral("\"name\" = ? AND \"vorname\" = ?");
    return renameRows(db, TableSchema::vData(), where, {fromName, fromVorname}, name, vorname, error)
           && renameRows(db, TableSchema::reakData(), where, {fromName, fromVorname}, name, vorname, error);
}

bool moveProfileRows(QSqlDatabase &db, const QList<qint64> &rows, const QString &name, const QString &vorname,
                     QString *error)
{
    for (qint64 n : rows)
        if (!renameRows(db, TableSchema::vData(), QStringLiteral("\"nummer\" = ?"), {n}, name, vorname, error))
            return false;
    return true;
}

} // namespace

bool TData::postShooter(const QString &fromName, const QString &fromVorname, const QList<qint64> &profileRows)
{
    if (!m_pers->isOpen())
        return fail(m_pers->errorText().isEmpty() ? QStringLiteral("Die Schützentabelle ist nicht geöffnet.")
                                                  : m_pers->errorText());
    if (m_pers->state() != DataTable::State::Edit && m_pers->state() != DataTable::State::Insert)
        return fail(QStringLiteral("Der Schütze wird gerade nicht bearbeitet."));
    if (m_reak->isOpen() && m_reak->hasPendingUpdates() && !m_reak->applyUpdates())
        return fail(m_reak->errorText());
    const QString name = m_pers->fieldValue(QStringLiteral("Name")).toString();
    const QString vorname = m_pers->fieldValue(QStringLiteral("Vorname")).toString();
    const bool renamed = !fromName.isEmpty() && !fromVorname.isEmpty() && (fromName != name || fromVorname != vorname);
    const auto carry = [&](QSqlDatabase &db, QString *error) {
        return (!renamed || carryPairRows(db, fromName, fromVorname, name, vorname, error))
               && moveProfileRows(db, profileRows, name, vorname, error);
    };
    if (!m_pers->post(carry))
        return fail(m_pers->errorText());
    if (m_visier->isOpen())
        m_visier->refresh();
    if (m_reak->isOpen())
        m_reak->refresh();
    return true;
}

bool TData::updateShooter(qint64 nummer, const QVariantMap &read, const QVariantMap &changed)
{
    if (!m_pers->isOpen())
        return fail(m_pers->errorText().isEmpty() ? QStringLiteral("Die Schützentabelle ist nicht geöffnet.")
                                                  : m_pers->errorText());
    if (m_reak->isOpen() && m_reak->hasPendingUpdates() && !m_reak->applyUpdates())
        return fail(m_reak->errorText());
    const QString fromName = read.value(QStringLiteral("Name")).toString();
    const QString fromVorname = read.value(QStringLiteral("Vorname")).toString();
    const QString name = changed.value(QStringLiteral("Name")).toString();
    const QString vorname = changed.value(QStringLiteral("Vorname")).toString();
    const auto carry = [&](QSqlDatabase &db, QString *error) {
        return (fromName == name && fromVorname == vorname) || carryPairRows(db, fromName, fromVorname, name, vorname, error);
    };
    if (!m_pers->updateRow(nummer, read, changed, carry))
        return fail(m_pers->errorText());
    if (m_visier->isOpen())
        m_visier->refresh();
    if (m_reak->isOpen())
        m_reak->refresh();
    return true;
}

bool TData::moveProfiles(const QList<qint64> &rows, const QString &name, const QString &vorname)
{
    if (rows.isEmpty())
        return true;
    if (!connectionOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Visierdaten können nicht geändert werden."));
    if (!writeTransaction(QStringLiteral("Die Visierdaten können nicht geändert werden: "),
                          [&](QSqlDatabase &db, QString *why) { return moveProfileRows(db, rows, name, vorname, why); }))
        return false;
    if (m_visier->isOpen())
        m_visier->refresh();
    return true;
}

bool TData::deleteProfiles(const QList<qint64> &rows)
{
    if (rows.isEmpty())
        return true;
    if (!connectionOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Visierdaten können nicht gelöscht werden."));
    const auto remove = [&](QSqlDatabase &db, QString *why) {
        for (qint64 n : rows) {
            StoreQuery query(db);
            query.prepare(QStringLiteral("DELETE FROM ") + TableSchema::vData().qualifiedTable()
                          + QStringLiteral(" WHERE \"nummer\" = ?"));
            query.addBindValue(n);
            if (!query.exec()) {
                *why = StoreErrorText(query.lastError());
                return false;
            }
        }
        return true;
    };
    if (!writeTransaction(QStringLiteral("Die Visierdaten können nicht gelöscht werden: "), remove))
        return false;
    if (m_visier->isOpen())
        m_visier->refresh();
    return true;
}

bool TData::countShooterData(const QString &name, const QString &vorname, ShooterData *out)
{
    if (!connectionOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet."));
    QSqlDatabase db = connection();
    const auto count = [&](const QString &sql, int *n) {
        StoreQuery query(db);
        query.prepare(sql);
        query.addBindValue(name);
        query.addBindValue(vorname);
        if (!query.exec() || !query.next())
            return fail(QStringLiteral("Die gespeicherten Daten des Schützen können nicht gezählt werden: ")
                        + StoreErrorText(query.lastError()));
        *n = query.value(0).toInt();
        return true;
    };
    const QString where = QStringLiteral(" WHERE \"name\" = ? AND \"vorname\" = ?");
    ShooterData data;
    if (!count(QStringLiteral("SELECT COUNT(*) FROM ") + TableSchema::vData().qualifiedTable() + where, &data.profiles)
        || !count(QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT \"datum\", \"zeit\", \"messtyp\", \"serie\" FROM ")
                      + TableSchema::reakData().qualifiedTable() + where + QStringLiteral(") AS serien"),
                  &data.series))
        return false;
    if (out)
        *out = data;
    return true;
}

bool TData::removeShooter(qint64 nummer, const QString &name, const QString &vorname)
{
    if (!connectionOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; der Schütze kann nicht gelöscht werden."));
    if (m_reak->isOpen() && m_reak->hasPendingUpdates() && !m_reak->applyUpdates())
        return fail(m_reak->errorText());
    const bool removed = writeTransaction(QStringLiteral("Der Schütze kann nicht gelöscht werden: "), [&](QSqlDatabase &db, QString *why) {
        StoreQuery record(db);
        record.prepare(QStringLiteral("DELETE FROM ") + TableSchema::persData().qualifiedTable()
                       + QStringLiteral(" WHERE \"nummer\" = ? AND \"name\" = ? AND \"vorname\" = ?"));
        record.addBindValue(nummer);
        record.addBindValue(name);
        record.addBindValue(vorname);
        if (!record.exec()) {
            *why = StoreErrorText(record.lastError());
            return false;
        }
        if (record.numRowsAffected() != 1) {
            *why = QStringLiteral("er wurde inzwischen an einem anderen Platz umbenannt oder gelöscht.");
            return false;
        }
        for (const TableSchema *table : {&TableSchema::vData(), &TableSchema::reakData()}) {
            StoreQuery rows(db);
            rows.prepare(QStringLiteral("DELETE FROM ") + table->qualifiedTable()
                         + QStringLiteral(" WHERE \"name\" = ? AND \"vorname\" = ?"));
            rows.addBindValue(name);
            rows.addBindValue(vorname);
            if (!rows.exec()) {
                *why = StoreErrorText(rows.lastError());
                return false;
            }
        }
        return true;
    });
    // The lists show what the database holds, also after a failure.
    for (DataTable *t : {m_pers, m_visier, m_reak})
        if (t->isOpen() && t->state() == DataTable::State::Browse)
            t->refresh();
    return removed;
}

bool TData::deleteShooter()
{
    if (!m_pers->isOpen())
        return fail(QStringLiteral("Die Schützentabelle ist nicht geöffnet."));
    if (!m_pers->checkBrowseMode())
        m_pers->cancel();
    if (!m_pers->hasActiveRecord())
        return fail(QStringLiteral("Es ist kein Schütze zum Löschen ausgewählt."));
    return removeShooter(m_pers->fieldValue(QStringLiteral("Nummer")).toLongLong(),
                         m_pers->fieldValue(QStringLiteral("Name")).toString(),
                         m_pers->fieldValue(QStringLiteral("Vorname")).toString());
}
