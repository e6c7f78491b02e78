// Builds the "sendir" line from an IR capture: every duration (raw capture), or only the
// first frame when the start of the capture repeats at least twice (automatic capture).
// Pure: the window reads the answer buffer and the mode, calls selectIrCapture and writes
// the result into mmInfo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TIrCaptureMode { automatic, raw };

struct TIrSelectionResult {
    // 0 when a line was produced, -1 when the message was refused.
    int result = 0;
    // What mmInfo holds afterwards: the line alone, or the lines of irCaptureErrorLines().
    std::vector<std::string> infoLines;
    // The length of the frame that repeats: durations[0 .. frameLength-1] when the first four
    // durations come back at least twice, in either mode (the raw line keeps every duration);
    // 0 otherwise.
    uint32_t frameLength = 0;
};

// Lines shown when a capture message is malformed (see selectIrCapture).
const std::vector<std::string>& irCaptureErrorLines();

// The line for the message at the start of buf (bufLen bytes received). A message whose word
// count is unreadable, below 3 (no value word), above 10000 or beyond the bytes received is
// refused with the error lines; any other capture gives a line, with as many durations as it
// holds (none included).
TIrSelectionResult selectIrCapture(const uint8_t* buf, size_t bufLen, TIrCaptureMode mode);
