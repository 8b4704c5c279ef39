#pragma once
#include <QString>

// The one way the program shows message boxes. Tests install a scripted
// handler that records kind and text and answers without blocking.
class MessageService
{
public:
    enum class Kind { Error, Warning, Information, Confirmation };
    enum Button { Ok = 0x1, Yes = 0x2, No = 0x4, Cancel = 0x8 };

    virtual ~MessageService() = default;
    // Shows the box and returns the button pressed (one of Button). An empty
    // caption gives the kind's usual one ("Fehler", "Warnung", ...).
    virtual int show(Kind kind, const QString &text, int buttons, const QString &caption) = 0;

    static MessageService &instance();
    // Installs a handler (not owned); nullptr restores the default.
    static void install(MessageService *handler);
    // The handler used while none is installed (not owned): the program's
    // message boxes (ui/messageboxes.h); nullptr: console().
    static void setDefault(MessageService *handler);
    // Prints the text and answers with the first button (no widgets).
    static MessageService &console();
};

void ShowError(const QString &text, const QString &caption = QString());
void ShowWarning(const QString &text);
void ShowInformation(const QString &text);
// Confirmation box; returns the button pressed.
int AskConfirmation(const QString &text, int buttons = MessageService::Yes | MessageService::No);
