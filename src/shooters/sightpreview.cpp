#include "shooters/sightpreview.h"

#include "platform/gdicanvas.h"

bool SightSizes::operator==(const SightSizes &o) const
{
    return Monitor_Size == o.Monitor_Size && Diopter_Size == o.Diopter_Size && DiopVis_Size == o.DiopVis_Size
           && A_Korntunnel == o.A_Korntunnel && I_Korntunnel == o.I_Korntunnel && A_Ringkorn == o.A_Ringkorn
           && I_RingKorn == o.I_RingKorn && Spiegel_Size == o.Spiegel_Size;
}

namespace {

// Inset of a circle of `percent` of the width, centred in the area.
int inset(int w, int percent) { return int((w - percent * w * 0.01) * 0.5); }

} // namespace

QImage DrawSightPreview(const SightSizes &p, int W, int H, const QColor &background)
{
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(background);
    GdiCanvas canvas(image);
    const auto circle = [&](int x1, int y1, int x2, int y2) {
        canvas.setPen(Qt::black, 2);
        canvas.setBrush(Qt::white);
        canvas.ellipse(x1, y1, x2, y2);
    };
    const auto fill = [&](int x, int y) {
        canvas.setBrush(Qt::black);
        canvas.floodFill(x, y, Qt::black);
    };

    // Outer circle and the black ring outside the diopter limit.
    circle(1, 1, W, H);
    const int e1 = int((W - W * 0.01 * p.DiopVis_Size) * 0.5);
    circle(e1, e1, W - e1, H - e1);
    fill(e1 - 2, int(W * 0.5));

    // Front-sight tunnel.
    const int e2 = inset(W, p.A_Korntunnel);
    circle(e2, e2, W - e2, H - e2);
    const int e3 = inset(W, p.I_Korntunnel);
    circle(e3, e3, W - e3, H - e3);
    const int r2 = int((W - 2 * e2) * 0.5);
    fill(e2 + 3 + r2, e2 + 3);

    // Ring front sight.
    const int e4 = inset(W, p.A_Ringkorn);
    circle(e4, e4, W - e4, H - e4);
    const int e5 = inset(W, p.I_RingKorn);
    circle(e5, e5, W - e5, H - e5);
    const int r4 = int((W - 2 * e4) * 0.5);
    fill(e4 + 3 + r4, e4 + 3);

    // Mirror.
    const int e6 = inset(W, p.Spiegel_Size);
    circle(e6, e6, W - e6, H - e6);
    const int r6 = int((W - 2 * e6) * 0.5);
    fill(e6 + 3 + r6, e6 + 3);

    // Ring holders and tunnel post.
    const int holder = (e3 - e2) / 2;
    canvas.setPen(Qt::black, holder);
    canvas.line(e2 + holder, e2 + r2, e4, e4 + r4);
    canvas.line(W - e2 - holder, e2 + r2, W - e4, e4 + r4);
    canvas.setPen(Qt::black, e3 - e2);
    canvas.line(int(W * 0.5), H - e2, int(W * 0.5), H);
    return image;
}
