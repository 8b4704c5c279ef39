#include "store/datatable.h"
#include "store/storequery.h"

#include "platform/numberformat.h"
#include "store/databasetarget.h"
#include "store/quoted.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QSqlError>
#include <optional>
#include <QSqlQuery>
#include <QTime>
#include <algorithm>
#include <cmath>

// Editing, writing and the update cache of DataTable; reading and navigation
// are in datatable.cpp.

bool DataTable::convertValue(const FieldDef &field, const QVariant &in, QVariant *out)
{
    *out = QVariant();
    if (!in.isValid() || in.isNull())
        return true;
    const int type = in.metaType().id();
    const bool isText = type == QMetaType::QString || type == QMetaType::QByteArray || type == QMetaType::QChar;
    const QString text = isText ? in.toString().trimmed() : QString();
    const auto bad = [&] {
        return fail(QStringLiteral("Der Wert %1 passt nicht in das Feld %2.").arg(Quoted(in.toString()), Quoted(field.name)));
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
        return failNotOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return true;
    if (!ensureRead())
        return fail(m_error);
    if (m_current < 0)
        return fail(QStringLiteral("Die Tabelle %1 enthält keinen Datensatz, der bearbeitet werden kann.")
                        .arg(shownName()));
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
                        .arg(shownName()));
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
        return fail(QStringLiteral("Das Feld %1 gibt es in der Tabelle %2 nicht.").arg(Quoted(name), shownName()));
    if (m_state != State::Edit && m_state != State::Insert)
        return fail(QStringLiteral("Die Tabelle %1 ist nicht im Bearbeitungsmodus; das Feld %2 kann nicht geschrieben "
                                   "werden.")
                        .arg(shownName(), Quoted(m_schema.fields.at(i).name)));
    const FieldDef &f = m_schema.fields.at(i);
    // "Nummer" is assigned by the database when the row is written; a value the
    // caller puts here is ignored on purpose (savers may still assign it).
    if (f.type == FieldType::AutoInc)
        return true;
    if (f.type == FieldType::Calculated)
        return fail(QStringLiteral("Das Feld %1 wird berechnet und kann nicht geschrieben werden.").arg(Quoted(f.name)));
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
            return fail(QStringLiteral("Das Feld %1 darf höchstens %2 Zeichen lang sein.").arg(Quoted(f.name)).arg(f.width));
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
        where << TableSchema::column(name) + QStringLiteral(" = ?");
        binds << v;
        shown << name + u' ' + Quoted(values.at(idx).toString());
    }
    StoreQuery query(database());
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + m_schema.qualifiedTable() + QStringLiteral(" WHERE ")
                  + where.join(QStringLiteral(" AND ")) + QStringLiteral(" AND \"nummer\" <> ?"));
    for (const QVariant &b : std::as_const(binds))
        query.addBindValue(b);
    query.addBindValue(ownNummer);
    if (!query.exec() || !query.next())
        return failWriting(StoreErrorText(query.lastError()));
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
    return failWriting(why);
}

bool DataTable::execInsert(const QVector<QVariant> &values, qint64 *newNummer)
{
    QStringList cols, marks;
    QVariantList binds;
    for (int i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef &f = m_schema.fields.at(i);
        if (f.type == FieldType::Calculated || f.type == FieldType::AutoInc)
            continue;
        cols << TableSchema::column(f.name);
        marks << QStringLiteral("?");
        binds << TableSchema::toStorage(f.type, values.at(i));
    }
    const QSqlDatabase db = database();
    // PostgreSQL tells the new number only through RETURNING.
    const bool server = IsServerConnection(db);
    StoreQuery query(db);
    if (!query.prepare(QStringLiteral("INSERT INTO ") + m_schema.qualifiedTable() + QStringLiteral(" (")
                       + cols.join(u',') + QStringLiteral(") VALUES (") + marks.join(u',') + u')'
                       + (server ? QStringLiteral(" RETURNING \"nummer\"") : QString())))
        return failWriting(StoreErrorText(query.lastError()));
    for (const QVariant &b : std::as_const(binds))
        query.addBindValue(b);
    if (!query.exec())
        return failWrite(query.lastError(), values);
    if (server) {
        if (!query.next())
            return failWriting(StoreErrorText(query.lastError()));
        *newNummer = query.value(0).toLongLong();
    } else {
        *newNummer = query.lastInsertId().toLongLong();
    }
    return true;
}

bool DataTable::execInsertRows(const QVector<QVector<QVariant>> &rows)
{
    QStringList cols;
    QVector<int> stored;
    for (int i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef &f = m_schema.fields.at(i);
        if (f.type == FieldType::Calculated || f.type == FieldType::AutoInc)
            continue;
        cols << TableSchema::column(f.name);
        stored << i;
    }
    const QString tuple = u'(' + QStringList(stored.size(), QStringLiteral("?")).join(u',') + u')';
    // Many rows in one statement: one round trip to the server for a run.
    const int perStatement = 50;
    for (int first = 0; first < rows.size(); first += perStatement) {
        const int n = std::min<int>(perStatement, rows.size() - first);
        StoreQuery query(database());
        if (!query.prepare(QStringLiteral("INSERT INTO ") + m_schema.qualifiedTable() + QStringLiteral(" (") + cols.join(u',')
                           + QStringLiteral(") VALUES ") + QStringList(n, tuple).join(u',')))
            return failWriting(StoreErrorText(query.lastError()));
        for (int r = first; r < first + n; ++r)
            for (int i : std::as_const(stored))
                query.addBindValue(TableSchema::toStorage(m_schema.fields.at(i).type, rows.at(r).at(i)));
        if (!query.exec())
            return failWrite(query.lastError(), rows.at(first));
    }
    return true;
}

bool DataTable::updateRow(qint64 nummer, const QVariantMap &read, const QVariantMap &changed, const ExtraWrite &also)
{
    if (m_cached)
        return failCachedExtra();
    if (!isOpen())
        return failNotOpen();
    QVector<QVariant> before, after;
    if (!rowFromMap(read, &before) || !rowFromMap(changed, &after))
        return false;
    const auto write = [&] { return checkUnique(after, nummer) && execUpdate(nummer, after, &before); };
    if (!inTransaction(WriteKind::Write, write, also))
        return false;
    cancel();
    const int pos = m_current;
    reload(m_current >= 0 ? nummerOf(m_rows.at(m_current)) : nummer, 0, pos, true,
           QStringLiteral("Der Datensatz wurde gespeichert, aber die Tabelle konnte nicht neu gelesen werden: "));
    return true;
}

bool DataTable::execUpdate(qint64 nummer, const QVector<QVariant> &values, const QVector<QVariant> *original)
{
    QStringList sets, guards;
    QVariantList binds, guardBinds;
    const QString same = IsServerConnection(database()) ? QStringLiteral(" IS NOT DISTINCT FROM ?") : QStringLiteral(" IS ?");
    for (int i = 0; i < m_schema.fields.size(); ++i) {
        const FieldDef &f = m_schema.fields.at(i);
        if (f.type == FieldType::Calculated || f.type == FieldType::AutoInc)
            continue;
        const QVariant stored = TableSchema::toStorage(f.type, values.at(i));
        if (original) {
            const QVariant before = TableSchema::toStorage(f.type, original->at(i));
            if (before == stored && before.isNull() == stored.isNull())
                continue;
            guards << TableSchema::column(f.name) + same;
            guardBinds << before;
        }
        sets << TableSchema::column(f.name) + QStringLiteral(" = ?");
        binds << stored;
    }
    StoreQuery query(database());
    if (sets.isEmpty()) {
        // Nothing changed: the row only has to be there still.
        if (!query.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + m_schema.qualifiedTable()
                           + QStringLiteral(" WHERE \"nummer\" = ?")))
            return failWriting(StoreErrorText(query.lastError()));
        query.addBindValue(nummer);
        if (!query.exec() || !query.next())
            return failWriting(StoreErrorText(query.lastError()));
        if (query.value(0).toLongLong() == 1)
            return true;
        return fail(QStringLiteral("Der Datensatz Nr. %1 ist in der Tabelle %2 nicht mehr vorhanden.")
                        .arg(nummer)
                        .arg(shownName()));
    }
    QString sql = QStringLiteral("UPDATE ") + m_schema.qualifiedTable() + QStringLiteral(" SET ") + sets.join(u',')
                  + QStringLiteral(" WHERE \"nummer\" = ?");
    for (const QString &g : std::as_const(guards))
        sql += QStringLiteral(" AND ") + g;
    if (!query.prepare(sql))
        return failWriting(StoreErrorText(query.lastError()));
    for (const QVariant &b : std::as_const(binds))
        query.addBindValue(b);
    query.addBindValue(nummer);
    for (const QVariant &b : std::as_const(guardBinds))
        query.addBindValue(b);
    if (!query.exec())
        return failWrite(query.lastError(), values);
    if (query.numRowsAffected() == 1)
        return true;
    StoreQuery exists(database());
    if (guards.isEmpty() || !exists.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + m_schema.qualifiedTable()
                                            + QStringLiteral(" WHERE \"nummer\" = ?")))
        return fail(QStringLiteral("Der Datensatz Nr. %1 ist in der Tabelle %2 nicht mehr vorhanden.")
                        .arg(nummer)
                        .arg(shownName()));
    exists.addBindValue(nummer);
    if (exists.exec() && exists.next() && exists.value(0).toLongLong() == 0)
        return fail(QStringLiteral("Der Datensatz Nr. %1 ist in der Tabelle %2 nicht mehr vorhanden.")
                        .arg(nummer)
                        .arg(shownName()));
    const QString shooter = shooterOf(*original);
    return fail(QStringLiteral("%1 wurde inzwischen an einem anderen Platz geändert. Die Änderung wurde nicht "
                               "gespeichert; bitte den gespeicherten Stand ansehen und erneut ändern.")
                    .arg(shooter.isEmpty() ? QStringLiteral("Der Datensatz Nr. %1 der Tabelle %2").arg(nummer).arg(shownName())
                                           : QStringLiteral("Der Schütze „%1“").arg(shooter)));
}

bool DataTable::execDelete(qint64 nummer)
{
    StoreQuery query(database());
    if (!query.prepare(QStringLiteral("DELETE FROM ") + m_schema.qualifiedTable() + QStringLiteral(" WHERE \"nummer\" = ?")))
        return failDeleting(StoreErrorText(query.lastError()));
    query.addBindValue(nummer);
    if (!query.exec())
        return failDeleting(StoreErrorText(query.lastError()));
    return true;
}

bool DataTable::post() { return post(nullptr); }

bool DataTable::post(const std::function<bool(QSqlDatabase &db, QString *error)> &also)
{
    if (also && m_cached)
        return failCachedExtra();
    if (!isOpen())
        return failNotOpen();
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
    const auto write = [&] {
        return checkUnique(m_buffer.values, inserting ? -1 : nummer)
               && (inserting ? execInsert(m_buffer.values, &nummer)
                             : execUpdate(nummer, m_buffer.values, pos >= 0 && pos < m_rows.size() ? &m_rows.at(pos).values : nullptr));
    };
    if (!inTransaction(WriteKind::Write, write, also))
        return false;

    m_buffer = Row();
    m_modified = false;
    m_state = State::Browse;
    reload(nummer, cacheId, pos, true,
           QStringLiteral("Der Datensatz wurde gespeichert, aber die Tabelle konnte nicht neu gelesen werden: "));
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
        return failCachedExtra();
    if (!isOpen())
        return failNotOpen();
    if (m_state == State::Insert) {
        cancel();
        return true;
    }
    cancel();
    if (!ensureRead())
        return fail(m_error);
    if (m_current < 0)
        return fail(QStringLiteral("Die Tabelle %1 enthält keinen Datensatz, der gelöscht werden kann.")
                        .arg(shownName()));
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
    if (!inTransaction(WriteKind::Delete, [&] { return execDelete(nummerOf(row)); }, also))
        return false;
    reload(0, 0, pos, false,
           QStringLiteral("Der Datensatz wurde gelöscht, aber die Tabelle konnte nicht neu gelesen werden: "));
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
    QHash<qint64, qint64> numbers; // cache id -> assigned "Nummer"
    const auto write = [&] {
        for (qint64 n : std::as_const(m_cacheDeletes))
            if (!execDelete(n))
                return false;
        for (auto it = m_cacheUpdates.constBegin(); it != m_cacheUpdates.constEnd(); ++it)
            if (!execUpdate(it.key(), it.value()))
                return false;
        for (const Row &r : std::as_const(m_cacheInserts)) {
            qint64 n = 0;
            if (!validate(r.values) || !execInsert(r.values, &n))
                return false;
            numbers.insert(r.cacheId, n);
        }
        return true;
    };
    if (!inTransaction(WriteKind::Write, write, also))
        return false;

    m_cacheInserts.clear();
    m_cacheUpdates.clear();
    m_cacheDeletes.clear();
    if (!isOpen())
        return true;
    const Row cur = m_current >= 0 ? m_rows.at(m_current) : Row();
    const qint64 keep = cur.cacheId > 0 ? numbers.value(cur.cacheId) : nummerOf(cur);
    reload(keep, 0, m_current, false,
           QStringLiteral("Die Daten wurden gespeichert, aber die Tabelle konnte nicht neu gelesen werden: "));
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
        reload(m_current >= 0 ? nummerOf(m_rows.at(m_current)) : 0, 0, m_current);
    }
}

// ---- shared write steps ----------------------------------------------------

bool DataTable::failCachedExtra()
{
    return fail(QStringLiteral("Die Tabelle %1 speichert zwischen; weitere Schreibvorgänge können nicht "
                               "mitgespeichert werden.")
                    .arg(shownName()));
}

bool DataTable::inTransaction(WriteKind kind, const std::function<bool()> &writes, const ExtraWrite &also)
{
    const auto failWith = [&](const QString &why) {
        return kind == WriteKind::Delete ? failDeleting(why) : failWriting(why);
    };
    std::optional<SqlTransaction> tx(std::in_place, database());
    // Nothing was written yet: after a reconnect the whole write is tried again.
    if (!tx->isActive() && m_reconnect && m_reconnect())
        tx.emplace(database());
    if (!tx->isActive())
        return failWith(tx->error());
    if (!writes())
        return false;
    if (also) {
        QSqlDatabase db = database();
        QString why;
        if (!also(db, &why))
            return failWith(why);
    }
    return tx->commit() || failWith(tx->error());
}

// ---- rows written directly -------------------------------------------------

bool DataTable::rowFromMap(const QVariantMap &map, QVector<QVariant> *values)
{
    values->fill(QVariant(), m_schema.fields.size());
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const int i = m_schema.fieldIndex(it.key());
        if (i < 0)
            return fail(QStringLiteral("Das Feld %1 gibt es in der Tabelle %2 nicht.").arg(Quoted(it.key()), shownName()));
        const FieldDef &f = m_schema.fields.at(i);
        if (f.type == FieldType::AutoInc)
            continue;   // assigned by the database
        if (f.type == FieldType::Calculated)
            return fail(QStringLiteral("Das Feld %1 wird berechnet und kann nicht geschrieben werden.").arg(Quoted(f.name)));
        if (!convertValue(f, it.value(), &(*values)[i]))
            return false;
    }
    return validate(*values);
}

bool DataTable::insertRows(const QVector<QVariantMap> &rows, const ExtraWrite &also)
{
    QVector<QVector<QVariant>> converted;
    for (const QVariantMap &map : rows) {
        QVector<QVariant> values;
        if (!rowFromMap(map, &values))
            return false;
        converted << values;
    }
    const auto write = [&] { return execInsertRows(converted); };
    if (!inTransaction(WriteKind::Write, write, also))
        return false;
    if (isOpen() && m_state == State::Browse && !m_unread.pending) {
        const Row cur = m_current >= 0 ? m_rows.at(m_current) : Row();
        reload(nummerOf(cur), cur.cacheId, m_current, false,
               QStringLiteral("Die Daten wurden gespeichert, aber die Tabelle konnte nicht neu gelesen werden: "));
    }
    return true;
}
