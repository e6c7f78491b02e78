// Opening and saving a site library of 10000 codes (median of 9 by default), and the IR format
// conversions of one long line. Plain timing loop printing medians.
#include "bench/benchLibrary.h"
#include "bench/benchStats.h"
#include "library/irFormats.h"
#include "library/siteLibrary.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

double medianMs(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        step();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return benchstats::median(times);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = benchstats::benchRuns(argc, argv, 9);

    TSiteLibrary lib = benchLibrary();
    QTemporaryDir dir;
    const QString path = dir.filePath("obra.json");
    lib.save(path);
    std::printf("Site library, 10000 IR codes (%lld bytes), median of %d runs\n", qint64(QFileInfo(path).size()), runs);
    std::printf("%-34s %12s\n", "case", "median (ms)");
    std::printf("%-34s %12.1f\n", "save", medianMs(runs, [&] { lib.save(path); }));
    std::printf("%-34s %12.1f\n", "  of which the JSON text", medianMs(runs, [&] { lib.toJson(); }));
    std::printf("%-34s %12.1f\n", "open", medianMs(runs, [&] {
        TSiteLibrary other;
        other.load(path);
    }));

    // One line of 1000 durations through every format and back.
    irLine_t line;
    line.carrier = 38000;
    for (int k = 0; k < 1000; ++k)
        line.durations.push_back(uint16_t(k % 2 ? 21 + 43 * (k % 3 == 0) : 21));
    const int formatRuns = std::max(runs, 101);
    std::printf("\nIR formats, a 1000-duration line exported and imported, median of %d runs\n", formatRuns);
    std::printf("%-34s %12s\n", "format", "median (ms)");
    std::printf("%-34s %12.3f\n", "Pronto", medianMs(formatRuns, [&] { importPronto(exportPronto(line)); }));
    std::printf(
        "%-34s %12.3f\n", "Global Caché", medianMs(formatRuns, [&] { importGlobalCache(exportGlobalCache(line)); }));
    std::printf("%-34s %12.3f\n", "ir-ctl", medianMs(formatRuns, [&] { importIrCtl(exportIrCtl(line)); }));
    std::printf("%-34s %12.3f\n", "Flipper (raw)", medianMs(formatRuns, [&] {
        importFlipper(exportFlipper({{"Tecla", line}}).value.value_or(""));
    }));
    return 0;
}
