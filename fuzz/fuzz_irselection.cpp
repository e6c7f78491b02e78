// The IR line built from a capture message, automatic and raw.
//
// Input: byte 0 picks the mode, the rest is the received capture message.
#include "capture/irSelection.h"
#include "fuzzInput.h"

#include <string>

using ondixfuzz::TInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    const TIrCaptureMode mode = in.byte() & 1 ? TIrCaptureMode::raw : TIrCaptureMode::automatic;
    const ondixfuzz::TBytes message = in.rest();

    const TIrSelectionResult r = selectIrCapture(message.data(), message.size(), mode);
    if (r.result != 0) {
        FUZZ_CHECK(r.result == -1 && r.infoLines == irCaptureErrorLines());
        return 0;
    }
    FUZZ_CHECK(r.infoLines.size() == 1);
    const std::string& line = r.infoLines[0];
    FUZZ_CHECK(line.starts_with("sendir,1:8,1,") && line.size() < 5110);
    if (mode == TIrCaptureMode::raw) {
        // Every duration is listed while the line has room.
        const TIrSelectionResult automatic = selectIrCapture(message.data(), message.size(), TIrCaptureMode::automatic);
        FUZZ_CHECK(automatic.result == 0 && automatic.infoLines.size() == 1);
    }
    return 0;
}
