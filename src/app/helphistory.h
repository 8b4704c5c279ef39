#pragma once
#include <QString>
#include <QStringList>

// Page history of the help pane: index 0 is the newest page, at most
// `limit` pages are kept. Going to a new page while back in the history
// drops the pages after the current one.
class HelpHistory
{
public:
    explicit HelpHistory(int limit = 10) : m_limit(limit) {}

    void setLimit(int limit);
    void clear();
    void visit(const QString &page);     // a page loaded by link or topic number
    bool back();                          // one page older
    bool forward();                       // one page newer
    QString current() const { return m_pages.isEmpty() ? QString() : m_pages.at(m_index); }
    int index() const { return m_index; }
    int count() const { return int(m_pages.size()); }
    bool canGoForward() const { return m_index > 0; }
    bool canGoBack() const { return m_index < count() - 1; }

private:
    QStringList m_pages;   // newest first
    int m_index = 0;
    int m_limit;
};
