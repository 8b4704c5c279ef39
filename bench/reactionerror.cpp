// Reaction-time error of test 1 with a stalled UI thread: a helper thread
// "presses a key" a known time after the target was drawn (taken from the
// monotonic clock at the drawing); the run measures it in 10 ms ticks of
// TFastTimer while the UI thread is stalled 35 ms every 200 ms. Prints the
// share of trials whose measured time lies within one tick of the true one,
// then the cost of one tick and of one repaint of the paint box.
//
//   vantrel-reaction-bench [--trials N] [--stall MS] [--every MS]

#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "platform/clock.h"
#include "reaction/reactionrun.h"
#include "reaction/sightbox.h"
#include "reaction/sightrender.h"
#include "reaction/staticrun.h"

#include "benchoptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

QElapsedTimer g_clock;

// The countdown is not what is measured here: no waits.
class NoWaitClock : public Clock
{
public:
    void sleep(int) override {}
};

// The key a trial's helper thread posts to the UI thread.
class KeyEvent : public QEvent
{
public:
    static QEvent::Type type()
    {
        static const int t = QEvent::registerEventType();
        return QEvent::Type(t);
    }
    KeyEvent() : QEvent(type()) {}
};

class Bench : public QObject, public RunDisplay
{
public:
    StaticRun run{this};
    TFastTimer timer;
    std::mutex mutex;
    std::condition_variable wake;
    qint64 drawnNs = -1;            // monotonic time the target was drawn
    std::vector<qint64> truth;      // true reaction per trial, ns
    std::vector<int> measuredMs;
    int trials = 1000;
    std::mt19937 rng{42};

    void setStatusText(const QString &) override {}
    void setLight(int) override {}
    void setLightsVisible(bool) override {}
    void setTickEnabled(bool on) override { timer.setEnabled(on); }
    void setCancelCaption(const QString &) override {}
    void startButtonDisabled() override {}
    void showSight() override {}
    void processEvents() override {}
    void drawTarget(int, int, const QColor &fill, const QColor &, int) override
    {
        if (fill != QColor(Qt::black))
            return;
        std::lock_guard<std::mutex> lock(mutex);
        drawnNs = g_clock.nsecsElapsed();
        wake.notify_all();
    }
    void addResultRow(const ResultRow &row) override
    {
        measuredMs.push_back(row.time.toInt());
        // Shorten the rest of the cycle: the next target comes 3 ticks after the next cycle start.
        run.CycleTicks = run.TargetDelay + 149;
        if (int(measuredMs.size()) >= trials) {
            timer.setEnabled(false);
            QCoreApplication::quit();
        }
    }
    bool event(QEvent *e) override
    {
        if (e->type() != KeyEvent::type())
            return QObject::event(e);
        run.keyPressed();
        return true;
    }
};
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int trials = std::max(1, BenchOption(args, "--trials", 1000, 0));
    const int stallMs = BenchOption(args, "--stall", 35, 0);
    const int everyMs = std::max(1, BenchOption(args, "--every", 200, 0));
    LoadFastTimerLibrary();
    g_clock.start();

    std::printf("Reaktionszeit-Fehler: %d Versuche, UI-Thread alle %d ms für %d ms blockiert\n", trials, everyMs, stallMs);
    std::fflush(stdout);

    Bench bench;
    bench.trials = trials;
    bench.timer.setInterval(10);
    bench.timer.setResolution(10);
    bench.timer.OnTimer = [&](TFastTimer *) {
        bench.run.tick();
        if (!bench.run.CycleRunning)
            bench.run.TargetDelay = 3; // next target 30 ms after its cycle starts
    };
    bench.run.activate(1000000, 1, ValidityBounds(), 10);
    bench.run.TargetDelay = 3;

    std::atomic<bool> done{false};
    std::thread presser([&] {
        std::uniform_int_distribution<int> delayUs(150000, 900000); // 150 to 900 ms
        qint64 lastDrawn = -1;
        while (!done) {
            qint64 drawn;
            {
                std::unique_lock<std::mutex> lock(bench.mutex);
                bench.wake.wait_for(lock, std::chrono::milliseconds(50),
                                    [&] { return done || bench.drawnNs != lastDrawn; });
                if (done)
                    break;
                if (bench.drawnNs == lastDrawn)
                    continue;
                drawn = lastDrawn = bench.drawnNs;
            }
            const qint64 delay = qint64(delayUs(bench.rng)) * 1000 / 10; // 15 to 90 ms
            const qint64 at = drawn + delay;
            while (g_clock.nsecsElapsed() < at)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            bench.truth.push_back(g_clock.nsecsElapsed() - drawn);
            QCoreApplication::postEvent(&bench, new KeyEvent);
        }
    });

    QTimer stall;
    stall.setTimerType(Qt::PreciseTimer);
    stall.setInterval(everyMs);
    QObject::connect(&stall, &QTimer::timeout, [&] {
        if (stallMs > 0)
            QThread::msleep(static_cast<unsigned long>(stallMs));
    });
    stall.start();
    NoWaitClock noWait;
    Clock::install(&noWait);
    QTimer::singleShot(0, [&] { bench.run.start(); });
    app.exec();
    Clock::install(nullptr);
    done = true;
    bench.wake.notify_all();
    presser.join();
    stall.stop();

    const size_t n = std::min(bench.truth.size(), bench.measuredMs.size());
    int within = 0;
    double sumAbs = 0, worst = 0;
    for (size_t i = 0; i < n; ++i) {
        const double err = bench.measuredMs[i] - bench.truth[i] / 1e6;
        sumAbs += std::abs(err);
        worst = std::max(worst, std::abs(err));
        if (std::abs(err) <= 10.0)
            ++within;
    }
    std::printf("Versuche ausgewertet: %zu\n", n);
    std::printf("innerhalb eines Ticks (<= 10 ms): %.1f %%\n", n ? 100.0 * within / n : 0.0);
    std::printf("mittlerer Fehler: %.2f ms, größter Fehler: %.2f ms\n", n ? sumAbs / n : 0.0, worst);

    // Cost of one tick (no drawing), averaged over many ticks.
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
            void processEvents() override {}
        } null;
        StaticRun run(&null);
        run.activate(1000000, 1, ValidityBounds(), 10);
        const int ticks = 1000000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < ticks; ++i)
            run.tick();
        std::printf("ein Tick: %.3f µs\n", t.nsecsElapsed() / 1e3 / ticks);
    }
    // Cost of one repaint of the target on the 300 x 300 paint box.
    {
        SightProfile p{33, 80, 50, 40, 20, 12, 10};
        TSightBox box(300, 300);
        box.setSight(RenderSight(300, 300, p, QString()));
        box.show();
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        const QRect r = TargetRect(300, 300, 10);
        const int draws = 2000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < draws; ++i)
            box.drawEllipse(r, i % 2 ? Qt::white : Qt::black, Qt::white, 1);
        std::printf("Ziel zeichnen + Neuzeichnen: %.1f µs\n", t.nsecsElapsed() / 1e3 / draws);
        t.restart();
        for (int i = 0; i < draws; ++i)
            box.repaint();
        std::printf("ganzes Visier neu zeichnen: %.1f µs\n", t.nsecsElapsed() / 1e3 / draws);
    }
    ReleaseFastTimerLibrary();
    return 0;
}
