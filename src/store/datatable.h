#pragma once
#include <functional>
#include <QSqlDatabase>
#include <QSqlError>
#include "store/tableschema.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QVariant>
#include <QVector>

// One table of the data directory as a navigable dataset: all rows of the
// table (or, for a detail, of the master's current row) held in memory in
// index order, one current row, an edit buffer for edit/insert.
//
// Methods that can fail return false and leave a German errorText(); nothing
// throws. Every write is one transaction: on failure it is rolled back and the
// dataset still shows what the file holds.
//
// Navigation while editing posts a modified buffer first (and stays put if that
// fails) or cancels an unmodified one.
class DataTable : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    DataTable(const TableSchema &schema, const QString &connectionName, QObject *parent = nullptr);
    ~DataTable() override;

    const TableSchema &schema() const { return m_schema; }
    QString tableName() const { return m_schema.tableName; }

    // Makes this table a detail of master on the given fields: it shows only the
    // rows whose link fields equal the master's active row, and append() fills them.
    void setMaster(DataTable *master, const QStringList &linkFields = {QStringLiteral("Name"), QStringLiteral("Vorname")});
    DataTable *master() const { return m_master; }

    // Cached updates: posted inserts, edits and deletes stay in memory (and are
    // shown) until applyUpdates() writes them all in one transaction.
    void setCachedUpdates(bool on) { m_cached = on; }
    bool cachedUpdates() const { return m_cached; }

    // Rows read only when first asked for: for a detail whose rows no window
    // shows, so that moving the master or refreshing costs no reading.
    void setReadOnDemand(bool on) { m_onDemand = on; }
    // On the club server: opens a connection found lost (a restarted server)
    // again; true when it did, and the failed read or the write that could not
    // begin is then tried once more.
    void setReconnect(std::function<bool()> reconnect) { m_reconnect = std::move(reconnect); }

    bool open();
    void close(); // a pending edit is cancelled; the update cache is kept
    bool isOpen() const { return m_state != State::Inactive; }
    // Reads the rows again, keeping the current row where possible.
    bool refresh();

    bool first();
    bool next();
    bool prior();
    bool last();
    bool moveTo(int recNo); // 1-based
    bool eof() const { return ensureRead(), m_eof; }
    bool bof() const { return ensureRead(), m_bof; }
    int recNo() const { return ensureRead(), m_current + 1; } // 0 when empty
    int currentRow() const { return ensureRead(), m_current; } // 0-based, -1 when empty
    int recordCount() const { return ensureRead(), int(m_rows.size()); }
    bool isEmpty() const { return ensureRead(), m_rows.isEmpty(); }

    bool hasField(const QString &name) const { return m_schema.fieldIndex(name) >= 0; }
    // Value of the current row (or the edit buffer while editing). Names are
    // matched without case. QString / double / QDate / QTime, int for "Nummer",
    // the 1-based position for "GridNr"; an invalid QVariant for NULL.
    QVariant fieldValue(const QString &name) const;
    // Value of any row of the dataset (0-based), for grids.
    QVariant valueAt(int row, const QString &name) const;
    // Width of a text field, 0 for other fields.
    int maxLength(const QString &name) const;

    bool edit();
    bool append();
    bool setFieldValue(const QString &name, const QVariant &value);
    bool post();
    // The same, with further writes of the caller in the same transaction (see
    // applyUpdates below); not for tables with cached updates.
    bool post(const std::function<bool(QSqlDatabase &db, QString *error)> &also);
    void cancel();
    bool deleteCurrent();
    // The same, with further writes of the caller in the same transaction
    // (see applyUpdates below); not for tables with cached updates.
    bool deleteCurrent(const std::function<bool(QSqlDatabase &db, QString *error)> &also);
    bool checkBrowseMode(); // post when modified, otherwise cancel
    State state() const { return m_state; }
    bool isModified() const { return m_modified; }

    bool applyUpdates();
    // The same, with further writes of the caller (e.g. on another table of the
    // connection) in the same transaction: `also` runs after the cached rows are
    // written and before the commit; returning false (with a text) rolls all back.
    using ExtraWrite = std::function<bool(QSqlDatabase &db, QString *error)>;
    bool applyUpdates(const ExtraWrite &also);
    // Writes new rows (field name -> value; link fields included) straight to
    // the file, bypassing edit buffer and update cache, together with `also` in
    // one transaction: a row that does not convert, validate or insert writes
    // none of them. The dataset is read again afterwards.
    bool insertRows(const QVector<QVariantMap> &rows, const ExtraWrite &also = ExtraWrite());
    // Writes the fields whose values differ between read and changed (field
    // name -> value) into the row "Nummer", guarded by the read values: a
    // field changed elsewhere meanwhile refuses the write. The rows are read
    // again; the current row stays.
    bool updateRow(qint64 nummer, const QVariantMap &read, const QVariantMap &changed, const ExtraWrite &also = ExtraWrite());
    void cancelUpdates();
    bool hasPendingUpdates() const;

    // For details: whether there is an active row, and its link values.
    bool hasActiveRecord() const;
    QVariantList linkValues(const QStringList &fields) const;

    QString errorText() const { return m_error; }

signals:
    void rowsAboutToReset();
    void rowsReset();
    void currentRowChanged(int row);
    void stateChanged();
    void fieldChanged(const QString &name); // edit buffer
    void rowChanged(int row);               // shown values of one row changed
    void reloadFailed(const QString &why);  // a detail table could not follow its master

private:
    struct Row
    {
        QVector<QVariant> values; // per field of the schema (calculated slots unused)
        qint64 cacheId = 0;       // > 0: an insert waiting in the update cache
    };

    bool fail(const QString &text);
    QSqlDatabase database() const;
    // The table's name in German quotes, for messages.
    QString shownName() const;
    bool failNotOpen();
    bool failRead(const QSqlError &error);
    bool failWriting(const QString &why);
    bool failDeleting(const QString &why);
    bool failCachedExtra();
    // Runs writes and then also in one transaction; failures are reported as
    // writing or deleting errors of this table.
    enum class WriteKind { Write, Delete };
    bool inTransaction(WriteKind kind, const std::function<bool()> &writes, const ExtraWrite &also);
    // Reads the rows again and moves to the kept row (see restorePosition),
    // announcing the reset; stateChanged too when stateToo. After a write that
    // succeeded, a failed reading leaves `afterWrite` before the error text.
    bool reload(qint64 nummer, qint64 cacheId, int fallback, bool stateToo = false,
                const QString &afterWrite = QString());
    bool readyToMove();
    bool load();       // readRows(), once more after a reconnect
    bool readRows();
    // Rows read on demand: forgets them (keeping the position to restore) or
    // reads them now. ensureRead is false when reading failed.
    void markUnread(qint64 nummer, qint64 cacheId, int fallback);
    bool ensureRead() const;
    bool masterKey(QVariantList *key) const;
    bool matchesKey(const QVector<QVariant> &values, const QVariantList &key) const;
    bool rowLess(const Row &a, const Row &b) const;
    void setCurrent(int row);
    void restorePosition(qint64 nummer, qint64 cacheId, int fallback);
    bool validate(const QVector<QVariant> &values);
    bool checkUnique(const QVector<QVariant> &values, qint64 ownNummer);
    // "Meyer, Anna" for a row of PersData, else empty.
    QString shooterOf(const QVector<QVariant> &values) const;
    bool failWrite(const QSqlError &error, const QVector<QVariant> &values);
    bool execInsert(const QVector<QVariant> &values, qint64 *newNummer);
    bool execInsertRows(const QVector<QVector<QVariant>> &rows);
    // With the row as it was read (original), only the fields that differ
    // from it are written, and only while the stored row still holds the
    // read values of those fields: a change made meanwhile elsewhere (another
    // stand) to other fields is kept, one to the same fields refuses the write.
    bool execUpdate(qint64 nummer, const QVector<QVariant> &values, const QVector<QVariant> *original = nullptr);
    bool execDelete(qint64 nummer);
    // A row of the schema from field names, converted and checked.
    bool rowFromMap(const QVariantMap &map, QVector<QVariant> *values);
    qint64 nummerOf(const Row &row) const;
    bool convertValue(const FieldDef &field, const QVariant &in, QVariant *out);
    void onMasterChanged();
    void setState(State s);

    TableSchema m_schema;
    QString m_connection;
    int m_nummerIndex = -1;
    DataTable *m_master = nullptr;
    QStringList m_linkFields;
    QVariantList m_shownKey;
    bool m_cached = false;
    bool m_onDemand = false;
    std::function<bool()> m_reconnect;
    struct Unread
    {
        bool pending = false;
        qint64 nummer = 0;
        qint64 cacheId = 0;
        int fallback = 0;
    } m_unread;

    State m_state = State::Inactive;
    QVector<Row> m_rows;
    int m_current = -1;
    bool m_bof = true;
    bool m_eof = true;
    Row m_buffer;
    bool m_modified = false;
    QString m_error;

    QVector<Row> m_cacheInserts;
    QHash<qint64, QVector<QVariant>> m_cacheUpdates;
    QSet<qint64> m_cacheDeletes;
    qint64 m_nextCacheId = 1;
};
