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
#include <QThread>
#include <QVariant>

#include <cmath>

namespace {

// Connection names of their own per thread: imports may run side by side.
QString sourceConnection()
{
    return QStringLiteral("VantrelStationImport-%1").arg(quintptr(QThread::currentThreadId()));
}
QString jobConnection()
{
    return QStringLiteral("VantrelStationImport-Ziel-%1").arg(quintptr(QThread::currentThreadId()));
}

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
        return ask();
    }
    // The caller's answer without a step done (while waiting).
    bool ask()
    {
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

// A stored value in the form this program writes (dates ISO, times with ms,
// numbers as double). A number field holding no finite number is empty, an
// empty name is empty text; unreadable dates and times keep their text.
QVariant normalized(const FieldDef &f, const QVariant &raw)
{
    if (f.type == FieldType::Number) {
        if (!raw.isValid() || raw.isNull())
            return QVariant();
        bool ok = false;
        double d = 0;
        switch (raw.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            d = raw.toDouble(&ok);
            break;
        case QMetaType::QString:
            d = raw.toString().trimmed().toDouble(&ok);
            break;
        default:
            break;
        }
        return ok && std::isfinite(d) ? QVariant(d) : QVariant();
    }
    if (f.type == FieldType::Text && (f.name == QLatin1String("Name") || f.name == QLatin1String("Vorname")))
        return raw.isNull() ? QVariant(QStringLiteral("")) : QVariant(raw.toString());
    return TableSchema::toStorage(f.type, TableSchema::fromStorage(f.type, raw));
}

// SQLite's affinity of a declared column type, and whether a field can be read from it.
bool usableColumn(FieldType type, const QString &declared)
{
    const QString t = declared.toUpper();
    enum { Integer, Text, Blob, Real, Numeric } affinity = Numeric;
    if (t.contains(QLatin1String("INT")))
        affinity = Integer;
    else if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        affinity = Text;
    else if (t.contains(QLatin1String("BLOB")) || t.trimmed().isEmpty())
        affinity = Blob;
    else if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        affinity = Real;
    switch (type) {
    case FieldType::Number:
    case FieldType::AutoInc: return affinity == Integer || affinity == Real || affinity == Numeric;
    case FieldType::Text: return affinity == Text;
    case FieldType::Date:
    case FieldType::Time: return affinity == Text || affinity == Numeric;
    case FieldType::Calculated: break;
    }
    return true;
}

QString expectedKind(FieldType type)
{
    switch (type) {
    case FieldType::Number:
    case FieldType::AutoInc: return QStringLiteral("eine Zahl");
    case FieldType::Date: return QStringLiteral("ein Datum");
    case FieldType::Time: return QStringLiteral("eine Uhrzeit");
    default: return QStringLiteral("ein Text");
    }
}

// Empty when the table of db has every stored field in a usable type (SQLite
// would take a missing column's quoted name for text); otherwise the reason
// naming the column.
QString columnProblem(const QSqlDatabase &db, const TableSchema &table)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA main.table_info(") + TableSchema::quoted(table.tableName) + u')'))
        return SqliteReason(q.lastError());
    QHash<QString, QString> declared; // lower-case name -> declared type
    while (q.next())
        declared.insert(q.value(1).toString().toLower(), q.value(2).toString());
    if (declared.isEmpty())
        return QStringLiteral("die Tabelle fehlt");
    QStringList missing;
    for (const FieldDef &f : table.fields) {
        if (f.type == FieldType::Calculated)
            continue;
        const auto it = declared.constFind(f.name.toLower());
        if (it == declared.constEnd()) {
            missing << Quoted(f.name);
            continue;
        }
        if (missing.isEmpty() && !usableColumn(f.type, *it))
            return (it->trimmed().isEmpty() ? QStringLiteral("die Spalte %1 hat keinen Typ").arg(Quoted(f.name))
                                            : QStringLiteral("die Spalte %1 hat den Typ %2").arg(Quoted(f.name), Quoted(*it)))
                   + QStringLiteral(", erwartet ist ") + expectedKind(f.type);
    }
    if (missing.size() == 1)
        return QStringLiteral("es fehlt die Spalte ") + missing.first();
    if (!missing.isEmpty())
        return QStringLiteral("es fehlen die Spalten ") + QStringList(missing.mid(0, missing.size() - 1)).join(QStringLiteral(", "))
               + QStringLiteral(" und ") + missing.last();
    return QString();
}

bool knownTest(const QVariant &messTyp)
{
    if (!messTyp.isValid())
        return false;
    const double t = messTyp.toDouble();
    return t == 1.0 || t == 2.0 || t == 3.0;
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
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), sourceConnection());
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        const QList<FieldDef> fields = copiedFields(table);
        QString reason;
        if (!db.open()) {
            reason = SqliteReason(db.lastError());
        } else if ((reason = TableDamage(db, QStringLiteral("main"))).isEmpty()
                   && (reason = columnProblem(db, table)).isEmpty()) {
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
    QSqlDatabase::removeDatabase(sourceConnection());
    return ok;
}

// Rows of a table file for the progress; 0 when it cannot be read (reading it tells why).
qint64 rowsOf(const TableSchema &table, const QString &path)
{
    qint64 n = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), sourceConnection());
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + TableSchema::quoted(table.tableName)) && q.next())
                n = q.value(0).toLongLong();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(sourceConnection());
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

    // How often each result row (its key) is stored for one shooter, and his runs.
    bool resultKeysOf(const Pair &shooter, QHash<QString, int> *out, QSet<QString> *runs)
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
            ++(*out)[resultKey(row)];
            runs->insert(runKey(row));
        }
        return q.lastError().isValid() ? failed(q) : true;
    }

    // Every stored field: two rows are the same row only when all are equal
    // (an empty value equals an empty value, never a filled one).
    static QString resultKey(const Row &row)
    {
        QStringList parts;
        for (const QVariant &v : row)
            parts << keyPart(v);
        return parts.join(QChar(0x1F));
    }

    // One run of a shooter: test, date and time.
    static QString runKey(const Row &row)
    {
        const QList<FieldDef> fields = copiedFields(TableSchema::reakData());
        QStringList parts;
        for (const char *name : {"MessTyp", "Datum", "Zeit"})
            parts << keyPart(row.at(fieldAt(fields, name)));
        return parts.join(QChar(0x1F));
    }

    // Waits for the import lock of a server database (held until the
    // transaction ends), asking waiting whether to go on; false when stopped or failed.
    bool lockServer(Steps &steps)
    {
        if (m_db.driverName() != QLatin1String("QPSQL"))
            return true;
        QSqlQuery &q = m_lock;
        q.prepare(QStringLiteral("SELECT pg_try_advisory_xact_lock(?)"));
        q.addBindValue(StationImportLockKey);
        for (;;) {
            if (!q.exec() || !q.next())
                return failed(q);
            if (q.value(0).toBool())
                return true;
            q.finish();
            if (!steps.ask())
                return false;
            QThread::msleep(100); // another import runs; never on the UI thread
        }
    }

    bool addRuns(const Pair &shooter, int runs)
    {
        const QString count = TableSchema::column(QStringLiteral("Trainingsrunden"));
        QSqlQuery &q = m_runs;
        if (q.lastQuery().isEmpty())
            q.prepare(QStringLiteral("UPDATE ") + TableSchema::persData().qualifiedTable() + QStringLiteral(" SET ") + count
                      + QStringLiteral(" = COALESCE(") + count + QStringLiteral(", 0) + ? WHERE ")
                      + TableSchema::column(QStringLiteral("Name")) + QStringLiteral(" = ? AND ")
                      + TableSchema::column(QStringLiteral("Vorname")) + QStringLiteral(" = ?"));
        q.bindValue(0, double(runs));
        q.bindValue(1, shooter.first);
        q.bindValue(2, shooter.second);
        return q.exec() ? true : failed(q);
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
    // Alive until the caller has rolled back a failed transaction.
    QSqlQuery m_lock{m_db}, m_runs{m_db};
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
    QString text = shooters + QStringLiteral(", ") + added + QStringLiteral(", ") + present;
    if (resultsSkipped == 1)
        text += QStringLiteral(", 1 Ergebnis eines unbekannten Tests übersprungen");
    else if (resultsSkipped > 1)
        text += QStringLiteral(", %1 Ergebnisse unbekannter Tests übersprungen").arg(resultsSkipped);
    return text + u'.';
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
    if (!merge.lockServer(steps))
        return steps.stopped ? cancelled() : refuse(merge.failure);
    StationImportSummary done;
    QSet<Pair> shooters, withProfiles;
    if (!merge.pairsOf(persT, &shooters) || !merge.pairsOf(visT, &withProfiles))
        return refuse(merge.failure);
    const QSet<Pair> present = shooters; // their "Trainingsrunden" count the runs that come in

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
        if (!add(row))
            return refuse(merge.failure);
        if (!steps.next())
            return cancelled();
    }
    // Results of a shooter missing from the stand's PersData keep a shooter
    // record; rows of an unknown test are skipped.
    const QList<FieldDef> reakFields = copiedFields(reakT);
    const int messTyp = fieldAt(reakFields, "MessTyp");
    for (const Row &row : std::as_const(reak)) {
        const Pair p = pairOf(reakFields, row);
        Row bare;
        for (const FieldDef &f : persFields)
            bare << (f.name == QLatin1String("Name")      ? QVariant(p.first)
                     : f.name == QLatin1String("Vorname") ? QVariant(p.second)
                                                          : QVariant());
        if (knownTest(row.at(messTyp)) && !add(bare))
            return refuse(merge.failure);
        if (!steps.next())
            return cancelled();
    }

    // The stand's first profile of a shooter who has none; none without a shooter.
    const QList<FieldDef> visFields = copiedFields(visT);
    QSqlQuery addProfile(db);
    addProfile.prepare(insertStatement(visT));
    for (const Row &row : std::as_const(vis)) {
        if (!steps.next())
            return cancelled();
        const Pair p = pairOf(visFields, row);
        if (withProfiles.contains(p) || !shooters.contains(p))
            continue;
        if (!insertRow(addProfile, row)) {
            merge.failed(addProfile);
            return refuse(merge.failure);
        }
        withProfiles.insert(p);
    }

    // A stand row is there when the target held an equal row before the
    // import; each such target row answers for one stand row only.
    QHash<Pair, QHash<QString, int>> stored;
    QHash<Pair, QSet<QString>> runsStored, runsAdded;
    QSqlQuery addResult(db);
    addResult.prepare(insertStatement(reakT));
    for (const Row &row : std::as_const(reak)) {
        if (!steps.next())
            return cancelled();
        if (!knownTest(row.at(messTyp))) {
            ++done.resultsSkipped;
            continue;
        }
        const Pair p = pairOf(reakFields, row);
        auto it = stored.find(p);
        if (it == stored.end()) {
            it = stored.insert(p, {});
            if (!merge.resultKeysOf(p, &it.value(), &runsStored[p]))
                return refuse(merge.failure);
        }
        const auto there = it->find(Merge::resultKey(row));
        if (there != it->end() && *there > 0) {
            --*there;
            ++done.resultsPresent;
            continue;
        }
        if (!insertRow(addResult, row)) {
            merge.failed(addResult);
            return refuse(merge.failure);
        }
        ++done.resultsAdded;
        const QString run = Merge::runKey(row);
        if (present.contains(p) && !runsStored.value(p).contains(run))
            runsAdded[p].insert(run);
    }
    for (auto it = runsAdded.cbegin(); it != runsAdded.cend(); ++it)
        if (!merge.addRuns(it.key(), int(it->size())))
            return refuse(merge.failure);
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
            const QString connection = jobConnection();
            TData data(connection);
            if (!data.openConnectionTo(m_target))
                m_error = QStringLiteral("Die Daten aus %1 wurden nicht übernommen: ").arg(QuotedPath(m_folder))
                          + data.errorText();
            else
                ok = MergeStation(rows, connection, &m_summary, &m_error, part(250, 750));
        }
        QSqlDatabase::removeDatabase(jobConnection());
        return ok;
    });
}
