#include "support/scriptedmessages.h"

namespace {
ScriptedMessages *g_live = nullptr;
}

ScriptedMessages::ScriptedMessages()
    : m_outer(g_live)
{
    g_live = this;
    MessageService::install(this);
}

ScriptedMessages::~ScriptedMessages()
{
    g_live = m_outer;
    MessageService::install(m_outer);
}

ScriptedMessages *ScriptedMessages::live() { return g_live; }

int ScriptedMessages::show(Kind kind, const QString &text, int buttons, const QString &caption)
{
    m_shown.append({kind, text, buttons, caption});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    if (buttons & Ok) return Ok;
    if (buttons & Yes) return Yes;
    return buttons;
}

int ScriptedMessages::count(const QString &text) const
{
    int n = 0;
    for (const Shown &s : m_shown)
        if (s.text == text)
            ++n;
    return n;
}
