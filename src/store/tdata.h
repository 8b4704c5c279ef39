#pragma once
// The data module: one instance for the whole program (TData::instance(),
// created in main before the main window; tests make their own).
//
// Usage for windows and savers:
//   TData *data = TData::instance();
//   // start: the constructor has already chosen privateDir() (DataSessionStartup)
//   if (data->aliasExists()) data->deleteAlias();
//   data->addAlias(data->privateDir());
//   if (!data->openTables()) ShowError("\r\n" + data->errorText());
//   if (reorg) data->PackTable(data->persTable());           // likewise the other two
//
//   DataTable *pers = data->persTable();                       // shooters, index order
//   pers->first(); while (!pers->eof()) { pers->fieldValue("Name"); pers->next(); }
//   pers->append(); pers->setFieldValue("Name", name); ...; if (!pers->post()) ShowError(...);
//   // VisierTable and ReakTable follow the current PersTable row (Name, Vorname):
//   DataTable *reak = data->reakTable();
//   reak->append();                       // fills Name and Vorname from the shooter row
//   reak->setFieldValue("Datum", date); ... reak->post();   // stays in the cache
//   reak->applyUpdates();                 // all cached rows in one transaction
//   // A finished run with the shooter's training count, all or nothing:
//   saveSeries(data, run);                // store/seriessaver.h
//
//   ResultQuery *efr = data->efrQuery();
//   efr->setStatement("SELECT NAME,VORNAME,DATUM,... FROM REAKDATA WHERE MessTyp=1 AND NAME=:NAME ...");
//   efr->bindValue("NAME", name); efr->open();      // before-open and per-row hooks run here
//   new ResultQueryModel(efr, {"GRIDNR","DATUM",...}, parent);   // grids; DataTableModel for tables
//
//   data->deleteSeries(name, vorname, datum, zeit, messTyp, serie);
//   // end: data->deactivateSession(); data->CopyTable(data->persTable(), backupDir); ...
//
// Every method that can fail returns false (or -1) and leaves a German
// errorText() on the object that failed; nothing throws.

#include "store/databasetarget.h"
#include "store/datatable.h"
#include "store/resultquery.h"
#include "store/seriesstats.h"
#include "store/storeerror.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class QDate;
class QSqlDatabase;
class QTime;

class TData : public QObject
{
    Q_OBJECT
public:
    enum class Query { EFR = 0, EFRF = 1, IK = 2 };

    static const QString AliasName;   // "VantrelReak", also the default connection name
    static const QString SessionName; // "Datasession"

    // Runs DataSessionStartup; becomes instance() when there is none yet.
    explicit TData(QObject *parent = nullptr);
    // A data module on a connection of its own name (another thread, a tool).
    explicit TData(const QString &connectionName, QObject *parent = nullptr);
    ~TData() override;
    static TData *instance();

    // Chooses the data directory from the settings store and writes it back as
    // "DataDir"; empties the three summary lists.
    void DataSessionStartup();
    // The data directory chosen at session start (the session's private directory).
    QString privateDir() const { return m_privateDir; }
    // Local folder (through the alias) or server, read from the settings store
    // at session start; openTables() uses it.
    DatabaseTarget target() const { return m_target; }
    void setTarget(const DatabaseTarget &target) { m_target = target; }
    // A module that only reads (the evaluation's): on the server its session
    // refuses every write, so a result query needs no transaction to be undone.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isServer() const { return m_target.isServer(); }
    // The layout version a server database gets; a newer one is refused.
    static constexpr int ServerSchemaVersion = 1;

    void activateSession() { m_sessionActive = true; }
    // Closes all tables and queries and the connection.
    void deactivateSession();
    bool isSessionActive() const { return m_sessionActive; }

    // The alias "VantrelReak" -> directory, kept in the settings store.
    bool aliasExists() const;
    void deleteAlias();
    bool addAlias(const QString &path);
    QString aliasPath() const; // empty when there is no alias

    // On the server: connects (time-out 5 s), makes the tables of an empty
    // database in one transaction and refuses an unknown layout version.
    // Locally: opens the connection on the alias path (making missing table files with
    // their tables and indexes, never touching a file that is not a database),
    // then PersTable, VisierTable, ReakTable.
    bool openTables();
    // On the server: true when the connection answers; a lost one (server
    // restarted, network gone) is opened again within the connect time-out,
    // *wasLost tells so. False with errorText() while the server cannot be
    // reached. Locally always true.
    bool checkServerConnection(bool *wasLost = nullptr);
    // On the server every committed write announces itself on this channel
    // (NOTIFY); the program's data module listens and sends changedElsewhere()
    // a moment after another stand changed shooters, profiles or results.
    static const QString &changeChannel();
    // Where the open tables are: the server, or the local folder they were
    // opened in (folder filled in).
    DatabaseTarget connectionTarget() const;
    // Opens only the connection (no table objects, never a question to the
    // user) to the tables at target, e.g. connectionTarget() of the program's
    // module: for work on another thread. False with errorText() when a table
    // file is missing or the connection fails.
    bool openConnectionTo(const DatabaseTarget &target);
    // Writes ReakTable's pending cached rows, then closes everything.
    void closeTables();
    bool tablesOpen() const;
    QString errorText() const { return m_error; }

    DataTable *persTable() const { return m_pers; }
    DataTable *visierTable() const { return m_visier; }
    DataTable *reakTable() const { return m_reak; }
    ResultQuery *efrQuery() const { return m_queries[0]; }
    ResultQuery *efrfQuery() const { return m_queries[1]; }
    ResultQuery *ikQuery() const { return m_queries[2]; }
    ResultQuery *query(Query which) const { return m_queries[int(which)]; }
    // One summary line per evaluated series, per query (filled by the statistics).
    QStringList &summaryLines(Query which) { return m_stats[int(which)].summaryLines(); }
    SeriesStats &stats(Query which) { return m_stats[int(which)]; }

    // Series statistics hooked to the three queries (before open, per row)
    // and the full passes the printing runs after opening.
    void EFR_SQLQueryBeforeOpen() { m_stats[0].beforeOpen(); }
    void EFRF_SQLQueryBeforeOpen() { m_stats[1].beforeOpen(); }
    void IK_SQLQueryBeforeOpen() { m_stats[2].beforeOpen(); }
    void EFR_SQLQueryCalcFields() { m_stats[0].calcFields(*m_queries[0]); }
    void EFRF_SQLQueryCalcFields() { m_stats[1].calcFields(*m_queries[1]); }
    void IK_SQLQueryCalcFields() { m_stats[2].calcFields(*m_queries[2]); }
    void CalcEFRData() { m_stats[0].calcAll(*m_queries[0]); }
    void CalcEFRFData() { m_stats[1].calcAll(*m_queries[1]); }
    void CalcIKData() { m_stats[2].calcAll(*m_queries[2]); }
    void calcAll(Query which) { m_stats[int(which)].calcAll(*m_queries[int(which)]); }

    // The statement of the result query of one test type (1, 2, 3) with the
    // parameters :MESSTYP, :NAME, :VORNAME; newest measurement first for the
    // display, oldest first for printing.
    static QString resultStatement(bool oldestFirst);
    // Sets the statement, binds the shooter and test type and opens the query.
    bool openResultQuery(Query which, const QString &name, const QString &vorname, bool oldestFirst);
    // The same in two halves, for reading on another thread: the rows read on
    // this module's connection (false with errorText()), then installed in
    // the query of the module the window shows.
    bool fetchResults(Query which, const QString &name, const QString &vorname, bool oldestFirst,
                      ResultQuery::Fetched *out);
    void adoptResults(Query which, const QString &name, const QString &vorname, bool oldestFirst,
                      ResultQuery::Fetched fetched);
    static int messTypOf(Query which) { return int(which) + 1; }

    // Rewrites the table's file without free space and rebuilds its indexes.
    // Works with the table open or closed.
    bool PackTable(DataTable *table);
    // Writes a consistent copy of the table's file into targetDir (same file
    // name), replacing an older copy only once the new one is complete.
    bool CopyTable(DataTable *table, const QString &targetDir);
    // Rows of the table's file in dir (read-only); -1 when there is no readable table.
    qint64 rowsInFile(const DataTable *table, const QString &dir);
    // True once the tables were opened in this program run: only then is a backup made.
    bool tablesOpenedOnce() const { return m_tablesOpened; }
    // Deletes one stored series in one transaction; the number of rows deleted,
    // or -1 on failure.
    int deleteSeries(const QString &name, const QString &vorname, const QDate &datum, const QTime &zeit, int messTyp,
                     int serie);

    // Posts PersTable's pending record (insert or edit) and, in the same
    // transaction, hands the linked rows over to its "Name" and "Vorname": the
    // VData and ReakData rows of the pair (fromName, fromVorname) when that pair
    // is given and differs, and the VData rows numbered in profileRows. Pending
    // cached ReakData rows are written first. The detail tables are read again.
    bool postShooter(const QString &fromName, const QString &fromVorname, const QList<qint64> &profileRows = {});
    // Writes into the shooter record nummer the fields in which changed
    // differs from read, guarded by the read values (DataTable::updateRow);
    // a new "Name"/"Vorname" carries the pair's VData and ReakData rows along,
    // in the same transaction. Used through ShooterStore::update.
    bool updateShooter(qint64 nummer, const QVariantMap &read, const QVariantMap &changed);
    // Gives the VData rows numbered in rows the shooter pair (name, vorname).
    bool moveProfiles(const QList<qint64> &rows, const QString &name, const QString &vorname);
    // Deletes the VData rows numbered in rows.
    bool deleteProfiles(const QList<qint64> &rows);

    // What is stored under a shooter pair: sight profiles and measured series
    // (a series: one "Datum", "Zeit", "MessTyp", "Serie").
    struct ShooterData
    {
        int profiles = 0;
        int series = 0;
    };
    bool countShooterData(const QString &name, const QString &vorname, ShooterData *out);
    // Deletes PersTable's current record together with the VData and ReakData
    // rows of its "Name" and "Vorname", all in one transaction: on failure
    // nothing is deleted. Pending cached ReakData rows are written first.
    bool deleteShooter();
    // Deletes the shooter record nummer when it still has these names, with
    // the VData and ReakData rows of the names, in one transaction; a record
    // renamed or deleted elsewhere meanwhile is left alone (false). Used
    // through ShooterStore::remove.
    bool removeShooter(qint64 nummer, const QString &name, const QString &vorname);

    // The file of a table in the current table directory.
    QString tableFilePath(const DataTable *table) const;

signals:
    void changedElsewhere();

private:
    void listenForChanges();
    bool fail(const QString &text);
    void bindResultQuery(Query which, const QString &name, const QString &vorname, bool oldestFirst);
    QSqlDatabase connection() const;
    bool connectionOpen() const;
    // Runs writes in one transaction on the connection; a failure leaves
    // failText followed by the reason.
    bool writeTransaction(const QString &failText, const std::function<bool(QSqlDatabase &, QString *)> &writes);
    bool openConnection(const QString &dir);
    bool openServerConnection(const DatabaseTarget &target);
    static QString serverConnectOptions(bool readOnly);
    static bool serverTablesReady(QSqlDatabase &db);
    bool openTableObjects();
    void closeConnection();
    QString tablesDir() const;
    bool runOnFile(const QString &path, bool readOnly, const std::function<bool(QSqlDatabase &)> &body);

    static TData *s_instance;

    QString m_connectionName;
    bool m_readOnly = false;
    DatabaseTarget m_target;
    QTimer m_changesElsewhere;   // several announcements at once: one signal
    QMetaObject::Connection m_changeListener;
    QString m_privateDir;
    QString m_defaultDir;
    bool m_tablesOpened = false;
    bool m_sessionActive = false;
    QString m_error;
    DataTable *m_pers = nullptr;
    DataTable *m_visier = nullptr;
    DataTable *m_reak = nullptr;
    ResultQuery *m_queries[3] = {nullptr, nullptr, nullptr};
    SeriesStats m_stats[3];
};

