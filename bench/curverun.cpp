// Timing of the test-3 run in the real window (offscreen) on the real clock:
// one curve of 250 points of 20 ms after a slide of 120 px, with an input
// handler that takes 3 ms after every 10th timer step. The same curve is then
// timed with plain sleeps of T per point, as the run would without its
// timeline. Prints the drift at the curve's end, the share of holds within
// 1 ms of T, the worst hold, the slide's drift and the cost of a point step
// and of a slide frame.
//
//   vantrel-curve-bench [--points N] [--hold MS] [--slide PX] [--handler MS]

#include "curves/curverunsettings.h"
#include "curves/curvetestwindow.h"
#include "curves/curveresultwindow.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "platform/stepscheduler.h"
#include "runkit/runsettings.h"

#include "benchoptions.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QElapsedTimer g_clock;
double nowMs() { return g_clock.nsecsElapsed() / 1e6; }

// Input that keeps the UI thread busy for `handlerMs` at every 10th call.
struct BusyInput
{
    int handlerMs = 3;
    int steps = 0;
    void step()
    {
        if (++steps % 10 == 0) {
            const double until = nowMs() + handlerMs;
            while (nowMs() < until) {
            }
        }
    }
};

// The real timer steps, with the input handler after every 10th of them.
class BusyInputSteps : public StepScheduler
{
public:
    BusyInput *input = nullptr;
    quint64 schedule(qint64 deadlineNs, Step step) override
    {
        return StepScheduler::schedule(deadlineNs, [this, step] {
            step();
            input->step();
        });
    }
};

class Quiet : public MessageService
{
public:
    int show(Kind, const QString &text, int, const QString &) override
    {
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(text));
        return Ok;
    }
};

// The test window with time stamps of what it draws.
class TimedWindow : public CurveTestWindow
{
public:
    using CurveTestWindow::CurveTestWindow;
    std::vector<double> sights, frames;
    std::vector<double> sightCost, frameCost;
    void showSight(int left, int top) override
    {
        const double t = nowMs();
        sights.push_back(t);
        CurveTestWindow::showSight(left, top);
        sightCost.push_back(nowMs() - t);
    }
    void slideFrame(int v) override
    {
        const double t = nowMs();
        frames.push_back(t);
        CurveTestWindow::slideFrame(v);
        frameCost.push_back(nowMs() - t);
    }
};

void writeFiles(const QString &dir, int points, int hold, int slide)
{
    QDir().mkpath(dir + "/sdata");
    QDir().mkpath(dir + "/kdata/Bench");
    QImage system(600, 200, QImage::Format_RGB32);
    system.fill(qRgb(190, 200, 190));
    system.save(dir + "/sdata/bench.bmp", "BMP");
    QFile def(dir + "/sdata/bench.def");
    def.open(QIODevice::WriteOnly);
    // Mirror 1 at the centre, the others `slide` px to the right: one slide.
    const QByteArray x = QByteArray::number(300 + slide);
    def.write("[Spiegel]\n1=300:100|40\n2=" + x + ":100|40\n3=" + x + ":100|40\n4=" + x + ":100|40\n5=" + x + ":100|40\n");
    QFile kdf(dir + "/kdata/Bench/bench.kdf");
    kdf.open(QIODevice::WriteOnly);
    QByteArray text = "[1]\nRec=0\n[2]\nRec=1\nPoints=" + QByteArray::number(points) + "\n";
    for (int k = 0; k < points; ++k)
        text += QByteArray::number(k) + "=" + QByteArray::number(140 + k % 20) + ":150|" + QByteArray::number(hold) + "\n";
    kdf.write(text);
}

struct HoldStats
{
    double drift = 0;
    double within1 = 0;
    double worst = 0;
};

HoldStats holds(const std::vector<double> &drawn, double end, int hold)
{
    HoldStats s;
    std::vector<double> t = drawn;
    t.push_back(end);
    int good = 0;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        const double err = std::abs(t[i + 1] - t[i] - hold);
        s.worst = std::max(s.worst, err);
        good += err <= 1.0 ? 1 : 0;
    }
    s.within1 = 100.0 * good / double(t.size() - 1);
    s.drift = (t.back() - t.front()) - hold * double(t.size() - 1);
    return s;
}

double mean(const std::vector<double> &v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / double(v.size());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int points = BenchOption(args, "--points", 250, 3);
    const int hold = BenchOption(args, "--hold", 20, 1);
    const int slide = BenchOption(args, "--slide", 120, 1);
    const int handler = BenchOption(args, "--handler", 3, 0);
    g_clock.start();

    QTemporaryDir dir;
    writeFiles(dir.path(), points, hold, slide);
    ProgramPaths::setProgramDir(dir.path());
    Quiet quiet;
    MessageService::install(&quiet);
    BusyInput input;
    input.handlerMs = handler;
    BusyInputSteps steps;
    steps.input = &input;
    StepScheduler::install(&steps);

    RunSettings::instance().SerienAnzahl = 1;
    RunSettings::instance().Scheibenabstand = 1;
    CurveRunSettings &curves = CurveRunSettings::instance();
    curves.ShootingSystemName = QStringLiteral("bench.bmp");
    curves.CurveFiles = {dir.path() + "/kdata/Bench/bench.kdf"};
    curves.ShowTargets = true;

    CurveResultWindow result;
    TimedWindow window(&result);
    window.setResultShower([](CurveResultWindow *) {});
    window.show();
    app.processEvents();
    // The run: countdown 3 s, target 1 without points, slide to mirror 2, its curve.
    const double t0 = nowMs();
    window.startClicked();
    while (window.run().running())
        app.processEvents(QEventLoop::WaitForMoreEvents);
    const double total = nowMs() - t0;

    // Holds from one drawing to the next (the last one has no successor).
    std::vector<double> drawn(window.sights.begin(), window.sights.end() - 1);
    const HoldStats inner = holds(drawn, window.sights.back(), hold);
    const double slideDrift = window.frames.empty()
                                  ? 0
                                  : (window.frames.back() - window.frames.front()) - 20.0 * double(window.frames.size() - 1);

    // Plain sleeps of T per point with the same input handler, for comparison.
    std::vector<double> plain;
    for (int k = 1; k < points; ++k) {
        plain.push_back(nowMs());
        app.processEvents();
        input.step();
        QThread::msleep(static_cast<unsigned long>(hold));
    }
    const HoldStats sleeps = holds(plain, nowMs(), hold);

    std::printf("Kurvenlauf: %d Punkte zu %d ms, Schiebung %d px, Eingabe %d ms bei jedem 10. Schritt (Gesamtlauf %.0f ms)\n",
                points, hold, slide, handler, total);
    std::printf("                         Zeitlinie   einfache Pausen\n");
    std::printf("Drift am Kurvenende      %8.2f ms   %8.2f ms\n", inner.drift, sleeps.drift);
    std::printf("Haltezeiten auf 1 ms     %8.1f %%    %8.1f %%\n", inner.within1, sleeps.within1);
    std::printf("schlechteste Haltezeit   %8.2f ms   %8.2f ms   (Ziel < 2 ms, >= 99 %%)\n", inner.worst, sleeps.worst);
    std::printf("Schiebung: %zu Bilder, Drift %.2f ms\n", window.frames.size(), slideDrift);
    std::printf("je Punktschritt (Zeichnen + Anzeige) %.0f us, je Schiebebild %.0f us\n", mean(window.sightCost) * 1000.0,
                mean(window.frameCost) * 1000.0);
    StepScheduler::install(nullptr);
    MessageService::install(nullptr);
    return 0;
}
