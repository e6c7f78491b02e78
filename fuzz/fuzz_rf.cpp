// The RF analysis of a capture message in each capture mode and with any divisor.
//
// Input: byte 0 picks the mode, byte 1 the divisor (8, 16, 32, or a signed 16-bit value read
// next), the rest is the received capture message.
#include "capture/rfAnalysis.h"
#include "fuzzInput.h"

#include <string>

using ondixfuzz::TInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    static const TRfCaptureMode modes[] = {TRfCaptureMode::smart, TRfCaptureMode::raw, TRfCaptureMode::rts};
    const TRfCaptureMode mode = modes[in.byte() % 3];
    static const int divisors[] = {8, 16, 32};
    const uint8_t pick = in.byte();
    const int divisor = pick < 3 ? divisors[pick] : int(int16_t(in.le16()));
    const ondixfuzz::TBytes message = in.rest();

    const TRfAnalysisResult r = analyseRfCapture(message.data(), message.size(), mode, divisor);
    if (r.result != 0) {
        FUZZ_CHECK(r.result == -1 && r.infoLines == rfCaptureErrorLines() && !r.rawLines);
        return 0;
    }
    FUZZ_CHECK(r.infoLines.size() == 1);
    const std::string& line = r.infoLines[0];
    FUZZ_CHECK(line.starts_with(mode == TRfCaptureMode::rts ? "sendrf_rc" : "sendrf,"));
    FUZZ_CHECK(r.rawLines.has_value() == (mode == TRfCaptureMode::raw));
    FUZZ_CHECK(mode == TRfCaptureMode::rts || rfDivisorCode(divisor) != 0);
    const size_t words = message.data()[2] | message.data()[3] << 8;
    if (r.rawLines)
        FUZZ_CHECK(r.rawLines->size() == (words < 2 ? 0 : words - 2));
    if (mode != TRfCaptureMode::rts)
        FUZZ_CHECK(line.size() < 5110);
    return 0;
}
