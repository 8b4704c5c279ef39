#pragma once
#include "runkit/reactionrun.h"

// Test 1, "Einfachreaktion statisch": five presentations per series in the
// centre of the sight; the first target Scheibenabstand * 500 ticks after the
// first tick, every later one Scheibenabstand * 100 ticks after its cycle
// start; each stays 150 ticks (from the moment it reached the screen)
// unless answered.
class StaticRun : public ReactionRun
{
public:
    using ReactionRun::ReactionRun;

    void tick() override;
    void keyPressedAt(qint64 inputNs) override;

    // DrawTarget: black shows the disc, white erases it (white rim).
    void DrawTarget(const QColor &colour);
    // Appends the row of a reaction of the given ticks (0 = timed out);
    // true when its status is "x".
    bool AddResultRow(int ticks);

protected:
    QString runLogLine() const override;
    void eraseAfterSeries() override { DrawTarget(Qt::white); }
};
