#include "store/sqltransaction.h"

#include "store/storeerror.h"

#include <QSqlError>

SqlTransaction::SqlTransaction(const QSqlDatabase &db)
    : m_db(db)
{
    m_active = m_db.isOpen() && m_db.transaction();
    if (!m_active)
        m_error = m_db.isOpen() ? StoreErrorText(m_db.lastError()) : QStringLiteral("Die Datenbank ist nicht geöffnet.");
}

SqlTransaction::~SqlTransaction() { rollback(); }

bool SqlTransaction::commit()
{
    if (!m_active)
        return false;
    if (m_db.commit()) {
        m_active = false;
        return true;
    }
    m_error = StoreErrorText(m_db.lastError());
    rollback();
    return false;
}

void SqlTransaction::rollback()
{
    if (!m_active)
        return;
    m_db.rollback();
    m_active = false;
}
