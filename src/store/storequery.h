#pragma once
#include <QHash>
#include <QSqlQuery>
#include <QVariant>

// A query with bound values that costs one round trip on the club server.
// Qt's PostgreSQL driver prepares a statement on the server (PREPARE),
// executes it and frees it again: three round trips, each slow when the
// server is far away. The driver sends the bound values as literals it
// escapes itself (formatValue) in either case; this class puts the same
// literals into the statement and sends it once. SQLite prepares as usual.
// Used in place of QSqlQuery: prepare, addBindValue/bindValue, exec().
class StoreQuery : public QSqlQuery
{
public:
    explicit StoreQuery(const QSqlDatabase &db);

    bool prepare(const QString &sql);
    void addBindValue(const QVariant &value);
    void bindValue(const QString &placeholder, const QVariant &value);
    bool exec();
    using QSqlQuery::exec;

    // The statement with every placeholder (? or :name, outside quotes and
    // comments) replaced by the driver's literal of its value.
    static QString inlined(const QSqlDatabase &db, const QString &sql, const QVariantList &positional,
                           const QHash<QString, QVariant> &named);

private:
    QSqlDatabase m_db;
    bool m_inline = false;
    QString m_sql;
    QVariantList m_positional;
    QHash<QString, QVariant> m_named;
};
