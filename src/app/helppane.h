#pragma once
#include <QWidget>

#include "app/helphistory.h"

class QPushButton;
class QTextBrowser;

// The help pane of the main window ("Help_Panel"): the pages of HtmlHelp
// with back and forward through the last ten pages.
class HelpPane : public QWidget
{
    Q_OBJECT
public:
    explicit HelpPane(QWidget *parent = nullptr);

    // Shows a page file; a missing file gives a German note.
    void showPage(const QString &file);
    const HelpHistory &history() const { return m_history; }

signals:
    // The close button of the pane.
    void closeRequested();
    // A web or mail address clicked in a page.
    void externalLinkClicked(const QString &url);

private:
    void followLink(const QUrl &url);
    void showCurrent();
    void updateButtons();

    HelpHistory m_history;
    QTextBrowser *m_browser = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_forward = nullptr;
};
