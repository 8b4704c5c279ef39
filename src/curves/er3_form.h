#pragma once
#include "curves/curverun.h"
#include "curves/curvescene.h"
#include "device/inputtimemapper.h"
#include "runkit/sightrender.h"

#include <QDialog>
#include <functional>

class QFrame;
class InputClockWatch;
class QGroupBox;
class QLabel;
class QPushButton;
class CurveResultWindow;

// The display area "Visier" of test 3: shows the scene's backing picture.
class TCurveView : public QWidget
{
    Q_OBJECT
public:
    explicit TCurveView(CurveScene *scene, QWidget *parent = nullptr);
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
class TMirrorSymbol : public QWidget
{
    Q_OBJECT
public:
    explicit TMirrorSymbol(QWidget *parent = nullptr);
    void setHit(bool hit);
    bool hit() const { return m_hit; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_hit = false;
};

// "Einfachreaktionstest (Individualkurven)", code "ER3F": the shooting system
// slides to each mirror and the sight travels along the curves of the set.
class TER3_Form : public QDialog, public CurveDisplay
{
    Q_OBJECT
public:
    TER3_Form(CurveResultWindow *result, QWidget *parent = nullptr);
    ~TER3_Form() override;

    // Opening: sight, shooting system and mirrors, bounds, profile, lists cleared.
    void FormActivate();
    // "&Start": the whole run; afterwards the window closes if it was cancelled.
    void OK_ButtonClick();
    // "&Abbruch" / "&Fertig".
    void Cancel_ButtonClick();
    // "Reaktion": booked by the time the window system received the press
    // that activated it (mouse button or key), mapped onto the run's clock.
    void bt_ReaktionClick();
    void SetLight(int n);

    // How the result window is shown modally (default: exec()).
    void setResultShower(std::function<void(CurveResultWindow *)> shower) { m_showResult = std::move(shower); }

    CurveRun &run() { return m_run; }
    const CurveScene &scene() const { return m_scene; }
    CurveResultWindow *resultWindow() const { return m_result; }
    bool mirrorError() const { return m_mirrorError; }
    InputTimeMapper &inputTime() { return m_inputTime; }

    QGroupBox *Anzeige_GroupBox;
    TCurveView *Visier;
    QFrame *sh_target;
    TMirrorSymbol *sh_s[5];
    QLabel *StatusInfo_Label;
    QLabel *Red_Image;
    QLabel *Yellow_Image;
    QLabel *Green_image;
    QPushButton *bt_Reaktion;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;

    void done(int r) override;
    void reject() override;

    // CurveDisplay
    void setStatusText(const QString &text) override;
    void setLight(int lit) override { SetLight(lit); }
    void setLightsVisible(bool visible) override;
    void setCancelCaption(const QString &caption) override;
    void setStartEnabled(bool on) override;
    void focusReaction() override;
    void resetMirrorSymbols() override;
    void markMirrorSymbol(int n) override;
    void slideFrame(int v) override;
    void showSight(int left, int top) override;
    void eraseSight() override;
    void addResultRow(const ResultRow &row) override;
    void processEvents() override;
    qint64 shownNs() const override { return m_shownNs; }

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void closeAfterRun();
    // Repaints the display area at once; its onset.
    void present();

    CurveResultWindow *m_result;
    CurveScene m_scene;
    CurveRun m_run{this};
    SightProfile m_profile;
    bool m_mirrorError = false;
    std::function<void(CurveResultWindow *)> m_showResult;
    InputTimeMapper m_inputTime;
    InputClockWatch *m_inputWatch = nullptr;
    quint64 m_pressStamp = 0;   // the press that may activate "Reaktion"
    qint64 m_shownNs = -1;      // the last frame reached the window system
};
