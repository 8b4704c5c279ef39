// Reaction-time error of test 1 with a stalled UI thread. A helper thread
// "presses a key" 15 to 150 ms after the target was painted and
// posts a real QKeyEvent stamped with that input time (on a window-system
// clock that runs ahead of ours); the run measures it with TFastTimer's
// 10 ms ticks while the UI thread stalls now and then. Three runs side by
// side: keys applied as they arrive, counted in ticks from the target's tick
// ("Ankunft"); keys placed among the ticks by their input time
// (InputSequencer), counted in ticks ("Eingabezeit"); and keys placed by
// their input time, counted from the moment the target was painted and
// flushed ("Bildschirm -> Eingabe", what the program does). Each run's
// stored times are compared with the key's delay after the target's tick
// was due and with its delay after the target was painted (what the shooter
// saw). Prints the share within one tick, the worst and mean error, the
// targets painted more than a tick late, the time from a target's tick to
// the end of its paint and the cost per tick.
//
//   vantrel-reaction-bench [--trials N] [--sound 0|1] [--pattern 0|1|2]
//     pattern 0: both (default), 1: 35 ms every 200 ms, 2: 120 ms every 1 s

#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "device/inputsequencer.h"
#include "platform/clock.h"
#include "platform/stepscheduler.h"
#include "runkit/effecthitsound.h"
#include "runkit/reactionrun.h"
#include "runkit/sightbox.h"
#include "runkit/sightrender.h"
#include "reaction/staticrun.h"

#include "benchoptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QInputDevice>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

// The window system's clock runs this far ahead of ours (ms).
constexpr qint64 kStampOffsetMs = 86400000;

qint64 nowNs() { return Clock::instance().monotonicNs(); }

// The countdown is not what is measured here: its steps come at once.
class NoWaitSteps : public StepScheduler
{
public:
    quint64 schedule(qint64, Step step) override { return StepScheduler::schedule(nowNs(), std::move(step)); }
};

// Errors of the stored times against one reference.
struct Errors
{
    int within = 0;
    double worstMs = 0;
    double meanAbsMs = 0;
};

struct Figures
{
    int trials = 0;
    Errors fromTick;    // against the key's delay after the target's tick was due
    Errors fromScreen;  // against its delay after the target was painted
    int late = 0;       // targets painted more than a tick after their tick was due
    std::vector<double> paintFromDueMs;    // target's tick due -> paint done
    std::vector<double> paintFromStartMs;  // tick handler start -> paint done
    double tickUs = 0;
    double tickMaxUs = 0;
    int misplaced = 0;
    int fallbacks = 0;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
double maximum(const std::vector<double> &v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

// How a run places keys and from what it counts.
enum class Mode
{
    Arrival,     // as they arrive, counted in ticks
    InputTime,   // by input time, counted in ticks
    Onset,       // by input time, counted from the painted target
};

class Trial : public QObject, public RunDisplay
{
public:
    Trial(Mode mode, bool sound, TSightBox *box, int trials)
        : m_mode(mode)
        , m_sound(sound)
        , m_box(box)
        , m_trials(trials)
    {
        timer.setInterval(10);
        timer.setResolution(10);
        timer.OnTimer = [this](TFastTimer *) {
            m_tickStart = nowNs();
            run.tick();
            if (!run.CycleRunning)
                run.TargetDelay = 3;  // next target 30 ms after its cycle starts
            const double us = (nowNs() - m_tickStart) / 1e3;
            m_tickSumUs += us;
            m_tickMaxUs = std::max(m_tickMaxUs, us);
            ++m_ticks;
        };
        if (mode != Mode::Arrival)
            input = std::make_unique<InputSequencer>(&timer);
    }

    TFastTimer timer;
    std::unique_ptr<InputSequencer> input;
    StaticRun run{this};
    std::mutex mutex;
    std::condition_variable wake;
    qint64 targetDueNs = -1;       // due time of the tick that drew the last target
    qint64 targetPaintedNs = -1;   // when its paint was done
    std::vector<qint64> truthNs;   // per key: input time - target's tick
    std::vector<qint64> seenNs;    // per key: input time - target painted
    std::vector<int> measuredMs;
    Figures fig;
    QEventLoop loop;

    void setStatusText(const QString &) override {}
    void setLight(int) override {}
    void setLightsVisible(bool) override {}
    void setTickEnabled(bool on) override { timer.setEnabled(on); }
    void setCancelCaption(const QString &) override {}
    void startButtonDisabled() override {}
    void showSight() override {}
    void reactionTaken(bool valid) override
    {
        if (m_sound)
            HitSound::instance().play(valid ? HitSound::Hit : HitSound::Miss);
    }
    qint64 targetShownNs() const override { return m_mode == Mode::Onset ? m_paintedNs : -1; }
    qint64 tickDueNs() const override { return timer.runningTickDueNs(); }
    void drawTarget(int dx, int dy, const QColor &fill, const QColor &pen, int penWidth) override
    {
        const qint64 before = nowNs();
        m_box->drawEllipse(TargetRect(300, 300, 10, dx, dy), fill, pen, penWidth);
        const qint64 painted = nowNs();
        // The onset as the test windows take it: the end of the paint.
        m_paintedNs = m_box->paintedNs() >= before ? m_box->paintedNs() : painted;
        if (fill != QColor(Qt::black))
            return;
        const qint64 due = timer.runningTickDueNs();
        fig.paintFromDueMs.push_back((painted - due) / 1e6);
        fig.paintFromStartMs.push_back((painted - m_tickStart) / 1e6);
        std::lock_guard<std::mutex> lock(mutex);
        targetDueNs = due;
        targetPaintedNs = painted;
        wake.notify_all();
    }
    void addResultRow(const ResultRow &row) override
    {
        measuredMs.push_back(row.time.toInt());
        // Shorten the rest of the cycle: the next cycle starts at the next tick.
        run.CycleTicks = run.TargetDelay + 1000;
        if (int(measuredMs.size()) >= m_trials) {
            timer.setEnabled(false);
            loop.quit();
        }
    }
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
            return QObject::event(e);
        auto *key = static_cast<QKeyEvent *>(e);
        if (input)
            input->observe(key);
        if (e->type() == QEvent::KeyPress) {
            if (m_mode == Mode::Onset)
                input->submit(key, [this](qint64 inputNs) { run.keyPressedAt(inputNs); });
            else if (input)
                input->submit(key, [this] { run.keyPressed(); });
            else
                run.keyPressed();
        }
        return true;
    }
    void finish()
    {
        fig.tickUs = m_ticks ? m_tickSumUs / m_ticks : 0;
        fig.tickMaxUs = m_tickMaxUs;
        if (input) {
            fig.misplaced = input->misplaced();
            fig.fallbacks = input->mapper().fallbacks();
        }
        const size_t n = std::min({truthNs.size(), seenNs.size(), measuredMs.size()});
        fig.trials = int(n);
        fig.late = int(std::count_if(fig.paintFromDueMs.begin(), fig.paintFromDueMs.end(), [](double ms) { return ms > 10.0; }));
        auto count = [&](const std::vector<qint64> &truth, Errors &e) {
            double sumAbs = 0;
            for (size_t i = 0; i < n; ++i) {
                const double err = measuredMs[i] - truth[i] / 1e6;
                sumAbs += std::abs(err);
                e.worstMs = std::max(e.worstMs, std::abs(err));
                if (std::abs(err) <= 10.0)
                    ++e.within;
            }
            e.meanAbsMs = n ? sumAbs / n : 0;
        };
        count(truthNs, fig.fromTick);
        count(seenNs, fig.fromScreen);
    }

private:
    Mode m_mode;
    bool m_sound;
    qint64 m_paintedNs = -1;
    TSightBox *m_box;
    int m_trials;
    qint64 m_tickStart = 0;
    double m_tickSumUs = 0;
    double m_tickMaxUs = 0;
    qint64 m_ticks = 0;
};

void postKey(QObject *to, QEvent::Type type, qint64 ms)
{
    auto *key = new QKeyEvent(type, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    key->setTimestamp(quint64(ms + kStampOffsetMs));
    QCoreApplication::postEvent(to, key);
}

// Waits on the monotonic clock until ms, the last stretch spinning.
void waitUntilMs(qint64 ms)
{
    const qint64 at = ms * 1000000;
    while (nowNs() < at - 1500000)
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    while (nowNs() < at) {
    }
}

Figures runTrials(Mode mode, bool sound, int stallMs, int everyMs, int trials, TSightBox *box, quint32 seed)
{
    Trial t(mode, sound, box, trials);
    t.run.activate(1000000, 1, ValidityBounds(), 10);
    std::atomic<bool> done{false};
    std::thread presser([&] {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> delayMs(15, 150);
        // A few events before the run: the window system's clock is known.
        for (int i = 0; i < 5; ++i) {
            postKey(&t, QEvent::KeyRelease, nowNs() / 1000000);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        qint64 lastTarget = -1;
        while (!done) {
            qint64 target, painted;
            {
                std::unique_lock<std::mutex> lock(t.mutex);
                t.wake.wait_for(lock, std::chrono::milliseconds(50), [&] { return done || t.targetDueNs != lastTarget; });
                if (done)
                    break;
                if (t.targetDueNs == lastTarget)
                    continue;
                target = lastTarget = t.targetDueNs;
                painted = t.targetPaintedNs;
            }
            // The shooter reacts to what is on screen: a target whose tick
            // came late behind a stall is seen late.
            const qint64 atMs = (painted + 999999) / 1000000 + delayMs(rng);
            waitUntilMs(atMs);
            t.truthNs.push_back(atMs * 1000000 - target);
            t.seenNs.push_back(atMs * 1000000 - painted);
            postKey(&t, QEvent::KeyPress, atMs);
            waitUntilMs(atMs + 8);
            postKey(&t, QEvent::KeyRelease, atMs + 8);
        }
    });

    QTimer stall;
    stall.setTimerType(Qt::PreciseTimer);
    stall.setInterval(everyMs);
    QObject::connect(&stall, &QTimer::timeout, [&] { QThread::msleep(static_cast<unsigned long>(stallMs)); });
    stall.start();
    QTimer::singleShot(20, &t, [&] {
        t.run.start();
        t.run.TargetDelay = 3;
    });
    t.loop.exec();
    stall.stop();
    done = true;
    t.wake.notify_all();
    presser.join();
    t.finish();
    return t.fig;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int trials = std::max(1, BenchOption(args, "--trials", 1000, 0));
    const bool sound = BenchOption(args, "--sound", 1, 0) != 0;
    const int pattern = BenchOption(args, "--pattern", 0, 0);
    LoadFastTimerLibrary();
    NoWaitSteps noWait;
    StepScheduler::install(&noWait);

    // The keyboard the helper threads' key events name is made here, on the UI thread.
    QInputDevice::primaryKeyboard();
    bool audio = false;
    if (sound) {
        HitSound::instance().prepare();
        audio = static_cast<EffectHitSound &>(HitSound::instance()).available();
    }
    std::printf("Reaktionszeit-Fehler: %d Versuche je Lauf, Ton %s (%s)\n", trials, sound ? "an" : "aus",
                audio ? "Audioausgabe vorhanden" : "keine Audioausgabe");
    std::fflush(stdout);

    SightProfile p{33, 80, 50, 40, 20, 12, 10};
    TSightBox box(300, 300);
    box.setSight(RenderSight(300, 300, p, QString()));
    box.show();
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();

    struct Pattern
    {
        int stallMs, everyMs;
    };
    std::vector<Pattern> patterns;
    if (pattern != 2)
        patterns.push_back({35, 200});
    if (pattern != 1)
        patterns.push_back({120, 1000});

    bool goal = true;
    for (const Pattern &pt : patterns) {
        std::printf("\nUI-Thread alle %d ms für %d ms blockiert\n", pt.everyMs, pt.stallMs);
        std::fflush(stdout);
        const Figures a = runTrials(Mode::Arrival, sound, pt.stallMs, pt.everyMs, trials, &box, 7);
        const Figures b = runTrials(Mode::InputTime, sound, pt.stallMs, pt.everyMs, trials, &box, 7);
        const Figures c = runTrials(Mode::Onset, sound, pt.stallMs, pt.everyMs, trials, &box, 7);
        auto row = [](const char *label, double x, double y, double z, const char *unit) {
            std::printf("  %-42s %12.1f %s %12.1f %s %18.1f %s\n", label, x, unit, y, unit, z, unit);
        };
        auto share = [](const Figures &f, const Errors &e) { return f.trials ? 100.0 * e.within / f.trials : 0; };
        std::printf("  %-42s %15s %15s %23s\n", "", "Ankunft", "Eingabezeit", "Bildschirm → Eingabe");
        std::printf("  %-42s %15s %15s %21s\n", "gespeicherte Zeit zählt ab", "Tick", "Tick", "Bild");
        std::printf("  %-42s %15d %15d %21d\n", "Versuche", a.trials, b.trials, c.trials);
        std::printf("  gegen die Zeit seit dem Bild (was der Schütze sah):\n");
        row("innerhalb eines Ticks (<= 10 ms)", share(a, a.fromScreen), share(b, b.fromScreen), share(c, c.fromScreen),
            " %");
        row("größter Fehler", a.fromScreen.worstMs, b.fromScreen.worstMs, c.fromScreen.worstMs, "ms");
        row("mittlerer Fehler", a.fromScreen.meanAbsMs, b.fromScreen.meanAbsMs, c.fromScreen.meanAbsMs, "ms");
        std::printf("  gegen die Zeit seit dem fälligen Tick des Ziels:\n");
        row("innerhalb eines Ticks (<= 10 ms)", share(a, a.fromTick), share(b, b.fromTick), share(c, c.fromTick), " %");
        row("größter Fehler", a.fromTick.worstMs, b.fromTick.worstMs, c.fromTick.worstMs, "ms");
        row("mittlerer Fehler", a.fromTick.meanAbsMs, b.fromTick.meanAbsMs, c.fromTick.meanAbsMs, "ms");
        std::printf("  %-42s %15d %15d %21d\n", "Ziele > 1 Tick verspätet gezeichnet", a.late, b.late, c.late);
        row("Tick fällig -> Ziel gezeichnet, Median", median(a.paintFromDueMs), median(b.paintFromDueMs),
            median(c.paintFromDueMs), "ms");
        row("Tick fällig -> Ziel gezeichnet, max", maximum(a.paintFromDueMs), maximum(b.paintFromDueMs),
            maximum(c.paintFromDueMs), "ms");
        row("Tickbeginn -> Ziel gezeichnet, Median", median(a.paintFromStartMs), median(b.paintFromStartMs),
            median(c.paintFromStartMs), "ms");
        row("Tickbeginn -> Ziel gezeichnet, max", maximum(a.paintFromStartMs), maximum(b.paintFromStartMs),
            maximum(c.paintFromStartMs), "ms");
        row("Kosten je Tick, Mittel", a.tickUs, b.tickUs, c.tickUs, "µs");
        row("Kosten je Tick, max", a.tickMaxUs, b.tickMaxUs, c.tickMaxUs, "µs");
        std::printf("  %-42s %15s %15d %21d\n", "nicht einzuordnen", "-", b.misplaced, c.misplaced);
        std::printf("  %-42s %15s %15d %21d\n", "Zeitstempel unplausibel (Rückfall)", "-", b.fallbacks, c.fallbacks);
        std::fflush(stdout);
        goal = goal && c.trials == trials && c.fromScreen.within == c.trials;
    }
    std::printf("\n%s\n", goal ? "Ziel erreicht (goal met): 100 % innerhalb eines Ticks, Bildschirm → Eingabe"
                               : "Ziel verfehlt (goal not met)");

    // Cost of one tick of the run alone (no drawing), averaged over many ticks.
    {
        struct Null : RunDisplay
        {
            void setStatusText(const QString &) override {}
            void setLight(int) override {}
            void setLightsVisible(bool) override {}
            void setTickEnabled(bool) override {}
            void setCancelCaption(const QString &) override {}
            void startButtonDisabled() override {}
            void drawTarget(int, int, const QColor &, const QColor &, int) override {}
            void showSight() override {}
            void addResultRow(const ResultRow &) override {}
                } null;
        StaticRun run(&null);
        run.activate(1000000, 1, ValidityBounds(), 10);
        const int ticks = 1000000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < ticks; ++i)
            run.tick();
        std::printf("Lauflogik allein, ein Tick: %.3f µs\n", t.nsecsElapsed() / 1e3 / ticks);
    }
    // What placing input costs before a tick when none is waiting: one drain.
    {
        TFastTimer timer;
        InputSequencer input(&timer);
        const int drains = 20000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < drains; ++i)
            input.DrainInput();
        std::printf("Eingaben vor einem Tick einordnen (nichts wartet): %.1f µs\n", t.nsecsElapsed() / 1e3 / drains);
    }
    StepScheduler::install(nullptr);
    ReleaseFastTimerLibrary();
    return goal ? 0 : 1;
}
