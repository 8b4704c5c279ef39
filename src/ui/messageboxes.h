#pragma once
#include "platform/messageservice.h"

// The program's message boxes. main() makes them the default message service.
class MessageBoxes : public MessageService
{
public:
    int show(Kind kind, const QString &text, int buttons, const QString &caption) override;
};
