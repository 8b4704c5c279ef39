#pragma once
#include "platform/messageservice.h"

#include <QList>
#include <QString>

// Records every message box and answers from a script (default: the first
// offered button of Ok, Yes). Installs itself for its lifetime; the one made
// before it comes back when it goes.
class ScriptedMessages : public MessageService
{
public:
    struct Shown
    {
        Kind kind;
        QString text;
        int buttons;
        QString caption;
    };

    ScriptedMessages();
    ~ScriptedMessages() override;

    int show(Kind kind, const QString &text, int buttons, const QString &caption) override;

    void answerNext(int button) { m_answers.append(button); }
    int count() const { return int(m_shown.size()); }
    int count(const QString &text) const;
    const QList<Shown> &shown() const { return m_shown; }
    QString lastText() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    void clear() { m_shown.clear(); }

    // The innermost one alive, or nullptr.
    static ScriptedMessages *live();

private:
    QList<Shown> m_shown;
    QList<int> m_answers;
    ScriptedMessages *m_outer;
};
