#include "capture/rfAnalysis.h"

#include "capture/captureMessage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <unordered_map>

namespace {

// The factors are single-precision constants; their products with 16-bit integers are exact
// in double precision, so truncating the double gives the exact truncated product.
constexpr double factorLow = double(0.85f);
constexpr double factorHigh = double(1.15f);

uint16_t truncated16(double product)
{
    return uint16_t(uint64_t(product) & 0xFFFF);
}

std::string header(const char* word, int code, uint32_t count)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s,%d,%u,1", word, code, count);
    return text;
}

TRfAnalysisResult refused()
{
    TRfAnalysisResult r;
    r.result = -1;
    r.infoLines = rfCaptureErrorLines();
    return r;
}

TRfAnalysisResult lineResult(std::string line)
{
    TRfAnalysisResult r;
    r.infoLines.push_back(std::move(line));
    return r;
}

// The frame the automatic analysis finds: samples[0 .. frameLength-1], and the number of long
// pulses in the whole capture. nullopt when the capture has no plausible frame.
struct rfFrame_t {
    uint16_t frameLength = 0;
    uint32_t longCount = 0;
};

std::optional<rfFrame_t> findRfFrame(std::span<const uint16_t> samples)
{
    uint16_t smallest = 65535;
    for (uint16_t s : samples)
        smallest = std::min(smallest, s);
    if (smallest == 0)
        return std::nullopt;

    const uint16_t shortLimit = rfShortLimit(smallest);
    uint32_t shortSum = 0;
    uint32_t shortCount = 0;
    for (uint16_t s : samples) {
        if (s < shortLimit) {
            shortSum += s;
            ++shortCount;
        }
    }
    if (shortCount == 0)
        return std::nullopt;

    const uint16_t longLimit = rfLongLimit(shortSum / shortCount);
    uint16_t largestLong = 0;
    for (uint16_t s : samples) {
        if (s > longLimit)
            largestLong = std::max(largestLong, s);
    }
    const rfLongBounds_t bounds = rfLongBounds(largestLong);

    // Distance in samples from one long pulse to the next; the first entry counts from the
    // start of the capture. The table grows with the capture: a noisy capture may hold
    // thousands of long pulses.
    std::vector<int32_t> runs;
    uint16_t gap = 0;
    uint32_t longCount = 0;
    for (uint16_t s : samples) {
        if (s >= bounds.low && s <= bounds.high) {
            runs.push_back(int32_t(gap) + 1);
            gap = 0;
            ++longCount;
        } else {
            ++gap;
        }
    }

    const uint16_t frameLength = uint16_t(get_mode(runs.data(), uint32_t(runs.size())));
    if (frameLength % 2 != 0 || frameLength < 8 || frameLength > samples.size())
        return std::nullopt;
    return rfFrame_t {frameLength, longCount};
}

TRfAnalysisResult smartAnalysis(std::span<const uint16_t> samples, int code)
{
    const auto frame = findRfFrame(samples);
    if (!frame)
        return refused();
    std::string line = header("sendrf", code, frame->longCount);
    line.reserve(line.size() + 6 * size_t(frame->frameLength));
    for (size_t i = 0; i < frame->frameLength; ++i)
        appendValue(line, samples[i]);
    TRfAnalysisResult r = lineResult(std::move(line));
    r.frameLength = frame->frameLength;
    return r;
}

TRfAnalysisResult rawCapture(std::span<const uint16_t> samples, int code)
{
    TRfAnalysisResult r = lineResult(header("sendrf", code, 1));
    std::string& line = r.infoLines.front();
    line.reserve(captureLineLimit);
    std::vector<std::string> rawLines;
    rawLines.reserve(samples.size());
    for (uint16_t s : samples) {
        appendValueCapped(line, s);
        rawLines.push_back(std::to_string(s));
    }
    r.rawLines = std::move(rawLines);
    return r;
}

TRfAnalysisResult rtsCapture(std::span<const uint16_t> samples)
{
    std::string line = "sendrf_rc";
    line.reserve(line.size() + 6 * samples.size());
    for (uint16_t s : samples)
        appendValue(line, s);
    return lineResult(std::move(line));
}

}  // namespace

uint16_t rfShortLimit(uint32_t smallest)
{
    return truncated16(double(smallest) * factorLow * 2.0);
}

uint16_t rfLongLimit(uint32_t meanShort)
{
    return truncated16(double(meanShort) * factorLow * 3.0);
}

rfLongBounds_t rfLongBounds(uint32_t largestLong)
{
    rfLongBounds_t b;
    b.low = truncated16(double(largestLong) * factorLow);
    const float high = float(double(largestLong) * factorHigh);
    b.high = high >= 65535.0f ? uint16_t(65535) : uint16_t(std::trunc(high));
    return b;
}

int rfDivisorCode(int rfDivisor)
{
    switch (rfDivisor) {
    case 8:
        return 1;
    case 16:
        return 2;
    case 32:
        return 3;
    default:
        return 0;
    }
}

const std::vector<std::string>& rfCaptureErrorLines()
{
    static const std::vector<std::string> lines {
        "Erro na captura! Aproxime o transmissor de RF a Ondix",
        "e tente novamente.",
        "Se o erro percistir, use a captura \"Bruta\" ou \"Raw\"...",
    };
    return lines;
}

int32_t get_mode(const int32_t* values, uint32_t n)
{
    // Counting every later equal value for each position and keeping the candidates with the
    // best count comes down to this: the answer is 0 when no value repeats or when the list is
    // just two equal values; otherwise it is the value with the most occurrences, the one
    // seen first among equals. Counting with a table keeps long lists cheap.
    if (values == nullptr || n < 2)
        return 0;
    std::unordered_map<int32_t, uint32_t> occurrences;
    occurrences.reserve(n);
    uint32_t most = 0;
    for (uint32_t i = 0; i < n; ++i)
        most = std::max(most, ++occurrences[values[i]]);
    if (most < 2 || n == 2)
        return 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (occurrences[values[i]] == most)
            return values[i];
    }
    return 0;
}

TRfAnalysisResult analyseRfCapture(const uint8_t* buf, size_t bufLen, TRfCaptureMode mode, int rfDivisor)
{
    const auto words = captureWords(buf, bufLen);
    if (!words)
        return refused();
    const auto samples = std::span<const uint16_t>(*words).subspan(2);
    // The raw and RTS lines do not use the frame; it is still found, for the plot.
    const auto frameOnly = [&](TRfAnalysisResult r) {
        if (const auto frame = findRfFrame(samples))
            r.frameLength = frame->frameLength;
        return r;
    };
    if (mode == TRfCaptureMode::rts)
        return frameOnly(rtsCapture(samples));
    // The divisor code goes into the line; without a known one the line would replay wrongly.
    const int code = rfDivisorCode(rfDivisor);
    if (code == 0)
        return refused();
    return mode == TRfCaptureMode::smart ? smartAnalysis(samples, code) : frameOnly(rawCapture(samples, code));
}
