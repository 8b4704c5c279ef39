#include "store/tdata.h"
#include "store/storequery.h"

#include "store/quoted.h"
#include "store/serverwatchdog.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>

// The data module on a PostgreSQL server: connecting, and the tables of a
// first start. The schemas main, vdata and reakdata keep the names of the
// local connection, so every statement runs unchanged on both kinds.

namespace {

// Any number, the same in every program: serialises first starts of several stands.
const qint64 kSetUpLock = 0x56616e7472656cLL;
const QString kVersionTable = QStringLiteral("main.vantrel_schema");

// Runs sql (prepared only with values: PostgreSQL prepares no SET or CREATE);
// false with the German reason in *why.
bool run(QSqlDatabase &db, const QString &sql, QString *why, const QVariantList &binds = {}, QSqlQuery *out = nullptr)
{
    StoreQuery query(db);
    bool ok;
    if (binds.isEmpty()) {
        ok = query.exec(sql);
    } else {
        ok = query.prepare(sql);
        for (const QVariant &b : binds)
            query.addBindValue(b);
        ok = ok && query.exec();
    }
    if (!ok) {
        *why = StoreErrorText(query.lastError());
        return false;
    }
    if (out)
        *out = std::move(query);
    return true;
}

// Fields of a table in the database, lower case; empty when the table is missing.
bool columnsOf(QSqlDatabase &db, const TableSchema &s, QStringList *columns, QString *why)
{
    QSqlQuery query(db);
    if (!run(db, QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_schema = ? AND table_name = ?"),
             why, {s.schemaName, s.tableName.toLower()}, &query))
        return false;
    while (query.next())
        columns->append(query.value(0).toString().toLower());
    return true;
}

} // namespace

QString TData::serverConnectOptions(bool readOnly)
{
    // The session's settings travel with the connection request: no round
    // trips of their own, and a connection opened again has them too.
    // lock_timeout: a table held by another stand gives "gesperrt" rather than
    // a hang, before the statement time-out and the watchdog end the wait;
    // statement_timeout: a statement the server works on longer ends there
    // (a silent server is the watchdog's).
    return ServerWatchdog::connectOptions()
           + QStringLiteral(";options='-c client_min_messages=warning -c search_path=main,vdata,reakdata "
                            "-c lock_timeout=%1 -c statement_timeout=%2%3'")
                 .arg(qMax(500, ServerWatchdog::timeoutMs() * 4 / 5))
                 .arg(ServerWatchdog::timeoutMs())
                 .arg(readOnly ? QStringLiteral(" -c default_transaction_read_only=on") : QString());
}

bool TData::serverTablesReady(QSqlDatabase &db)
{
    QStringList rights;
    for (const TableSchema *s : TableSchema::all())
        rights << QStringLiteral("has_table_privilege('%1.%2', 'SELECT,INSERT,UPDATE,DELETE')").arg(s->schemaName, s->tableName.toLower());
    QSqlQuery q(db);
    // Fails when the version table is missing: then the careful way decides.
    if (!q.exec(QStringLiteral("SELECT (SELECT MAX(version) FROM ") + kVersionTable
                + QStringLiteral("), (SELECT string_agg(lower(table_schema || '.' || table_name || '.' || column_name), ',') "
                                 "FROM information_schema.columns WHERE table_schema IN ('main', 'vdata', 'reakdata')), ")
                + rights.join(QStringLiteral(" AND ")))
        || !q.next())
        return false;
    bool numeric = false;
    const int version = q.value(0).toInt(&numeric);
    if (!numeric || version > ServerSchemaVersion || !q.value(2).toBool())
        return false;
    const QStringList present = q.value(1).toString().split(u',');
    for (const TableSchema *s : TableSchema::all())
        for (const QString &f : s->storedFields())
            if (!present.contains(QStringLiteral("%1.%2.%3").arg(s->schemaName, s->tableName, f).toLower()))
                return false;
    return true;
}

bool TData::checkServerConnection(bool *wasLost)
{
    if (wasLost)
        *wasLost = false;
    if (!isServer())
        return true;
    if (!QSqlDatabase::contains(m_connectionName))
        return fail(QStringLiteral("Die Verbindung zum Vereinsserver ist nicht geöffnet."));
    QSqlDatabase db = connection();
    if (db.isOpen() && QSqlQuery(db).exec(QStringLiteral("SELECT 1")))
        return true;
    if (wasLost)
        *wasLost = true;
    // The queries of the tables belong to the old connection; the tables
    // keep their rows and read through the new one.
    ServerWatchdog::unwatch(m_connectionName);
    db.close();
    const QString where = m_target.describe();
    // A server that left a statement unanswered is not asked again in the same
    // operation: a new connection would wait as long again.
    if (ServerWatchdog::takeCut(m_connectionName))
        return fail(QStringLiteral("Der Vereinsserver antwortet nicht (%1): keine Antwort innerhalb von %2 Sekunden.")
                        .arg(where)
                        .arg((ServerWatchdog::timeoutMs() + 999) / 1000));
    if (!db.open())
        return fail(QStringLiteral("Der Vereinsserver ist nicht erreichbar (%1): %2")
                        .arg(where, ServerConnectErrorText(db.lastError().text())));
    ServerWatchdog::watch(db);
    StoreLogLine(QStringLiteral("Ausführen : [Info] Vereinsserver: Verbindung wieder aufgenommen (%1)").arg(where));
    listenForChanges();
    return true;
}

bool TData::openServerConnection(const DatabaseTarget &target)
{
    if (target.host.isEmpty() || target.dbname.isEmpty() || target.user.isEmpty())
        return fail(QStringLiteral("Für den Vereinsserver sind Server, Datenbank und Benutzer nicht vollständig eingestellt; "
                                   "das Programm arbeitet ohne Datenbank."));
    const QString where = target.describe();
    QString refused;
    {
        QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
                              ? QSqlDatabase::database(m_connectionName, false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
        if (!db.isValid() || db.driverName() != QLatin1String("QPSQL")) {
            refused = QStringLiteral("Der Datenbanktreiber für PostgreSQL ist nicht verfügbar (Paket libqt6sql6-psql).");
        } else {
            db.setHostName(target.host);
            db.setPort(target.port);
            db.setDatabaseName(target.dbname);
            db.setUserName(target.user);
            // Never a password here: libpq takes it from ~/.pgpass or $PGPASSFILE.
            db.setConnectOptions(serverConnectOptions(m_readOnly));
            if (db.open())
                ServerWatchdog::watch(db);
            else
                refused = QStringLiteral("Der Vereinsserver ist nicht erreichbar (%1): %2")
                              .arg(where, ServerConnectErrorText(db.lastError().text()));
        }
    }
    if (!refused.isEmpty()) {
        closeConnection();
        return fail(refused);
    }

    QString why;
    bool ready;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        const auto setUp = [&]() {
            SqlTransaction tx(db);
            if (!tx.isActive()) {
                why = tx.error();
                return false;
            }
            // A second stand starting at the same moment waits here, then finds the tables.
            if (!run(db, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), &why, {kSetUpLock}))
                return false;
            QSqlQuery found(db);
            if (!run(db, QStringLiteral("SELECT to_regclass(?) IS NOT NULL"), &why, {kVersionTable}, &found) || !found.next())
                return false;
            const bool versioned = found.value(0).toBool();
            found.finish();
            if (versioned) {
                QSqlQuery version(db);
                if (!run(db, QStringLiteral("SELECT MAX(version) FROM ") + kVersionTable, &why, {}, &version) || !version.next())
                    return false;
                const int v = version.value(0).toInt();
                if (v > ServerSchemaVersion) {
                    why = QStringLiteral("die Datenbank hat den Aufbau Version %1, dieses Programm kennt nur Version %2. Bitte "
                                         "verwenden Sie eine neuere Programmversion; die Datenbank wird nicht verändert.")
                              .arg(v)
                              .arg(ServerSchemaVersion);
                    return false;
                }
                for (const TableSchema *s : TableSchema::all()) {
                    QStringList present;
                    if (!columnsOf(db, *s, &present, &why))
                        return false;
                    for (const QString &f : s->storedFields())
                        if (!present.contains(f.toLower())) {
                            why = present.isEmpty()
                                      ? QStringLiteral("der Datenbank fehlt die Tabelle %1.").arg(Quoted(s->tableName))
                                      : QStringLiteral("der Tabelle %1 fehlt das Feld %2.").arg(Quoted(s->tableName), Quoted(f));
                            return false;
                        }
                }
                return tx.commit() || (why = tx.error(), false);
            }
            // No version: only an empty database gets the tables; anything else is
            // left as it is.
            for (const TableSchema *s : TableSchema::all()) {
                QStringList present;
                if (!columnsOf(db, *s, &present, &why))
                    return false;
                if (!present.isEmpty()) {
                    why = QStringLiteral("die Datenbank enthält die Tabelle %1, aber keine Angabe zum Aufbau von Vantrel "
                                         "Reaktion; sie wird nicht verändert.")
                              .arg(Quoted(s->tableName));
                    return false;
                }
            }
            for (const QString &schema : {QStringLiteral("main"), QStringLiteral("vdata"), QStringLiteral("reakdata")})
                if (!run(db, QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + schema, &why))
                    return false;
            for (const TableSchema *s : TableSchema::all())
                if (!run(db, s->createTableSql(true), &why) || !run(db, s->createIndexSql(true), &why))
                    return false;
            if (!run(db, QStringLiteral("CREATE TABLE ") + kVersionTable + QStringLiteral(" (version integer NOT NULL)"), &why)
                || !run(db, QStringLiteral("INSERT INTO ") + kVersionTable + QStringLiteral(" (version) VALUES (?)"), &why,
                        {ServerSchemaVersion}))
                return false;
            if (!tx.commit()) {
                why = tx.error();
                return false;
            }
            StoreLogLine(QStringLiteral("Ausführen : [Info] Vereinsserver: Tabellen in der leeren Datenbank angelegt (%1)").arg(where));
            return true;
        };
        const auto probe = [&]() {
            // A write into every table, rolled back: missing rights show at start.
            SqlTransaction tx(db);
            if (!tx.isActive()) {
                why = tx.error();
                return false;
            }
            for (const TableSchema *s : TableSchema::all())
                if (!run(db, QStringLiteral("DELETE FROM %1 WHERE false").arg(s->qualifiedTable()), &why))
                    return false;
            return true;
        };
        // Mostly all is there: one question; otherwise step by step with the reasons.
        ready = serverTablesReady(db) || (setUp() && probe());
    }
    if (!ready) {
        closeConnection();
        return fail(QStringLiteral("Die Datenbank auf dem Vereinsserver (%1) kann nicht geöffnet werden: %2").arg(where, why));
    }
    listenForChanges();
    return true;
}

const QString &TData::changeChannel()
{
    static const QString channel = QStringLiteral("vantrel_daten");
    return channel;
}

void TData::listenForChanges()
{
    // Only the program's own data module follows other stands; work modules
    // on other threads come and go.
    if (s_instance != this)
        return;
    QSqlDriver *driver = connection().driver();
    if (driver && driver->subscribedToNotifications().contains(changeChannel()))
        driver->unsubscribeFromNotification(changeChannel());   // a connection opened again listens anew
    if (!driver || !driver->subscribeToNotification(changeChannel()))
        return;
    disconnect(m_changeListener);
    m_changeListener = connect(driver, &QSqlDriver::notification, this,
            [this](const QString &name, QSqlDriver::NotificationSource source, const QVariant &) {
                if (name == changeChannel() && source != QSqlDriver::SelfSource && !m_changesElsewhere.isActive())
                    m_changesElsewhere.start();
            });
}
