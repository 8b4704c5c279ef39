#pragma once
#include <QImage>
#include <QWidget>

class QColor;

// The paint box "Visier" of the test windows: shows the rendered sight and,
// over it, what the run drew since the sight was last shown (the target disc,
// or the white disc that erased it in test 1). It keeps that frame, so a
// repaint of the window never loses a visible target.
class TSightBox : public QWidget
{
    Q_OBJECT
public:
    explicit TSightBox(int width, int height, QWidget *parent = nullptr);

    // A newly rendered sight; shown at once without any target.
    void setSight(const QImage &sight);
    // ShowSight: the plain sight again (erases the target).
    void showSight();
    // Ellipse with corners (x1, y1)-(x2, y2) over the current frame; repaints
    // only the touched rectangle, at once.
    void drawEllipse(const QRect &corners, const QColor &fill, const QColor &pen, int penWidth);

    const QImage &sight() const { return m_sight; }
    const QImage &frame() const { return m_frame; }
    // When the last paint ended (Clock::monotonicNs): a repaint hands the
    // picture to the window system right then; -1 before the first.
    qint64 paintedNs() const { return m_paintedNs; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_sight;
    QImage m_frame;
    qint64 m_paintedNs = -1;
};
