#pragma once
#include <QColor>
#include <QImage>

// Drawing on a picture with the rules of the old window canvas the sight
// drawings are defined in:
//  - ellipse(x1, y1, x2, y2): the bounding box excludes its right and bottom
//    edge; filled with the brush (unless the brush is clear), outlined with the pen;
//  - line: includes its start point and stops one pixel short of its end;
//    a wide horizontal or vertical line is a band of exactly `width` pixels
//    centred on it (rows y - width/2 ... y - width/2 + width - 1);
//  - floodFill: a border fill: every pixel 4-connected to the start point that
//    does not have the border colour gets the brush colour. A start point
//    outside the picture or on the border colour fills nothing.
// No anti-aliasing anywhere, so the results are exact pixels.
class GdiCanvas
{
public:
    explicit GdiCanvas(QImage &image) : m_image(image) {}

    void setPen(const QColor &color, int width = 1);
    void setPenWidth(int width) { m_penWidth = width; }
    void setBrush(const QColor &color) { m_brush = color; m_brushClear = false; }
    void setBrushClear() { m_brushClear = true; }

    void ellipse(int x1, int y1, int x2, int y2);
    void line(int x0, int y0, int x1, int y1);
    void floodFill(int x, int y, const QColor &border);

    QImage &image() { return m_image; }

private:
    QImage &m_image;
    QColor m_pen = Qt::black;
    int m_penWidth = 1;
    QColor m_brush = Qt::white;
    bool m_brushClear = false;
};
