#pragma once
#include "runkit/resultwindow.h"

// Result window of test 1 (code "ERA1F").
class StaticResultWindow : public ReactionResultWindow
{
    Q_OBJECT
public:
    explicit StaticResultWindow(QWidget *parent = nullptr);
};
