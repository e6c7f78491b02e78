#include "capture/irSelection.h"

#include "capture/captureMessage.h"

#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

constexpr size_t patternLength = 4;

bool nearPattern(std::span<const uint16_t> durations, size_t at)
{
    for (size_t k = 0; k < patternLength; ++k) {
        if (std::abs(int(durations[at + k]) - int(durations[k])) > 1)
            return false;
    }
    return true;
}

// The length D of the first frame when the first four durations come back (each within 1)
// at least twice further on, else 0.
uint32_t irRepeatedFrameLength(std::span<const uint16_t> durations)
{
    // The pattern is compared at every position p >= 1 where four durations remain.
    uint32_t examined = 0;
    uint32_t firstFrame = 0;
    uint32_t matches = 0;
    for (size_t p = 1; p + patternLength <= durations.size(); ++p) {
        ++examined;
        if (nearPattern(durations, p)) {
            if (matches == 0)
                firstFrame = examined;
            ++matches;
            examined = 0;
        }
    }
    return matches >= 2 ? firstFrame : 0;
}

std::string irLine(uint16_t value, std::span<const uint16_t> durations, uint32_t frame)
{
    const auto selected = frame > 0 ? durations.first(frame) : durations;

    char header[40];
    std::snprintf(header, sizeof header, "sendir,1:8,1,%u,%d,1", unsigned(value), frame > 0 ? 3 : 1);
    std::string line = header;
    line.reserve(captureLineLimit);
    for (uint16_t d : selected)
        appendValueCapped(line, d);
    return line;
}

}  // namespace

const std::vector<std::string>& irCaptureErrorLines()
{
    static const std::vector<std::string> lines {
        "Erro na captura! Aproxime o controle remoto a Ondix",
        "e tente novamente.",
    };
    return lines;
}

TIrSelectionResult selectIrCapture(const uint8_t* buf, size_t bufLen, TIrCaptureMode mode)
{
    TIrSelectionResult r;
    const auto words = captureWords(buf, bufLen);
    if (!words || words->size() < 3) {
        r.result = -1;
        r.infoLines = irCaptureErrorLines();
        return r;
    }
    const std::span<const uint16_t> all(*words);
    const auto durations = all.subspan(3);
    // Found in both modes, for the plot; only the automatic line keeps the first frame alone.
    r.frameLength = irRepeatedFrameLength(durations);
    r.infoLines.push_back(irLine(all[2], durations, mode == TIrCaptureMode::automatic ? r.frameLength : 0));
    return r;
}
