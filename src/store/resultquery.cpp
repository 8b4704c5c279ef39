#include "store/resultquery.h"
#include "store/storequery.h"

#include "store/databasetarget.h"
#include "store/sqltransaction.h"
#include "store/storeerror.h"
#include "store/tableschema.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <limits>

namespace {
QString q(const QString &s) { return QStringLiteral("„") + s + QStringLiteral("“"); }
const QString kGridNr = QStringLiteral("GRIDNR");
} // namespace

ResultQuery::ResultQuery(const QString &name, const QString &connectionName, QObject *parent)
    : QObject(parent)
    , m_connection(connectionName)
{
    setObjectName(name);
}

QVariant ResultQuery::number(const QVariant &stored)
{
    double d = 0;
    bool ok = false;
    switch (stored.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        d = stored.toDouble(&ok);
        break;
    case QMetaType::QString: // only a text that is a number through and through
        d = stored.toString().trimmed().toDouble(&ok);
        break;
    default:
        break;
    }
    if (!ok || !std::isfinite(d) || std::fabs(d) > double(std::numeric_limits<int>::max()))
        return QVariant();
    return d;
}

bool ResultQuery::wholeNumber(const QVariant &value, int *out)
{
    const QVariant n = number(value);
    *out = n.isValid() ? int(std::lround(n.toDouble())) : 0;
    return n.isValid();
}

QStringList ResultQuery::calculatedColumns()
{
    return {kGridNr, QStringLiteral("MITTELWERT"), QStringLiteral("STDABW")};
}

QStringList ResultQuery::resultColumns()
{
    return {kGridNr,
            QStringLiteral("NAME"),
            QStringLiteral("VORNAME"),
            QStringLiteral("DATUM"),
            QStringLiteral("ZEIT"),
            QStringLiteral("MESSTYP"),
            QStringLiteral("SERIE"),
            QStringLiteral("SCHEIBE"),
            QStringLiteral("ReakZeit"),
            QStringLiteral("STATUS"),
            QStringLiteral("FEHLER"),
            QStringLiteral("MITTELWERT"),
            QStringLiteral("STDABW")};
}

bool ResultQuery::fail(const QString &text)
{
    m_error = text;
    return false;
}

void ResultQuery::setStatement(const QString &sql)
{
    close();
    m_sql = sql;
}

void ResultQuery::bindValue(const QString &name, const QVariant &value)
{
    m_binds.insert(name.startsWith(u':') ? name : u':' + name, value);
}

int ResultQuery::columnIndex(const QString &column) const { return m_columnIndex.value(column.toLower(), -1); }

bool ResultQuery::open()
{
    close();
    m_error.clear();
    if (m_beforeOpen)
        m_beforeOpen(*this);
    Fetched fetched;
    QString why;
    if (!fetch(QSqlDatabase::database(m_connection, false), objectName(), m_sql, m_binds, &fetched, &why))
        return fail(why);
    install(std::move(fetched));
    return true;
}

void ResultQuery::adopt(Fetched fetched)
{
    close();
    m_error.clear();
    if (m_beforeOpen)
        m_beforeOpen(*this);
    install(std::move(fetched));
}

bool ResultQuery::fetch(QSqlDatabase db, const QString &name, const QString &sql, const QHash<QString, QVariant> &binds,
                        Fetched *out, QString *error, bool readOnlySession)
{
    const auto fail = [error](const QString &text) {
        *error = text;
        return false;
    };
    if (!db.isValid() || !db.isOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet; die Abfrage %1 kann nicht ausgeführt werden.")
                        .arg(q(name)));
    const QString head = sql.trimmed().section(QRegularExpression(QStringLiteral("\\s|\\(")), 0, 0);
    if (head.compare(QLatin1String("SELECT"), Qt::CaseInsensitive) != 0
        && head.compare(QLatin1String("WITH"), Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("Die Abfrage %1 kann nicht ausgeführt werden: nur SELECT-Anweisungen sind erlaubt.")
                        .arg(q(name)));
    QStringList stored;
    QVector<FieldType> types;
    QVector<QVector<QVariant>> raw; // rows in the final column layout
    // Columns: "GRIDNR", the statement's columns, "MITTELWERT", "STDABW";
    // a calculated name the statement already returns is not added twice.
    QStringList columns;
    QVector<int> source; // column -> index in the fetched row, -1 calculated
    QVector<int> target; // fetched column -> column
    const auto makeLayout = [&] {
        const QStringList calc = calculatedColumns();
        auto inStored = [&](const QString &name) {
            for (const QString &s : std::as_const(stored))
                if (s.compare(name, Qt::CaseInsensitive) == 0)
                    return true;
            return false;
        };
        if (!inStored(calc.at(0))) {
            columns << calc.at(0);
            source << -1;
        }
        for (int c = 0; c < stored.size(); ++c) {
            target << int(columns.size());
            columns << stored.at(c);
            source << c;
        }
        for (int i = 1; i < calc.size(); ++i)
            if (!inStored(calc.at(i))) {
                columns << calc.at(i);
                source << -1;
            }
    };
    {
        // Whatever the statement does is undone: inside a savepoint, or on the
        // server outside a write a transaction of its own (PostgreSQL knows
        // savepoints only within one).
        const bool server = IsServerConnection(db);
        const bool undo = !(server && readOnlySession);
        const bool ownTransaction = server && undo && !SqlTransaction::isActiveOn(db);
        QSqlQuery sp(db);
        if (undo && (ownTransaction ? !db.transaction() : !sp.exec(QStringLiteral("SAVEPOINT resultquery"))))
            return fail(QStringLiteral("Die Abfrage %1 kann nicht ausgeführt werden: %2")
                              .arg(q(name), StoreErrorText(ownTransaction ? db.lastError() : sp.lastError())));
        QString failure;
        {
            StoreQuery query(db);
            query.setForwardOnly(true);
            if (!query.prepare(sql)) {
                failure = StoreErrorText(query.lastError());
            } else {
                // Only names the statement uses: a value left from an earlier statement does no harm.
                for (auto it = binds.constBegin(); it != binds.constEnd(); ++it)
                    if (sql.contains(QRegularExpression(QRegularExpression::escape(it.key()) + QStringLiteral("\\b"))))
                        query.bindValue(it.key(), TableSchema::toStorage(FieldType::Calculated, it.value()));
                if (!query.exec()) {
                    failure = StoreErrorText(query.lastError());
                } else if (!query.isSelect()) {
                    failure = QStringLiteral("die Anweisung liefert keine Zeilen (nur Abfragen sind erlaubt)");
                } else {
                    const QSqlRecord rec = query.record();
                    const QStringList canonical = resultColumns();
                    for (int c = 0; c < rec.count(); ++c) {
                        QString name = rec.fieldName(c);
                        for (const QString &known : canonical)
                            if (known.compare(name, Qt::CaseInsensitive) == 0)
                                name = known;
                        stored << name;
                        types << TableSchema::typeOfColumn(rec.fieldName(c));
                    }
                    makeLayout();
                    // Neighbouring rows mostly repeat date and time: convert each text once.
                    QVector<QVariant> lastRaw(stored.size()), lastValue(stored.size());
                    while (query.next()) {
                        QVector<QVariant> row(columns.size());
                        for (int c = 0; c < stored.size(); ++c) {
                            const QVariant v = query.value(c);
                            if (types[c] == FieldType::Date || types[c] == FieldType::Time) {
                                if (v != lastRaw[c] || !lastRaw[c].isValid()) {
                                    lastRaw[c] = v;
                                    lastValue[c] = TableSchema::fromStorage(types[c], v);
                                }
                                row[target[c]] = lastValue[c];
                            } else if (types[c] == FieldType::Number) {
                                row[target[c]] = number(v);
                            } else {
                                row[target[c]] = TableSchema::fromStorage(types[c], v);
                            }
                        }
                        raw.append(std::move(row));
                    }
                    if (query.lastError().isValid())
                        failure = StoreErrorText(query.lastError());
                }
            }
            query.finish();
        }
        if (ownTransaction) {
            db.rollback();
        } else if (undo) {
            sp.exec(QStringLiteral("ROLLBACK TO resultquery"));
            sp.exec(QStringLiteral("RELEASE resultquery"));
        }
        if (!failure.isEmpty())
            return fail(QStringLiteral("Die Abfrage %1 kann nicht ausgeführt werden: %2").arg(q(name), failure));
    }

    out->columns = columns;
    out->source = source;
    out->rows = std::move(raw);
    return true;
}

void ResultQuery::install(Fetched fetched)
{
    const QStringList &columns = fetched.columns;
    const QVector<int> &source = fetched.source;
    emit rowsAboutToReset();
    m_columns = columns;
    m_calculated.fill(false, columns.size());
    for (int c = 0; c < columns.size(); ++c)
        m_calculated[c] = calculatedColumns().contains(columns.at(c), Qt::CaseInsensitive);
    m_columnIndex.clear();
    for (int c = 0; c < columns.size(); ++c)
        if (!m_columnIndex.contains(columns.at(c).toLower()))
            m_columnIndex.insert(columns.at(c).toLower(), c);
    m_rows = std::move(fetched.rows);
    m_open = true;

    const int grid = columnIndex(kGridNr);
    ++m_disabled; // the calculation pass is not signalled row by row
    for (int i = 0; i < m_rows.size(); ++i) {
        m_current = i;
        if (source.value(grid, 0) < 0)
            m_rows[i][grid] = i + 1;
        if (m_calcFields)
            m_calcFields(*this);
    }
    --m_disabled;
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    emit rowsReset();
    emit currentRowChanged(m_current);
}

void ResultQuery::close()
{
    if (!m_open)
        return;
    emit rowsAboutToReset();
    m_open = false;
    m_rows.clear();
    m_columns.clear();
    m_columnIndex.clear();
    m_current = -1;
    m_bof = m_eof = true;
    emit rowsReset();
    emit currentRowChanged(-1);
}

void ResultQuery::setCurrent(int row)
{
    if (m_current == row)
        return;
    m_current = row;
    if (!m_disabled)
        emit currentRowChanged(row);
}

bool ResultQuery::first()
{
    if (!m_open)
        return fail(QStringLiteral("Die Abfrage %1 ist nicht geöffnet.").arg(q(objectName())));
    setCurrent(m_rows.isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_rows.isEmpty();
    return true;
}

bool ResultQuery::next()
{
    if (!m_open)
        return fail(QStringLiteral("Die Abfrage %1 ist nicht geöffnet.").arg(q(objectName())));
    if (m_current + 1 < m_rows.size()) {
        setCurrent(m_current + 1);
        m_bof = m_eof = false;
    } else {
        m_eof = true;
    }
    return true;
}

bool ResultQuery::prior()
{
    if (!m_open)
        return fail(QStringLiteral("Die Abfrage %1 ist nicht geöffnet.").arg(q(objectName())));
    if (m_current > 0) {
        setCurrent(m_current - 1);
        m_bof = m_eof = false;
    } else {
        m_bof = true;
    }
    return true;
}

bool ResultQuery::last()
{
    if (!m_open)
        return fail(QStringLiteral("Die Abfrage %1 ist nicht geöffnet.").arg(q(objectName())));
    setCurrent(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.isEmpty();
    return true;
}

bool ResultQuery::moveTo(int recNo)
{
    if (!m_open)
        return fail(QStringLiteral("Die Abfrage %1 ist nicht geöffnet.").arg(q(objectName())));
    if (recNo < 1 || recNo > m_rows.size())
        return fail(QStringLiteral("Die Abfrage %1 hat keine Zeile Nr. %2.").arg(q(objectName())).arg(recNo));
    setCurrent(recNo - 1);
    m_bof = m_eof = false;
    return true;
}

QVariant ResultQuery::value(const QString &column) const { return valueAt(m_current, column); }

QVariant ResultQuery::valueAt(int row, const QString &column) const
{
    const int c = columnIndex(column);
    if (c < 0 || row < 0 || row >= m_rows.size())
        return QVariant();
    return m_rows.at(row).at(c);
}

bool ResultQuery::setCalculated(const QString &column, const QVariant &value)
{
    if (!m_open || m_current < 0)
        return fail(QStringLiteral("Die Abfrage %1 hat keine aktuelle Zeile.").arg(q(objectName())));
    bool calculated = false;
    for (const QString &c : calculatedColumns())
        calculated = calculated || c.compare(column, Qt::CaseInsensitive) == 0;
    const int c = columnIndex(column);
    if (!calculated || c < 0)
        return fail(QStringLiteral("Die Spalte %1 ist keine berechnete Spalte der Abfrage %2.")
                        .arg(q(column), q(objectName())));
    m_rows[m_current][c] = value;
    if (!m_disabled)
        emit rowChanged(m_current);
    return true;
}

const QVariant &ResultQuery::cell(int row, int column) const
{
    static const QVariant none;
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return none;
    return m_rows.at(row).at(column);
}

bool ResultQuery::setCalculatedAt(int column, const QVariant &value)
{
    if (!m_open || m_current < 0 || column < 0 || column >= m_columns.size())
        return fail(QStringLiteral("Die Abfrage %1 hat keine aktuelle Zeile.").arg(q(objectName())));
    if (!m_calculated.value(column))
        return fail(QStringLiteral("Die Spalte %1 ist keine berechnete Spalte der Abfrage %2.")
                        .arg(q(m_columns.at(column)), q(objectName())));
    m_rows[m_current][column] = value;
    if (!m_disabled)
        emit rowChanged(m_current);
    return true;
}

void ResultQuery::disableControls() { ++m_disabled; }

void ResultQuery::enableControls()
{
    if (m_disabled == 0)
        return;
    if (--m_disabled == 0) {
        emit rowsAboutToReset();
        emit rowsReset();
        emit currentRowChanged(m_current);
    }
}
