#include "shooters/sightpreview.h"

#include "platform/gdicanvas.h"
#include "shooters/sightdrawing.h"

bool SightSizes::operator==(const SightSizes &o) const
{
    return Monitor_Size == o.Monitor_Size && Diopter_Size == o.Diopter_Size && DiopVis_Size == o.DiopVis_Size
           && A_Korntunnel == o.A_Korntunnel && I_Korntunnel == o.I_Korntunnel && A_Ringkorn == o.A_Ringkorn
           && I_RingKorn == o.I_RingKorn && Spiegel_Size == o.Spiegel_Size;
}

QImage DrawSightPreview(const SightSizes &p, int W, int H, const QColor &background)
{
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(background);
    GdiCanvas canvas(image);
    SightDrawing::DrawRim(canvas, W, H);
    SightDrawing::DrawDiopter(canvas, W, H, p.DiopVis_Size);
    const SightDrawing::FrontSight f =
        SightDrawing::DrawRings(canvas, W, H, p.A_Korntunnel, p.I_Korntunnel, p.A_Ringkorn, p.I_RingKorn);
    SightDrawing::DrawDisc(canvas, W, H, p.Spiegel_Size);
    SightDrawing::DrawArmsAndPost(canvas, W, H, f);
    return image;
}
