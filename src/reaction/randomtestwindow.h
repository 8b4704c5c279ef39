#pragma once
#include "runkit/testwindow.h"

class RandomRun;
class RandomResultWindow;

// Test window of test 2, "Einfachreaktion Zufallspositionen" (code "ER2F").
// The window previews every character key, whichever control has the
// focus, and swallows it.
class RandomTestWindow : public ReactionTestWindow
{
    Q_OBJECT
public:
    explicit RandomTestWindow(RandomResultWindow *result, QWidget *parent = nullptr);

    RandomRun &randomRun();
    void activate() override;
    void reactionKey();
    void startButtonDisabled() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};
