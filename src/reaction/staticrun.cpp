#include "reaction/staticrun.h"

void StaticRun::tick()
{
    if (!CycleRunning) {
        Armed = true;
        m_display->setStatusText(QStringLiteral("Serie ") + QString::number(SeriesNo));
        CycleRunning = true;
        m_display->setLight(2);
        Unanswered = true;
    }
    ++CycleTicks;
    if (CycleTicks == TargetDelay) {
        DrawTarget(Qt::black);
        targetDrawn();
        m_display->setLightsVisible(false);
    }
    if (timedOut()) {
        DrawTarget(Qt::white);
        TargetDelay = m_scheibenabstand * 100;
        CycleRunning = false;
        CycleTicks = 0;
        clearOnset();
        if (Unanswered) {
            ++TargetsDone;
            AddResultRow(0);
        }
    }
    seriesEnd();
    writeLateLog();
}

void StaticRun::keyPressedAt(qint64 inputNs)
{
    if (!(CycleRunning && Armed))
        return;
    Unanswered = false;
    Armed = false;
    DrawTarget(Qt::white);
    ++TargetsDone;
    m_display->reactionTaken(AddResultRow(reactionTicks(inputNs)));
}

void StaticRun::DrawTarget(const QColor &colour) { m_display->drawTarget(0, 0, colour, Qt::white, 1); }

bool StaticRun::AddResultRow(int ticks)
{
    ResultRow row;
    row.series = SeriesNo;
    row.target = TargetsDone;
    row.time = ReactionTimeText(ticks);
    row.status = m_bounds.validStatic(ticks) ? QStringLiteral("x") : QStringLiteral("o");
    row.error = QStringLiteral("-");
    m_display->addResultRow(row);
    return row.status == QLatin1String("x");
}

QString StaticRun::runLogLine() const { return QStringLiteral("Ausführen : [Run] ER Messung"); }
