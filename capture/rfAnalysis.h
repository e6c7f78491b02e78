// Turns an RF capture into the line the Ondix replays: the repeating frame found in the
// pulse train (automatic capture), every sample (raw capture) or every sample after
// "sendrf_rc" (RTS capture). Pure: the window reads the controls and the answer buffer,
// calls analyseRfCapture and writes the result into mmInfo and mmRawData.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TRfCaptureMode { smart, raw, rts };

struct TRfAnalysisResult {
    // 0 when a line was produced, -1 when the capture was refused.
    int result = 0;
    // What mmInfo holds afterwards: the line alone, or the three lines of rfCaptureErrorLines().
    std::vector<std::string> infoLines;
    // Raw capture only: what mmRawData holds afterwards, one sample per line.
    // nullopt: mmRawData keeps what it had.
    std::optional<std::vector<std::string>> rawLines;
    // The frame the automatic analysis finds, samples[0 .. frameLength-1], in every mode
    // (the raw and RTS lines do not use it); 0 when there is none or the capture was refused.
    uint32_t frameLength = 0;
};

// Thresholds of the automatic analysis. Each is a 16-bit value: the product with the
// single-precision factor 0.85 or 1.15 is formed exactly and truncated, then taken modulo
// 65536, except the upper long-pulse bound, which is rounded to single precision first and
// capped at 65535.
struct rfLongBounds_t {
    uint16_t low = 0;  // a long pulse lies in low .. high, both included
    uint16_t high = 0;
};
uint16_t rfShortLimit(uint32_t smallest);  // a sample below this is short
uint16_t rfLongLimit(uint32_t meanShort);  // the largest long pulse lies above this
rfLongBounds_t rfLongBounds(uint32_t largestLong);

// Line code of the divisor used for the capture: 8 -> 1, 16 -> 2, 32 -> 3; 0 for any other.
int rfDivisorCode(int rfDivisor);

// The three lines shown when a capture is refused.
const std::vector<std::string>& rfCaptureErrorLines();

// Most frequent value of values[0 .. n-1], ties going to the value seen first. 0 for an
// empty list, for a list whose values all differ (n = 1 included) and for two equal values.
int32_t get_mode(const int32_t* values, uint32_t n);

// Analyses the capture message at the start of buf (bufLen bytes received). A message whose
// word count is unreadable, above 10000 or beyond the bytes received is refused with the error
// lines in every mode; so is a divisor other than 8, 16 or 32 in the automatic and raw modes
// (the RTS line carries no divisor). A refusal leaves mmRawData alone.
TRfAnalysisResult analyseRfCapture(const uint8_t* buf, size_t bufLen, TRfCaptureMode mode, int rfDivisor);
