#pragma once
#include "runkit/testwindow.h"

class StaticRun;
class StaticResultWindow;

// Test window of test 1, "Einfachreaktion statisch" (code "ER1F"). Keys
// reach the run only while the window itself holds the keyboard focus.
class StaticTestWindow : public ReactionTestWindow
{
    Q_OBJECT
public:
    explicit StaticTestWindow(StaticResultWindow *result, QWidget *parent = nullptr);

    StaticRun &staticRun();
    // A character key while the window has the focus.
    void reactionKey();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
