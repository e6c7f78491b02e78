// How long the event loop stalls while a learning waits for the capture. The window runs
// an RF or IR learning over the fake cable in real-time mode (the emulated device answers
// at once and sends its capture `--delay` ms later), with the real event-loop waiter; a
// 1 ms timer records the gap between its firings for the whole operation. Goal: no gap
// over 5 ms. Prints, per run, the median, 99th percentile and largest gap.
//
// The same measurement with the event loop idle for as long gives the machine's own
// scheduling noise (other processes on the cores), to compare with.
//
//   bench_learning_stall [--runs N] [--delay MS]     (defaults: 2 runs, 9000 ms)
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "bench/benchStats.h"
#include "bench/gapRecorder.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct TRunResult {
    double seconds = 0;
    double cpuSeconds = 0;  // user-interface thread only
    std::vector<double> gapsMs;
    double worstCpuMs = 0;  // the thread's own work in one gap
    QString firstLine;
};

using benchstats::percentile;

std::vector<uint16_t> rfSamples()
{
    std::vector<uint16_t> s {12400};
    for (int copy = 0; copy < 4; ++copy) {
        for (int bit = 0; bit < 12; ++bit) {
            s.push_back(bit % 2 ? 400 : 1200);
            s.push_back(bit % 2 ? 1200 : 400);
        }
        s.push_back(400);
        s.push_back(12400);
    }
    return s;
}

// kind: 0 idle (the main loop alone, for `idleMs`), 1 RF learning, 2 IR learning.
TRunResult runOnce(TfmPrincipal& window, int kind, int idleMs)
{
    TRunResult result;
    QElapsedTimer clock;
    benchstats::TGapRecorder ping;
    ping.onGap([&](const benchstats::TGap& gap) { result.gapsMs.push_back(gap.wallMs); });
    window.clearLog();
    const double cpuStart = threadCpuSeconds();
    clock.start();
    ping.start();
    if (kind == 2) {
        window.bbLearningIRClick();
    } else if (kind == 1) {
        window.bbLearningRFClick();
    } else {
        QEventLoop idle;
        QTimer::singleShot(idleMs, Qt::PreciseTimer, &idle, &QEventLoop::quit);
        idle.exec();
    }
    ping.stop();
    result.worstCpuMs = ping.worstCpuMs();
    result.seconds = double(clock.nsecsElapsed()) / 1e9;
    result.cpuSeconds = threadCpuSeconds() - cpuStart;
    result.firstLine = window.logLines().value(0).left(24);
    return result;
}

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = benchstats::benchRuns(argc, argv, 2);
    const int delayMs = benchstats::intOption(argc, argv, "--delay", 9000, 0, 9500);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDialogs::setScripted(true);

    ondixsim::DeviceConfig config;
    config.rfCapture = ondixsim::Capture {rfSamples(), 0, delayMs};
    config.irCapture = ondixsim::Capture {{342, 171, 21, 21, 21, 64, 21, 64, 21, 1520}, 37900, delayMs};
    ondixsim::Device device(config);
    fakehid::reset();
    fakehid::setRealTime(true);
    fakehid::plug();
    fakehid::attachDevice(device);

    TfmPrincipal window(nullptr, false);
    window.usbDeviceFound = true;
    window.show();
    QApplication::processEvents();

    std::printf("capture %d ms after the request, 1 ms ping timer, real event-loop waits\n", delayMs);
    std::printf("%-4s %-4s %8s %7s %7s %10s %8s %8s %8s %8s  %s\n", "run", "kind", "seconds", "cpu %", "gaps",
        "median ms", "p99 ms", "max ms", "over 5ms", "cpu ms", "line");
    std::vector<double> learning;
    std::vector<double> idle;
    const auto report = [&](int run, int kind) {
        static const char* const names[] = {"idle", "RF", "IR"};
        const TRunResult r = runOnce(window, kind, delayMs);
        const long over = std::count_if(r.gapsMs.begin(), r.gapsMs.end(), [](double g) { return g > 5.0; });
        std::printf("%-4d %-4s %8.2f %7.1f %7zu %10.3f %8.3f %8.3f %8ld %8.3f  %s\n", run, names[kind], r.seconds,
            100.0 * r.cpuSeconds / std::max(r.seconds, 1e-9), r.gapsMs.size(), percentile(r.gapsMs, 0.5),
            percentile(r.gapsMs, 0.99), percentile(r.gapsMs, 1.0), over, r.worstCpuMs,
            kind ? qPrintable(r.firstLine) : "");
        auto& into = kind ? learning : idle;
        into.insert(into.end(), r.gapsMs.begin(), r.gapsMs.end());
    };
    for (int run = 1; run <= runs; ++run) {
        report(run, 0);
        report(run, run % 2 == 1 ? 1 : 2);
    }
    const double worst = percentile(learning, 1.0);
    std::printf("learning: median gap %.3f ms, p99 %.3f ms, max %.3f ms (goal: max <= 5 ms) %s\n",
        percentile(learning, 0.5), percentile(learning, 0.99), worst, worst <= 5.0 ? "met" : "NOT MET");
    std::printf("idle:     median gap %.3f ms, p99 %.3f ms, max %.3f ms\n", percentile(idle, 0.5),
        percentile(idle, 0.99), percentile(idle, 1.0));

    window.close();
    fakehid::setResponder(nullptr);
    return 0;
}
