#include "reaction/randomtestwindow.h"

#include "reaction/randomresultwindow.h"
#include "reaction/randomrun.h"
#include "runkit/runsettings.h"
#include "runkit/sightbox.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

RandomTestWindow::RandomTestWindow(RandomResultWindow *result, QWidget *parent)
    : ReactionTestWindow(QStringLiteral("ER2F"), QStringLiteral("ER2_Form"), 391, result, parent)
{
    setRun(std::make_unique<RandomRun>(this));
}

RandomRun &RandomTestWindow::randomRun() { return static_cast<RandomRun &>(run()); }

void RandomTestWindow::activate()
{
    ReactionTestWindow::activate();
    const RunSettings &settings = RunSettings::instance();
    randomRun().setupPositions(sightBox()->width(), settings.ER2_SPos, settings.ER2_SPos_ok, settings.Trefferanzeige);
}

void RandomTestWindow::reactionKey() { m_run->keyPressed(); }

void RandomTestWindow::startButtonDisabled()
{
    startButton()->setEnabled(false);
    controlPanel()->setFocus();
}

void RandomTestWindow::showEvent(QShowEvent *event)
{
    ReactionTestWindow::showEvent(event);
    if (!event->spontaneous())
        qApp->installEventFilter(this);
}

void RandomTestWindow::hideEvent(QHideEvent *event)
{
    ReactionTestWindow::hideEvent(event);
    if (!event->spontaneous())
        qApp->removeEventFilter(this);
}

bool RandomTestWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->text().isEmpty() || key->key() == Qt::Key_Escape)
        return false;   // Esc goes on to the window: it cancels
    // Swallowed in any case; only a key without Alt or Ctrl is a reaction.
    if (type == QEvent::KeyPress && IsReactionKey(key))
        reactionInput(key);
    return true;
}
