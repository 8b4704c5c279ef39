#pragma once
#include "runkit/resultwindow.h"

// Result window of test 2 (code "ERA2F"), with the column "Fehler".
class RandomResultWindow : public ReactionResultWindow
{
    Q_OBJECT
public:
    explicit RandomResultWindow(QWidget *parent = nullptr);
};
