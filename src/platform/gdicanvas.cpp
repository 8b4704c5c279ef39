#include "platform/gdicanvas.h"

#include <QPainter>
#include <QVector>

void GdiCanvas::setPen(const QColor &color, int width)
{
    m_pen = color;
    m_penWidth = width;
}

void GdiCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    QPainter p(&m_image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int w = m_penWidth < 1 ? 1 : m_penWidth;
    // The outline lies inside the box [x1, x2) x [y1, y2): its path runs half a
    // pen width in from the box edges.
    const qreal inset = w / 2.0;
    const QRectF path(x1 + inset, y1 + inset, (x2 - x1) - 2 * inset, (y2 - y1) - 2 * inset);
    if (path.width() <= 0 || path.height() <= 0)
        return;
    QPen pen(m_pen);
    pen.setWidth(w);
    p.setPen(pen);
    p.setBrush(m_brushClear ? QBrush(Qt::NoBrush) : QBrush(m_brush));
    p.drawEllipse(path);
}

void GdiCanvas::line(int x0, int y0, int x1, int y1)
{
    const int w = m_penWidth < 1 ? 1 : m_penWidth;
    QPainter p(&m_image);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (y0 == y1 || x0 == x1) {
        QRect band;
        if (y0 == y1) {
            if (x0 == x1)
                return;
            const int from = x0 < x1 ? x0 : x1 + 1;   // the end point is left out
            const int to = x0 < x1 ? x1 - 1 : x0;
            band = QRect(QPoint(from, y0 - w / 2), QPoint(to, y0 - w / 2 + w - 1));
        } else {
            const int from = y0 < y1 ? y0 : y1 + 1;
            const int to = y0 < y1 ? y1 - 1 : y0;
            band = QRect(QPoint(x0 - w / 2, from), QPoint(x0 - w / 2 + w - 1, to));
        }
        p.fillRect(band, m_pen);
        return;
    }
    QPen pen(m_pen);
    pen.setWidth(w);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(x0 + 0.5, y0 + 0.5), QPointF(x1 + 0.5, y1 + 0.5));
}

void GdiCanvas::floodFill(int x, int y, const QColor &border)
{
    QImage &img = m_image;
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return;
    if (img.format() != QImage::Format_RGB32 && img.format() != QImage::Format_ARGB32)
        img = img.convertToFormat(QImage::Format_RGB32);
    const QRgb stop = border.rgb() | 0xFF000000u;
    const QRgb fill = m_brush.rgb() | 0xFF000000u;
    auto at = [&](int px, int py) -> QRgb { return reinterpret_cast<const QRgb *>(img.constScanLine(py))[px] | 0xFF000000u; };
    if (at(x, y) == stop)
        return;
    // Filled pixels are marked separately: the brush may have the border colour.
    QVector<uchar> done(img.width() * img.height(), 0);
    QVector<QPoint> stack;
    stack.append(QPoint(x, y));
    while (!stack.isEmpty()) {
        const QPoint pt = stack.takeLast();
        int lx = pt.x();
        const int py = pt.y();
        if (done[py * img.width() + lx] || at(lx, py) == stop)
            continue;
        while (lx > 0 && !done[py * img.width() + lx - 1] && at(lx - 1, py) != stop)
            --lx;
        int rx = pt.x();
        while (rx + 1 < img.width() && !done[py * img.width() + rx + 1] && at(rx + 1, py) != stop)
            ++rx;
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(py));
        for (int i = lx; i <= rx; ++i) {
            row[i] = fill;
            done[py * img.width() + i] = 1;
        }
        for (int ny : {py - 1, py + 1}) {
            if (ny < 0 || ny >= img.height())
                continue;
            for (int i = lx; i <= rx; ++i)
                if (!done[ny * img.width() + i] && at(i, ny) != stop)
                    stack.append(QPoint(i, ny));
        }
    }
}
