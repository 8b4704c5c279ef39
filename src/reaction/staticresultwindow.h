#pragma once
#include "runkit/resultwindow.h"

// Result window of test 1 (code "ERA1F").
class TERA1_Form : public ReactionResultWindow
{
    Q_OBJECT
public:
    explicit TERA1_Form(QWidget *parent = nullptr);
};
