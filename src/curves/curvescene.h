#pragma once
#include <QImage>

// The pictures of the display area of test 3: a backing picture of the
// display (300 x 300, RGB32) that the window shows, the shooting-system
// picture, the strip of three copies of it for the slides, and the sight
// combined into the scene by a bitwise AND of every pixel.
class CurveScene
{
public:
    static constexpr int Size = 300;

    CurveScene();

    // A new shooting-system picture (may be null: no system).
    void setSystemPicture(const QImage &picture);
    void setSightPicture(const QImage &sight);

    int systemWidth() const { return m_system.width(); }
    int systemHeight() const { return m_system.height(); }
    // Where the picture's top-left corner lies in the display when centred.
    int x0() const;
    int y0() const;

    // The picture centred on the background (the still picture).
    void drawStill();
    // One slide frame: the strip from column v onwards copied to (x0, y0).
    void drawSlideFrame(int v);
    // Saves the display and ANDs the sight into it with its top-left corner at (left, top).
    void drawSight(int left, int top);
    // Puts the display saved by drawSight back.
    void eraseSight();

    const QImage &display() const { return m_display; }
    const QImage &strip() const { return m_strip; }

private:
    QImage m_display;
    QImage m_saved;
    QImage m_system;
    QImage m_strip;
    QImage m_sight;
    bool m_sightShown = false;
};
