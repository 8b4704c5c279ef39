#include "store/stationimport.h"

#include "store/quoted.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"
#include "store/tablefilecheck.h"
#include "store/tableschema.h"
#include "store/tdata.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kSourceConnection = QStringLiteral("VantrelStationImport");
const QString kTargetConnection = QStringLiteral("VantrelStationImport-Ziel");

// Counts the steps of one phase and asks the caller's progress at each.
struct Steps
{
    const ImportProgress &report;
    qint64 total = 0;
    qint64 done = 0;
    bool stopped = false;
    bool next()
    {
        ++done;
        if (report && !report(done, total))
            stopped = true;
        return !stopped;
    }
};

using Row = QVariantList; // stored fields without "Nummer", in declared order
using Pair = QPair<QString, QString>;

// Stored fields a merged row carries: the number is the target's own.
QList<FieldDef> copiedFields(const TableSchema &t)
{
    QList<FieldDef> out;
    for (const FieldDef &f : t.fields)
        if (f.type != FieldType::Calculated && f.type != FieldType::AutoInc)
            out << f;
    return out;
}

// A stored value in the form this program writes (dates ISO, times with ms, numbers as double).
QVariant normalized(const FieldDef &f, const QVariant &raw)
{
    return TableSchema::toStorage(f.type, TableSchema::fromStorage(f.type, raw));
}

QString keyPart(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("\x01");
    if (v.metaType().id() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 17);
    return v.toString();
}

int fieldAt(const QList<FieldDef> &fields, const char *name)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Pair pairOf(const QList<FieldDef> &fields, const Row &row)
{
    return {row.at(fieldAt(fields, "Name")).toString(), row.at(fieldAt(fields, "Vorname")).toString()};
}

// The rows of one table file, read read-only; false with a message naming the file.
bool readTableFile(const TableSchema &table, const QString &path, QList<Row> *rows, QString *error, Steps &steps)
{
    *error = TableFileProblem(table, path);
    if (!error->isEmpty())
        return false;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSourceConnection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        const QList<FieldDef> fields = copiedFields(table);
        QString reason;
        if (!db.open()) {
            reason = SqliteReason(db.lastError());
        } else if ((reason = TableDamage(db, QStringLiteral("main"))).isEmpty()) {
            QStringList cols;
            for (const FieldDef &f : fields)
                cols << TableSchema::quoted(f.name);
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.exec(QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
                        + TableSchema::quoted(table.tableName) + QStringLiteral(" ORDER BY ")
                        + TableSchema::quoted(QStringLiteral("Nummer")))) {
                reason = SqliteReason(q.lastError());
            } else {
                while (q.next()) {
                    Row row;
                    for (int i = 0; i < fields.size(); ++i)
                        row << normalized(fields.at(i), q.value(i));
                    rows->append(row);
                    if (!steps.next())
                        break;
                }
                if (q.lastError().isValid())
                    reason = SqliteReason(q.lastError());
            }
        }
        if (!reason.isEmpty())
            *error = UnreadableTableText(table, path, reason);
        ok = reason.isEmpty() && !steps.stopped;
        db.close();
    }
    QSqlDatabase::removeDatabase(kSourceConnection);
    return ok;
}

// Rows of a table file for the progress; 0 when it cannot be read (reading it tells why).
qint64 rowsOf(const TableSchema &table, const QString &path)
{
    qint64 n = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSourceConnection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + TableSchema::quoted(table.tableName)) && q.next())
                n = q.value(0).toLongLong();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kSourceConnection);
    return n;
}

QString insertStatement(const TableSchema &t)
{
    QStringList cols, marks;
    for (const FieldDef &f : copiedFields(t)) {
        cols << TableSchema::column(f.name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO ") + t.qualifiedTable() + QStringLiteral(" (") + cols.join(QStringLiteral(", "))
           + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + u')';
}

bool insertRow(QSqlQuery &q, const Row &row)
{
    for (int i = 0; i < row.size(); ++i)
        q.bindValue(i, row.at(i));
    return q.exec();
}

class Merge
{
public:
    explicit Merge(const QSqlDatabase &db)
        : m_db(db)
    {
    }

    QString failure; // driver text of the statement that failed

    bool pairsOf(const TableSchema &t, QSet<Pair> *out)
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT DISTINCT ") + TableSchema::column(QStringLiteral("Name")) + QStringLiteral(", ")
                    + TableSchema::column(QStringLiteral("Vorname")) + QStringLiteral(" FROM ") + t.qualifiedTable()))
            return failed(q);
        while (q.next())
            out->insert({q.value(0).toString(), q.value(1).toString()});
        return q.lastError().isValid() ? failed(q) : true;
    }

    // The result keys stored for one shooter.
    bool resultKeysOf(const Pair &shooter, QSet<QString> *out)
    {
        const TableSchema &t = TableSchema::reakData();
        const QList<FieldDef> fields = copiedFields(t);
        QStringList cols;
        for (const FieldDef &f : fields)
            cols << TableSchema::column(f.name);
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + t.qualifiedTable()
                  + QStringLiteral(" WHERE ") + TableSchema::column(QStringLiteral("Name")) + QStringLiteral(" = ? AND ")
                  + TableSchema::column(QStringLiteral("Vorname")) + QStringLiteral(" = ?"));
        q.addBindValue(shooter.first);
        q.addBindValue(shooter.second);
        if (!q.exec())
            return failed(q);
        while (q.next()) {
            Row row;
            for (int i = 0; i < fields.size(); ++i)
                row << normalized(fields.at(i), q.value(i));
            out->insert(resultKey(row));
        }
        return q.lastError().isValid() ? failed(q) : true;
    }

    static QString resultKey(const Row &row)
    {
        const QList<FieldDef> fields = copiedFields(TableSchema::reakData());
        QStringList parts;
        for (const char *name : {"Name", "Vorname", "MessTyp", "Datum", "Zeit", "Serie", "Scheibe"})
            parts << keyPart(row.at(fieldAt(fields, name)));
        return parts.join(QChar(0x1F));
    }

    bool failed(const QSqlQuery &q)
    {
        failure = q.lastError().text();
        if (failure.trimmed().isEmpty())
            failure = q.lastError().databaseText();
        return false;
    }

private:
    QSqlDatabase m_db;
};

} // namespace

QString StationImportSummary::text() const
{
    const QString shooters = shootersAdded == 1 ? QStringLiteral("1 Schütze neu angelegt")
                                                : QStringLiteral("%1 Schützen neu angelegt").arg(shootersAdded);
    const QString added = resultsAdded == 1 ? QStringLiteral("1 Ergebnis übernommen")
                                            : QStringLiteral("%1 Ergebnisse übernommen").arg(resultsAdded);
    const QString present = resultsPresent == 1 ? QStringLiteral("1 Ergebnis war schon vorhanden")
                                                : QStringLiteral("%1 Ergebnisse waren schon vorhanden").arg(resultsPresent);
    return shooters + QStringLiteral(", ") + added + QStringLiteral(", ") + present + u'.';
}

QString StationImportCancelledText(const QString &folder)
{
    return QStringLiteral("Die Daten aus %1 wurden nicht übernommen: der Import wurde abgebrochen.").arg(QuotedPath(folder));
}

bool ReadStation(const QString &folder, StationRows *rows, QString *error, const ImportProgress &progress)
{
    *rows = StationRows();
    rows->folder = folder;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        *error = QStringLiteral("Der Ordner %1 ist nicht vorhanden.").arg(QuotedPath(folder));
        return false;
    }
    const TableSchema &persT = TableSchema::persData();
    const TableSchema &visT = TableSchema::vData();
    const TableSchema &reakT = TableSchema::reakData();
    const QString persPath = dir.filePath(persT.fileName);
    const QString visPath = dir.filePath(visT.fileName);
    const QString reakPath = dir.filePath(reakT.fileName);
    if (!QFileInfo::exists(persPath) && !QFileInfo::exists(reakPath)) {
        *error = QStringLiteral("Im Ordner %1 liegen keine Tabellen von Vantrel Reaktion.").arg(QuotedPath(folder));
        return false;
    }
    for (const QString &needed : {persPath, reakPath}) {
        if (!QFileInfo::exists(needed)) {
            *error = QStringLiteral("Die Tabellendatei %1 fehlt; es wurde nichts übernommen.").arg(QuotedPath(needed));
            return false;
        }
    }
    // Everything is read before the first write: the source may even be the
    // target's own folder, and a broken file refuses the folder untouched.
    const bool visThere = QFileInfo::exists(visPath) || QFileInfo(visPath).isSymLink();
    Steps steps{progress};
    if (progress)
        steps.total = rowsOf(persT, persPath) + (visThere ? rowsOf(visT, visPath) : 0) + rowsOf(reakT, reakPath);
    if (!readTableFile(persT, persPath, &rows->pers, error, steps)
        || (visThere && !readTableFile(visT, visPath, &rows->vis, error, steps))
        || !readTableFile(reakT, reakPath, &rows->reak, error, steps)) {
        *error = steps.stopped ? StationImportCancelledText(folder) : *error + QStringLiteral(" Es wurde nichts übernommen.");
        *rows = StationRows();
        return false;
    }
    if (progress)
        progress(steps.total, steps.total);
    return true;
}

bool ImportStation(const QString &folder, const QString &targetConnection, StationImportSummary *summary,
                   QString *error)
{
    *summary = StationImportSummary();
    StationRows rows;
    return ReadStation(folder, &rows, error) && MergeStation(rows, targetConnection, summary, error);
}

bool MergeStation(const StationRows &rows, const QString &targetConnection, StationImportSummary *summary,
                  QString *error, const ImportProgress &progress)
{
    *summary = StationImportSummary();
    const QString &folder = rows.folder;
    const QList<Row> &pers = rows.pers;
    const QList<Row> &vis = rows.vis;
    const QList<Row> &reak = rows.reak;
    const TableSchema &persT = TableSchema::persData();
    const TableSchema &visT = TableSchema::vData();
    const TableSchema &reakT = TableSchema::reakData();

    QSqlDatabase db = QSqlDatabase::database(targetConnection, false);
    const QString where = QStringLiteral("Die Daten aus %1 wurden nicht übernommen: ").arg(QuotedPath(folder));
    if (!db.isValid() || !db.isOpen()) {
        *error = where + QStringLiteral("die Datenbank ist nicht geöffnet.");
        return false;
    }
    SqlTransaction tx(db);
    if (!tx.isActive()) {
        *error = where + StoreErrorText(tx.error());
        return false;
    }
    Merge merge(db);
    // Rolled back before the prepared statements are freed (PostgreSQL frees none in a failed transaction).
    const auto refuse = [&](const QString &driverText) {
        tx.rollback();
        *error = where + StoreErrorText(driverText);
        return false;
    };
    // A step per shooter row, result row (its shooter, then the row itself), profile row, and the commit.
    Steps steps{progress, pers.size() + 2 * qint64(reak.size()) + vis.size() + 1};
    const auto cancelled = [&] {
        tx.rollback();
        *error = StationImportCancelledText(folder);
        return false;
    };
    StationImportSummary done;
    QSet<Pair> shooters, withProfiles;
    if (!merge.pairsOf(persT, &shooters) || !merge.pairsOf(visT, &withProfiles)) {
            return refuse(merge.failure);
        }

    const QList<FieldDef> persFields = copiedFields(persT);
    QSqlQuery addShooter(db);
    addShooter.prepare(insertStatement(persT));
    auto add = [&](const Row &row) {
        const Pair p = pairOf(persFields, row);
        if (shooters.contains(p))
            return true;
        if (!insertRow(addShooter, row))
            return merge.failed(addShooter);
        shooters.insert(p);
        ++done.shootersAdded;
        return true;
    };
    for (const Row &row : std::as_const(pers)) {
        if (!add(row)) {
            return refuse(merge.failure);
        }
        if (!steps.next())
            return cancelled();
    }
    // Results of a shooter missing from the stand's PersData keep a shooter record.
    const QList<FieldDef> reakFields = copiedFields(reakT);
    for (const Row &row : std::as_const(reak)) {
        const Pair p = pairOf(reakFields, row);
        Row bare;
        for (const FieldDef &f : persFields)
            bare << (f.name == QLatin1String("Name")      ? QVariant(p.first)
                     : f.name == QLatin1String("Vorname") ? QVariant(p.second)
                                                          : QVariant());
        if (!add(bare)) {
            return refuse(merge.failure);
        }
        if (!steps.next())
            return cancelled();
    }

    const QList<FieldDef> visFields = copiedFields(visT);
    QSqlQuery addProfile(db);
    addProfile.prepare(insertStatement(visT));
    for (const Row &row : std::as_const(vis)) {
        if (!steps.next())
            return cancelled();
        if (withProfiles.contains(pairOf(visFields, row)))
            continue;
        if (!insertRow(addProfile, row)) {
            merge.failed(addProfile);
            return refuse(merge.failure);
        }
    }

    QHash<Pair, QSet<QString>> stored;
    QSqlQuery addResult(db);
    addResult.prepare(insertStatement(reakT));
    for (const Row &row : std::as_const(reak)) {
        if (!steps.next())
            return cancelled();
        const Pair p = pairOf(reakFields, row);
        auto it = stored.find(p);
        if (it == stored.end()) {
            it = stored.insert(p, {});
            if (!merge.resultKeysOf(p, &it.value())) {
            return refuse(merge.failure);
        }
        }
        const QString key = Merge::resultKey(row);
        if (it->contains(key)) {
            ++done.resultsPresent;
            continue;
        }
        if (!insertRow(addResult, row)) {
            merge.failed(addResult);
            return refuse(merge.failure);
        }
        it->insert(key);
        ++done.resultsAdded;
    }
    if (!steps.next())
        return cancelled();
    if (!tx.commit())
        return refuse(tx.error());
    *summary = done;
    return true;
}

StationImportJob::StationImportJob(const QString &folder, const DatabaseTarget &target, QObject *parent)
    : BackgroundJob(parent)
    , m_folder(folder)
    , m_target(target)
{
    // Reading a quarter of the bar, merging the rest.
    setWork([this](Control &control) {
        const auto part = [&control](qint64 from, qint64 span) {
            return [&control, from, span](qint64 done, qint64 total) {
                return control.progress(from + (total > 0 ? done * span / total : 0), 1000);
            };
        };
        m_summary = StationImportSummary();
        StationRows rows;
        if (!ReadStation(m_folder, &rows, &m_error, part(0, 250)))
            return false;
        if (control.isCancelled()) {
            m_error = StationImportCancelledText(m_folder);
            return false;
        }
        // Qt's connections belong to the thread that made them: this one has its own.
        bool ok = false;
        {
            TData data(kTargetConnection);
            if (!data.openConnectionTo(m_target))
                m_error = QStringLiteral("Die Daten aus %1 wurden nicht übernommen: ").arg(QuotedPath(m_folder))
                          + data.errorText();
            else
                ok = MergeStation(rows, kTargetConnection, &m_summary, &m_error, part(250, 750));
        }
        QSqlDatabase::removeDatabase(kTargetConnection);
        return ok;
    });
}
