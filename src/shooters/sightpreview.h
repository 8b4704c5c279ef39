#pragma once
#include <QColor>
#include <QImage>

// The sizes of a sight profile as the sight profile dialog edits them
// (the diameters in percent of the diopter opening).
struct SightSizes
{
    int Monitor_Size = 1;   // index of the screen resolution, 1 = "800 x 600"
    int Diopter_Size = 150; // diopter opening in mm
    int DiopVis_Size = 100; // visible diopter limit
    int A_Korntunnel = 50;
    int I_Korntunnel = 37;
    int A_Ringkorn = 13;
    int I_RingKorn = 8;
    int Spiegel_Size = 6;

    static SightSizes defaults() { return SightSizes(); }
    bool operator==(const SightSizes &o) const;
};

// The scaled preview of the sight: outer circle, the black ring outside the
// diopter limit, the tunnel ring, the ring front sight, the mirror disc, the
// two ring holders and the tunnel post. Resolution and diopter opening are
// not used. Pixels outside the outer circle keep `background`.
QImage DrawSightPreview(const SightSizes &profile, int width = 300, int height = 300,
                        const QColor &background = Qt::white);
