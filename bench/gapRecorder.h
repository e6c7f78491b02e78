// The event-loop stall probe every stall benchmark uses: a 1 ms timer on the thread that
// starts it records every gap between its ticks, together with that thread's own processor
// time inside the gap. The processor time is what the window's thread itself did; the rest
// of a long gap is time the machine gave to other processes (two shared cores are noisy).
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "bench/benchStats.h"

namespace benchstats {

struct TGap {
    double wallMs = 0;  // time between two ticks
    double cpuMs = 0;  // the thread's own processor time in it
};

// Processor time of the calling thread, in milliseconds.
inline double threadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

class TGapRecorder {
public:
    TGapRecorder()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }

    // Called with every gap as it ends (for example to note what was running).
    void onGap(std::function<void(const TGap&)> callback) { onGap_ = std::move(callback); }

    void start()
    {
        worst_ = {};
        worstCpu_ = 0;
        clock_.start();
        lastWall_ = -1;
        timer_.start();
    }
    void stop() { timer_.stop(); }

    // The longest gap, with the processor time in it.
    TGap worstGap() const { return worst_; }
    // The most processor time the thread spent in any one gap.
    double worstCpuMs() const { return worstCpu_; }

private:
    void tick()
    {
        const double wall = double(clock_.nsecsElapsed()) / 1e6;
        const double cpu = threadCpuMs();
        if (lastWall_ >= 0) {
            // Kept as two figures, not a list: a soak's hours of ticks cost no memory.
            const TGap gap {wall - lastWall_, cpu - lastCpu_};
            if (gap.wallMs > worst_.wallMs)
                worst_ = gap;
            worstCpu_ = std::max(worstCpu_, gap.cpuMs);
            if (onGap_)
                onGap_(gap);
        }
        lastWall_ = wall;
        lastCpu_ = cpu;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    double lastWall_ = -1;
    double lastCpu_ = 0;
    TGap worst_;
    double worstCpu_ = 0;
    std::function<void(const TGap&)> onGap_;
};

// The worst gaps of several runs of one case.
struct TGapRuns {
    std::vector<double> wall, cpuInWorst, worstCpu;

    void add(const TGapRecorder& recorder)
    {
        const TGap worst = recorder.worstGap();
        wall.push_back(worst.wallMs);
        cpuInWorst.push_back(worst.cpuMs);
        worstCpu.push_back(recorder.worstCpuMs());
    }
};

// Header and one row: medians over the runs of the worst gap, the thread's processor time in
// it, and the most processor time in any gap (with its largest over the runs).
inline const char* gapHeader()
{
    return "worst gap ms | cpu in it ms | most cpu in a gap ms (max)";
}
inline void printGapColumns(const TGapRuns& runs)
{
    std::printf("%12.2f | %12.2f | %14.2f (%6.2f)", median(runs.wall), median(runs.cpuInWorst), median(runs.worstCpu),
        runs.worstCpu.empty() ? 0.0 : *std::max_element(runs.worstCpu.begin(), runs.worstCpu.end()));
}

}  // namespace benchstats
