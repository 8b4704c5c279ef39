#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Layout of one table of the data directory: file, schema name on the shared
// connection, fields in declared order, index. Also the conversions between the
// values the program handles (QString, double, QDate, QTime, int) and what SQLite
// stores (TEXT, REAL, ISO date text, "HH:MM:SS.zzz" text, INTEGER).

enum class FieldType { Text, Number, Date, Time, AutoInc, Calculated };

struct FieldDef
{
    QString name;
    FieldType type;
    int width = 0; // characters, text fields only
};

class TableSchema
{
public:
    QString tableName;   // "PersData"
    QString schemaName;  // "main", "vdata", "reakdata"
    QString fileName;    // "PersData.sqlite"
    QList<FieldDef> fields;
    QString indexName;
    bool uniqueIndex = false;
    QStringList indexFields;

    static const TableSchema &persData();
    static const TableSchema &vData();
    static const TableSchema &reakData();
    static QList<const TableSchema *> all();

    // Case-insensitive; -1 when there is no such field.
    int fieldIndex(const QString &name) const;
    // Index fields followed by "Nummer": the order rows are shown in.
    QStringList orderFields() const;
    // Fields that live in the file (not calculated).
    QStringList storedFields() const;

    // reakdata."reakdata": SQLite matches names in any case, PostgreSQL keeps
    // its tables and columns in lower case.
    QString qualifiedTable() const;
    // The statements that make the table and its index; server: for PostgreSQL.
    QString createTableSql(bool server = false) const;
    QString createIndexSql(bool server = false) const;

    static QString quoted(const QString &identifier);
    // A field name in statements, valid on both kinds: "name", "obere schranke".
    static QString column(const QString &field);

    // Program value -> bound SQL value (null QVariant stays null).
    static QVariant toStorage(FieldType type, const QVariant &value);
    // Value read from SQLite -> program value (NULL gives an invalid QVariant).
    static QVariant fromStorage(FieldType type, const QVariant &value);
    // Type of a result column named like a stored field of any table
    // ("DATUM" -> Date); Calculated (meaning: keep the raw value) when unknown.
    static FieldType typeOfColumn(const QString &column);

    static QString dateText(const QDate &date);
    static QString timeText(const QTime &time);
};
