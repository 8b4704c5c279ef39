#pragma once
// Shared helpers of the store tests: a sandboxed data module with open tables,
// and an independent second connection to look at the files themselves.
#include "store/tdata.h"
#include "support/pgcluster.h"
#include "support/sandbox.h"

#include <QDate>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTime>
#include <QUuid>
#include <memory>

// VR_STORE_KIND=server runs the store tests against a PostgreSQL server:
// one throw-away cluster per program run, a fresh database per fixture.
inline bool storeOnServer() { return qgetenv("VR_STORE_KIND") == "server"; }

// For tests about the local files only.
#define SKIP_ON_SERVER(reason)                                                                                        \
    do {                                                                                                              \
        if (storeOnServer())                                                                                          \
            QSKIP(reason);                                                                                            \
    } while (false)

// The cluster, started on first use and stopped when the program ends; a
// missing or broken PostgreSQL ends the run with the reason.
inline PgCluster &storeServer()
{
    static PgCluster *cluster = nullptr;
    if (!cluster) {
        cluster = new PgCluster;
        if (!cluster->start())
            qFatal("VR_STORE_KIND=server: der PostgreSQL-Testserver startet nicht: %s", qPrintable(cluster->error()));
        qAddPostRoutine([] {
            delete cluster;
            cluster = nullptr;
        });
    }
    return *cluster;
}

// The database of the newest fixture on the server.
inline QString &currentServerDatabase()
{
    static QString name;
    return name;
}

// A fresh database on the server, named in the settings store as the data
// module's target (the sandbox must exist).
inline DatabaseTarget freshServerDatabase()
{
    static int counter = 0;
    PgCluster &cluster = storeServer();
    const QString name = QStringLiteral("t%1").arg(++counter);
    if (!cluster.createDatabase(name))
        qFatal("Testdatenbank %s kann nicht angelegt werden: %s", qPrintable(name), qPrintable(cluster.error()));
    currentServerDatabase() = name;
    const DatabaseTarget target = DatabaseTarget::server(cluster.host(), cluster.port(), name, cluster.userName());
    target.writeSettings();
    return target;
}

// A connection of its own to the server database: search path as the program's.
inline QSqlDatabase openServerCheck(const QString &connection)
{
    PgCluster &cluster = storeServer();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    db.setHostName(cluster.host());
    db.setPort(cluster.port());
    db.setDatabaseName(currentServerDatabase());
    db.setUserName(cluster.userName());
    if (db.open())
        QSqlQuery(db).exec(QStringLiteral("SET search_path TO main, vdata, reakdata"));
    return db;
}

// On the server the names in double quotes in lower case (PostgreSQL keeps
// them so); SQLite ignores their case anyway.
inline QString forKind(const QString &sql)
{
    QString statement = sql;
    if (storeOnServer()) {
        const QRegularExpression quotedName(QStringLiteral("\"[^\"]*\""));
        for (auto it = quotedName.globalMatch(sql); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            statement.replace(m.capturedStart(), m.capturedLength(), m.captured().toLower());
        }
    }
    return statement;
}

// Runs sql on a file through its own connection (on the server: on the
// fixture's database, whichever table file is named); returns the first
// column of every row (as strings). *ok tells whether it ran.
inline QStringList sqlOnFile(const QString &file, const QString &sql, const QVariantList &binds = {}, bool *ok = nullptr)
{
    QStringList out;
    const QString name = QStringLiteral("check-") + QUuid::createUuid().toString();
    bool ran = false;
    {
        QSqlDatabase db;
        if (storeOnServer()) {
            db = openServerCheck(name);
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            db.open();
        }
        if (db.isOpen()) {
            QSqlQuery query(db);
            const QString statement = forKind(sql);
            if (binds.isEmpty()) {
                ran = query.exec(statement);   // PostgreSQL prepares no CREATE, DROP or SET
            } else {
                query.prepare(statement);
                for (const QVariant &b : binds)
                    query.addBindValue(b);
                ran = query.exec();
            }
            if (!ran)
                qWarning() << "sqlOnFile:" << query.lastError().text();
            while (query.next())
                out << query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (ok)
        *ok = ran;
    return out;
}

// A trigger that refuses `event` ("INSERT", "UPDATE", "DELETE") on rows of
// table where `when` holds (empty: every row), with message as the database's
// error text; on SQLite in the table's file, on the server in PostgreSQL's way.
inline bool refuseWrites(const QString &file, const QString &trigger, const QString &table, const QString &event,
                         const QString &when, const QString &message)
{
    bool ok = false;
    if (!storeOnServer()) {
        sqlOnFile(file, QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 %4 BEGIN SELECT RAISE(ABORT, '%5'); END")
                            .arg(trigger, event, table, when.isEmpty() ? QString() : QStringLiteral("WHEN ") + when, message),
                  {}, &ok);
        return ok;
    }
    sqlOnFile(file, QStringLiteral("CREATE FUNCTION refuse_%1() RETURNS trigger LANGUAGE plpgsql AS "
                                   "$$BEGIN RAISE EXCEPTION '%2'; END$$").arg(trigger, message), {}, &ok);
    if (!ok)
        return false;
    sqlOnFile(file, QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %2 ON %3 FOR EACH ROW %4 EXECUTE FUNCTION refuse_%1()")
                        .arg(trigger, event, table, when.isEmpty() ? QString() : QStringLiteral("WHEN (%1)").arg(when)),
              {}, &ok);
    return ok;
}

inline bool allowWrites(const QString &file, const QString &trigger, const QString &table)
{
    bool ok = false;
    sqlOnFile(file, storeOnServer() ? QStringLiteral("DROP TRIGGER refuse_%1 ON %2").arg(trigger, table)
                                    : QStringLiteral("DROP TRIGGER %1").arg(trigger),
              {}, &ok);
    return ok;
}

inline int rowsInFile(const QString &file, const QString &table)
{
    const QStringList r = sqlOnFile(file, QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table));
    return r.isEmpty() ? -1 : r.first().toInt();
}

// A sandbox whose program folder is <root>/prog/bin, data directory <root>/prog/Daten,
// alias set to it and the tables open.
struct StoreFixture
{
    Sandbox box;
    std::unique_ptr<TData> data;

    StoreFixture()
    {
        if (storeOnServer())
            freshServerDatabase();
        data = std::make_unique<TData>();
        data->addAlias(data->privateDir());
    }
    bool open()
    {
        const bool ok = data->openTables();
        if (!ok)
            qWarning() << data->errorText();
        return ok;
    }
    QString file(const QString &name) const { return QDir(data->privateDir()).filePath(name); }
    QString persFile() const { return file(QStringLiteral("PersData.sqlite")); }
    QString visFile() const { return file(QStringLiteral("VData.sqlite")); }
    QString reakFile() const { return file(QStringLiteral("ReakData.sqlite")); }

    bool addShooter(const QString &name, const QString &vorname)
    {
        DataTable *p = data->persTable();
        return p->append() && p->setFieldValue(QStringLiteral("Name"), name)
               && p->setFieldValue(QStringLiteral("Vorname"), vorname) && p->post();
    }
    // Moves PersTable to the shooter; false when absent.
    bool selectShooter(const QString &name, const QString &vorname)
    {
        DataTable *p = data->persTable();
        for (int i = 1; i <= p->recordCount(); ++i) {
            p->moveTo(i);
            if (p->fieldValue(QStringLiteral("Name")).toString() == name
                && p->fieldValue(QStringLiteral("Vorname")).toString() == vorname)
                return true;
        }
        return false;
    }
    // One reaction row for the current shooter (cached until applied).
    bool addReak(const QDate &d, const QTime &t, int typ, int serie, int scheibe, int ms, const QString &status = "x")
    {
        DataTable *r = data->reakTable();
        return r->append() && r->setFieldValue(QStringLiteral("Datum"), d) && r->setFieldValue(QStringLiteral("Zeit"), t)
               && r->setFieldValue(QStringLiteral("MessTyp"), typ) && r->setFieldValue(QStringLiteral("Serie"), serie)
               && r->setFieldValue(QStringLiteral("Scheibe"), scheibe) && r->setFieldValue(QStringLiteral("ReakZeit"), ms)
               && r->setFieldValue(QStringLiteral("Status"), status) && r->setFieldValue(QStringLiteral("Fehler"), QStringLiteral("-"))
               && r->post();
    }
};
