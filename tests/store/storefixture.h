#pragma once
// Shared helpers of the store tests: a sandboxed data module with open tables,
// and an independent second connection to look at the files themselves.
#include "store/tdata.h"
#include "support/sandbox.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTime>
#include <QUuid>
#include <memory>

// Runs sql on a file through its own connection; returns the first column of
// every row (as strings). *ok tells whether it ran.
inline QStringList sqlOnFile(const QString &file, const QString &sql, const QVariantList &binds = {}, bool *ok = nullptr)
{
    QStringList out;
    const QString name = QStringLiteral("check-") + QUuid::createUuid().toString();
    bool ran = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(sql);
            for (const QVariant &b : binds)
                query.addBindValue(b);
            ran = query.exec();
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
