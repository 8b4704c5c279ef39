#include "store/tableschema.h"

#include <QDate>
#include <QTime>

namespace {

TableSchema makePersData()
{
    TableSchema s;
    s.tableName = QStringLiteral("PersData");
    s.schemaName = QStringLiteral("main");
    s.fileName = QStringLiteral("PersData.sqlite");
    s.fields = {
        {QStringLiteral("Name"), FieldType::Text, 15},
        {QStringLiteral("Vorname"), FieldType::Text, 15},
        {QStringLiteral("Geburtsdatum"), FieldType::Date},
        {QStringLiteral("Sportverein"), FieldType::Text, 35},
        {QStringLiteral("Anzeigewert"), FieldType::Number},
        {QStringLiteral("Obere Schranke"), FieldType::Number},
        {QStringLiteral("Untere Schranke"), FieldType::Number},
        {QStringLiteral("Trainingsrunden"), FieldType::Number},
        {QStringLiteral("GridNr"), FieldType::Calculated},
        {QStringLiteral("Nummer"), FieldType::AutoInc},
    };
    s.indexName = QStringLiteral("PersIndex");
    s.uniqueIndex = true;
    s.indexFields = {QStringLiteral("Name"), QStringLiteral("Vorname")};
    return s;
}

TableSchema makeVData()
{
    TableSchema s;
    s.tableName = QStringLiteral("VData");
    s.schemaName = QStringLiteral("vdata");
    s.fileName = QStringLiteral("VData.sqlite");
    s.fields = {
        {QStringLiteral("Nummer"), FieldType::AutoInc},
        {QStringLiteral("Name"), FieldType::Text, 15},
        {QStringLiteral("Vorname"), FieldType::Text, 15},
        {QStringLiteral("Monitor_Size"), FieldType::Number},
        {QStringLiteral("Diopter_Size"), FieldType::Number},
        {QStringLiteral("DiopVis_Size"), FieldType::Number},
        {QStringLiteral("A_Korntunnel"), FieldType::Number},
        {QStringLiteral("I_Korntunnel"), FieldType::Number},
        {QStringLiteral("A_Ringkorn"), FieldType::Number},
        {QStringLiteral("I_RingKorn"), FieldType::Number},
        {QStringLiteral("Spiegel_Size"), FieldType::Number},
    };
    s.indexName = QStringLiteral("VisierIndex");
    s.indexFields = {QStringLiteral("Name"), QStringLiteral("Vorname")};
    return s;
}

TableSchema makeReakData()
{
    TableSchema s;
    s.tableName = QStringLiteral("ReakData");
    s.schemaName = QStringLiteral("reakdata");
    s.fileName = QStringLiteral("ReakData.sqlite");
    s.fields = {
        {QStringLiteral("Nummer"), FieldType::AutoInc},
        {QStringLiteral("Name"), FieldType::Text, 15},
        {QStringLiteral("Vorname"), FieldType::Text, 15},
        {QStringLiteral("Datum"), FieldType::Date},
        {QStringLiteral("Zeit"), FieldType::Time},
        {QStringLiteral("MessTyp"), FieldType::Number},
        {QStringLiteral("Serie"), FieldType::Number},
        {QStringLiteral("Scheibe"), FieldType::Number},
        {QStringLiteral("ReakZeit"), FieldType::Number},
        {QStringLiteral("Status"), FieldType::Text, 15},
        {QStringLiteral("Fehler"), FieldType::Text, 25},
    };
    s.indexName = QStringLiteral("reakindex");
    s.indexFields = {QStringLiteral("Name"), QStringLiteral("Vorname"), QStringLiteral("MessTyp"),
                     QStringLiteral("Datum"), QStringLiteral("Zeit"), QStringLiteral("Serie"),
                     QStringLiteral("Scheibe")};
    return s;
}

QString sqlType(FieldType type)
{
    switch (type) {
    case FieldType::Number: return QStringLiteral("REAL");
    case FieldType::AutoInc: return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    default: return QStringLiteral("TEXT");
    }
}

const char *const kTimeFormat = "HH:mm:ss.zzz";

} // namespace

const TableSchema &TableSchema::persData()
{
    static const TableSchema s = makePersData();
    return s;
}

const TableSchema &TableSchema::vData()
{
    static const TableSchema s = makeVData();
    return s;
}

const TableSchema &TableSchema::reakData()
{
    static const TableSchema s = makeReakData();
    return s;
}

QList<const TableSchema *> TableSchema::all() { return {&persData(), &vData(), &reakData()}; }

int TableSchema::fieldIndex(const QString &name) const
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList TableSchema::orderFields() const { return indexFields + QStringList{QStringLiteral("Nummer")}; }

QStringList TableSchema::storedFields() const
{
    QStringList out;
    for (const FieldDef &f : fields)
        if (f.type != FieldType::Calculated)
            out << f.name;
    return out;
}

QString TableSchema::quoted(const QString &identifier)
{
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

QString TableSchema::qualifiedTable() const { return schemaName + u'.' + quoted(tableName); }

QString TableSchema::createTableSql() const
{
    QStringList cols;
    for (const FieldDef &f : fields)
        if (f.type != FieldType::Calculated)
            cols << quoted(f.name) + u' ' + sqlType(f.type);
    return QStringLiteral("CREATE TABLE IF NOT EXISTS ") + qualifiedTable() + QStringLiteral(" (")
           + cols.join(QStringLiteral(", ")) + u')';
}

QString TableSchema::createIndexSql() const
{
    QStringList cols;
    for (const QString &f : indexFields)
        cols << quoted(f);
    return QStringLiteral("CREATE ") + (uniqueIndex ? QStringLiteral("UNIQUE ") : QString())
           + QStringLiteral("INDEX IF NOT EXISTS ") + schemaName + u'.' + quoted(indexName) + QStringLiteral(" ON ")
           + quoted(tableName) + QStringLiteral(" (") + cols.join(QStringLiteral(", ")) + u')';
}

QString TableSchema::dateText(const QDate &date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

QString TableSchema::timeText(const QTime &time) { return time.toString(QLatin1String(kTimeFormat)); }

QVariant TableSchema::toStorage(FieldType type, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (type) {
    case FieldType::Text: return value.toString();
    case FieldType::Number: return value.toDouble();
    case FieldType::AutoInc: return value.toLongLong();
    case FieldType::Date:
        if (value.metaType().id() == QMetaType::QDate)
            return dateText(value.toDate());
        if (value.metaType().id() == QMetaType::QDateTime)
            return dateText(value.toDateTime().date());
        return value.toString();
    case FieldType::Time:
        if (value.metaType().id() == QMetaType::QTime)
            return timeText(value.toTime());
        if (value.metaType().id() == QMetaType::QDateTime)
            return timeText(value.toDateTime().time());
        return value.toString();
    case FieldType::Calculated: break;
    }
    // Raw values (unknown result columns, bound parameters): dates and times as
    // stored text, everything else as it is.
    if (value.metaType().id() == QMetaType::QDate)
        return dateText(value.toDate());
    if (value.metaType().id() == QMetaType::QTime)
        return timeText(value.toTime());
    return value;
}

QVariant TableSchema::fromStorage(FieldType type, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (type) {
    case FieldType::Text: return value.toString();
    case FieldType::Number: return value.toDouble();
    case FieldType::AutoInc: return value.toInt();
    case FieldType::Date: {
        const QString s = value.toString();
        const QDate d = QDate::fromString(s.left(10), Qt::ISODate);
        return d.isValid() ? QVariant(d) : QVariant(s); // keep unreadable text rather than lose it
    }
    case FieldType::Time: {
        const QString s = value.toString();
        QTime t = QTime::fromString(s, QLatin1String(kTimeFormat));
        if (!t.isValid())
            t = QTime::fromString(s, Qt::ISODateWithMs);
        return t.isValid() ? QVariant(t) : QVariant(s);
    }
    case FieldType::Calculated: break;
    }
    return value;
}

FieldType TableSchema::typeOfColumn(const QString &column)
{
    for (const TableSchema *t : all()) {
        const int i = t->fieldIndex(column);
        if (i >= 0)
            return t->fields.at(i).type;
    }
    return FieldType::Calculated;
}
