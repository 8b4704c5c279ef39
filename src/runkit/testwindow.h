#pragma once
#include "runkit/reactionrun.h"
#include "runkit/runwindowbase.h"
#include "runkit/sightrender.h"

#include <memory>

class InputSequencer;
class QInputEvent;
class QKeyEvent;
class TFastTimer;
class TSightBox;

// A reaction key of tests 1 and 2: a character key without Alt or Ctrl (Shift
// is fine), never Esc. Alt and Ctrl combinations belong to the buttons.
bool IsReactionKey(const QKeyEvent *event);

// "Einfachreaktionstest": what the test windows of tests 1 and 2
// (StaticTestWindow, RandomTestWindow) share. The run logic decides; the
// window draws what it reports.
class ReactionTestWindow : public RunWindowBase, public RunDisplay
{
    Q_OBJECT
public:
    ~ReactionTestWindow() override;

    // Activation: bounds, sight profile, sight picture, lists of the result
    // window cleared, run prepared.
    void activate() override;
    // One tick of the measurement timer "Messtimer".
    void measurementTick();

    // A reaction input (key, click) of the user: reaches the run at its
    // place among the ticks, by the time the window system received it.
    void reactionInput(const QInputEvent *event);
    InputSequencer &inputSequencer() { return *m_input; }

    ReactionRun &run() { return *m_run; }
    const SightProfile &profile() const { return m_profile; }
    TSightBox *sightBox() const { return m_sightBox; }
    TFastTimer *measurementTimer() const { return m_timer; }

    void done(int r) override;

    // RunDisplay
    void setTickEnabled(bool on) override;
    void startButtonDisabled() override;
    void drawTarget(int dx, int dy, const QColor &fill, const QColor &pen, int penWidth) override;
    void showSight() override;
    void reactionTaken(bool valid) override;
    qint64 targetShownNs() const override { return m_shownNs; }
    qint64 tickDueNs() const override;

protected:
    ReactionTestWindow(const QString &code, const QString &name, int clientWidth, ReactionResultWindow *result,
                       QWidget *parent);
    void setRun(std::unique_ptr<ReactionRun> run) { m_run = std::move(run); }
    void keyPressEvent(QKeyEvent *event) override;

    // RunWindowBase
    void startRun() override;
    bool stopRun() override;
    bool runComplete() const override { return m_run->isComplete(); }
    void prepareResult() override;

    std::unique_ptr<ReactionRun> m_run;

private:
    TSightBox *m_sightBox;
    TFastTimer *m_timer;
    SightProfile m_profile;
    std::unique_ptr<InputSequencer> m_input;
    QObject *m_inputWatch = nullptr;
    qint64 m_shownNs = -1;   // the last target drawn reached the window system
    int m_drawn = 0;         // pictures drawn, for the X server's stamps
};
