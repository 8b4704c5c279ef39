#include "curves/curvescene.h"

#include <QPainter>

namespace {
const QColor kBackground(240, 240, 240);
}

CurveScene::CurveScene()
    : m_display(Size, Size, QImage::Format_RGB32)
    , m_sight(Size, Size, QImage::Format_RGB32)
{
    m_display.fill(kBackground);
    m_sight.fill(Qt::white);
}

void CurveScene::setSystemPicture(const QImage &picture)
{
    m_system = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    m_strip = QImage();
    if (m_system.isNull())
        return;
    const int W = m_system.width();
    m_strip = QImage(3 * W, m_system.height(), QImage::Format_RGB32);
    QPainter p(&m_strip);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (int i = 0; i < 3; ++i)
        p.drawImage(i * W, 0, m_system);
}

void CurveScene::setSightPicture(const QImage &sight) { m_sight = sight.convertToFormat(QImage::Format_RGB32); }

int CurveScene::x0() const { return (Size - m_system.width()) / 2; }
int CurveScene::y0() const { return (Size - m_system.height()) / 2; }

void CurveScene::drawStill()
{
    m_sightShown = false;
    m_display.fill(kBackground);
    if (m_system.isNull())
        return;
    QPainter p(&m_display);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(x0(), y0(), m_system);
}

void CurveScene::drawSlideFrame(int v)
{
    m_sightShown = false;
    if (m_strip.isNull())
        return;
    const int x = x0();
    const int y = y0();
    // Region (v, 0) of size (300 - x0) x (300 - y0) to (x0, y0); the painter
    // clips both ends of the strip and the display.
    QPainter p(&m_display);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(x, y), m_strip, QRect(v, 0, Size - x, Size - y));
}

void CurveScene::drawSight(int left, int top)
{
    if (m_sightShown)
        eraseSight();
    m_saved = m_display;
    m_sightShown = true;
    QPainter p(&m_display);
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(left, top, m_sight);
}

void CurveScene::eraseSight()
{
    if (!m_sightShown)
        return;
    m_display = m_saved;
    m_sightShown = false;
}
