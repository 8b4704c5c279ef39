#include "store/tdata.h"

#include "platform/messageservice.h"
#include "store/quoted.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

// The data module's files: checking and opening them on the connection,
// reorganising, backup copies and row counts of a file.

namespace {

const QString kMaintenanceConnection = QStringLiteral("VantrelReak-Wartung");

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Empty when the file is missing or a database; otherwise why it must not be touched.
QString checkDatabaseFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QString();
    if (!info.isFile())
        return QStringLiteral("%1 ist keine Datei und kann nicht als Tabelle geöffnet werden.").arg(QuotedPath(path));
    if (info.size() == 0)
        return QString(); // an empty file is an empty database
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2").arg(QuotedPath(path), StoreFileErrorText(f.error(), f.errorString()));
    const QByteArray head = f.read(16);
    if (info.size() < 100 || head != QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("Die Datei %1 ist keine gültige Datenbank. Sie wird nicht verändert; bitte prüfen Sie "
                              "die Datei oder holen Sie sie aus der Sicherung zurück.")
            .arg(QuotedPath(path));
    return QString();
}

// A write into every table, rolled back: a read-only or locked file is found
// at start, not when a run is saved.
template <typename Bad>
bool probeWrite(QSqlDatabase &db, const QString &dir, Bad &bad)
{
    SqlTransaction tx(db);
    if (!tx.isActive())
        return bad(QDir(dir).filePath(TableSchema::persData().fileName), tx.error());
    for (const TableSchema *s : TableSchema::all()) {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("DELETE FROM %1 WHERE 0").arg(s->qualifiedTable()))) {
            const QString why = StoreErrorText(probe.lastError());
            tx.rollback();
            return bad(QDir(dir).filePath(s->fileName), why);
        }
    }
    tx.rollback();
    return true;
}

bool syncFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
#ifdef Q_OS_WIN
    return _commit(f.handle()) == 0;
#else
    return ::fsync(f.handle()) == 0;
#endif
}

} // namespace

// ---- connection ------------------------------------------------------------

bool TData::openConnection(const QString &dir)
{
    // A new data set is made unasked only in the default folder; elsewhere
    // (an unplugged stick, a network drive) the user decides.
    const bool isDefault = QDir::cleanPath(dir) == QDir::cleanPath(m_defaultDir);
    bool confirmed = isDefault;
    if (!QFileInfo(dir).isDir()) {
        if (QFileInfo::exists(dir))
            return fail(QStringLiteral("Der Datenordner %1 ist kein Ordner.").arg(QuotedPath(dir)));
        if (!isDefault
            && AskConfirmation(QStringLiteral("\r\nDer Datenordner %1 fehlt. Neuen leeren Datenbestand anlegen?").arg(QuotedPath(dir)))
                   != MessageService::Yes)
            return fail(QStringLiteral("Der Datenordner %1 fehlt (Laufwerk nicht verbunden?). Das Programm arbeitet ohne "
                                       "Datenbank; es wird nichts angelegt.")
                            .arg(QuotedPath(dir)));
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("Das Datenverzeichnis %1 kann nicht angelegt werden.").arg(QuotedPath(dir)));
        confirmed = true;
    }
    // Check every file before anything is created, so a damaged table never
    // leaves the others half set up.
    for (const TableSchema *s : TableSchema::all()) {
        const QString problem = checkDatabaseFile(QDir(dir).filePath(s->fileName));
        if (!problem.isEmpty())
            return fail(problem);
    }

    // Only a first start (none of the three files there) makes the folder and
    // the tables; one or two missing files mean lost data or a wrong folder.
    // An empty file counts as a missing one: it holds no table to trust.
    QStringList missing, empty;
    for (const TableSchema *s : TableSchema::all()) {
        const QFileInfo info(QDir(dir).filePath(s->fileName));
        if (!info.exists() && !info.isSymLink())
            missing << Quoted(s->fileName);
        else if (info.size() == 0)
            empty << Quoted(s->fileName);
    }
    const int absent = int(missing.size() + empty.size());
    if (absent > 0 && absent < TableSchema::all().size()) {
        QStringList what;
        if (!missing.isEmpty())
            what << (missing.size() == 1 ? QStringLiteral("fehlt die Tabellendatei ") : QStringLiteral("fehlen die Tabellendateien "))
                        + missing.join(QStringLiteral(" und "));
        if (!empty.isEmpty())
            what << (empty.size() == 1 ? QStringLiteral("ist die Tabellendatei ") : QStringLiteral("sind die Tabellendateien "))
                        + empty.join(QStringLiteral(" und ")) + QStringLiteral(" leer");
        return fail(QStringLiteral("Im Datenverzeichnis %1 %2.\r\nEs wird nichts neu angelegt, damit keine "
                                   "Daten verloren gehen. Bitte prüfen Sie das Datenverzeichnis (Laufwerk verbunden?) "
                                   "oder holen Sie die Datei aus der Sicherung zurück.")
                        .arg(QuotedPath(dir), what.join(QStringLiteral(", "))));
    }
    const bool fresh = absent == TableSchema::all().size();
    if (fresh && !confirmed
        && AskConfirmation(QStringLiteral("\r\nIm Datenordner %1 liegt kein Datenbestand. Neuen leeren Datenbestand anlegen?")
                               .arg(QuotedPath(dir)))
               != MessageService::Yes)
        return fail(QStringLiteral("Im Datenordner %1 liegt kein Datenbestand. Das Programm arbeitet ohne Datenbank; "
                                   "es wird nichts angelegt.")
                        .arg(QuotedPath(dir)));
    const QString mainPath = QDir(dir).filePath(TableSchema::persData().fileName);
    {
        QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
                              ? QSqlDatabase::database(m_connectionName, false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        if (!db.isValid())
            return fail(QStringLiteral("Der Datenbanktreiber für SQLite ist nicht verfügbar."));
        db.setDatabaseName(mainPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));   // then "locked" is reported
        if (!db.open())
            return fail(QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2")
                            .arg(QuotedPath(mainPath), StoreErrorText(db.lastError())));
    }

    QString failedPath, why;
    auto bad = [&](const QString &path, const QString &text) {
        failedPath = path;
        why = text;
        return false;
    };
    auto setUp = [&]() {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
        for (const TableSchema *s : TableSchema::all()) {
            const QString path = QDir(dir).filePath(s->fileName);
            if (s->schemaName != QLatin1String("main")) {
                query.prepare(QStringLiteral("ATTACH DATABASE ? AS ") + s->schemaName);
                query.addBindValue(path);
                if (!query.exec())
                    return bad(path, StoreErrorText(query.lastError()));
            }
            // Rollback journal (a transaction over two files commits atomically), full sync.
            if (!query.exec(QStringLiteral("PRAGMA %1.journal_mode = DELETE").arg(s->schemaName)))
                return bad(path, StoreErrorText(query.lastError()));
            query.finish();
            if (!query.exec(QStringLiteral("PRAGMA %1.synchronous = FULL").arg(s->schemaName)))
                return bad(path, StoreErrorText(query.lastError()));
        }
        query.finish();

        SqlTransaction tx(db);
        if (!tx.isActive())
            return bad(mainPath, tx.error());
        for (const TableSchema *s : TableSchema::all()) {
            const QString path = QDir(dir).filePath(s->fileName);
            QSqlQuery create(db);
            // Only a new data set gets its tables; a database of another program is left alone.
            if (!fresh) {
                QSqlQuery has(db);
                has.prepare(QStringLiteral("SELECT COUNT(*) FROM %1.sqlite_master WHERE type = 'table' AND lower(name) = lower(?)")
                                .arg(s->schemaName));
                has.addBindValue(s->tableName);
                if (!has.exec() || !has.next())
                    return bad(path, StoreErrorText(has.lastError()));
                if (has.value(0).toInt() == 0)
                    return bad(path, QStringLiteral("die Datei enthält keine Tabelle %1 von Vantrel Reaktion.").arg(Quoted(s->tableName)));
            }
            if (!create.exec(s->createTableSql()))
                return bad(path, StoreErrorText(create.lastError()));
            // An existing table must have every field the program uses.
            QStringList present;
            QSqlQuery info(db);
            if (!info.exec(QStringLiteral("PRAGMA %1.table_info(%2)").arg(s->schemaName, TableSchema::quoted(s->tableName))))
                return bad(path, StoreErrorText(info.lastError()));
            while (info.next())
                present << info.value(1).toString().toLower();
            info.finish();
            for (const QString &f : s->storedFields())
                if (!present.contains(f.toLower()))
                    return bad(path, QStringLiteral("der Tabelle %1 fehlt das Feld %2.").arg(Quoted(s->tableName), Quoted(f)));
            if (!create.exec(s->createIndexSql()))
                return bad(path, StoreErrorText(create.lastError()));
        }
        if (!tx.commit())
            return bad(mainPath, tx.error());
        return probeWrite(db, dir, bad);
    };
    if (!setUp()) {
        closeConnection();
        return fail(QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2").arg(QuotedPath(failedPath), why));
    }
    return true;
}

// ---- maintenance -----------------------------------------------------------

bool TData::runOnFile(const QString &path, bool readOnly, const std::function<bool(QSqlDatabase &)> &body)
{
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("Die Datei %1 ist nicht vorhanden.").arg(QuotedPath(path)));
    const QString problem = checkDatabaseFile(path);
    if (!problem.isEmpty())
        return fail(problem);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kMaintenanceConnection);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            fail(QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2").arg(QuotedPath(path), StoreErrorText(db.lastError())));
        else
            ok = body(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(kMaintenanceConnection);
    return ok;
}

bool TData::PackTable(DataTable *table)
{
    if (!table)
        return fail(QStringLiteral("Keine Tabelle zum Reorganisieren angegeben."));
    const TableSchema &s = table->schema();
    // The server keeps its tables in order itself.
    if (isServer()) {
        StoreLogLine(QStringLiteral("Ausführen : [Info] Vereinsserver: Tabelle %1 braucht keine Reorganisation").arg(s.tableName));
        return true;
    }
    auto vacuum = [&](QSqlDatabase &db, const QString &schema) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("VACUUM ") + schema))
            return fail(QStringLiteral("Die Tabelle %1 kann nicht reorganisiert werden: %2")
                            .arg(Quoted(s.tableName), StoreErrorText(query.lastError())));
        return true;
    };
    if (connectionOpen()) {
        QSqlDatabase db = connection();
        return vacuum(db, s.schemaName);
    }
    return runOnFile(tableFilePath(table), false, [&](QSqlDatabase &db) { return vacuum(db, QStringLiteral("main")); });
}

qint64 TData::rowsInFile(const DataTable *table, const QString &dir)
{
    if (!table)
        return -1;
    const QString path = QDir(dir).filePath(table->schema().fileName);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        return -1;
    const QString saved = m_error;
    qint64 rows = -1;
    runOnFile(path, true, [&](QSqlDatabase &db) {
        QSqlQuery count(db);
        if (count.exec(QStringLiteral("SELECT COUNT(*) FROM ") + TableSchema::quoted(table->schema().tableName)) && count.next())
            rows = count.value(0).toLongLong();
        return rows >= 0;
    });
    m_error = saved;
    return rows;
}

bool TData::CopyTable(DataTable *table, const QString &targetDir)
{
    if (!table)
        return fail(QStringLiteral("Keine Tabelle zum Sichern angegeben."));
    const TableSchema &s = table->schema();
    // The server's data are saved by its administrator, not by copying files.
    if (isServer()) {
        StoreLogLine(QStringLiteral("Ausführen : [Info] Vereinsserver: Tabelle %1 wird nicht als Datei gesichert, die "
                                    "Sicherung ist Sache des Servers")
                         .arg(s.tableName));
        return true;
    }
    const QDir target(targetDir);
    if (targetDir.isEmpty() || !target.exists())
        return fail(QStringLiteral("Das Zielverzeichnis %1 ist nicht vorhanden.").arg(QuotedPath(targetDir)));
    const QString finalPath = target.filePath(s.fileName);

    // A fresh, empty file beside the old copy; VACUUM INTO fills it.
    QString tmpPath;
    {
        QTemporaryFile tmp(target.filePath(s.fileName + QStringLiteral(".XXXXXX.tmp")));
        tmp.setAutoRemove(false);
        if (!tmp.open())
            return fail(QStringLiteral("Im Verzeichnis %1 kann keine Datei angelegt werden: %2")
                            .arg(QuotedPath(targetDir), StoreFileErrorText(tmp.error(), tmp.errorString())));
        tmpPath = tmp.fileName();
    }
    auto copyInto = [&](QSqlDatabase &db, const QString &schema) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("VACUUM ") + schema + QStringLiteral(" INTO ?"));
        query.addBindValue(tmpPath);
        if (!query.exec())
            return fail(QStringLiteral("Die Tabelle %1 kann nicht nach %2 gesichert werden: %3")
                            .arg(Quoted(s.tableName), QuotedPath(targetDir), StoreErrorText(query.lastError())));
        return true;
    };
    bool ok;
    if (connectionOpen()) {
        QSqlDatabase db = connection();
        ok = copyInto(db, s.schemaName);
    } else {
        ok = runOnFile(tableFilePath(table), true, [&](QSqlDatabase &db) { return copyInto(db, QStringLiteral("main")); });
    }
    // The copy keeps who may read the table.
    if (ok) {
        const QFileInfo source(tableFilePath(table));
        if (source.exists())
            QFile::setPermissions(tmpPath, source.permissions());
    }
    if (ok && !syncFile(tmpPath))
        ok = fail(QStringLiteral("Die Sicherung von %1 kann nicht auf den Datenträger geschrieben werden.").arg(Quoted(s.tableName)));
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(fsPath(tmpPath), fsPath(finalPath), ec);
        if (ec)
            ok = fail(QStringLiteral("Die Sicherung %1 kann nicht ersetzt werden: %2")
                          .arg(QuotedPath(finalPath),
                               StoreSystemErrorText(ec.value(), QString::fromLocal8Bit(ec.message().c_str()))));
    }
    if (!ok)
        QFile::remove(tmpPath);
    return ok;
}
