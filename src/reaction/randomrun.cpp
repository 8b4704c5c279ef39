#include "reaction/randomrun.h"

#include "platform/clock.h"

void RandomRun::setupPositions(int W, int er2SPos, int er2SPosOk, bool trefferanzeige)
{
    m_rng.seed(quint32(Clock::instance().monotonicNs() ^ Clock::instance().now().toMSecsSinceEpoch()));
    Trefferanzeige = trefferanzeige;
    PosSpan = (W / 100) * er2SPos;
    PosBase = (-PosSpan) / 2;
    HalfOk = ((W / 100) * er2SPosOk) / 2;
    drawOffset();
}

int RandomRun::randomBelow(int n)
{
    if (n <= 0)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(m_rng);
}

void RandomRun::drawOffset() { XOffset = PosBase + (PosSpan > 0 ? randomBelow(PosSpan) : 0); }

void RandomRun::tick()
{
    if (!CycleRunning) {
        Armed = true;
        m_display->setStatusText(QStringLiteral("Serie ") + QString::number(SeriesNo));
        CycleRunning = true;
        Unanswered = true;
    }
    ++CycleTicks;
    if (CycleTicks == TargetDelay) {
        DrawTargetAt(XOffset, Qt::black);
        targetDrawn();
    }
    if (timedOut()) {
        if (Unanswered) {
            ++TargetsDone;
            AddResultRow2(0, insideZone());
        }
        m_display->showSight();
        TargetDelay = 50 + randomBelow(150);
        drawOffset();
        CycleRunning = false;
        CycleTicks = 0;
        clearOnset();
    }
    seriesEnd();
    writeLateLog();
}

void RandomRun::keyPressedAt(qint64 inputNs)
{
    if (!(CycleRunning && Armed))
        return;
    Unanswered = false;
    Armed = false;
    m_display->showSight();
    ++TargetsDone;
    m_display->reactionTaken(AddResultRow2(reactionTicks(inputNs), insideZone()));
}

void RandomRun::DrawTargetAt(int x, const QColor &colour)
{
    int s = 0;
    while (s == 0)
        s = randomBelow(3) - 1;
    m_lastSign = s;
    QColor pen = colour;
    if (Trefferanzeige)
        pen = (-HalfOk <= x && x <= HalfOk) ? QColor(0, 255, 0) : QColor(255, 0, 0);
    m_display->drawTarget(x, s * x, colour, pen, 2);
}

bool RandomRun::AddResultRow2(int ticks, bool inside)
{
    ResultRow row;
    row.series = SeriesNo;
    row.target = TargetsDone;
    row.time = ReactionTimeText(ticks);
    const bool inTime = m_bounds.inTimeRandom(ticks);
    if (!inside) {
        row.status = QStringLiteral("o");
        row.error = QStringLiteral("Ziel");
    } else if (inTime) {
        row.status = QStringLiteral("x");
        row.error = QStringLiteral("-");
    } else {
        row.status = QStringLiteral("o");
        row.error = QStringLiteral("Reaktion");
    }
    m_display->addResultRow(row);
    return row.status == QLatin1String("x");
}

QString RandomRun::runLogLine() const { return QStringLiteral("Ausführen : [Run] ER2 Messung"); }
