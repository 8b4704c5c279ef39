#pragma once
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

// A read-only query over the connection: the statement's rows are fetched on
// open() into memory (statement order) and navigated like a table. The result
// also carries the calculated columns "GRIDNR", "MITTELWERT" and "STDABW":
// "GRIDNR" defaults to the 1-based row number, the others to NULL; the
// per-row calculation hook may set them (setCalculated) while the rows are
// fetched, and anyone may set them later. The statement runs inside a
// savepoint that is always rolled back, so the query never changes the file.
class ResultQuery : public QObject
{
    Q_OBJECT
public:
    using Hook = std::function<void(ResultQuery &)>;

    ResultQuery(const QString &name, const QString &connectionName, QObject *parent = nullptr);

    void setStatement(const QString &sql); // closes an open result
    QString statement() const { return m_sql; }
    // Named parameter, with or without the leading ':' ("NAME" or ":NAME").
    void bindValue(const QString &name, const QVariant &value);
    void clearBindings() { m_binds.clear(); }

    // Called at the start of every open(), before the statement runs.
    void setBeforeOpen(Hook hook) { m_beforeOpen = std::move(hook); }
    // Called once per row, in order, while open() fetches; the row is current.
    void setCalcFields(Hook hook) { m_calcFields = std::move(hook); }

    bool open();
    void close();

    // open() in two halves, for reading on another thread: fetch runs the
    // statement on a connection (any thread; false with a German text in
    // *error), adopt installs the rows here as open() would. The binds are the
    // ones given with bindValue. readOnlySession: the server session refuses
    // writes by itself (TData::setReadOnly), no transaction is needed to undo them.
    struct Fetched
    {
        QStringList columns;
        QVector<int> source;   // per column: index in the statement's row, -1 calculated
        QVector<QVector<QVariant>> rows;
    };
    static bool fetch(QSqlDatabase db, const QString &name, const QString &sql, const QHash<QString, QVariant> &binds,
                      Fetched *out, QString *error, bool readOnlySession = false);
    void adopt(Fetched fetched);
    QHash<QString, QVariant> bindings() const { return m_binds; }
    bool isOpen() const { return m_open; }

    bool first();
    bool next();
    bool prior();
    bool last();
    bool moveTo(int recNo); // 1-based
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    int recNo() const { return m_current + 1; }
    int currentRow() const { return m_current; }
    int recordCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }

    QStringList columnNames() const { return m_columns; }
    bool hasColumn(const QString &column) const { return columnIndex(column) >= 0; }
    // Column of the current row, name without case; DATUM as QDate, ZEIT as
    // QTime, numbers as double, "GRIDNR" as int. Invalid QVariant for NULL.
    QVariant value(const QString &column) const;
    QVariant valueAt(int row, const QString &column) const;
    // Sets a calculated column of the current row.
    bool setCalculated(const QString &column, const QVariant &value);

    // Fast access for passes over every row: column number by name (-1 when
    // absent), the cell at (row, column number), a calculated column by number.
    int columnNumber(const QString &column) const { return columnIndex(column); }
    const QVariant &cell(int row, int column) const;
    bool setCalculatedAt(int column, const QVariant &value);

    // What a stored number of a result row means, for the grids, the exports,
    // the printed records and the statistics alike: a finite value whose whole
    // number fits an int is that value (a double); anything else (1e300, Inf,
    // NaN, text, a blob, NULL) is no value, an invalid QVariant, shown and
    // exported as empty and counted as not valid.
    static QVariant number(const QVariant &stored);
    // The whole number of a value; false (and 0) when number() gives none.
    static bool wholeNumber(const QVariant &value, int *out);

    static QStringList calculatedColumns();
    // The result columns in their exact spelling; a statement column that
    // matches one of them without case is given this name.
    static QStringList resultColumns();

    // While disabled, row and position changes are not signalled; enabling
    // signals one reset (like a grid that stops and resumes drawing).
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

    QString errorText() const { return m_error; }

signals:
    void rowsAboutToReset();
    void rowsReset();
    void currentRowChanged(int row);
    void rowChanged(int row);

private:
    int columnIndex(const QString &column) const;
    void install(Fetched fetched);
    bool fail(const QString &text);
    void setCurrent(int row);

    QString m_connection;
    QString m_sql;
    QHash<QString, QVariant> m_binds;
    Hook m_beforeOpen;
    Hook m_calcFields;

    bool m_open = false;
    QStringList m_columns;
    QHash<QString, int> m_columnIndex; // lower-case name -> column
    QVector<bool> m_calculated;        // per column: settable by setCalculated
    QVector<QVector<QVariant>> m_rows;
    int m_current = -1;
    bool m_bof = true;
    bool m_eof = true;
    int m_disabled = 0;
    QString m_error;
};
