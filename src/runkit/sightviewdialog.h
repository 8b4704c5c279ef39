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
class SightPaintBox : public QWidget
{
public:
    explicit SightPaintBox(int size, QWidget *parent = nullptr);
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
    static constexpr int SightSize = 335;

    explicit SightViewDialog(QWidget *parent = nullptr);
    ~SightViewDialog() override;

    // Where the shooting position comes from (0 = "liegend", 1 = "stehend");
    // the setup dialog of test 2 installs it. Without one it is 0.
    void setShootingPositionProvider(std::function<int()> provider);
    int shootingPosition() const;

    // Runs once each time the window is shown.
    void activate();
    // "&OK": takes and stores the two values, closes with the OK result.
    void okClicked();

    const SightProfile &profile() const { return m_profile; }
    SightPaintBox *sightBox() const { return m_sightBox; }
    // "Pos_SpinEdit": how far from the sight centre targets appear, in %.
    QSpinBox *spreadSpin() const { return m_spreadSpin; }
    // "PosOk_SpinEdit": the limit of a valid hit, in %.
    QSpinBox *hitZoneSpin() const { return m_hitZoneSpin; }

    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // A spin box changed: the circles follow at once.
    void spinChanged();
    // Renders the sight without the diopter from the held profile and shows it.
    void renderSight();
    // The two circles over the picture.
    void drawZoneCircles(QImage &target) const;

    QGroupBox *m_displayGroup;
    SightPaintBox *m_sightBox;
    QGroupBox *m_settingsGroup;
    QLabel *m_spreadLabel;
    QSpinBox *m_spreadSpin;
    QLabel *m_hitZoneLabel;
    QSpinBox *m_hitZoneSpin;
    QPushButton *m_okButton;

    SightProfile m_profile;
    std::function<int()> m_shootingPosition;
};
