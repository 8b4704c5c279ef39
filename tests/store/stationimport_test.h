#pragma once
// A stand's data folder made the way the program makes its tables, for the
// import tests of the store and of the command-line tool.
#include "store/tableschema.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QUuid>
#include <QVariantList>

struct StandShooter
{
    QString name, vorname;
    int profiles = 0;   // sight profiles
    int results = 0;    // rows of test 1, series 1, targets 1..results, at 10:00
    double rounds = 0;  // "Trainingsrunden"
};

// Writes the three table files into dir; false with a warning when SQLite refuses.
inline bool makeStand(const QString &dir, const QList<StandShooter> &shooters)
{
    QDir().mkpath(dir);
    const QString name = QStringLiteral("stand-") + QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QDir(dir).filePath(QStringLiteral("PersData.sqlite")));
        ok = db.open();
        QSqlQuery q(db);
        const auto run = [&](const QString &sql, const QVariantList &binds = {}) {
            q.prepare(sql);
            for (const QVariant &b : binds)
                q.addBindValue(b);
            if (!q.exec()) {
                qWarning() << "makeStand:" << sql << q.lastError().text();
                ok = false;
            }
        };
        run(QStringLiteral("ATTACH DATABASE ? AS vdata"), {QDir(dir).filePath(QStringLiteral("VData.sqlite"))});
        run(QStringLiteral("ATTACH DATABASE ? AS reakdata"), {QDir(dir).filePath(QStringLiteral("ReakData.sqlite"))});
        for (const TableSchema *s : TableSchema::all()) {
            run(s->createTableSql());
            run(s->createIndexSql());
        }
        for (const StandShooter &s : shooters) {
            run(QStringLiteral("INSERT INTO PersData (Name, Vorname, Sportverein, Trainingsrunden) VALUES (?, ?, 'SV', ?)"),
                {s.name, s.vorname, s.rounds});
            for (int p = 1; p <= s.profiles; ++p)
                run(QStringLiteral("INSERT INTO vdata.VData (Name, Vorname, Monitor_Size) VALUES (?, ?, ?)"),
                    {s.name, s.vorname, 10.0 * p});
            for (int k = 1; k <= s.results; ++k)
                run(QStringLiteral("INSERT INTO reakdata.ReakData (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, "
                                   "ReakZeit, Status, Fehler) VALUES (?, ?, ?, ?, 1, 1, ?, ?, 'x', '-')"),
                    {s.name, s.vorname, TableSchema::dateText(QDate(2024, 5, 4)),
                     TableSchema::timeText(QTime(10, 0, 0, 250)), double(k), 200.0 + k});
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
