#include "store/storequery.h"

#include "store/databasetarget.h"

#include <QSqlDriver>
#include <QSqlField>

StoreQuery::StoreQuery(const QSqlDatabase &db)
    : QSqlQuery(db)
    , m_db(db)
    , m_inline(IsServerConnection(db))
{
}

bool StoreQuery::prepare(const QString &sql)
{
    m_positional.clear();
    m_named.clear();
    if (!m_inline)
        return QSqlQuery::prepare(sql);
    m_sql = sql;
    return true;
}

void StoreQuery::addBindValue(const QVariant &value)
{
    if (m_inline)
        m_positional << value;
    else
        QSqlQuery::addBindValue(value);
}

void StoreQuery::bindValue(const QString &placeholder, const QVariant &value)
{
    if (m_inline)
        m_named.insert(placeholder, value);
    else
        QSqlQuery::bindValue(placeholder, value);
}

bool StoreQuery::exec()
{
    if (!m_inline)
        return QSqlQuery::exec();
    return QSqlQuery::exec(inlined(m_db, m_sql, m_positional, m_named));
}

QString StoreQuery::inlined(const QSqlDatabase &db, const QString &sql, const QVariantList &positional,
                            const QHash<QString, QVariant> &named)
{
    const QSqlDriver *driver = db.driver();
    const auto literal = [driver](const QVariant &value) {
        QSqlField field(QString(), value.metaType());
        field.setValue(value);
        return driver->formatValue(field);
    };
    const auto nameChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    QString out;
    out.reserve(sql.size() + 16 * positional.size());
    int next = 0;
    QChar quote;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
        } else if (sql.mid(i, 2) == QLatin1String("--") || sql.mid(i, 2) == QLatin1String("/*")) {
            // A comment is copied as it stands.
            const bool line = sql.at(i + 1) == u'-';
            int end = sql.indexOf(line ? QStringLiteral("\n") : QStringLiteral("*/"), i + 2);
            end = end < 0 ? int(sql.size()) : end + (line ? 1 : 2);
            out += sql.mid(i, end - i);
            i = end - 1;
        } else if (c == u'?') {
            // A missing value binds NULL, as the driver would.
            out += literal(next < positional.size() ? positional.at(next) : QVariant());
            ++next;
        } else if (c == u':' && i + 1 < sql.size() && (sql.at(i + 1).isLetter() || sql.at(i + 1) == u'_')
                   && (i == 0 || sql.at(i - 1) != u':')) {
            int end = i + 1;
            while (end < sql.size() && nameChar(sql.at(end)))
                ++end;
            const QString name = sql.mid(i, end - i);
            const auto it = named.constFind(name);
            if (it == named.constEnd()) {
                out += name;
            } else {
                out += literal(*it);
            }
            i = end - 1;
        } else {
            out += c;
        }
    }
    return out;
}
