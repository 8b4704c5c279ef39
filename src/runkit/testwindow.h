#pragma once
#include "runkit/reactionrun.h"
#include "runkit/sightrender.h"

#include <QDialog>
#include <functional>
#include <memory>

class InputSequencer;
class QFrame;
class QInputEvent;
class QKeyEvent;
class QLabel;
class QPushButton;
class ReactionResultWindow;
class TFastTimer;
class TSightBox;

// A reaction key of tests 1 and 2: a character key without Alt or Ctrl (Shift
// is fine), never Esc. Alt and Ctrl combinations belong to the buttons.
bool IsReactionKey(const QKeyEvent *event);

// "Einfachreaktionstest": what the test windows of tests 1 and 2 (StaticTestWindow,
// RandomTestWindow) share. The run logic decides; the window draws what it reports.
class ReactionTestWindow : public QDialog, public RunDisplay
{
    Q_OBJECT
public:
    ~ReactionTestWindow() override;

    // Activation: bounds, sight profile, sight picture, lists of the result
    // window cleared, run prepared. Runs once per showing.
    virtual void FormActivate();
    // "&Start": countdown, then the first series.
    void OK_ButtonClick();
    // One tick of Messtimer.
    void MesstimerTimer();
    // "&Abbruch" / "&Fertig": tick off, StopStream, the result window when the
    // run is complete, then the window closes with the cancel result.
    void Cancel_ButtonClick();
    // Lights: all dark, then light n (0 red, 1 yellow, 2 green) lit.
    void SetLight(int n);

    // How the result window is shown modally (default: exec()).
    void setResultShower(std::function<void(ReactionResultWindow *)> shower) { m_showResult = std::move(shower); }

    // A reaction input (key, click) of the user: reaches the run at its
    // place among the ticks, by the time the window system received it.
    void reactionInput(const QInputEvent *event);
    InputSequencer &inputSequencer() { return *m_input; }

    ReactionRun &run() { return *m_run; }
    ReactionResultWindow *resultWindow() const { return m_result; }
    const SightProfile &profile() const { return m_profile; }

    TSightBox *Visier;
    QLabel *StatusInfo_Label;
    QLabel *Red_Image;
    QLabel *Yellow_Image;
    QLabel *Green_image;
    QFrame *Control_Panel;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;
    TFastTimer *Messtimer;

    void done(int r) override;

    // RunDisplay
    void setStatusText(const QString &text) override;
    void setLight(int lit) override { SetLight(lit); }
    void setLightsVisible(bool visible) override;
    void setTickEnabled(bool on) override;
    void setCancelCaption(const QString &caption) override;
    void startButtonDisabled() override;
    void drawTarget(int dx, int dy, const QColor &fill, const QColor &pen, int penWidth) override;
    void showSight() override;
    void addResultRow(const ResultRow &row) override;
    void processEvents() override;
    void reactionTaken(bool valid) override;
    qint64 targetShownNs() const override { return m_shownNs; }
    qint64 tickDueNs() const override;

protected:
    ReactionTestWindow(const QString &code, const QString &name, int clientWidth, ReactionResultWindow *result,
                       QWidget *parent);
    void setRun(std::unique_ptr<ReactionRun> run) { m_run = std::move(run); }
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    QString m_code;
    bool m_closing = false;
    ReactionResultWindow *m_result;
    std::unique_ptr<ReactionRun> m_run;
    SightProfile m_profile;
    std::function<void(ReactionResultWindow *)> m_showResult;
    std::unique_ptr<InputSequencer> m_input;
    QObject *m_inputWatch = nullptr;
    qint64 m_shownNs = -1;   // the last target drawn reached the window system
};
