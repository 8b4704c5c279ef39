#pragma once
// A RunDisplay that records what a run asks for, for the run tests.
#include "runkit/reactionrun.h"

#include <QColor>
#include <QStringList>

struct DrawnTarget
{
    int tick;       // tick number at which it was drawn (0 = outside a tick)
    int dx, dy;
    QColor fill, pen;
    int penWidth;
};

class RecordingDisplay : public RunDisplay
{
public:
    int tickNo = 0;                  // set by the test before each tick
    QString status;
    QString cancelCaption = QStringLiteral("&Abbruch");
    bool lightsVisible = false;
    int lit = -1;
    bool tickOn = false;
    bool startDisabled = false;
    QList<DrawnTarget> targets;      // every drawTarget call
    QList<int> sightShown;           // ticks of showSight calls
    ResultRows rows;
    QList<int> rowTicks;             // tick of each row
    QStringList events;              // "status:..", "light:n", ...

    void setStatusText(const QString &text) override { status = text; events << QStringLiteral("status:") + text; }
    void setLight(int n) override { lit = n; events << QStringLiteral("light:%1").arg(n); }
    void setLightsVisible(bool v) override { lightsVisible = v; events << QStringLiteral("lights:%1").arg(v); }
    void setTickEnabled(bool on) override { tickOn = on; events << QStringLiteral("tick:%1").arg(on); }
    void setCancelCaption(const QString &c) override { cancelCaption = c; }
    void startButtonDisabled() override { startDisabled = true; events << QStringLiteral("startDisabled"); }
    void drawTarget(int dx, int dy, const QColor &fill, const QColor &pen, int penWidth) override
    {
        targets << DrawnTarget{tickNo, dx, dy, fill, pen, penWidth};
        if (paintNs >= 0)
            shownAtNs = tickDueNs() + paintNs;
    }
    void showSight() override { sightShown << tickNo; }
    void addResultRow(const ResultRow &row) override
    {
        rows << row;
        rowTicks << tickNo;
    }

    // Tick n is due at n x 10 ms; a target reaches the screen paintNs after
    // its tick was due. Negative: the display tells neither time.
    qint64 paintNs = -1;
    qint64 shownAtNs = -1;
    qint64 tickDueNs() const override { return paintNs < 0 ? -1 : qint64(tickNo) * 10000000; }
    qint64 targetShownNs() const override { return shownAtNs; }

    // Ticks at which a black (shown) target was drawn.
    QList<int> shownAt() const
    {
        QList<int> out;
        for (const DrawnTarget &t : targets)
            if (t.fill == QColor(Qt::black))
                out << t.tick;
        return out;
    }
};

// Runs ticks until the display's tick counter reaches `upTo` (inclusive) or
// the run switches its tick off for good.
template <typename Run>
void tickTo(Run &run, RecordingDisplay &d, int upTo)
{
    while (d.tickNo < upTo && run.tickOn()) {
        ++d.tickNo;
        run.tick();
    }
}
