#include "curves/curverun.h"

#include "platform/clock.h"
#include "core/actionlog.h"
#include "core/appstate.h"

#include <cstdlib>
#include <limits>

namespace {
constexpr qint64 kMs = 1000000;
constexpr int kSlideStepMs = 20;
constexpr qint64 kTickMs = 10;   // later than this a point counts as late
constexpr qint64 kAsHandled = std::numeric_limits<qint64>::min();   // a reaction without input time
} // namespace

void CurveRun::activate(const Setup &setup)
{
    m_setup = setup;
    m_setup.mirrors.resize(5);
    CurrentTarget = 1;
    SeriesNo = 1;
    LastReactedTarget = 0;
    CancelRequested = false;
    m_complete = false;
    m_holds.clear();
    m_previousHolds.clear();
    m_bookedSeries = 0;
    m_bookedTarget = 0;
    m_frameShown = false;
}

int CurveRun::mirrorFor(int target) const { return m_setup.leftToRight ? target : 6 - target; }

int CurveRun::fileForSeries(int series, int files) { return files <= 0 ? 0 : ((series - 1) % files) + 1; }

int CurveRun::half(int target) const { return m_setup.mirrors.at(mirrorFor(target) - 1).S / 2; }

qint64 CurveRun::shownAt() const
{
    const qint64 shown = m_display->shownNs();
    return shown >= 0 ? shown : Clock::instance().monotonicNs();
}

void CurveRun::noteLate(int point, qint64 lateNs)
{
    if (lateNs <= kTickMs * kMs)
        return;
    ++m_late;
    m_lateLog << QStringLiteral("Ausführen : [Verspätet] Serie %1, Ziel %2: Kurvenpunkt %3 %4 ms nach seinem Zeitpunkt angezeigt")
                     .arg(SeriesNo)
                     .arg(CurrentTarget)
                     .arg(point)
                     .arg(lateNs / kMs);
}

void CurveRun::inputStep(bool accepting)
{
    m_accepting = accepting;
    while (!m_lateLog.isEmpty())
        WriteLogLine(m_lateLog.takeFirst());
    const QVector<qint64> reactions = m_reactions;
    m_reactions.clear();
    for (qint64 inputNs : reactions)
        judge(inputNs);
    m_accepting = false;
    m_lastStepEndNs = Clock::instance().monotonicNs();
}

void CurveRun::after(qint64 deadlineNs, Next next)
{
    m_next = next;
    m_timer.startAt(deadlineNs);
}

void CurveRun::onStep()
{
    const Next next = m_next;
    m_next = nullptr;
    if (next)
        (this->*next)();
}

void CurveRun::slideTo(int target, Next then)
{
    m_afterSlide = then;
    m_slideTarget = target;
    if (PanPosition == target) {
        (this->*then)();
        return;
    }
    m_slideFrames = 0;
    m_slideStartNs = Clock::instance().monotonicNs();
    after(m_slideStartNs + kSlideStepMs * kMs, &CurveRun::slideStep);
}

void CurveRun::slideStep()
{
    PanPosition += m_slideTarget > PanPosition ? 1 : -1;
    ++m_slideFrames;
    showFrame(m_setup.systemWidth - PanPosition);
    if (PanPosition != m_slideTarget)
        after(m_slideStartNs + (m_slideFrames + 1) * kSlideStepMs * kMs, &CurveRun::slideStep);
    else
        (this->*m_afterSlide)();
}

void CurveRun::showFrame(int v)
{
    m_display->slideFrame(v);
    m_frameShown = true;
    m_shownFrame = v;
}

void CurveRun::run()
{
    if (m_running)
        return;
    m_running = true;
    m_complete = false;
    CancelRequested = false;
    m_late = 0;
    m_lateLog.clear();
    m_reactions.clear();
    CurrentTarget = 1;
    FileNo = 0;
    m_lastStepEndNs = -1;
    m_holds.clear();
    m_previousHolds.clear();
    m_bookedSeries = 0;
    m_bookedTarget = 0;
    m_sightShown = false;
    m_series = 0;
    m_display->setStartEnabled(false);
    m_display->focusReaction();
    beginSeries();
}

void CurveRun::beginSeries()
{
    // To the first mirror from the centred picture.
    PanPosition = 0;
    slideTo(m_setup.systemWidth / 2 - m_setup.mirrors.at(mirrorFor(1) - 1).X, &CurveRun::seriesSlid);
}

void CurveRun::seriesSlid()
{
    // A first mirror at the centre needs no slide, but a later series
    // must not start on the frame where the last one ended.
    const int W = m_setup.systemWidth;
    if (m_frameShown && m_shownFrame != W - PanPosition)
        showFrame(W - PanPosition);
    m_display->resetMirrorSymbols();

    SeriesNo = ++m_series;
    LastReactedTarget = 0;
    m_display->setLightsVisible(true);
    m_display->setStatusText(QStringLiteral("Messbeginn Serie %1").arg(m_series));
    AppState::instance().setActivityTitle(QStringLiteral("Messwerterfassung"));
    inputStep(false);
    m_light = 0;
    countdownLight();
}

void CurveRun::countdownLight()
{
    m_display->setLight(m_light);
    inputStep(false);
    after(Clock::instance().monotonicNs() + qint64(m_setup.scheibenabstand) * 1000 * kMs, &CurveRun::countdownNext);
}

void CurveRun::countdownNext()
{
    if (++m_light < 3) {
        countdownLight();
        return;
    }
    WriteLogLine(QStringLiteral("Ausführen : [Run] ER3 Messung"));
    m_display->setLightsVisible(false);
    m_display->setCancelCaption(QStringLiteral("&Abbruch"));
    m_display->focusReaction();
    CurrentTarget = 1;
    beginTarget();
}

void CurveRun::beginTarget()
{
    if (CurrentTarget == 1) {
        ++FileNo;
        if (FileNo > int(m_setup.curveFiles.size()))
            FileNo = 1;
    }
    slideTo(m_setup.systemWidth / 2 - m_setup.mirrors.at(mirrorFor(CurrentTarget) - 1).X, &CurveRun::targetSlid);
}

void CurveRun::targetSlid()
{
    const int t = CurrentTarget;
    m_display->setStatusText(QStringLiteral("Serie %1").arg(m_series));
    m_points.clear();
    if (!m_setup.curveFiles.isEmpty())
        DecodeCurvePoints(ReadCurveDefinition(m_setup.curveFiles.at(FileNo - 1), QString::number(t)), &m_points);
    OnRun = 0;
    Entries = 0;
    SinceOn = 0;
    LastRun = 0;
    m_half = half(t);

    const int n = int(m_points.size());
    m_previousHolds = m_holds;
    m_holds.clear();
    if (n == 0) {
        inputStep(false);
        curveDone();
        return;
    }
    // Point 0 is only the starting place: nothing drawn, no wait.
    inputStep(false);
    SightX = m_points.at(0).X - 150;
    SightY = m_points.at(0).Y - 150;
    inputStep(false);
    if (n == 1) {
        curveDone();
        return;
    }
    m_display->showSight(m_points.at(1).X - 150, m_points.at(1).Y - 150);
    m_sightShown = true;
    SightX = m_points.at(1).X - 150;
    SightY = m_points.at(1).Y - 150;
    // One timeline from the moment the first drawn point reached the screen:
    // the next point replaces the last one at its deadline, and input runs
    // while the new one is shown, so neither drawing nor input stretches the
    // curve. A hold lasts from its point's onset to the next one's.
    m_curveStartNs = shownAt();
    m_holdBeginNs = m_curveStartNs;
    m_point = 1;
    m_elapsedNs = qint64(m_points.at(1).T) * kMs;
    m_dueNs = m_curveStartNs + m_elapsedNs;
    after(m_dueNs, &CurveRun::pointStep);
}

void CurveRun::pointStep()
{
    const int n = int(m_points.size());
    const int k = m_point;
    const int T = m_points.at(k).T;
    const bool on = std::abs(SightX) <= m_half && std::abs(SightY) <= m_half;
    if (on) {
        if (OnRun == 0)
            ++Entries;
        OnRun += T;
        LastRun = OnRun;
        SinceOn = 0;
    } else {
        OnRun = 0;
    }
    SinceOn += T;
    Hold hold;
    hold.series = SeriesNo;
    hold.target = CurrentTarget;
    hold.time = OnRun != 0 ? OnRun : LastRun + SinceOn;
    hold.hit = on;
    hold.entries = Entries;
    // The next point replaces this one in one frame; after the last the scene is bare.
    const bool more = k + 1 < n;
    if (more) {
        m_display->showSight(m_points.at(k + 1).X - 150, m_points.at(k + 1).Y - 150);
    } else {
        m_display->eraseSight();
        m_sightShown = false;
    }
    const qint64 next = shownAt();
    if (more)
        noteLate(k + 1, next - m_dueNs);
    hold.beginNs = m_holdBeginNs;
    hold.endNs = next;
    m_holdBeginNs = next;
    m_holds.append(hold);
    // A reaction here is judged on point k, whose hold has just ended
    // (for the last point this is the extra step after its hold).
    inputStep(true);
    if (!more) {
        curveDone();
        return;
    }
    SightX = m_points.at(k + 1).X - 150;
    SightY = m_points.at(k + 1).Y - 150;
    m_point = k + 1;
    m_elapsedNs += qint64(m_points.at(k + 1).T) * kMs;
    m_dueNs = m_curveStartNs + m_elapsedNs;
    after(m_dueNs, &CurveRun::pointStep);
}

void CurveRun::curveDone()
{
    // The pause between targets (none in a run of one series).
    if (m_setup.serienAnzahl != 1)
        after(Clock::instance().monotonicNs() + qint64(m_setup.scheibenabstand) * 1000 * kMs, &CurveRun::nextTarget);
    else
        nextTarget();
}

void CurveRun::nextTarget()
{
    if (CurrentTarget < 5) {
        ++CurrentTarget;
        beginTarget();
    } else if (m_series < m_setup.serienAnzahl) {
        beginSeries();
    } else {
        finish();
    }
}

void CurveRun::requestCancel()
{
    CancelRequested = true;
    if (!m_running)
        return;
    m_timer.stop();
    m_next = nullptr;
    m_reactions.clear();
    if (m_sightShown) {
        m_display->eraseSight();
        m_sightShown = false;
    }
    finish();
}

void CurveRun::finish()
{
    m_timer.stop();
    // Late points a cancel left unwritten.
    while (!m_lateLog.isEmpty())
        WriteLogLine(m_lateLog.takeFirst());
    m_complete = !CancelRequested;
    if (m_complete)
        m_display->setCancelCaption(QStringLiteral("&Fertig"));
    m_running = false;
}

void CurveRun::reaction()
{
    if (m_running)
        m_reactions.append(kAsHandled);
}

void CurveRun::reactionAt(qint64 inputNs)
{
    if (!m_running)
        return;
    // In a hold that has ended, and nothing waits before it: judged now.
    if (m_reactions.isEmpty() && bookInHold(inputNs))
        return;
    m_reactions.append(qMax(inputNs, kAsHandled + 1));
}

bool CurveRun::bookInHold(qint64 inputNs)
{
    for (const QVector<Hold> *holds : {&m_holds, &m_previousHolds}) {
        for (const Hold &hold : *holds) {
            if (hold.beginNs < inputNs && inputNs <= hold.endNs) {
                book(hold);
                return true;
            }
        }
    }
    return false;
}

void CurveRun::judge(qint64 inputNs)
{
    if (inputNs != kAsHandled) {
        if (bookInHold(inputNs))
            return;
        // While the next point is shown (or after the last hold): as handled.
        if (m_holds.isEmpty() || inputNs <= m_holds.last().endNs)
            return;
    }
    if (m_accepting && !m_holds.isEmpty())
        book(m_holds.last());
}

qint64 CurveRun::inputFloorNs() const
{
    return m_lastStepEndNs >= 0 ? m_lastStepEndNs - 1000 * kMs : std::numeric_limits<qint64>::min();
}

void CurveRun::book(const Hold &hold)
{
    // One row per target; a target before the last one booked is not booked late.
    if (hold.series < m_bookedSeries || (hold.series == m_bookedSeries && hold.target <= m_bookedTarget))
        return;
    m_bookedSeries = hold.series;
    m_bookedTarget = hold.target;
    LastReactedTarget = hold.target;
    ResultRow row;
    row.series = hold.series;
    row.target = hold.target;
    row.time = QString::asprintf("%4d", hold.time);
    row.status = hold.hit ? QStringLiteral("x") : QStringLiteral("o");
    if (hold.hit)
        m_display->markMirrorSymbol(mirrorFor(hold.target));
    row.error = QString::asprintf("%2d", hold.entries);
    m_display->addResultRow(row);
}
