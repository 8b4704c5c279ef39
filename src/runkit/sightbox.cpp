#include "runkit/sightbox.h"

#include "platform/clock.h"
#include "platform/gdicanvas.h"
#include "runkit/sightrender.h"

#include <QPainter>

TSightBox::TSightBox(int width, int height, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Visier"));
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_sight = QImage(width, height, QImage::Format_RGB32);
    m_sight.fill(Qt::white);
    m_frame = m_sight;
}

void TSightBox::setSight(const QImage &sight)
{
    m_sight = sight.convertToFormat(QImage::Format_RGB32);
    showSight();
}

void TSightBox::showSight()
{
    m_frame = m_sight;
    repaint();
}

void TSightBox::drawEllipse(const QRect &corners, const QColor &fill, const QColor &pen, int penWidth)
{
    GdiCanvas canvas(m_frame);
    canvas.setPen(pen, penWidth);
    canvas.setBrush(fill);
    canvas.ellipse(corners.left(), corners.top(), corners.right(), corners.bottom());
    const int m = penWidth + 1;
    repaint(QRect(corners.topLeft(), corners.bottomRight()).normalized().adjusted(-m, -m, m, m));
}

void TSightBox::paintEvent(QPaintEvent *)
{
    {
        QPainter painter(this);
        ShowSight(painter, m_frame);
    }
    m_paintedNs = Clock::instance().monotonicNs();
}
