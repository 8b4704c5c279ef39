#pragma once

class GdiCanvas;

// The drawing steps of a sight from its profile sizes (per cent of the width
// W), shared by the sight profile preview and the test windows' sight picture.
// Sizes are computed in extended precision and truncated toward zero.
namespace SightDrawing {

// Distance of a centred circle of `percent` of W from the picture edge.
int Inset(int W, int percent);

// The rim: pen black 2, brush white, ellipse (1, 1)-(W, H).
void DrawRim(GdiCanvas &c, int W, int H);
// The diopter opening and the black ring between it and the rim.
void DrawDiopter(GdiCanvas &c, int W, int H, int diopVisPercent);

struct FrontSight
{
    int tunnelOuter = 0;  // insets of the tunnel's outer and inner circle
    int tunnelInner = 0;
    int ringOuter = 0;    // inset of the ring front sight's outer circle
};
// Tunnel ring and ring front sight, both filled black.
FrontSight DrawRings(GdiCanvas &c, int W, int H, int tunnelOuter, int tunnelInner, int ringOuter, int ringInner);
// A black disc of `percent` of W (the mirror of the preview).
void DrawDisc(GdiCanvas &c, int W, int H, int percent);
// The two arms holding the ring and the post below the tunnel.
void DrawArmsAndPost(GdiCanvas &c, int W, int H, const FrontSight &f);

} // namespace SightDrawing
