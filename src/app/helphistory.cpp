#include "app/helphistory.h"

void HelpHistory::setLimit(int limit)
{
    m_limit = limit < 1 ? 1 : limit;
    while (m_pages.size() > m_limit)
        m_pages.removeLast();
    if (m_index >= count())
        m_index = count() > 0 ? count() - 1 : 0;
}

void HelpHistory::clear()
{
    m_pages.clear();
    m_index = 0;
}

void HelpHistory::visit(const QString &page)
{
    // Pages newer than the current one are replaced by the new page.
    m_pages.erase(m_pages.begin(), m_pages.begin() + m_index);
    m_index = 0;
    if (!m_pages.isEmpty() && m_pages.first() == page)
        return;
    m_pages.prepend(page);
    while (m_pages.size() > m_limit)
        m_pages.removeLast();
}

bool HelpHistory::back()
{
    if (!canGoBack())
        return false;
    ++m_index;
    return true;
}

bool HelpHistory::forward()
{
    if (!canGoForward())
        return false;
    --m_index;
    return true;
}
