#include "shooters/sightdrawing.h"

#include "platform/gdicanvas.h"

#include <cmath>

namespace {
const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);

int trunc(long double v) { return int(std::trunc(v)); }

// Radius of a centred circle with the given inset.
int radius(int W, int inset) { return trunc((W - 2 * (long double)inset) * 0.5L); }

// Circle (inset, inset)-(W - inset, H - inset) filled white.
void circle(GdiCanvas &c, int W, int H, int inset)
{
    c.setBrush(White);
    c.ellipse(inset, inset, W - inset, H - inset);
}

// Black border fill three pixels below the top of a circle, right of its centre line.
void fillBelowTop(GdiCanvas &c, int W, int inset)
{
    const int p = inset + 3;
    c.setBrush(Black);
    c.floodFill(p + radius(W, inset), p, Black);
}
} // namespace

namespace SightDrawing {

int Inset(int W, int percent)
{
    const long double w = W;
    return trunc((w - percent * w * 0.01L) * 0.5L);
}

void DrawRim(GdiCanvas &c, int W, int H)
{
    c.setPen(Black, 2);
    c.setBrush(White);
    c.ellipse(1, 1, W, H);
}

void DrawDiopter(GdiCanvas &c, int W, int H, int diopVisPercent)
{
    const long double w = W;
    const int m = trunc((w - w * 0.01L * diopVisPercent) * 0.5L);
    circle(c, W, H, m);
    c.setBrush(Black);
    c.floodFill(m - 2, trunc(w * 0.5L), Black);
}

FrontSight DrawRings(GdiCanvas &c, int W, int H, int tunnelOuter, int tunnelInner, int ringOuter, int ringInner)
{
    FrontSight f;
    f.tunnelOuter = Inset(W, tunnelOuter);
    f.tunnelInner = Inset(W, tunnelInner);
    circle(c, W, H, f.tunnelOuter);
    circle(c, W, H, f.tunnelInner);
    fillBelowTop(c, W, f.tunnelOuter);
    f.ringOuter = Inset(W, ringOuter);
    circle(c, W, H, f.ringOuter);
    circle(c, W, H, Inset(W, ringInner));
    fillBelowTop(c, W, f.ringOuter);
    return f;
}

void DrawDisc(GdiCanvas &c, int W, int H, int percent)
{
    const int inset = Inset(W, percent);
    circle(c, W, H, inset);
    fillBelowTop(c, W, inset);
}

void DrawArmsAndPost(GdiCanvas &c, int W, int H, const FrontSight &f)
{
    const int T = f.tunnelInner - f.tunnelOuter;
    const int P = T / 2;
    const int yTunnel = radius(W, f.tunnelOuter) + f.tunnelOuter;
    const int yRing = radius(W, f.ringOuter) + f.ringOuter;
    c.setPen(Black, P);
    c.line(f.tunnelOuter + P, yTunnel, f.ringOuter, yRing);
    c.line(W - f.tunnelOuter - P, yTunnel, W - f.ringOuter, yRing);
    c.setPen(Black, T);
    const int xMid = trunc((long double)W * 0.5L);
    c.line(xMid, H - f.tunnelOuter, xMid, H);
}

} // namespace SightDrawing
