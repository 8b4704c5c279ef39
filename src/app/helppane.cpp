#include "app/helppane.h"

#include "platform/programpaths.h"
#include "ui/hints.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

HelpPane::HelpPane(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Help_Panel"));
    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    m_back = new QPushButton(QStringLiteral("Zurück"), this);
    m_back->setObjectName(QStringLiteral("Back_Button"));
    SetHint(m_back, QStringLiteral("|Seite zurück"));
    m_forward = new QPushButton(QStringLiteral("Vorwärts"), this);
    m_forward->setObjectName(QStringLiteral("Forward_Button"));
    SetHint(m_forward, QStringLiteral("|Seite vorwärts"));
    auto *close = new QToolButton(this);
    close->setObjectName(QStringLiteral("HelpClose_Button"));
    close->setText(QStringLiteral("×"));
    SetHint(close, QStringLiteral("|Hilfefenster schließen"));
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addStretch(1);
    buttons->addWidget(close);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("Help_Browser"));
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({ProgramPaths::helpDir()});
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);

    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpPane::followLink);
    connect(m_back, &QPushButton::clicked, this, [this] {
        if (m_history.back())
            showCurrent();
    });
    connect(m_forward, &QPushButton::clicked, this, [this] {
        if (m_history.forward())
            showCurrent();
    });
    connect(close, &QToolButton::clicked, this, &HelpPane::closeRequested);
    m_history.setLimit(10);
    updateButtons();
}

void HelpPane::showPage(const QString &file)
{
    m_history.visit(file);
    if (QFileInfo::exists(file))
        m_browser->setSource(QUrl::fromLocalFile(file));
    else
        m_browser->setHtml(QStringLiteral("<h3>Hilfeseite nicht gefunden</h3><p>Die Datei %1 ist nicht vorhanden.</p>")
                               .arg(QDir::toNativeSeparators(file).toHtmlEscaped()));
    updateButtons();
}

void HelpPane::followLink(const QUrl &url)
{
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("mailto")) {
        emit externalLinkClicked(url.toString());
        return;
    }
    const QString base = QFileInfo(m_history.current()).absolutePath();
    QString file = url.toLocalFile();
    if (file.isEmpty())
        file = url.path();
    if (QFileInfo(file).isRelative())
        file = QDir(base).filePath(file);
    showPage(QDir::cleanPath(file));
}

void HelpPane::showCurrent()
{
    m_browser->setSource(QUrl::fromLocalFile(m_history.current()));
    updateButtons();
}

void HelpPane::updateButtons()
{
    m_forward->setEnabled(m_history.canGoForward());
    m_back->setEnabled(m_history.canGoBack());
}
