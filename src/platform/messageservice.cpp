#include "platform/messageservice.h"

#include <QtGlobal>

namespace {

// Without widgets (command-line use): print and take the first button.
class ConsoleMessageService : public MessageService
{
public:
    int show(Kind, const QString &text, int buttons, const QString &) override
    {
        qWarning("%s", qPrintable(text.trimmed()));
        for (int b : {Ok, Yes, No, Cancel})
            if (buttons & b) return b;
        return Ok;
    }
};

ConsoleMessageService g_console;
MessageService *g_default = nullptr;
MessageService *g_current = nullptr;

} // namespace

MessageService &MessageService::instance()
{
    if (g_current)
        return *g_current;
    return g_default ? *g_default : console();
}

MessageService &MessageService::console() { return g_console; }

void MessageService::install(MessageService *handler) { g_current = handler; }

void MessageService::setDefault(MessageService *handler) { g_default = handler; }

void ShowError(const QString &text, const QString &caption)
{
    MessageService::instance().show(MessageService::Kind::Error, text, MessageService::Ok, caption);
}

void ShowWarning(const QString &text)
{
    MessageService::instance().show(MessageService::Kind::Warning, text, MessageService::Ok, QString());
}

void ShowInformation(const QString &text)
{
    MessageService::instance().show(MessageService::Kind::Information, text, MessageService::Ok, QString());
}

int AskConfirmation(const QString &text, int buttons)
{
    return MessageService::instance().show(MessageService::Kind::Confirmation, text, buttons, QString());
}
