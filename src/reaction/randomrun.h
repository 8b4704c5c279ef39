#pragma once
#include "runkit/reactionrun.h"

#include <random>

// Test 2, "Einfachreaktion Zufallspositionen": targets on a diagonal through
// the centre, displaced by XOffset; a target outside the zone |XOffset| <=
// HalfOk is a false presentation. Later targets come 50 to 199 ticks after
// their cycle start.
class RandomRun : public ReactionRun
{
public:
    using ReactionRun::ReactionRun;

    // Activation steps 9 and 10: seeds the generator (from the clock unless a
    // seed is given), computes PosSpan, PosBase, HalfOk for a paint box of
    // width W and draws XOffset.
    void setupPositions(int W, int er2SPos, int er2SPosOk, bool trefferanzeige);
    void seed(quint32 value) { m_rng.seed(value); }

    void tick() override;
    void keyPressedAt(qint64 inputNs) override;

    bool insideZone() const { return -HalfOk <= XOffset && XOffset <= HalfOk; }
    // Draws a new XOffset: PosBase + a random number 0 .. PosSpan - 1 (0 when PosSpan is 0).
    void drawOffset();
    // DrawTargetAt: the disc displaced by x to the right and x up or down at random.
    void DrawTargetAt(int x, const QColor &colour);
    // True when the row's status is "x".
    bool AddResultRow2(int ticks, bool inside);

    int PosSpan = 0;
    int PosBase = 0;
    int HalfOk = 0;
    int XOffset = 0;
    bool Trefferanzeige = false;
    int lastVerticalSign() const { return m_lastSign; }

protected:
    QString runLogLine() const override;
    void eraseAfterSeries() override { m_display->showSight(); }

private:
    int randomBelow(int n); // 0 .. n - 1
    std::mt19937 m_rng;
    int m_lastSign = 1;
};
