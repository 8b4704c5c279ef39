#include "store/datatable.h"

#include "platform/numberformat.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <algorithm>
#include <cmath>

namespace {

QString q(const QString &s) { return QStringLiteral("„") + s + QStringLiteral("“"); }

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

QSqlDatabase connection(const QString &name) { return QSqlDatabase::database(name, false); }

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
    QSqlDatabase db = connection(m_connection);
    if (!db.isValid() || !db.isOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Tabelle %1 kann nicht gelesen werden.")
                        .arg(q(m_schema.tableName)));

    QVariantList key;
    const bool haveKey = !m_master || masterKey(&key);
    QVector<Row> rows;
    if (haveKey) {
        const QStringList stored = m_schema.storedFields();
        QStringList cols, order, where;
        for (const QString &f : stored)
            cols << TableSchema::quoted(f);
        for (const QString &f : m_schema.orderFields())
            order << TableSchema::quoted(f);
        for (const QString &f : std::as_const(m_linkFields))
            if (m_master)
                where << TableSchema::quoted(f) + QStringLiteral(" = ?");
        QString sql = QStringLiteral("SELECT ") + cols.join(u',') + QStringLiteral(" FROM ") + m_schema.qualifiedTable();
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        sql += QStringLiteral(" ORDER BY ") + order.join(u',');

        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            return fail(QStringLiteral("Die Tabelle %1 kann nicht gelesen werden: %2")
                            .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
        for (int i = 0; i < key.size(); ++i) {
            const int idx = m_schema.fieldIndex(m_linkFields.at(i));
            query.addBindValue(TableSchema::toStorage(m_schema.fields.at(idx).type, key.at(i)));
        }
        if (!query.exec())
            return fail(QStringLiteral("Die Tabelle %1 kann nicht gelesen werden: %2")
                            .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
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
            return fail(QStringLiteral("Die Tabelle %1 kann nicht gelesen werden: %2")
                            .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
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

bool DataTable::open()
{
    if (isOpen())
        return true;
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
    m_state = State::Inactive;
    emit rowsReset();
    emit stateChanged();
    emit currentRowChanged(-1);
}

bool DataTable::refresh()
{
    if (!readyToMove())
        return false;
    const Row cur = m_current >= 0 ? m_rows.at(m_current) : Row();
    const int pos = m_current;
    emit rowsAboutToReset();
    const bool ok = load();
    restorePosition(pos >= 0 ? nummerOf(cur) : 0, cur.cacheId, pos);
    emit rowsReset();
    emit currentRowChanged(m_current);
    return ok;
}

void DataTable::onMasterChanged()
{
    if (!isOpen())
        return;
    QVariantList key;
    masterKey(&key);
    if (key == m_shownKey)
        return;
    if (m_state == State::Edit || m_state == State::Insert) {
        if (!checkBrowseMode())
            cancel();
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
        return fail(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(q(m_schema.tableName)));
    return checkBrowseMode();
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
        return fail(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(q(m_schema.tableName)));
    if (recNo < 1 || recNo > m_rows.size())
        return fail(QStringLiteral("Die Tabelle %1 hat keinen Datensatz Nr. %2.").arg(q(m_schema.tableName)).arg(recNo));
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
    return isOpen() && m_current >= 0;
}

QVariantList DataTable::linkValues(const QStringList &fields) const
{
    QVariantList out;
    for (const QString &f : fields)
        out << fieldValue(f);
    return out;
}

bool DataTable::convertValue(const FieldDef &field, const QVariant &in, QVariant *out)
{
    *out = QVariant();
    if (!in.isValid() || in.isNull())
        return true;
    const int type = in.metaType().id();
    const bool isText = type == QMetaType::QString || type == QMetaType::QByteArray || type == QMetaType::QChar;
    const QString text = isText ? in.toString().trimmed() : QString();
    const auto bad = [&] {
        return fail(QStringLiteral("Der Wert %1 passt nicht in das Feld %2.").arg(q(in.toString()), q(field.name)));
    };
    switch (field.type) {
    case FieldType::Text:
        if (!in.canConvert<QString>())
            return bad();
        *out = in.toString();
        return true;
    case FieldType::Number: {
        if (isText && text.isEmpty())
            return true;
        bool ok = false;
        double d = 0;
        if (isText) {
            d = QLocale::c().toDouble(text, &ok);
            if (!ok)
                ok = NumberFormat::textToFloat(text, &d);
        } else {
            d = in.toDouble(&ok);
        }
        if (!ok || !std::isfinite(d))
            return bad();
        *out = d;
        return true;
    }
    case FieldType::Date: {
        QDate d;
        if (type == QMetaType::QDate)
            d = in.toDate();
        else if (type == QMetaType::QDateTime)
            d = in.toDateTime().date();
        else if (isText) {
            if (text.isEmpty())
                return true;
            d = QDate::fromString(text, Qt::ISODate);
            if (!d.isValid())
                d = QLocale().toDate(text, QLocale::ShortFormat);
        }
        if (!d.isValid())
            return type == QMetaType::QDate ? true : bad();
        *out = d;
        return true;
    }
    case FieldType::Time: {
        QTime t;
        if (type == QMetaType::QTime)
            t = in.toTime();
        else if (type == QMetaType::QDateTime)
            t = in.toDateTime().time();
        else if (isText) {
            if (text.isEmpty())
                return true;
            t = QTime::fromString(text, QStringLiteral("HH:mm:ss.zzz"));
            if (!t.isValid())
                t = QTime::fromString(text, Qt::ISODateWithMs);
        }
        if (!t.isValid())
            return type == QMetaType::QTime ? true : bad();
        *out = t;
        return true;
    }
    case FieldType::AutoInc:
    case FieldType::Calculated:
        break;
    }
    return bad();
}

// ---- editing ---------------------------------------------------------------

bool DataTable::edit()
{
    if (!isOpen())
        return fail(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(q(m_schema.tableName)));
    if (m_state == State::Edit || m_state == State::Insert)
        return true;
    if (m_current < 0)
        return fail(QStringLiteral("Die Tabelle %1 enthält keinen Datensatz, der bearbeitet werden kann.")
                        .arg(q(m_schema.tableName)));
    m_buffer = m_rows.at(m_current);
    m_modified = false;
    setState(State::Edit);
    return true;
}

bool DataTable::append()
{
    if (!readyToMove())
        return false;
    QVariantList key;
    if (m_master && !masterKey(&key))
        return fail(QStringLiteral("Es ist kein Schütze ausgewählt. Ein Datensatz in %1 braucht Name und Vorname des "
                                   "Schützen und wird deshalb nicht angelegt.")
                        .arg(q(m_schema.tableName)));
    Row r;
    r.values.resize(m_schema.fields.size());
    for (int i = 0; i < key.size(); ++i)
        r.values[m_schema.fieldIndex(m_linkFields.at(i))] = key.at(i);
    m_buffer = r;
    m_modified = false;
    setState(State::Insert);
    return true;
}

bool DataTable::setFieldValue(const QString &name, const QVariant &value)
{
    const int i = m_schema.fieldIndex(name);
    if (i < 0)
        return fail(QStringLiteral("Das Feld %1 gibt es in der Tabelle %2 nicht.").arg(q(name), q(m_schema.tableName)));
    if (m_state != State::Edit && m_state != State::Insert)
        return fail(QStringLiteral("Die Tabelle %1 ist nicht im Bearbeitungsmodus; das Feld %2 kann nicht geschrieben "
                                   "werden.")
                        .arg(q(m_schema.tableName), q(m_schema.fields.at(i).name)));
    const FieldDef &f = m_schema.fields.at(i);
    // "Nummer" is assigned by the database when the row is written; a value the
    // caller puts here is ignored on purpose (savers may still assign it).
    if (f.type == FieldType::AutoInc)
        return true;
    if (f.type == FieldType::Calculated)
        return fail(QStringLiteral("Das Feld %1 wird berechnet und kann nicht geschrieben werden.").arg(q(f.name)));
    QVariant v;
    if (!convertValue(f, value, &v))
        return false;
    m_buffer.values[i] = v;
    m_modified = true;
    emit fieldChanged(f.name);
    if (m_state == State::Edit)
        emit rowChanged(m_current);
    return true;
}

bool DataTable::validate(const QVector<QVariant> &values)
{
    for (int i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef &f = m_schema.fields.at(i);
        if (f.type != FieldType::Text || !values.at(i).isValid())
            continue;
        if (values.at(i).toString().toUcs4().size() > f.width)
            return fail(QStringLiteral("Das Feld %1 darf höchstens %2 Zeichen lang sein.").arg(q(f.name)).arg(f.width));
    }
    return true;
}

qint64 DataTable::nummerOf(const Row &row) const
{
    if (m_nummerIndex < 0 || row.cacheId > 0 || m_nummerIndex >= row.values.size())
        return 0;
    return row.values.at(m_nummerIndex).toLongLong();
}

bool DataTable::checkUnique(const QVector<QVariant> &values, qint64 ownNummer)
{
    if (!m_schema.uniqueIndex)
        return true;
    QStringList where, shown;
    QVariantList binds;
    for (const QString &name : m_schema.indexFields) {
        const int idx = m_schema.fieldIndex(name);
        const QVariant v = TableSchema::toStorage(m_schema.fields.at(idx).type, values.at(idx));
        if (!v.isValid() || v.isNull())
            return true; // NULLs never collide in a unique index
        where << TableSchema::quoted(name) + QStringLiteral(" = ?");
        binds << v;
        shown << name + u' ' + q(values.at(idx).toString());
    }
    QSqlQuery query(connection(m_connection));
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + m_schema.qualifiedTable() + QStringLiteral(" WHERE ")
                  + where.join(QStringLiteral(" AND ")) + QStringLiteral(" AND \"Nummer\" <> ?"));
    for (const QVariant &b : std::as_const(binds))
        query.addBindValue(b);
    query.addBindValue(ownNummer);
    if (!query.exec() || !query.next())
        return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2")
                        .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
    if (query.value(0).toLongLong() > 0) {
        const QString shooter = shooterOf(values);
        if (!shooter.isEmpty())
            return fail(QStringLiteral("Ein Schütze „%1“ ist bereits vorhanden.").arg(shooter));
        return fail(QStringLiteral("Ein Datensatz mit %1 ist bereits vorhanden.").arg(shown.join(QStringLiteral(" und "))));
    }
    return true;
}

QString DataTable::shooterOf(const QVector<QVariant> &values) const
{
    if (m_schema.tableName.compare(TableSchema::persData().tableName, Qt::CaseInsensitive) != 0)
        return QString();
    const int name = m_schema.fieldIndex(QStringLiteral("Name"));
    const int vorname = m_schema.fieldIndex(QStringLiteral("Vorname"));
    if (name < 0 || vorname < 0 || name >= values.size() || vorname >= values.size())
        return QString();
    return values.at(name).toString() + QStringLiteral(", ") + values.at(vorname).toString();
}

// A write the database refused: a duplicate shooter says so on its own.
bool DataTable::failWrite(const QSqlError &error, const QVector<QVariant> &values)
{
    const QString why = StoreErrorText(error, shooterOf(values));
    if (ClassifyStoreError(error.text()) == StoreFault::Duplicate)
        return fail(why.left(1).toUpper() + why.mid(1));
    return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(q(m_schema.tableName), why));
}

bool DataTable::execInsert(const QVector<QVariant> &values, qint64 *newNummer)
{
    QStringList cols, marks;
    QVariantList binds;
    for (int i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef &f = m_schema.fields.at(i);
        if (f.type == FieldType::Calculated || f.type == FieldType::AutoInc)
            continue;
        cols << TableSchema::quoted(f.name);
        marks << QStringLiteral("?");
        binds << TableSchema::toStorage(f.type, values.at(i));
    }
    QSqlQuery query(connection(m_connection));
    if (!query.prepare(QStringLiteral("INSERT INTO ") + m_schema.qualifiedTable() + QStringLiteral(" (")
                       + cols.join(u',') + QStringLiteral(") VALUES (") + marks.join(u',') + u')'))
        return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2")
                        .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
    for (const QVariant &b : std::as_const(binds))
        query.addBindValue(b);
    if (!query.exec())
        return failWrite(query.lastError(), values);
    *newNummer = query.lastInsertId().toLongLong();
    return true;
}

bool DataTable::execUpdate(qint64 nummer, const QVector<QVariant> &values)
{
    QStringList sets;
    QVariantList binds;
    for (int i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef &f = m_schema.fields.at(i);
        if (f.type == FieldType::Calculated || f.type == FieldType::AutoInc)
            continue;
        sets << TableSchema::quoted(f.name) + QStringLiteral(" = ?");
        binds << TableSchema::toStorage(f.type, values.at(i));
    }
    QSqlQuery query(connection(m_connection));
    if (!query.prepare(QStringLiteral("UPDATE ") + m_schema.qualifiedTable() + QStringLiteral(" SET ")
                       + sets.join(u',') + QStringLiteral(" WHERE \"Nummer\" = ?")))
        return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2")
                        .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
    for (const QVariant &b : std::as_const(binds))
        query.addBindValue(b);
    query.addBindValue(nummer);
    if (!query.exec())
        return failWrite(query.lastError(), values);
    if (query.numRowsAffected() != 1)
        return fail(QStringLiteral("Der Datensatz Nr. %1 ist in der Tabelle %2 nicht mehr vorhanden.")
                        .arg(nummer)
                        .arg(q(m_schema.tableName)));
    return true;
}

bool DataTable::execDelete(qint64 nummer)
{
    QSqlQuery query(connection(m_connection));
    if (!query.prepare(QStringLiteral("DELETE FROM ") + m_schema.qualifiedTable() + QStringLiteral(" WHERE \"Nummer\" = ?")))
        return fail(QStringLiteral("Fehler beim Löschen in der Tabelle %1: %2")
                        .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
    query.addBindValue(nummer);
    if (!query.exec())
        return fail(QStringLiteral("Fehler beim Löschen in der Tabelle %1: %2")
                        .arg(q(m_schema.tableName), StoreErrorText(query.lastError())));
    return true;
}

bool DataTable::post() { return post(nullptr); }

bool DataTable::post(const std::function<bool(QSqlDatabase &db, QString *error)> &also)
{
    if (also && m_cached)
        return fail(QStringLiteral("Die Tabelle %1 speichert zwischen; weitere Schreibvorgänge können nicht "
                                   "mitgespeichert werden.")
                        .arg(q(m_schema.tableName)));
    if (!isOpen())
        return fail(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(q(m_schema.tableName)));
    if (m_state == State::Browse)
        return true;
    if (!validate(m_buffer.values))
        return false;

    const bool inserting = m_state == State::Insert;
    const int pos = m_current;
    qint64 nummer = inserting ? 0 : nummerOf(m_buffer);
    qint64 cacheId = m_buffer.cacheId;

    if (m_cached) {
        // Into the cache only; the dataset is updated in memory, the file not at all.
        Row r = m_buffer;
        if (inserting) {
            r.cacheId = m_nextCacheId++;
            m_cacheInserts.append(r);
        } else if (cacheId > 0) {
            for (Row &c : m_cacheInserts)
                if (c.cacheId == cacheId)
                    c.values = r.values;
        } else {
            m_cacheUpdates.insert(nummer, r.values);
        }
        m_buffer = Row();
        m_modified = false;
        m_state = State::Browse;
        emit rowsAboutToReset();
        if (!inserting && pos >= 0)
            m_rows.removeAt(pos);
        int at = -1;
        if (!m_master || matchesKey(r.values, m_shownKey)) {
            const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), r,
                                             [this](const Row &a, const Row &b) { return rowLess(a, b); });
            at = int(it - m_rows.begin());
            m_rows.insert(at, r);
        }
        restorePosition(0, 0, at >= 0 ? at : pos);
        emit rowsReset();
        emit stateChanged();
        emit currentRowChanged(m_current);
        return true;
    }
    {
        SqlTransaction tx(connection(m_connection));
        if (!tx.isActive())
            return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(q(m_schema.tableName), tx.error()));
        if (!checkUnique(m_buffer.values, inserting ? -1 : nummer))
            return false;
        if (inserting ? !execInsert(m_buffer.values, &nummer) : !execUpdate(nummer, m_buffer.values))
            return false;
        if (also) {
            QSqlDatabase db = connection(m_connection);
            QString why;
            if (!also(db, &why))
                return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(q(m_schema.tableName), why));
        }
        if (!tx.commit())
            return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(q(m_schema.tableName), tx.error()));
    }

    m_buffer = Row();
    m_modified = false;
    m_state = State::Browse;
    emit rowsAboutToReset();
    const bool reloaded = load();
    restorePosition(nummer, cacheId, pos);
    emit rowsReset();
    emit stateChanged();
    emit currentRowChanged(m_current);
    if (!reloaded)
        m_error = QStringLiteral("Der Datensatz wurde gespeichert, aber die Tabelle konnte nicht neu gelesen werden: ")
                  + m_error;
    return true;
}

void DataTable::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const bool editing = m_state == State::Edit;
    m_buffer = Row();
    m_modified = false;
    setState(State::Browse);
    if (editing)
        emit rowChanged(m_current);
}

bool DataTable::checkBrowseMode()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return true;
    if (m_modified)
        return post();
    cancel();
    return true;
}

bool DataTable::deleteCurrent() { return deleteCurrent(nullptr); }

bool DataTable::deleteCurrent(const std::function<bool(QSqlDatabase &db, QString *error)> &also)
{
    if (also && m_cached)
        return fail(QStringLiteral("Die Tabelle %1 speichert zwischen; weitere Schreibvorgänge können nicht "
                                   "mitgespeichert werden.")
                        .arg(q(m_schema.tableName)));
    if (!isOpen())
        return fail(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(q(m_schema.tableName)));
    if (m_state == State::Insert) {
        cancel();
        return true;
    }
    cancel();
    if (m_current < 0)
        return fail(QStringLiteral("Die Tabelle %1 enthält keinen Datensatz, der gelöscht werden kann.")
                        .arg(q(m_schema.tableName)));
    const Row row = m_rows.at(m_current);
    const int pos = m_current;
    if (m_cached) {
        if (row.cacheId > 0) {
            for (int i = 0; i < m_cacheInserts.size(); ++i)
                if (m_cacheInserts.at(i).cacheId == row.cacheId)
                    m_cacheInserts.removeAt(i--);
        } else {
            m_cacheUpdates.remove(nummerOf(row));
            m_cacheDeletes.insert(nummerOf(row));
        }
        emit rowsAboutToReset();
        m_rows.removeAt(pos);
        restorePosition(0, 0, pos);
        emit rowsReset();
        emit currentRowChanged(m_current);
        return true;
    }
    {
        SqlTransaction tx(connection(m_connection));
        if (!tx.isActive())
            return fail(QStringLiteral("Fehler beim Löschen in der Tabelle %1: %2").arg(q(m_schema.tableName), tx.error()));
        if (!execDelete(nummerOf(row)))
            return false;
        if (also) {
            QSqlDatabase db = connection(m_connection);
            QString why;
            if (!also(db, &why))
                return fail(QStringLiteral("Fehler beim Löschen in der Tabelle %1: %2").arg(q(m_schema.tableName), why));
        }
        if (!tx.commit())
            return fail(QStringLiteral("Fehler beim Löschen in der Tabelle %1: %2").arg(q(m_schema.tableName), tx.error()));
    }
    emit rowsAboutToReset();
    const bool reloaded = load();
    restorePosition(0, 0, pos);
    emit rowsReset();
    emit currentRowChanged(m_current);
    if (!reloaded)
        m_error = QStringLiteral("Der Datensatz wurde gelöscht, aber die Tabelle konnte nicht neu gelesen werden: ")
                  + m_error;
    return true;
}

// ---- cached updates --------------------------------------------------------

bool DataTable::hasPendingUpdates() const
{
    return !m_cacheInserts.isEmpty() || !m_cacheUpdates.isEmpty() || !m_cacheDeletes.isEmpty();
}

bool DataTable::applyUpdates() { return applyUpdates(ExtraWrite()); }

bool DataTable::applyUpdates(const ExtraWrite &also)
{
    if (isOpen() && !checkBrowseMode())
        return false;
    if (!hasPendingUpdates() && !also)
        return true;
    SqlTransaction tx(connection(m_connection));
    if (!tx.isActive())
        return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(q(m_schema.tableName), tx.error()));
    for (qint64 n : std::as_const(m_cacheDeletes))
        if (!execDelete(n))
            return false;
    for (auto it = m_cacheUpdates.constBegin(); it != m_cacheUpdates.constEnd(); ++it)
        if (!execUpdate(it.key(), it.value()))
            return false;
    QHash<qint64, qint64> numbers; // cache id -> assigned "Nummer"
    for (const Row &r : std::as_const(m_cacheInserts)) {
        qint64 n = 0;
        if (!validate(r.values) || !execInsert(r.values, &n))
            return false;
        numbers.insert(r.cacheId, n);
    }
    if (also) {
        QSqlDatabase db = connection(m_connection);
        QString why;
        if (!also(db, &why))
            return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(q(m_schema.tableName), why));
    }
    if (!tx.commit())
        return fail(QStringLiteral("Fehler beim Schreiben in die Tabelle %1: %2").arg(q(m_schema.tableName), tx.error()));

    m_cacheInserts.clear();
    m_cacheUpdates.clear();
    m_cacheDeletes.clear();
    if (!isOpen())
        return true;
    const Row cur = m_current >= 0 ? m_rows.at(m_current) : Row();
    const qint64 keep = cur.cacheId > 0 ? numbers.value(cur.cacheId) : nummerOf(cur);
    const int pos = m_current;
    emit rowsAboutToReset();
    const bool reloaded = load();
    restorePosition(keep, 0, pos);
    emit rowsReset();
    emit currentRowChanged(m_current);
    if (!reloaded)
        m_error = QStringLiteral("Die Daten wurden gespeichert, aber die Tabelle konnte nicht neu gelesen werden: ")
                  + m_error;
    return true;
}

void DataTable::cancelUpdates()
{
    cancel();
    const bool had = hasPendingUpdates();
    m_cacheInserts.clear();
    m_cacheUpdates.clear();
    m_cacheDeletes.clear();
    if (had && isOpen()) {
        const int pos = m_current;
        const qint64 keep = m_current >= 0 ? nummerOf(m_rows.at(m_current)) : 0;
        emit rowsAboutToReset();
        load();
        restorePosition(keep, 0, pos);
        emit rowsReset();
        emit currentRowChanged(m_current);
    }
}
