#pragma once
#include <QSqlDatabase>
#include <QString>

// One write transaction on a connection. Rolls back on destruction unless
// commit() succeeded, so an early return never leaves half a change behind.
class SqlTransaction
{
public:
    explicit SqlTransaction(const QSqlDatabase &db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction &) = delete;
    SqlTransaction &operator=(const SqlTransaction &) = delete;

    bool isActive() const { return m_active; }
    // Database text of the last failure (begin or commit).
    QString error() const { return m_error; }
    bool commit();
    void rollback();
    // True while a transaction of this class is open on the connection.
    static bool isActiveOn(const QSqlDatabase &db);

private:
    QSqlDatabase m_db;
    bool m_active = false;
    QString m_error;
};
