#include "store/sqltransaction.h"
#include "store/databasetarget.h"

#include <QSqlQuery>

#include "store/storeerror.h"

#include <QMutex>
#include <QSet>
#include <QSqlError>

namespace {
QMutex g_openMutex;
QSet<QString> g_open; // connection names with an open transaction

void markOpen(const QString &connection, bool open)
{
    QMutexLocker lock(&g_openMutex);
    if (open)
        g_open.insert(connection);
    else
        g_open.remove(connection);
}
} // namespace

bool SqlTransaction::isActiveOn(const QSqlDatabase &db)
{
    QMutexLocker lock(&g_openMutex);
    return g_open.contains(db.connectionName());
}

SqlTransaction::SqlTransaction(const QSqlDatabase &db)
    : m_db(db)
{
    m_active = m_db.isOpen() && m_db.transaction();
    if (m_active)
        markOpen(m_db.connectionName(), true);
    if (!m_active)
        m_error = m_db.isOpen() ? StoreErrorText(m_db.lastError()) : QStringLiteral("Die Datenbank ist nicht geöffnet.");
}

SqlTransaction::~SqlTransaction() { rollback(); }

bool SqlTransaction::commit()
{
    if (!m_active)
        return false;
    // Other stands on the club server follow the change (see TData::changeChannel);
    // the announcement and the commit go in one request.
    QSqlQuery announced(m_db);
    if (IsServerConnection(m_db) ? announced.exec(QStringLiteral("NOTIFY vantrel_daten; COMMIT")) : m_db.commit()) {
        m_active = false;
        markOpen(m_db.connectionName(), false);
        return true;
    }
    m_error = StoreErrorText(IsServerConnection(m_db) ? announced.lastError() : m_db.lastError());
    rollback();
    return false;
}

void SqlTransaction::rollback()
{
    if (!m_active)
        return;
    m_db.rollback();
    m_active = false;
    markOpen(m_db.connectionName(), false);
}
