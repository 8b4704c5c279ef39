#pragma once
#include "curves/curverun.h"
#include "curves/curvescene.h"
#include "device/inputtimemapper.h"
#include "runkit/runwindowbase.h"
#include "runkit/sightrender.h"

#include <functional>

class QFrame;
class InputClockWatch;
class QGroupBox;
class QLabel;
class QPushButton;
class CurveResultWindow;

// The display area "Visier" of test 3: shows the scene's backing picture.
class CurveView : public QWidget
{
    Q_OBJECT
public:
    explicit CurveView(CurveScene *scene, QWidget *parent = nullptr);
    // When the last paint ended (Clock::monotonicNs): a repaint hands the
    // frame to the window system right then; -1 before the first.
    qint64 paintedNs() const { return m_paintedNs; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CurveScene *m_scene;
    qint64 m_paintedNs = -1;
};

// One round mirror symbol of the row above the display: black, white after a hit.
class MirrorSymbol : public QWidget
{
    Q_OBJECT
public:
    explicit MirrorSymbol(QWidget *parent = nullptr);
    void setHit(bool hit);
    bool hit() const { return m_hit; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_hit = false;
};

// "Einfachreaktionstest (Individualkurven)", code "ER3F": the shooting system
// slides to each mirror and the sight travels along the curves of the set.
class CurveTestWindow : public RunWindowBase, public CurveDisplay
{
    Q_OBJECT
public:
    CurveTestWindow(CurveResultWindow *result, QWidget *parent = nullptr);
    ~CurveTestWindow() override;

    // Opening: sight, shooting system and mirrors, bounds, profile, lists cleared.
    void activate() override;
    // "Reaktion": booked by the time the window system received the press
    // that activated it (mouse button or key), mapped onto the run's clock.
    void reactionClicked();

    // How the result window is shown modally (default: exec()).
    void setResultShower(std::function<void(CurveResultWindow *)> shower);

    CurveRun &run() { return m_run; }
    const CurveScene &scene() const { return m_scene; }
    CurveResultWindow *resultWindow() const { return m_curveResult; }
    bool mirrorError() const { return m_mirrorError; }
    InputTimeMapper &inputTime() { return m_inputTime; }

    CurveView *view() const { return m_view; }
    // The silver strip behind the mirror symbols.
    QFrame *targetStrip() const { return m_targetStrip; }
    // Mirror symbol n (1 ... 5).
    MirrorSymbol *mirrorSymbol(int n) const { return m_mirrorSymbols[n - 1]; }
    QPushButton *reactionButton() const { return m_reactionButton; }

    // Esc and the title bar act as the cancel button ("&Abbruch" / "&Fertig").
    void reject() override;

    // CurveDisplay
    void setStartEnabled(bool on) override;
    void focusReaction() override;
    void resetMirrorSymbols() override;
    void markMirrorSymbol(int n) override;
    void slideFrame(int v) override;
    void showSight(int left, int top) override;
    void eraseSight() override;
    qint64 shownNs() const override { return m_shownNs; }

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void closeEvent(QCloseEvent *event) override;

    // RunWindowBase: "&Start" starts the run; "&Abbruch" ends it at once.
    void startRun() override;
    bool stopRun() override;
    bool runComplete() const override { return m_run.isComplete(); }
    void prepareResult() override;

private:
    // Repaints the display area at once; its onset.
    void present();

    CurveResultWindow *m_curveResult;
    CurveScene m_scene;
    CurveRun m_run{this};
    SightProfile m_profile;
    bool m_mirrorError = false;
    InputTimeMapper m_inputTime;
    InputClockWatch *m_inputWatch = nullptr;
    quint64 m_pressStamp = 0;   // the press that may activate "Reaktion"
    qint64 m_shownNs = -1;      // the last frame reached the window system
    QGroupBox *m_displayGroup;
    CurveView *m_view;
    QFrame *m_targetStrip;
    MirrorSymbol *m_mirrorSymbols[5];
    QPushButton *m_reactionButton = nullptr;
};
