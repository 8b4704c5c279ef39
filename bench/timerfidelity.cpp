// Timer fidelity: how many ticks a 10 ms timer delivers while the UI thread
// is stalled 35 ms every 200 ms, for TFastTimer and a plain QTimer side by
// side. Ratio = ticks delivered / (elapsed / interval); goal for TFastTimer
// is 0.999 or better.
//
//   vantrel-timer-bench [--seconds N] [--interval MS] [--stall MS] [--every MS]

#include "device/fasttimer.h"

#include "benchoptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = BenchOption(args, "--seconds", 30, 1);
    const int interval = BenchOption(args, "--interval", 10, 1);
    const int stallMs = BenchOption(args, "--stall", 35, 1);
    const int everyMs = BenchOption(args, "--every", 200, 1);

    QTextStream out(stdout);
    out << "Timer fidelity: " << seconds << " s, interval " << interval << " ms, UI thread stalled "
        << stallMs << " ms every " << everyMs << " ms\n";
    out.flush();

    qint64 fastTicks = 0;
    qint64 plainTicks = 0;

    TFastTimer fast;
    fast.setInterval(interval);
    fast.setResolution(1);
    fast.OnTimer = [&](TFastTimer *) { ++fastTicks; };

    QTimer plain;
    plain.setTimerType(Qt::PreciseTimer);
    plain.setInterval(interval);
    QObject::connect(&plain, &QTimer::timeout, [&] { ++plainTicks; });

    QTimer stall;
    stall.setTimerType(Qt::PreciseTimer);
    stall.setInterval(everyMs);
    QObject::connect(&stall, &QTimer::timeout, [&] { QThread::msleep(static_cast<unsigned long>(stallMs)); });

    QElapsedTimer fastClock;
    QElapsedTimer plainClock;
    int exitCode = 0;

    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, [&] {
        const double fastExpected = double(fastClock.nsecsElapsed()) / 1e6 / interval;
        const double plainExpected = double(plainClock.nsecsElapsed()) / 1e6 / interval;
        const qint64 fastCount = fastTicks;
        const qint64 plainCount = plainTicks;
        fast.setEnabled(false);
        plain.stop();
        stall.stop();
        const double fastRatio = fastCount / fastExpected;
        const double plainRatio = plainCount / plainExpected;
        std::printf("%-12s %10s %12s %8s\n", "timer", "ticks", "expected", "ratio");
        std::printf("%-12s %10lld %12.1f %8.4f\n", "TFastTimer", static_cast<long long>(fastCount), fastExpected, fastRatio);
        std::printf("%-12s %10lld %12.1f %8.4f\n", "QTimer", static_cast<long long>(plainCount), plainExpected, plainRatio);
        const bool met = fastRatio >= 0.999;
        std::printf("TFastTimer goal >= 0.999: %s\n", met ? "met" : "NOT met");
        exitCode = met ? 0 : 1;
        app.quit();
    });

    fastClock.start();
    fast.setEnabled(true);
    plainClock.start();
    plain.start();
    stall.start();
    app.exec();
    return exitCode;
}
