#include "store/tdata.h"

#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "platform/settingskeys.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTime>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

const QString TData::AliasName = QStringLiteral("VantrelReak");
const QString TData::SessionName = QStringLiteral("Datasession");
TData *TData::s_instance = nullptr;

namespace {

const QString kAliasKey = QStringLiteral("Software\\Nrv\\Vantrel Reaktion");
const QString kAliasSection = QStringLiteral("Aliases");
const QString kEmpty = QStringLiteral("empty");
const QString kMaintenanceConnection = QStringLiteral("VantrelReak-Wartung");

QString q(const QString &s) { return QStringLiteral("„") + s + QStringLiteral("“"); }
QString shown(const QString &path) { return q(QDir::toNativeSeparators(path)); }

// "empty" (and a blank value) mean: not set.
bool unset(const QString &value) { return value.trimmed().isEmpty() || value == kEmpty; }

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
        return QStringLiteral("%1 ist keine Datei und kann nicht als Tabelle geöffnet werden.").arg(shown(path));
    if (info.size() == 0)
        return QString(); // an empty file is an empty database
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2").arg(shown(path), StoreFileErrorText(f.error(), f.errorString()));
    const QByteArray head = f.read(16);
    if (info.size() < 100 || head != QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("Die Datei %1 ist keine gültige Datenbank. Sie wird nicht verändert; bitte prüfen Sie "
                              "die Datei oder holen Sie sie aus der Sicherung zurück.")
            .arg(shown(path));
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

TData::TData(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("Data"));
    m_pers = new DataTable(TableSchema::persData(), AliasName, this);
    m_pers->setObjectName(QStringLiteral("PersTable"));
    m_visier = new DataTable(TableSchema::vData(), AliasName, this);
    m_visier->setObjectName(QStringLiteral("VisierTable"));
    m_visier->setMaster(m_pers);
    m_reak = new DataTable(TableSchema::reakData(), AliasName, this);
    m_reak->setObjectName(QStringLiteral("ReakTable"));
    m_reak->setMaster(m_pers);
    m_reak->setCachedUpdates(true);
    m_queries[0] = new ResultQuery(QStringLiteral("EFR_SQLQuery"), AliasName, this);
    m_queries[1] = new ResultQuery(QStringLiteral("EFRF_SQLQuery"), AliasName, this);
    m_queries[2] = new ResultQuery(QStringLiteral("IK_SQLQuery"), AliasName, this);
    // A detail table that cannot follow the shooter says so (locked or damaged file).
    for (DataTable *detail : {m_visier, m_reak})
        connect(detail, &DataTable::reloadFailed, this, [detail](const QString &why) {
            ShowError(QStringLiteral("\r\nDie Tabelle %1 konnte nicht gelesen werden.\r\n").arg(q(detail->tableName()))
                      + why);
        });
    m_queries[0]->setBeforeOpen([this](ResultQuery &) { EFR_SQLQueryBeforeOpen(); });
    m_queries[1]->setBeforeOpen([this](ResultQuery &) { EFRF_SQLQueryBeforeOpen(); });
    m_queries[2]->setBeforeOpen([this](ResultQuery &) { IK_SQLQueryBeforeOpen(); });
    m_queries[0]->setCalcFields([this](ResultQuery &) { EFR_SQLQueryCalcFields(); });
    m_queries[1]->setCalcFields([this](ResultQuery &) { EFRF_SQLQueryCalcFields(); });
    m_queries[2]->setCalcFields([this](ResultQuery &) { IK_SQLQueryCalcFields(); });
    if (!s_instance)
        s_instance = this;
    DataSessionStartup();
}

TData::~TData()
{
    closeTables();
    if (s_instance == this)
        s_instance = nullptr;
}

TData *TData::instance() { return s_instance; }

bool TData::fail(const QString &text)
{
    m_error = text;
    return false;
}

void TData::DataSessionStartup()
{
    for (SeriesStats &stats : m_stats)
        stats.summaryLines().clear();

    RegistryIni reg(RegistryKeys::Nrv);
    const QString &config = SettingsKeys::Config;
    const QString install = reg.readString(config, SettingsKeys::DBInstallDir, kEmpty);
    const QString dataDir = reg.readString(config, SettingsKeys::DataDir, kEmpty);
    reg.writeString(config, SettingsKeys::Datadir, !unset(install) ? install : (!unset(dataDir) ? dataDir : kEmpty));

    // Beside the program folder; a program in a root folder keeps it inside.
    const QString prog = ProgramPaths::programDir();
    const QDir progDir(prog);
    m_defaultDir = progDir.isRoot() ? progDir.filePath(QStringLiteral("Daten"))
                                    : QDir(QFileInfo(prog).absolutePath()).filePath(QStringLiteral("Daten"));
    QString dir = m_defaultDir;
    if (!unset(install)) {
        // A relative folder belongs to the program folder, never to the working directory.
        dir = QDir::cleanPath(progDir.absoluteFilePath(QDir::fromNativeSeparators(install.trimmed())));
    }
    m_privateDir = dir;
    m_sessionActive = true;
    reg.writeString(config, SettingsKeys::Datadir, QDir::toNativeSeparators(m_privateDir));
}

// ---- alias -----------------------------------------------------------------

bool TData::aliasExists() const
{
    RegistryIni reg(kAliasKey);
    return reg.valueExists(kAliasSection, AliasName);
}

void TData::deleteAlias()
{
    RegistryIni reg(kAliasKey);
    reg.deleteValue(kAliasSection, AliasName);
}

bool TData::addAlias(const QString &path)
{
    if (path.trimmed().isEmpty())
        return fail(QStringLiteral("Für den Datenbank-Alias %1 ist kein Verzeichnis angegeben.").arg(q(AliasName)));
    RegistryIni reg(kAliasKey);
    reg.writeString(kAliasSection, AliasName, QDir::toNativeSeparators(path));
    return true;
}

QString TData::aliasPath() const
{
    RegistryIni reg(kAliasKey);
    const QString path = reg.readString(kAliasSection, AliasName, QString()).trimmed();
    return path.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(path));
}

QString TData::tablesDir() const
{
    const QString alias = aliasPath();
    return alias.isEmpty() ? m_privateDir : alias;
}

QString TData::tableFilePath(const DataTable *table) const
{
    if (!table)
        return QString();
    return QDir(tablesDir()).filePath(table->schema().fileName);
}

// ---- connection ------------------------------------------------------------

bool TData::openConnection(const QString &dir)
{
    // A new data set is made unasked only in the default folder; elsewhere
    // (an unplugged stick, a network drive) the user decides.
    const bool isDefault = QDir::cleanPath(dir) == QDir::cleanPath(m_defaultDir);
    bool confirmed = isDefault;
    if (!QFileInfo(dir).isDir()) {
        if (QFileInfo::exists(dir))
            return fail(QStringLiteral("Der Datenordner %1 ist kein Ordner.").arg(shown(dir)));
        if (!isDefault
            && AskConfirmation(QStringLiteral("\r\nDer Datenordner %1 fehlt. Neuen leeren Datenbestand anlegen?").arg(shown(dir)))
                   != MessageService::Yes)
            return fail(QStringLiteral("Der Datenordner %1 fehlt (Laufwerk nicht verbunden?). Das Programm arbeitet ohne "
                                       "Datenbank; es wird nichts angelegt.")
                            .arg(shown(dir)));
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("Das Datenverzeichnis %1 kann nicht angelegt werden.").arg(shown(dir)));
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
            missing << q(s->fileName);
        else if (info.size() == 0)
            empty << q(s->fileName);
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
                        .arg(shown(dir), what.join(QStringLiteral(", "))));
    }
    const bool fresh = absent == TableSchema::all().size();
    if (fresh && !confirmed
        && AskConfirmation(QStringLiteral("\r\nIm Datenordner %1 liegt kein Datenbestand. Neuen leeren Datenbestand anlegen?")
                               .arg(shown(dir)))
               != MessageService::Yes)
        return fail(QStringLiteral("Im Datenordner %1 liegt kein Datenbestand. Das Programm arbeitet ohne Datenbank; "
                                   "es wird nichts angelegt.")
                        .arg(shown(dir)));
    const QString mainPath = QDir(dir).filePath(TableSchema::persData().fileName);
    {
        QSqlDatabase db = QSqlDatabase::contains(AliasName) ? QSqlDatabase::database(AliasName, false)
                                                            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), AliasName);
        if (!db.isValid())
            return fail(QStringLiteral("Der Datenbanktreiber für SQLite ist nicht verfügbar."));
        db.setDatabaseName(mainPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));   // then "locked" is reported
        if (!db.open())
            return fail(QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2")
                            .arg(shown(mainPath), StoreErrorText(db.lastError())));
    }

    QString failedPath, why;
    auto bad = [&](const QString &path, const QString &text) {
        failedPath = path;
        why = text;
        return false;
    };
    auto setUp = [&]() {
        QSqlDatabase db = QSqlDatabase::database(AliasName, false);
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
                    return bad(path, QStringLiteral("die Datei enthält keine Tabelle %1 von Vantrel Reaktion.").arg(q(s->tableName)));
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
                    return bad(path, QStringLiteral("der Tabelle %1 fehlt das Feld %2.").arg(q(s->tableName), q(f)));
            if (!create.exec(s->createIndexSql()))
                return bad(path, StoreErrorText(create.lastError()));
        }
        if (!tx.commit())
            return bad(mainPath, tx.error());
        return probeWrite(db, dir, bad);
    };
    if (!setUp()) {
        closeConnection();
        return fail(QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2").arg(shown(failedPath), why));
    }
    return true;
}

void TData::closeConnection()
{
    if (!QSqlDatabase::contains(AliasName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(AliasName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(AliasName);
}

bool TData::openTables()
{
    closeTables();
    m_error.clear();
    const QString dir = aliasPath();
    if (dir.isEmpty())
        return fail(QStringLiteral("Der Datenbank-Alias %1 ist nicht eingerichtet; die Tabellen können nicht geöffnet "
                                   "werden.")
                        .arg(q(AliasName)));
    if (!openConnection(dir))
        return false;
    m_sessionActive = true;
    for (DataTable *t : {m_pers, m_visier, m_reak})
        if (!t->open())
            return fail(QStringLiteral("Die Tabelle %1 kann nicht geöffnet werden: %2").arg(q(t->tableName()), t->errorText()));
    m_tablesOpened = true;
    return true;
}

bool TData::tablesOpen() const { return m_pers->isOpen() && m_visier->isOpen() && m_reak->isOpen(); }

void TData::closeTables()
{
    // Rows of a run are stored by "&Speichern" only, never on the way out.
    if (m_reak->hasPendingUpdates())
        m_reak->cancelUpdates();
    for (ResultQuery *query : m_queries)
        query->close();
    m_reak->close();
    m_visier->close();
    m_pers->close();
    closeConnection();
}

void TData::deactivateSession()
{
    closeTables();
    m_sessionActive = false;
}

// ---- maintenance -----------------------------------------------------------

bool TData::runOnFile(const QString &path, bool readOnly, const std::function<bool(QSqlDatabase &)> &body)
{
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("Die Datei %1 ist nicht vorhanden.").arg(shown(path)));
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
            fail(QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2").arg(shown(path), StoreErrorText(db.lastError())));
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
    auto vacuum = [&](QSqlDatabase &db, const QString &schema) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("VACUUM ") + schema))
            return fail(QStringLiteral("Die Tabelle %1 kann nicht reorganisiert werden: %2")
                            .arg(q(s.tableName), StoreErrorText(query.lastError())));
        return true;
    };
    if (QSqlDatabase::contains(AliasName) && QSqlDatabase::database(AliasName, false).isOpen()) {
        QSqlDatabase db = QSqlDatabase::database(AliasName, false);
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
    const QDir target(targetDir);
    if (targetDir.isEmpty() || !target.exists())
        return fail(QStringLiteral("Das Zielverzeichnis %1 ist nicht vorhanden.").arg(shown(targetDir)));
    const QString finalPath = target.filePath(s.fileName);

    // A fresh, empty file beside the old copy; VACUUM INTO fills it.
    QString tmpPath;
    {
        QTemporaryFile tmp(target.filePath(s.fileName + QStringLiteral(".XXXXXX.tmp")));
        tmp.setAutoRemove(false);
        if (!tmp.open())
            return fail(QStringLiteral("Im Verzeichnis %1 kann keine Datei angelegt werden: %2")
                            .arg(shown(targetDir), StoreFileErrorText(tmp.error(), tmp.errorString())));
        tmpPath = tmp.fileName();
    }
    auto copyInto = [&](QSqlDatabase &db, const QString &schema) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("VACUUM ") + schema + QStringLiteral(" INTO ?"));
        query.addBindValue(tmpPath);
        if (!query.exec())
            return fail(QStringLiteral("Die Tabelle %1 kann nicht nach %2 gesichert werden: %3")
                            .arg(q(s.tableName), shown(targetDir), StoreErrorText(query.lastError())));
        return true;
    };
    bool ok;
    if (QSqlDatabase::contains(AliasName) && QSqlDatabase::database(AliasName, false).isOpen()) {
        QSqlDatabase db = QSqlDatabase::database(AliasName, false);
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
        ok = fail(QStringLiteral("Die Sicherung von %1 kann nicht auf den Datenträger geschrieben werden.").arg(q(s.tableName)));
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(fsPath(tmpPath), fsPath(finalPath), ec);
        if (ec)
            ok = fail(QStringLiteral("Die Sicherung %1 kann nicht ersetzt werden: %2")
                          .arg(shown(finalPath),
                               StoreSystemErrorText(ec.value(), QString::fromLocal8Bit(ec.message().c_str()))));
    }
    if (!ok)
        QFile::remove(tmpPath);
    return ok;
}

int TData::deleteSeries(const QString &name, const QString &vorname, const QDate &datum, const QTime &zeit, int messTyp,
                        int serie)
{
    if (!QSqlDatabase::contains(AliasName) || !QSqlDatabase::database(AliasName, false).isOpen()) {
        fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Serie kann nicht gelöscht werden."));
        return -1;
    }
    int count = 0;
    {
        QSqlDatabase db = QSqlDatabase::database(AliasName, false);
        SqlTransaction tx(db);
        if (!tx.isActive()) {
            fail(QStringLiteral("Die Serie kann nicht gelöscht werden: ") + tx.error());
            return -1;
        }
        {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("DELETE FROM ") + TableSchema::reakData().qualifiedTable()
                          + QStringLiteral(" WHERE \"Name\" = ? AND \"Vorname\" = ? AND \"Datum\" = ? AND \"Zeit\" = ?"
                                           " AND \"MessTyp\" = ? AND \"Serie\" = ?"));
            query.addBindValue(name);
            query.addBindValue(vorname);
            query.addBindValue(TableSchema::dateText(datum));
            query.addBindValue(TableSchema::timeText(zeit));
            query.addBindValue(double(messTyp));
            query.addBindValue(double(serie));
            if (!query.exec()) {
                fail(QStringLiteral("Die Serie kann nicht gelöscht werden: ") + StoreErrorText(query.lastError()));
                return -1;
            }
            count = query.numRowsAffected();
        }
        if (!tx.commit()) {
            fail(QStringLiteral("Die Serie kann nicht gelöscht werden: ") + tx.error());
            return -1;
        }
    }
    if (m_reak->isOpen())
        m_reak->refresh();
    return count;
}

namespace {

// Sets "Name" and "Vorname" of the rows of table that match `where`.
bool renameRows(QSqlDatabase &db, const TableSchema &table, const QString &where, const QVariantList &whereValues,
                const QString &name, const QString &vorname, QString *error)
{
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("UPDATE ") + table.qualifiedTable()
                       + QStringLiteral(" SET \"Name\" = ?, \"Vorname\" = ? WHERE ") + where)) {
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

bool moveProfileRows(QSqlDatabase &db, const QList<qint64> &rows, const QString &name, const QString &vorname,
                     QString *error)
{
    for (qint64 n : rows)
        if (!renameRows(db, TableSchema::vData(), QStringLiteral("\"Nummer\" = ?"), {n}, name, vorname, error))
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
        if (renamed) {
            const QString where = QStringLiteral("\"Name\" = ? AND \"Vorname\" = ?");
            if (!renameRows(db, TableSchema::vData(), where, {fromName, fromVorname}, name, vorname, error)
                || !renameRows(db, TableSchema::reakData(), where, {fromName, fromVorname}, name, vorname, error))
                return false;
        }
        return moveProfileRows(db, profileRows, name, vorname, error);
    };
    if (!m_pers->post(carry))
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
    if (!QSqlDatabase::contains(AliasName) || !QSqlDatabase::database(AliasName, false).isOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Visierdaten können nicht geändert werden."));
    {
        QSqlDatabase db = QSqlDatabase::database(AliasName, false);
        SqlTransaction tx(db);
        QString why;
        if (!tx.isActive())
            return fail(QStringLiteral("Die Visierdaten können nicht geändert werden: ") + tx.error());
        if (!moveProfileRows(db, rows, name, vorname, &why))
            return fail(QStringLiteral("Die Visierdaten können nicht geändert werden: ") + why);
        if (!tx.commit())
            return fail(QStringLiteral("Die Visierdaten können nicht geändert werden: ") + tx.error());
    }
    if (m_visier->isOpen())
        m_visier->refresh();
    return true;
}

bool TData::deleteProfiles(const QList<qint64> &rows)
{
    if (rows.isEmpty())
        return true;
    if (!QSqlDatabase::contains(AliasName) || !QSqlDatabase::database(AliasName, false).isOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Visierdaten können nicht gelöscht werden."));
    {
        QSqlDatabase db = QSqlDatabase::database(AliasName, false);
        SqlTransaction tx(db);
        if (!tx.isActive())
            return fail(QStringLiteral("Die Visierdaten können nicht gelöscht werden: ") + tx.error());
        for (qint64 n : rows) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("DELETE FROM ") + TableSchema::vData().qualifiedTable()
                          + QStringLiteral(" WHERE \"Nummer\" = ?"));
            query.addBindValue(n);
            if (!query.exec())
                return fail(QStringLiteral("Die Visierdaten können nicht gelöscht werden: ") + StoreErrorText(query.lastError()));
        }
        if (!tx.commit())
            return fail(QStringLiteral("Die Visierdaten können nicht gelöscht werden: ") + tx.error());
    }
    if (m_visier->isOpen())
        m_visier->refresh();
    return true;
}

bool TData::countShooterData(const QString &name, const QString &vorname, ShooterData *out)
{
    if (!QSqlDatabase::contains(AliasName) || !QSqlDatabase::database(AliasName, false).isOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet."));
    QSqlDatabase db = QSqlDatabase::database(AliasName, false);
    const auto count = [&](const QString &sql, int *n) {
        QSqlQuery query(db);
        query.prepare(sql);
        query.addBindValue(name);
        query.addBindValue(vorname);
        if (!query.exec() || !query.next())
            return fail(QStringLiteral("Die gespeicherten Daten des Schützen können nicht gezählt werden: ")
                        + StoreErrorText(query.lastError()));
        *n = query.value(0).toInt();
        return true;
    };
    const QString where = QStringLiteral(" WHERE \"Name\" = ? AND \"Vorname\" = ?");
    ShooterData data;
    if (!count(QStringLiteral("SELECT COUNT(*) FROM ") + TableSchema::vData().qualifiedTable() + where, &data.profiles)
        || !count(QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT \"Datum\", \"Zeit\", \"MessTyp\", \"Serie\" FROM ")
                      + TableSchema::reakData().qualifiedTable() + where + u')',
                  &data.series))
        return false;
    if (out)
        *out = data;
    return true;
}

bool TData::deleteShooter()
{
    if (!m_pers->isOpen())
        return fail(QStringLiteral("Die Schützentabelle ist nicht geöffnet."));
    if (!m_pers->checkBrowseMode())
        m_pers->cancel();
    if (!m_pers->hasActiveRecord())
        return fail(QStringLiteral("Es ist kein Schütze zum Löschen ausgewählt."));
    if (m_reak->isOpen() && m_reak->hasPendingUpdates() && !m_reak->applyUpdates())
        return fail(m_reak->errorText());
    const QString name = m_pers->fieldValue(QStringLiteral("Name")).toString();
    const QString vorname = m_pers->fieldValue(QStringLiteral("Vorname")).toString();
    const auto details = [&](QSqlDatabase &db, QString *error) {
        for (const TableSchema *table : {&TableSchema::vData(), &TableSchema::reakData()}) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("DELETE FROM ") + table->qualifiedTable()
                          + QStringLiteral(" WHERE \"Name\" = ? AND \"Vorname\" = ?"));
            query.addBindValue(name);
            query.addBindValue(vorname);
            if (!query.exec()) {
                *error = StoreErrorText(query.lastError());
                return false;
            }
        }
        return true;
    };
    const bool deleted = m_pers->deleteCurrent(details);
    // The detail tables show what the files hold, also after a failure.
    if (m_visier->isOpen())
        m_visier->refresh();
    if (m_reak->isOpen())
        m_reak->refresh();
    return deleted || fail(m_pers->errorText());
}

// ---- result queries --------------------------------------------------------

QString TData::resultStatement(bool oldestFirst)
{
    return QStringLiteral("SELECT NAME,VORNAME,DATUM,ZEIT, MESSTYP, SERIE, SCHEIBE, ReakZeit, STATUS, FEHLER FROM REAKDATA "
                          "WHERE MessTyp=:MESSTYP AND NAME=:NAME AND VORNAME=:VORNAME ")
           + (oldestFirst ? QStringLiteral("ORDER BY DATUM ASC,ZEIT ASC,SERIE ASC,SCHEIBE ASC")
                          : QStringLiteral("ORDER BY DATUM DESC,ZEIT DESC,SERIE ASC,SCHEIBE ASC"));
}

bool TData::openResultQuery(Query which, const QString &name, const QString &vorname, bool oldestFirst)
{
    ResultQuery *q = query(which);
    q->close();
    q->setStatement(resultStatement(oldestFirst));
    q->clearBindings();
    q->bindValue(QStringLiteral("MESSTYP"), messTypOf(which));
    q->bindValue(QStringLiteral("NAME"), name);
    q->bindValue(QStringLiteral("VORNAME"), vorname);
    if (!q->open())
        return fail(q->errorText());
    return true;
}
