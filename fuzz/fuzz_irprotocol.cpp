// The IR protocol decoder: a capture message as the Ondix sends it, and the same durations
// given in periods of any carrier and in microseconds.
//
// Input: a 16-bit carrier, then the received capture message (word 2 is its own carrier).
#include "capture/irProtocol.h"
#include "fuzzInput.h"

#include <string>
#include <vector>

using ondixfuzz::TInput;

namespace {

void checkDecoded(const irDecoded_t& d)
{
    const std::string text = irDecodedText(d);
    FUZZ_CHECK(!text.empty());
    if (d.protocol == TIrProtocol::unknown)
        FUZZ_CHECK(text == "desconhecido");
    else
        FUZZ_CHECK(text.starts_with(irProtocolName(d.protocol)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    const uint32_t carrier = uint32_t(in.le16()) * 16;
    const ondixfuzz::TBytes message = in.rest();
    checkDecoded(decodeIrCapture(message.data(), message.size()));

    std::vector<uint16_t> periods;
    std::vector<uint32_t> micros;
    for (size_t i = 0; i + 1 < message.size(); i += 2) {
        const uint16_t w = uint16_t(message.data()[i] | message.data()[i + 1] << 8);
        periods.push_back(w);
        micros.push_back(w);
    }
    checkDecoded(decodeIrPeriods(periods, carrier));
    checkDecoded(decodeIrMicroseconds(micros, carrier));
    return 0;
}
