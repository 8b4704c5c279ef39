#include "app/logviewer.h"

#include "core/actionlog.h"
#include "platform/messageservice.h"
#include "ui/hints.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

LogViewer::LogViewer(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Log_Panel"));
    auto *layout = new QVBoxLayout(this);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Log_Memo"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    m_memo->setFont(courier);
    auto *buttons = new QHBoxLayout;
    auto *close = new QPushButton(QStringLiteral("&Schließen"), this);
    close->setObjectName(QStringLiteral("LogClose_Button"));
    close->setDefault(true);
    SetHint(close, QStringLiteral("|Logfile schließen"));
    auto *remove = new QPushButton(QStringLiteral("&Löschen"), this);
    remove->setObjectName(QStringLiteral("LogDelete_Button"));
    SetHint(remove, QStringLiteral("|Logfile löschen"));
    connect(close, &QPushButton::clicked, this, &LogViewer::closeRequested);
    connect(remove, &QPushButton::clicked, this, &LogViewer::deleteLogFile);
    buttons->addStretch(1);
    buttons->addWidget(close);
    buttons->addWidget(remove);
    layout->addWidget(m_memo, 1);
    layout->addLayout(buttons);
}

void LogViewer::load() { m_memo->setPlainText(LoadLogIntoViewer().join(u'\n')); }

void LogViewer::deleteLogFile()
{
    if (AskConfirmation(QStringLiteral("\r\nWollen Sie die Log-Datei wirklich löschen ?")) != MessageService::Yes)
        return;
    emit closeRequested();
    ClearLogFile();
}
