#include "reaction/statictestwindow.h"

#include "reaction/staticresultwindow.h"
#include "reaction/staticrun.h"

#include <QKeyEvent>

StaticTestWindow::StaticTestWindow(StaticResultWindow *result, QWidget *parent)
    : ReactionTestWindow(QStringLiteral("ER1F"), QStringLiteral("ER1_Form"), 389, result, parent)
{
    setRun(std::make_unique<StaticRun>(this));
}

StaticRun &StaticTestWindow::staticRun() { return static_cast<StaticRun &>(run()); }

void StaticTestWindow::reactionKey() { m_run->keyPressed(); }

void StaticTestWindow::keyPressEvent(QKeyEvent *event)
{
    // Keys that a focused control passed on are not the window's own.
    if (event->key() == Qt::Key_Escape) {
        ReactionTestWindow::keyPressEvent(event);   // cancel, never a reaction
        return;
    }
    QWidget *focus = focusWidget();
    if (IsReactionKey(event) && (focus == nullptr || focus == this))
        reactionInput(event);
    ReactionTestWindow::keyPressEvent(event);
}
