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

void CurveRun::waitUntil(qint64 deadlineNs) { Clock::instance().sleepUntilNs(deadlineNs); }

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

bool CurveRun::inputStep(bool accepting)
{
    m_accepting = accepting;
    m_inStep = true;
    // Log writes let input run: they belong in a step, where it counts.
    while (!m_lateLog.isEmpty())
        WriteLogLine(m_lateLog.takeFirst());
    m_display->processEvents();
    m_inStep = false;
    m_accepting = false;
    m_lastStepEndNs = Clock::instance().monotonicNs();
    return !CancelRequested;
}

void CurveRun::slideTo(int target)
{
    if (PanPosition == target)
        return;
    const int W = m_setup.systemWidth;
    const int step = target > PanPosition ? 1 : -1;
    const qint64 start = Clock::instance().monotonicNs();
    for (qint64 p = 1; PanPosition != target; ++p) {
        waitUntil(start + p * kSlideStepMs * kMs);
        PanPosition += step;
        showFrame(W - PanPosition);
    }
}

void CurveRun::showFrame(int v)
{
    m_display->slideFrame(v);
    m_frameShown = true;
    m_shownFrame = v;
}

void CurveRun::presentCurve(const QVector<CurvePoint> &points, int half)
{
    const int n = int(points.size());
    m_previousHolds = m_holds;
    m_holds.clear();
    if (n == 0) {
        // Nothing to present; a cancel still gets through here.
        inputStep(false);
        return;
    }
    // Point 0 is only the starting place: nothing drawn, no wait.
    if (!inputStep(false))
        return;
    SightX = points.at(0).X - 150;
    SightY = points.at(0).Y - 150;
    if (!inputStep(false))
        return;
    if (n == 1)
        return;

    m_display->showSight(points.at(1).X - 150, points.at(1).Y - 150);
    SightX = points.at(1).X - 150;
    SightY = points.at(1).Y - 150;
    // One timeline from the moment the first drawn point reached the screen:
    // the next point replaces the last one at its deadline, and input runs
    // while the new one is shown, so neither drawing nor input stretches the
    // curve. A hold lasts from its point's onset to the next one's.
    const qint64 start = shownAt();
    qint64 shown = start;
    qint64 elapsed = 0;
    for (int k = 1; k < n; ++k) {
        const int T = points.at(k).T;
        elapsed += qint64(T) * kMs;
        const qint64 due = start + elapsed;
        waitUntil(due);
        if (std::abs(SightX) <= half && std::abs(SightY) <= half) {
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
        hold.hit = std::abs(SightX) <= half && std::abs(SightY) <= half;
        hold.entries = Entries;
        // The next point replaces this one in one frame; after the last the scene is bare.
        const bool more = k + 1 < n;
        if (more)
            m_display->showSight(points.at(k + 1).X - 150, points.at(k + 1).Y - 150);
        else
            m_display->eraseSight();
        const qint64 next = shownAt();
        if (more)
            noteLate(k + 1, next - due);
        hold.beginNs = shown;
        hold.endNs = next;
        shown = next;
        m_holds.append(hold);
        // A reaction here is judged on point k, whose hold has just ended
        // (for the last point this is the extra step after its hold).
        if (!inputStep(true)) {
            if (more)
                m_display->eraseSight();
            return;
        }
        if (more) {
            SightX = points.at(k + 1).X - 150;
            SightY = points.at(k + 1).Y - 150;
        }
    }
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
    CurrentTarget = 1;
    FileNo = 0;
    m_lastStepEndNs = -1;
    m_holds.clear();
    m_previousHolds.clear();
    m_bookedSeries = 0;
    m_bookedTarget = 0;
    int c = 0;
    m_display->setStartEnabled(false);
    m_display->focusReaction();
    const int W = m_setup.systemWidth;
    const int files = int(m_setup.curveFiles.size());
    const int pauseMs = m_setup.scheibenabstand * 1000;

    do {
        // To the first mirror from the centred picture.
        PanPosition = 0;
        slideTo(W / 2 - m_setup.mirrors.at(mirrorFor(1) - 1).X);
        // A first mirror at the centre needs no slide, but a later series
        // must not start on the frame where the last one ended.
        if (m_frameShown && m_shownFrame != W - PanPosition)
            showFrame(W - PanPosition);
        m_display->resetMirrorSymbols();

        ++c;
        SeriesNo = c;
        LastReactedTarget = 0;
        m_display->setLightsVisible(true);
        m_display->setStatusText(QStringLiteral("Messbeginn Serie %1").arg(c));
        AppState::instance().setActivityTitle(QStringLiteral("Messwerterfassung"));
        if (!inputStep(false))
            break;
        bool cancelled = false;
        for (int light = 0; light < 3 && !cancelled; ++light) {
            m_display->setLight(light);
            cancelled = !inputStep(false);
            if (!cancelled)
                Clock::instance().sleep(pauseMs);
        }
        if (cancelled)
            break;

        WriteLogLine(QStringLiteral("Ausführen : [Run] ER3 Messung"));
        m_display->setLightsVisible(false);
        m_display->setCancelCaption(QStringLiteral("&Abbruch"));
        m_display->focusReaction();

        for (int t = 1; t <= 5; ++t) {
            if (t == 1) {
                ++FileNo;
                if (FileNo > files)
                    FileNo = 1;
            }
            CurrentTarget = t;
            slideTo(W / 2 - m_setup.mirrors.at(mirrorFor(t) - 1).X);
            m_display->setStatusText(QStringLiteral("Serie %1").arg(c));
            QVector<CurvePoint> points;
            if (files > 0)
                DecodeCurvePoints(ReadCurveDefinition(m_setup.curveFiles.at(FileNo - 1), QString::number(t)), &points);
            OnRun = 0;
            Entries = 0;
            SinceOn = 0;
            LastRun = 0;
            presentCurve(points, half(t));
            if (CancelRequested)
                break;
            if (m_setup.serienAnzahl != 1)
                Clock::instance().sleep(pauseMs);
        }
    } while (c < m_setup.serienAnzahl && !CancelRequested);
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
    if (!m_accepting || m_holds.isEmpty())
        return;
    book(m_holds.last());
}

void CurveRun::reactionAt(qint64 inputNs)
{
    if (!m_inStep)
        return;
    for (const QVector<Hold> *holds : {&m_holds, &m_previousHolds}) {
        for (const Hold &hold : *holds) {
            if (hold.beginNs < inputNs && inputNs <= hold.endNs) {
                book(hold);
                return;
            }
        }
    }
    // While the next point is shown (or after the last hold): as handled.
    if (!m_holds.isEmpty() && inputNs > m_holds.last().endNs)
        reaction();
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
