// Time to turn a full capture (10000 words, the most the answer buffer holds) into its line.
// Plain timing loop: each case runs many times and the median per call is printed.
#include "bench/benchStats.h"
#include "capture/irSelection.h"
#include "capture/rfAnalysis.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using TWords = std::vector<uint16_t>;
using TClock = std::chrono::steady_clock;

std::vector<uint8_t> message(const TWords& payload)
{
    TWords words {0, uint16_t(payload.size() + 2)};
    words.insert(words.end(), payload.begin(), payload.end());
    std::vector<uint8_t> bytes;
    for (uint16_t w : words) {
        bytes.push_back(uint8_t(w & 0xFF));
        bytes.push_back(uint8_t(w >> 8));
    }
    return bytes;
}

// 9998 samples of a 26-sample frame: twelve bit pairs, a closing mark and the gap.
TWords periodicRf()
{
    TWords s;
    for (int i = 0; s.size() < 9998; ++i) {
        const int k = i % 26;
        if (k == 25)
            s.push_back(12400);
        else
            s.push_back(((k / 2 + k) % 3 == 0) ? 1200 : 400);
    }
    return s;
}

// 9998 samples: one to four short ones, then a long pulse, at random. Thousands of run
// entries, the heaviest case for the frame-length vote.
TWords noisyRf()
{
    TWords s;
    uint32_t x = 12345;
    while (s.size() < 9998) {
        x = x * 1103515245u + 12345u;
        const int shorts = 1 + int((x >> 16) % 4);
        for (int k = 0; k < shorts && s.size() < 9998; ++k)
            s.push_back(uint16_t(300 + (x >> 8) % 40));
        if (s.size() < 9998)
            s.push_back(uint16_t(9000 + (x >> 4) % 200));
    }
    return s;
}

// Word 2 and 9997 durations: a 26-duration SIRC-like frame repeated, or no repetition.
TWords irCapture(bool repeating)
{
    TWords s {38000};
    uint32_t x = 777;
    const uint16_t frame[26] = {
        96, 24, 48, 24, 24, 24, 48, 24, 24, 24, 48, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 24, 48, 1038};
    for (int i = 0; s.size() < 9998; ++i) {
        x = x * 1103515245u + 12345u;
        s.push_back(repeating ? frame[i % 26] : uint16_t(20 + (x >> 8) % 980));
    }
    return s;
}

// The frame-length vote counted pairwise, for comparison with the counting table.
int32_t modeByPairs(const int32_t* v, uint32_t n)
{
    if (n == 0)
        return 0;
    uint32_t best = 0;
    std::vector<int32_t> candidates;
    for (uint32_t i = 0; i + 1 < n; ++i) {
        uint32_t c = 0;
        for (uint32_t j = i + 1; j < n; ++j)
            c += v[j] == v[i];
        if (c > best) {
            candidates.assign(1, v[i]);
            best = c;
        } else if (c == best) {
            candidates.push_back(v[i]);
        }
    }
    if (candidates.size() == n - 1 && std::equal(candidates.begin(), candidates.end(), v))
        return 0;
    return candidates.front();
}

struct TCase {
    std::string name;
    std::function<size_t()> run;  // returns something derived from the result
};

double medianMicros(const TCase& c, int runs)
{
    size_t sink = 0;
    for (int i = 0; i < 3; ++i)
        sink += c.run();
    std::vector<double> times;
    times.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = TClock::now();
        sink += c.run();
        times.push_back(std::chrono::duration<double, std::micro>(TClock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    if (sink == 0)
        std::fputs("", stderr);
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = benchstats::benchRuns(argc, argv, 301);

    const auto rfPeriodic = message(periodicRf());
    const auto rfNoisy = message(noisyRf());
    const auto irRepeating = message(irCapture(true));
    const auto irPlain = message(irCapture(false));

    auto rf = [](const std::vector<uint8_t>& m, TRfCaptureMode mode) {
        return [&m, mode] {
            const auto r = analyseRfCapture(m.data(), m.size(), mode, 16);
            return r.infoLines.front().size() + size_t(r.result + 1);
        };
    };
    auto ir = [](const std::vector<uint8_t>& m, TIrCaptureMode mode) {
        return [&m, mode] { return selectIrCapture(m.data(), m.size(), mode).infoLines.front().size(); };
    };

    // Run entries of the noisy capture, for the vote alone.
    std::vector<int32_t> runsTable;
    {
        const TWords s = noisyRf();
        int32_t gap = 0;
        for (uint16_t v : s) {
            if (v >= 9000) {
                runsTable.push_back(gap + 1);
                gap = 0;
            } else {
                ++gap;
            }
        }
    }

    const std::vector<TCase> cases {
        {"RF automatic, 26-sample frames", rf(rfPeriodic, TRfCaptureMode::smart)},
        {"RF automatic, noisy (" + std::to_string(runsTable.size()) + " long pulses)",
            rf(rfNoisy, TRfCaptureMode::smart)},
        {"RF raw", rf(rfPeriodic, TRfCaptureMode::raw)},
        {"RF RTS", rf(rfPeriodic, TRfCaptureMode::rts)},
        {"IR automatic, 26-duration frames", ir(irRepeating, TIrCaptureMode::automatic)},
        {"IR automatic, no repetition", ir(irPlain, TIrCaptureMode::automatic)},
        {"IR raw", ir(irPlain, TIrCaptureMode::raw)},
        {"vote, counting table (" + std::to_string(runsTable.size()) + " entries)",
            [&] { return size_t(get_mode(runsTable.data(), uint32_t(runsTable.size()))); }},
        {"vote, pairwise (" + std::to_string(runsTable.size()) + " entries)",
            [&] { return size_t(modeByPairs(runsTable.data(), uint32_t(runsTable.size()))); }},
    };

    std::printf("capture analyses, 10000-word messages, median of %d runs\n", runs);
    std::printf("%-44s %12s\n", "case", "median (us)");
    for (const TCase& c : cases) {
        const int n = c.name.rfind("vote, pairwise", 0) == 0 ? std::max(1, runs / 20) : runs;
        std::printf("%-44s %12.1f\n", c.name.c_str(), medianMicros(c, n));
    }
    return 0;
}
