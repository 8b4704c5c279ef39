#pragma once
#include "runkit/runframedisplay.h"

#include <QDialog>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class ReactionResultWindow;

// The test window frame of all three tests: status line, control panel with
// traffic lights, "&Start" and "&Abbruch"/"&Fertig", the window placement
// under the window's code, activation on each showing, and the way a run
// ends: a complete run shows its result window, then the window closes.
class RunWindowBase : public QDialog, public virtual RunFrameDisplay
{
    Q_OBJECT
public:
    // Activation: the run prepared for this showing. Runs once per showing.
    virtual void activate() = 0;
    // "&Start".
    void startClicked();
    // "&Abbruch" / "&Fertig": the run stops (or is asked to, see stopRun());
    // a complete run shows its result window; the window closes with the
    // cancel result.
    void cancelClicked();

    // How the result window is shown modally (default: exec()).
    void setResultShower(std::function<void(ReactionResultWindow *)> shower) { m_showResult = std::move(shower); }

    ReactionResultWindow *resultWindow() const { return m_result; }
    QLabel *statusLabel() const { return m_statusLabel; }
    QFrame *controlPanel() const { return m_controlPanel; }
    // Light n: 0 red, 1 yellow, 2 green.
    QLabel *trafficLight(int n) const { return m_lights[n]; }
    QPushButton *startButton() const { return m_startButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    void done(int r) override;

    // RunFrameDisplay
    void setStatusText(const QString &text) override;
    void setLight(int lit) override;
    void setLightsVisible(bool visible) override;
    void setCancelCaption(const QString &caption) override;
    void addResultRow(const ResultRow &row) override;

protected:
    // Alt+A on the cancel button clicks at once, without the 100 ms a
    // mnemonic's animated click takes.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Logs the start of loading under code; the window's own display area is
    // built next, then buildFrame(), then constructed().
    RunWindowBase(const QString &code, const QString &objectName, const QString &title, ReactionResultWindow *result,
                  QWidget *parent);
    // Status line and control panel, made after the display area so the tab
    // order follows: lights, then the button makeExtra makes on the panel
    // (placed 16 pixels before "&Start"; none without makeExtra), "&Start",
    // the cancel button.
    void buildFrame(const std::function<QWidget *(QWidget *panel)> &makeExtra = {});
    // The last step of construction: placement restored, loading logged.
    void constructed();
    // Activation of the frame: "&Start" enabled with the focus, status line
    // empty, captions reset, red light.
    void resetFrame();

    // "&Start" was clicked while enabled.
    virtual void startRun() = 0;
    // The cancel button: stops the run; false when the run only takes the
    // request and ends (closing the window) by itself.
    virtual bool stopRun() = 0;
    // Whether the run ended with its last series.
    virtual bool runComplete() const = 0;
    // The run's figures for the result window, right before it shows.
    virtual void prepareResult() = 0;

    void showEvent(QShowEvent *event) override;

private:
    QString m_code;
    ReactionResultWindow *m_result;
    std::function<void(ReactionResultWindow *)> m_showResult;
    bool m_closing = false;
    QLabel *m_statusLabel = nullptr;
    QFrame *m_controlPanel = nullptr;
    QLabel *m_lights[3] = {};
    QPushButton *m_startButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
