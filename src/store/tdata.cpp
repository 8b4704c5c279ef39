#include "store/tdata.h"

#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "store/quoted.h"
#include "store/serverwatchdog.h"
#include "platform/settingskeys.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <optional>

// The data module's session, alias, tables and result queries; the files
// (opening, reorganising, backup) are in tdatafiles.cpp, the writes across
// tables in tdatarecords.cpp.

const QString TData::AliasName = QStringLiteral("VantrelReak");
const QString TData::SessionName = QStringLiteral("Datasession");
TData *TData::s_instance = nullptr;

namespace {

const QString kAliasKey = QStringLiteral("Software\\Nrv\\Vantrel Reaktion");
const QString kAliasSection = QStringLiteral("Aliases");
const QString kEmpty = QStringLiteral("empty");

// "empty" (and a blank value) mean: not set.
bool unset(const QString &value) { return value.trimmed().isEmpty() || value == kEmpty; }

} // namespace

TData::TData(QObject *parent)
    : TData(AliasName, parent)
{
}

TData::TData(const QString &connectionName, QObject *parent)
    : QObject(parent)
    , m_connectionName(connectionName)
{
    setObjectName(QStringLiteral("Data"));
    m_pers = new DataTable(TableSchema::persData(), m_connectionName, this);
    m_pers->setObjectName(QStringLiteral("PersTable"));
    m_visier = new DataTable(TableSchema::vData(), m_connectionName, this);
    m_visier->setObjectName(QStringLiteral("VisierTable"));
    m_visier->setMaster(m_pers);
    m_reak = new DataTable(TableSchema::reakData(), m_connectionName, this);
    m_reak->setObjectName(QStringLiteral("ReakTable"));
    m_reak->setMaster(m_pers);
    m_reak->setCachedUpdates(true);
    m_reak->setReadOnDemand(true);   // no window shows these rows: read when asked for
    m_visier->setReadOnDemand(true);   // read when a run or the profile dialog asks, not per list move
    m_changesElsewhere.setSingleShot(true);
    m_changesElsewhere.setInterval(200);
    connect(&m_changesElsewhere, &QTimer::timeout, this, &TData::changedElsewhere);
    for (DataTable *t : {m_pers, m_visier, m_reak})
        t->setReconnect([this] {
            // A server that left a statement unanswered is not asked again
            // here: the operation ends with that news.
            bool lost = false;
            return isServer() && !ServerWatchdog::wasCut(m_connectionName) && checkServerConnection(&lost) && lost;
        });
    m_queries[0] = new ResultQuery(QStringLiteral("EFR_SQLQuery"), m_connectionName, this);
    m_queries[1] = new ResultQuery(QStringLiteral("EFRF_SQLQuery"), m_connectionName, this);
    m_queries[2] = new ResultQuery(QStringLiteral("IK_SQLQuery"), m_connectionName, this);
    // A detail table that cannot follow the shooter says so (locked or damaged file).
    for (DataTable *detail : {m_visier, m_reak})
        connect(detail, &DataTable::reloadFailed, this, [detail](const QString &why) {
            ShowError(QStringLiteral("\r\nDie Tabelle %1 konnte nicht gelesen werden.\r\n").arg(Quoted(detail->tableName()))
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
    m_target = DatabaseTarget::fromSettings();
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
        return fail(QStringLiteral("Für den Datenbank-Alias %1 ist kein Verzeichnis angegeben.").arg(Quoted(AliasName)));
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
    if (!table || isServer())
        return QString();
    return QDir(tablesDir()).filePath(table->schema().fileName);
}

QSqlDatabase TData::connection() const { return QSqlDatabase::database(m_connectionName, false); }

bool TData::connectionOpen() const { return QSqlDatabase::contains(m_connectionName) && connection().isOpen(); }

bool TData::writeTransaction(const QString &failText, const std::function<bool(QSqlDatabase &, QString *)> &writes)
{
    QSqlDatabase db = connection();
    std::optional<SqlTransaction> tx(std::in_place, db);
    bool lost = false;
    // Nothing was written yet: after a reconnect the whole write is tried again.
    if (!tx->isActive() && isServer() && !ServerWatchdog::wasCut(m_connectionName) && checkServerConnection(&lost)
        && lost) {
        db = connection();
        tx.emplace(db);
    }
    if (!tx->isActive())
        return fail(failText + tx->error());
    QString why;
    if (!writes(db, &why))
        return fail(failText + why);
    return tx->commit() || fail(failText + tx->error());
}

void TData::closeConnection()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    ServerWatchdog::unwatch(m_connectionName);
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool TData::openTables()
{
    closeTables();
    m_error.clear();
    if (isServer()) {
        if (!openServerConnection(m_target))
            return false;
        return openTableObjects();
    }
    const QString dir = aliasPath();
    if (dir.isEmpty())
        return fail(QStringLiteral("Der Datenbank-Alias %1 ist nicht eingerichtet; die Tabellen können nicht geöffnet "
                                   "werden.")
                        .arg(Quoted(AliasName)));
    if (!openConnection(dir))
        return false;
    return openTableObjects();
}

DatabaseTarget TData::connectionTarget() const
{
    DatabaseTarget t = m_target;
    if (!t.isServer())
        t.folder = tablesDir();
    return t;
}

bool TData::openConnectionTo(const DatabaseTarget &target)
{
    closeTables();
    m_error.clear();
    m_target = target;
    if (target.isServer())
        return openServerConnection(target);
    // Only existing tables: openConnection() would ask before making new ones.
    for (const TableSchema *s : TableSchema::all()) {
        const QString path = QDir(target.folder).filePath(s->fileName);
        if (!QFileInfo(path).isFile())
            return fail(QStringLiteral("Die Tabellendatei %1 fehlt.").arg(QuotedPath(path)));
    }
    return openConnection(target.folder);
}

bool TData::openTableObjects()
{
    m_sessionActive = true;
    for (DataTable *t : {m_pers, m_visier, m_reak})
        if (!t->open())
            return fail(QStringLiteral("Die Tabelle %1 kann nicht geöffnet werden: %2").arg(Quoted(t->tableName()), t->errorText()));
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

// ---- result queries --------------------------------------------------------

QString TData::resultStatement(bool oldestFirst)
{
    return QStringLiteral("SELECT NAME,VORNAME,DATUM,ZEIT, MESSTYP, SERIE, SCHEIBE, ReakZeit, STATUS, FEHLER FROM REAKDATA "
                          "WHERE MessTyp=:MESSTYP AND NAME=:NAME AND VORNAME=:VORNAME ")
           + (oldestFirst ? QStringLiteral("ORDER BY DATUM ASC,ZEIT ASC,SERIE ASC,SCHEIBE ASC")
                          : QStringLiteral("ORDER BY DATUM DESC,ZEIT DESC,SERIE ASC,SCHEIBE ASC"));
}

void TData::bindResultQuery(Query which, const QString &name, const QString &vorname, bool oldestFirst)
{
    ResultQuery *q = query(which);
    q->close();
    q->setStatement(resultStatement(oldestFirst));
    q->clearBindings();
    q->bindValue(QStringLiteral("MESSTYP"), messTypOf(which));
    q->bindValue(QStringLiteral("NAME"), name);
    q->bindValue(QStringLiteral("VORNAME"), vorname);
}

bool TData::openResultQuery(Query which, const QString &name, const QString &vorname, bool oldestFirst)
{
    bindResultQuery(which, name, vorname, oldestFirst);
    bool lost = false;
    if (!query(which)->open()
        && !(isServer() && !ServerWatchdog::wasCut(m_connectionName) && checkServerConnection(&lost) && lost
             && query(which)->open()))
        return fail(query(which)->errorText());
    return true;
}

bool TData::fetchResults(Query which, const QString &name, const QString &vorname, bool oldestFirst,
                         ResultQuery::Fetched *out)
{
    bindResultQuery(which, name, vorname, oldestFirst);
    const ResultQuery *q = query(which);
    QString why;
    const bool readOnly = m_readOnly && isServer();
    bool lost = false;
    if (!ResultQuery::fetch(connection(), q->objectName(), q->statement(), q->bindings(), out, &why, readOnly)
        && !(isServer() && !ServerWatchdog::wasCut(m_connectionName) && checkServerConnection(&lost) && lost
             && ResultQuery::fetch(connection(), q->objectName(), q->statement(), q->bindings(), out, &why, readOnly)))
        return fail(why);
    return true;
}

void TData::adoptResults(Query which, const QString &name, const QString &vorname, bool oldestFirst,
                         ResultQuery::Fetched fetched)
{
    bindResultQuery(which, name, vorname, oldestFirst);
    query(which)->adopt(std::move(fetched));
}
