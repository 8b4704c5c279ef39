#pragma once
#include "runkit/resultwindow.h"

// Result window of test 2 (code "ERA2F"), with the column "Fehler".
class TERA2_Form : public ReactionResultWindow
{
    Q_OBJECT
public:
    explicit TERA2_Form(QWidget *parent = nullptr);
};
