#pragma once
#include "curves/kdftools.h"

#include <QImage>
#include <QVector>
#include <QWidget>

// The time course of one curve as a bar: every point a stretch in proportion
// to its hold, green while the sight stands on the mirror (within `half` of
// the middle), red off it; a yellow mark where the reaction of time `b` and
// phase `f` lies; a scale in tenths of seconds with whole seconds written.
// A curve without time gives an empty (white) bar.
QImage DrawTimebar(const QVector<CurvePoint> &points, int half, int b, int f, int width = 513, int height = 33);

// The paint area "Timebar": keeps the last bar so a repaint shows it again.
class TTimebar : public QWidget
{
    Q_OBJECT
public:
    explicit TTimebar(QWidget *parent = nullptr);
    void setBar(const QImage &bar);
    void clearBar();
    const QImage &bar() const { return m_bar; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_bar;
};
