#pragma once
#include "runkit/sightrender.h"

#include <QDialog>
#include <QImage>
#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The position settings of test 2 in the settings store (key of the program,
// section "Config"): "ER2_SPos_l" / "ER2_SPos_ok_l" for shooting position 0
// ("liegend"), "ER2_SPos_s" / "ER2_SPos_ok_s" for 1 ("stehend"); defaults 10 and 5.
void LoadPositionSettings(int shootingPosition, int *spos, int *sposOk);
void StorePositionSettings(int shootingPosition, int spos, int sposOk);

// The paint box of a sight: shows a picture; an optional overlay draws over
// a copy of it on every repaint.
class TSightPaintBox : public QWidget
{
public:
    explicit TSightPaintBox(int size, QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    std::function<void(QImage &)> overlay;
    // What a repaint puts on the screen.
    QImage composed() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};

// "Visieransicht": the drawn sight with the two position circles of test 2;
// sets and stores the spread of the target positions and the valid-hit zone
// for the shooting position chosen in the setup dialog of test 2.
class SightViewDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int VisierSize = 335;

    explicit SightViewDialog(QWidget *parent = nullptr);
    ~SightViewDialog() override;

    // Where the shooting position comes from (0 = "liegend", 1 = "stehend");
    // the setup dialog of test 2 installs it. Without one it is 0.
    void setShootingPositionProvider(std::function<int()> provider);
    int shootingPosition() const;

    // Runs once each time the window is shown.
    void FormActivate();
    void Pos_SpinEditChange();
    void PosOk_SpinEditChange();
    // "&OK": takes and stores the two values, closes with the OK result.
    void Cancel_ButtonClick();
    // Renders the sight without the diopter from the held profile and shows it.
    void RenderAndShow();
    // The two circles over the picture.
    void DrawZoneCircles(QImage &target) const;

    const SightProfile &profile() const { return m_profile; }

    QGroupBox *Anzeige_GroupBox;
    TSightPaintBox *Visier;
    QGroupBox *Einstellungen_GroupBox;
    QLabel *Pos_Label;
    QSpinBox *Pos_SpinEdit;
    QLabel *PosOk_Label;
    QSpinBox *PosOk_SpinEdit;
    QPushButton *Cancel_Button;

    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void spinChanged();

    SightProfile m_profile;
    std::function<int()> m_shootingPosition;
};
