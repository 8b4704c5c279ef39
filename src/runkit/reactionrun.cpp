#include "runkit/reactionrun.h"

#include "platform/clock.h"
#include "core/actionlog.h"
#include "core/appstate.h"

#include <cmath>

namespace {
constexpr qint64 kMsNs = 1000000;
constexpr qint64 kTickNs = 10 * kMsNs;

qint64 floorDiv(qint64 a, qint64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
} // namespace

QRect TargetRect(int W, int H, int spiegelSize, int dx, int dy)
{
    const int d = int(std::trunc(W * 0.01L)) * spiegelSize;
    const int x = int(std::trunc((W - d) * 0.5L));
    const int y = int(std::trunc((H - d) * 0.5L));
    return QRect(QPoint(x + dx, y + dy), QPoint(x + d + dx, y + d + dy));
}

void ReactionRun::activate(int serienAnzahl, int scheibenabstand, const ValidityBounds &bounds, int spiegelSize)
{
    m_serienAnzahl = serienAnzahl;
    m_scheibenabstand = scheibenabstand;
    m_bounds = bounds;
    m_spiegel = spiegelSize;
    m_complete = false;
    SeriesNo = 1;
    TargetDelay = scheibenabstand * 500;
    m_late = 0;
    m_lateLog.clear();
    clearOnset();
}

void ReactionRun::start()
{
    if (m_countdown)
        return;   // a second "&Start" during the countdown
    m_complete = false;
    // Keys during the countdown are no reactions, also after a run stopped mid-cycle.
    CycleRunning = false;
    Armed = false;
    m_countdown = true;
    m_late = 0;
    m_lateLog.clear();
    m_display->setLightsVisible(true);
    setTick(false);
    m_display->setStatusText(QStringLiteral("Messbeginn Serie ") + QString::number(SeriesNo));
    AppState::instance().setActivityTitle(QStringLiteral("Messwerterfassung"));
    // Each light stays Scheibenabstand seconds, on one timeline from here.
    m_light = 0;
    m_countdownStartNs = Clock::instance().monotonicNs();
    m_display->setLight(0);
    m_countdownStep.startAt(m_countdownStartNs + qint64(m_scheibenabstand) * 1000 * kMsNs);
}

void ReactionRun::countdownStep()
{
    if (++m_light < 3) {
        m_display->setLight(m_light);
        m_countdownStep.startAt(m_countdownStartNs + qint64(m_light + 1) * m_scheibenabstand * 1000 * kMsNs);
        return;
    }
    WriteLogLine(runLogLine());
    m_display->startButtonDisabled();
    StartSeries();
    m_countdown = false;
    setTick(true);
    m_display->setLightsVisible(false);
}

void ReactionRun::stop()
{
    setTick(false);
    if (m_countdown) {
        m_countdownStep.stop();
        m_countdown = false;
        m_display->setLightsVisible(false);
    }
}

void ReactionRun::targetDrawn()
{
    m_onsetNs = m_display->targetShownNs();
    m_lateTicks = 0;
    const qint64 due = m_display->tickDueNs();
    if (m_onsetNs < 0 || due < 0)
        return;
    // A late target keeps its full 150 ticks on screen: the time-out moves
    // by the whole ticks it came late, the schedule stays on the tick grid.
    const qint64 lateMs = floorDiv(m_onsetNs - due, kMsNs);
    if (lateMs > 0)
        m_lateTicks = int((lateMs + 9) / 10);
    if (m_onsetNs - due > kTickNs) {
        ++m_late;
        const int target = Unanswered ? TargetsDone + 1 : TargetsDone;
        m_lateLog << QStringLiteral("Ausführen : [Verspätet] Serie %1, Ziel %2: %3 ms nach seinem Tick angezeigt")
                         .arg(SeriesNo)
                         .arg(target)
                         .arg(lateMs);
    }
}

void ReactionRun::refineOnset(qint64 ns)
{
    // Only for the target on the screen, and only a plausible word: the
    // picture cannot be shown before it was painted (the X server's clock
    // counts whole ms) nor long after.
    if (m_onsetNs < 0 || ns < m_onsetNs - kMsNs || ns > m_onsetNs + 1000 * kMsNs)
        return;
    m_onsetNs = ns;
}

void ReactionRun::clearOnset()
{
    m_onsetNs = -1;
    m_lateTicks = 0;
}

int ReactionRun::reactionTicks(qint64 inputNs) const
{
    if (CycleTicks < TargetDelay || m_onsetNs < 0 || inputNs < 0)
        return CycleTicks - TargetDelay;
    return int(floorDiv(floorDiv(inputNs - m_onsetNs, kMsNs), 10));
}

void ReactionRun::writeLateLog()
{
    const QStringList lines = m_lateLog;
    m_lateLog.clear();
    for (const QString &line : lines)
        WriteLogLine(line);
}

void ReactionRun::StartSeries()
{
    TargetsDone = 0;
    CycleTicks = 0;
    CycleRunning = false;
    Unanswered = true;
    clearOnset();
    m_display->setCancelCaption(QStringLiteral("&Abbruch"));
    setTick(true);
}

void ReactionRun::setTick(bool on)
{
    m_tickOn = on;
    m_display->setTickEnabled(on);
}

void ReactionRun::seriesEnd()
{
    if (TargetsDone != 5)
        return;
    eraseAfterSeries();
    if (SeriesNo == m_serienAnzahl) {
        m_display->setCancelCaption(QStringLiteral("&Fertig"));
        setTick(false);
        m_display->setStatusText(QStringLiteral("Messung beendet."));
        m_complete = true;
    } else {
        m_display->setStatusText(QString());
        ++SeriesNo;
        setTick(false);
        StartSeries();
    }
}
