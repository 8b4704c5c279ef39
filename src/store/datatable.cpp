#include "store/datatable.h"
#include "store/storequery.h"

#include "platform/numberformat.h"
#include "store/quoted.h"
#include "store/storeerror.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// SQLite's order of storage classes: NULL, numbers, text.
int storageRank(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return 0;
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return 1;
    default:
        return 2;
    }
}

// -1, 0, 1 like SQLite's ORDER BY with the BINARY collation.
int compareStorage(const QVariant &a, const QVariant &b)
{
    const int ra = storageRank(a), rb = storageRank(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    if (ra == 0)
        return 0;
    if (ra == 1) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const QByteArray x = a.toString().toUtf8(), y = b.toString().toUtf8();
    const int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

DataTable::DataTable(const TableSchema &schema, const QString &connectionName, QObject *parent)
    : QObject(parent)
    , m_schema(schema)
    , m_connection(connectionName)
    , m_nummerIndex(schema.fieldIndex(QStringLiteral("Nummer")))
{
    setObjectName(schema.tableName);
}

DataTable::~DataTable() = default;

bool DataTable::fail(const QString &text)
{
    m_error = text;
    return false;
}

QSqlDatabase DataTable::database() const { return QSqlDatabase::database(m_connection, false); }

QString DataTable::shownName() const { return Quoted(m_schema.tableName); }

bool DataTable::failNotOpen() { return fail(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(shownName())); }

bool DataTable::failRead(const QSqlError &error)
{
    return fail(QStringLiteral("Die Tabelle %1 kann nicht gelesen werden: %2").arg(shownName(), StoreErrorText(error)));
}

bool DataTable::failWriting(const QString &why)
{
    return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(shownName(), why));
}

bool DataTable::failDeleting(const QString &why)
{
    return fail(QStringLiteral("Fehler beim Löschen in der Tabelle %1: %2").arg(shownName(), why));
}

void DataTable::setMaster(DataTable *master, const QStringList &linkFields)
{
    if (m_master)
        disconnect(m_master, nullptr, this, nullptr);
    m_master = master;
    m_linkFields = linkFields;
    if (!m_master)
        return;
    connect(m_master, &DataTable::rowsReset, this, &DataTable::onMasterChanged);
    connect(m_master, &DataTable::currentRowChanged, this, &DataTable::onMasterChanged);
    connect(m_master, &DataTable::stateChanged, this, &DataTable::onMasterChanged);
    connect(m_master, &DataTable::fieldChanged, this, [this](const QString &name) {
        for (const QString &f : std::as_const(m_linkFields))
            if (f.compare(name, Qt::CaseInsensitive) == 0) {
                onMasterChanged();
                return;
            }
    });
    connect(m_master, &QObject::destroyed, this, [this] { m_master = nullptr; });
}

void DataTable::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged();
}

// ---- reading ---------------------------------------------------------------

bool DataTable::masterKey(QVariantList *key) const
{
    key->clear();
    if (!m_master || !m_master->isOpen() || !m_master->hasActiveRecord())
        return false;
    const QVariantList values = m_master->linkValues(m_linkFields);
    for (const QVariant &v : values)
        if (!v.isValid() || v.isNull() || v.toString().isEmpty())
            return false;
    *key = values;
    return true;
}

bool DataTable::matchesKey(const QVector<QVariant> &values, const QVariantList &key) const
{
    for (int i = 0; i < m_linkFields.size(); ++i) {
        const int idx = m_schema.fieldIndex(m_linkFields.at(i));
        if (idx < 0 || i >= key.size())
            return false;
        const FieldType t = m_schema.fields.at(idx).type;
        if (compareStorage(TableSchema::toStorage(t, values.at(idx)), TableSchema::toStorage(t, key.at(i))) != 0)
            return false;
    }
    return true;
}

bool DataTable::rowLess(const Row &a, const Row &b) const
{
    for (const QString &name : m_schema.orderFields()) {
        const int idx = m_schema.fieldIndex(name);
        if (idx == m_nummerIndex) {
            // Cached inserts have no number yet; they will get the highest ones.
            const bool ca = a.cacheId > 0, cb = b.cacheId > 0;
            if (ca != cb)
                return cb;
            if (ca)
                return a.cacheId < b.cacheId;
        }
        const FieldType t = m_schema.fields.at(idx).type;
        const int c = compareStorage(TableSchema::toStorage(t, a.values.at(idx)),
                                     TableSchema::toStorage(t, b.values.at(idx)));
        if (c != 0)
            return c < 0;
    }
    return false;
}

bool DataTable::load()
{
    if (readRows())
        return true;
    return m_reconnect && m_reconnect() && readRows();
}

bool DataTable::readRows()
{
    QSqlDatabase db = database();
    if (!db.isValid() || !db.isOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Tabelle %1 kann nicht gelesen werden.")
                        .arg(shownName()));

    QVariantList key;
    const bool haveKey = !m_master || masterKey(&key);
    QVector<Row> rows;
    if (haveKey) {
        const QStringList stored = m_schema.storedFields();
        QStringList cols, order, where;
        for (const QString &f : stored)
            cols << TableSchema::column(f);
        for (const QString &f : m_schema.orderFields())
            order << TableSchema::column(f);
        for (const QString &f : std::as_const(m_linkFields))
            if (m_master)
                where << TableSchema::column(f) + QStringLiteral(" = ?");
        QString sql = QStringLiteral("SELECT ") + cols.join(u',') + QStringLiteral(" FROM ") + m_schema.qualifiedTable();
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        sql += QStringLiteral(" ORDER BY ") + order.join(u',');

        StoreQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            return failRead(query.lastError());
        for (int i = 0; i < key.size(); ++i) {
            const int idx = m_schema.fieldIndex(m_linkFields.at(i));
            query.addBindValue(TableSchema::toStorage(m_schema.fields.at(idx).type, key.at(i)));
        }
        if (!query.exec())
            return failRead(query.lastError());
        QVector<int> map;
        for (const QString &f : stored)
            map << m_schema.fieldIndex(f);
        while (query.next()) {
            Row r;
            r.values.resize(m_schema.fields.size());
            for (int c = 0; c < map.size(); ++c)
                r.values[map[c]] = TableSchema::fromStorage(m_schema.fields.at(map[c]).type, query.value(c));
            const qint64 n = nummerOf(r);
            if (m_cacheDeletes.contains(n))
                continue;
            const auto upd = m_cacheUpdates.constFind(n);
            if (upd != m_cacheUpdates.constEnd()) {
                r.values = *upd;
                if (m_master && !matchesKey(r.values, key))
                    continue;
            }
            rows.append(r);
        }
        if (query.lastError().isValid())
            return failRead(query.lastError());
        query.finish();

        for (const Row &r : std::as_const(m_cacheInserts))
            if (!m_master || matchesKey(r.values, key))
                rows.append(r);
        if (!m_cacheInserts.isEmpty() || !m_cacheUpdates.isEmpty())
            std::stable_sort(rows.begin(), rows.end(), [this](const Row &a, const Row &b) { return rowLess(a, b); });
    }
    m_rows = rows;
    m_shownKey = key;
    return true;
}

void DataTable::setCurrent(int row)
{
    if (m_current == row)
        return;
    m_current = row;
    emit currentRowChanged(m_current);
}

void DataTable::restorePosition(qint64 nummer, qint64 cacheId, int fallback)
{
    int found = -1;
    for (int i = 0; i < m_rows.size() && found < 0; ++i) {
        if (cacheId > 0 && m_rows.at(i).cacheId == cacheId)
            found = i;
        else if (cacheId <= 0 && nummer > 0 && m_rows.at(i).cacheId == 0 && nummerOf(m_rows.at(i)) == nummer)
            found = i;
    }
    if (found < 0)
        found = m_rows.isEmpty() ? -1 : std::clamp(fallback, 0, int(m_rows.size()) - 1);
    m_current = found;
    m_bof = m_rows.isEmpty();
    m_eof = m_rows.isEmpty();
}

void DataTable::markUnread(qint64 nummer, qint64 cacheId, int fallback)
{
    emit rowsAboutToReset();
    m_rows.clear();
    m_current = -1;
    m_bof = m_eof = true;
    m_unread = Unread{true, nummer, cacheId, fallback};
    emit rowsReset();
}

bool DataTable::ensureRead() const
{
    if (!m_unread.pending)
        return true;
    auto *self = const_cast<DataTable *>(this);
    const Unread at = m_unread;
    self->m_unread = Unread();
    const bool loaded = self->load();
    if (!loaded)
        self->m_rows.clear();
    self->restorePosition(at.nummer, at.cacheId, at.fallback);
    if (!loaded)
        emit self->reloadFailed(m_error);
    return loaded;
}

bool DataTable::reload(qint64 nummer, qint64 cacheId, int fallback, bool stateToo, const QString &afterWrite)
{
    if (m_onDemand) {
        if (m_unread.pending)   // the position to restore is the one kept
            markUnread(m_unread.nummer, m_unread.cacheId, m_unread.fallback);
        else
            markUnread(nummer, cacheId, fallback);
        if (stateToo)
            emit stateChanged();
        emit currentRowChanged(-1);
        return true;
    }
    emit rowsAboutToReset();
    const bool loaded = load();
    restorePosition(nummer, cacheId, fallback);
    emit rowsReset();
    if (stateToo)
        emit stateChanged();
    emit currentRowChanged(m_current);
    if (!loaded && !afterWrite.isEmpty())
        m_error = afterWrite + m_error;
    return loaded;
}

bool DataTable::open()
{
    if (isOpen())
        return true;
    if (m_onDemand) {
        m_modified = false;
        m_state = State::Browse;
        markUnread(0, 0, 0);
        emit stateChanged();
        emit currentRowChanged(-1);
        return true;
    }
    emit rowsAboutToReset();
    if (!load()) {
        m_rows.clear();
        m_current = -1;
        emit rowsReset();
        return false;
    }
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    m_modified = false;
    m_state = State::Browse;
    emit rowsReset();
    emit stateChanged();
    emit currentRowChanged(m_current);
    return true;
}

void DataTable::close()
{
    if (!isOpen())
        return;
    emit rowsAboutToReset();
    m_rows.clear();
    m_buffer = Row();
    m_modified = false;
    m_current = -1;
    m_bof = m_eof = true;
    m_shownKey.clear();
    m_unread = Unread();
    m_state = State::Inactive;
    emit rowsReset();
    emit stateChanged();
    emit currentRowChanged(-1);
}

bool DataTable::refresh()
{
    if (!isOpen())
        return failNotOpen();
    if (!checkBrowseMode())
        return false;
    if (m_unread.pending)
        return true;   // read when asked for anyway
    const Row cur = m_current >= 0 ? m_rows.at(m_current) : Row();
    return reload(m_current >= 0 ? nummerOf(cur) : 0, cur.cacheId, m_current);
}

void DataTable::onMasterChanged()
{
    if (!isOpen())
        return;
    QVariantList key;
    masterKey(&key);
    if (key == m_shownKey || m_unread.pending)
        return;
    if (m_state == State::Edit || m_state == State::Insert) {
        if (!checkBrowseMode())
            cancel();
    }
    if (m_onDemand) {
        markUnread(0, 0, 0);
        emit currentRowChanged(-1);
        return;
    }
    emit rowsAboutToReset();
    const bool loaded = load();
    if (!loaded)
        m_rows.clear();
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    emit rowsReset();
    emit currentRowChanged(m_current);
    if (!loaded)
        emit reloadFailed(m_error);
}

// ---- navigation ------------------------------------------------------------

// Navigation needs an open table and no pending edit (posted or cancelled first).
bool DataTable::readyToMove()
{
    if (!isOpen())
        return failNotOpen();
    if (!checkBrowseMode())
        return false;
    return ensureRead() || fail(m_error);
}

bool DataTable::first()
{
    if (!readyToMove())
        return false;
    setCurrent(m_rows.isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_rows.isEmpty();
    return true;
}

bool DataTable::next()
{
    if (!readyToMove())
        return false;
    if (m_current + 1 < m_rows.size()) {
        setCurrent(m_current + 1);
        m_bof = m_eof = false;
    } else {
        m_eof = true;
    }
    return true;
}

bool DataTable::prior()
{
    if (!readyToMove())
        return false;
    if (m_current > 0) {
        setCurrent(m_current - 1);
        m_bof = m_eof = false;
    } else {
        m_bof = true;
    }
    return true;
}

bool DataTable::last()
{
    if (!readyToMove())
        return false;
    setCurrent(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.isEmpty();
    return true;
}

bool DataTable::moveTo(int recNo)
{
    if (!isOpen())
        return failNotOpen();
    ensureRead();
    if (recNo < 1 || recNo > m_rows.size())
        return fail(QStringLiteral("Die Tabelle %1 hat keinen Datensatz Nr. %2.").arg(shownName()).arg(recNo));
    if (recNo - 1 == m_current && m_state == State::Browse)
        return true;
    if (!checkBrowseMode())
        return false;
    setCurrent(recNo - 1);
    m_bof = m_eof = false;
    return true;
}

// ---- field access ----------------------------------------------------------

QVariant DataTable::fieldValue(const QString &name) const
{
    const int i = m_schema.fieldIndex(name);
    if (i < 0 || !isOpen())
        return QVariant();
    ensureRead();
    if (m_schema.fields.at(i).type == FieldType::Calculated)
        return (m_state == State::Insert || m_current < 0) ? QVariant() : QVariant(m_current + 1);
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer.values.at(i);
    if (m_current < 0)
        return QVariant();
    return m_rows.at(m_current).values.at(i);
}

QVariant DataTable::valueAt(int row, const QString &name) const
{
    const int i = m_schema.fieldIndex(name);
    ensureRead();
    if (i < 0 || row < 0 || row >= m_rows.size())
        return QVariant();
    if (m_schema.fields.at(i).type == FieldType::Calculated)
        return row + 1;
    if (row == m_current && m_state == State::Edit)
        return m_buffer.values.at(i);
    return m_rows.at(row).values.at(i);
}

int DataTable::maxLength(const QString &name) const
{
    const int i = m_schema.fieldIndex(name);
    return (i >= 0 && m_schema.fields.at(i).type == FieldType::Text) ? m_schema.fields.at(i).width : 0;
}

bool DataTable::hasActiveRecord() const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return true;
    return isOpen() && ensureRead() && m_current >= 0;
}

QVariantList DataTable::linkValues(const QStringList &fields) const
{
    QVariantList out;
    for (const QString &f : fields)
        out << fieldValue(f);
    return out;
}

