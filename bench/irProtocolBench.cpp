// Time to name the protocol of a full IR capture message (10000 words, the most the answer
// buffer holds): message parsing, conversion to microseconds and decoding. Plain timing loop:
// each case runs many times and the median per call is printed.
#include "bench/benchStats.h"
#include "capture/irProtocol.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using TWords = std::vector<uint16_t>;
using TClock = std::chrono::steady_clock;
constexpr double carrier = 38000;

uint16_t periods(double micros)
{
    return uint16_t(std::min(65535.0, std::round(micros * carrier / 1e6)));
}

// Words 0 .. 9999: the carrier in word 2, then frames (in microseconds) repeated until the
// message is full.
std::vector<uint8_t> message(const std::vector<std::vector<double>>& frames)
{
    TWords words {0, 10000, uint16_t(carrier)};
    for (size_t i = 0; words.size() < 10000; ++i)
        for (double d : frames[std::min(i, frames.size() - 1)])
            if (words.size() < 10000)
                words.push_back(periods(d));
    std::vector<uint8_t> bytes;
    for (uint16_t w : words)
        bytes.insert(bytes.end(), {uint8_t(w & 0xFF), uint8_t(w >> 8)});
    return bytes;
}

// NEC address 0x04 command 0x08, then repeat codes until the end: a long key press.
std::vector<std::vector<double>> necPress()
{
    std::vector<double> frame {9000, 4500};
    const uint32_t value = 0xF708FB04;
    for (int i = 0; i < 32; ++i)
        frame.insert(frame.end(), {560, (value >> i) & 1 ? 1690.0 : 560.0});
    frame.insert(frame.end(), {560, 40000});
    return {frame, {9000, 2250, 560, 96000}};
}

// An RC5 frame (address 0, command 0x0C) again and again.
std::vector<std::vector<double>> rc5Press()
{
    return {{889, 889, 1778, 889, 889, 889, 889, 889, 889, 889, 889, 889, 889, 889, 889, 889, 889, 1778, 889, 889, 1778,
        889, 889, 90000}};
}

// Random marks and spaces of 200 .. 2700 us with a long space now and then: many short
// frames, each tried against every protocol and refused.
std::vector<std::vector<double>> noise()
{
    std::vector<double> all;
    uint32_t x = 4242;
    for (int i = 0; i < 9997; ++i) {
        x = x * 1103515245u + 12345u;
        const bool gap = i % 2 == 1 && (x >> 16) % 30 == 0;
        all.push_back(gap ? 20000 : 200 + (x >> 8) % 2500);
    }
    return {all};
}

double medianMicros(const std::vector<uint8_t>& m, int runs, std::string& text)
{
    std::vector<double> times;
    times.reserve(size_t(runs));
    for (int i = 0; i < runs + 3; ++i) {
        const auto start = TClock::now();
        const irDecoded_t r = decodeIrCapture(m.data(), m.size());
        const auto end = TClock::now();
        if (i >= 3)
            times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        text = irDecodedText(r);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = benchstats::benchRuns(argc, argv, 1001);
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"NEC frame + repeat codes", message(necPress())},
        {"RC5 frames", message(rc5Press())},
        {"noise, short frames", message(noise())},
    };
    std::printf("IR protocol naming, 10000-word messages, median of %d runs\n", runs);
    std::printf("%-28s %12s  %s\n", "case", "median (us)", "result");
    for (const auto& [name, m] : cases) {
        std::string text;
        const double us = medianMicros(m, runs, text);
        std::printf("%-28s %12.1f  %s\n", name, us, text.c_str());
    }
    return 0;
}
