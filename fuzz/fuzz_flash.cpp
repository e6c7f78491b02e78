// The answer to the flash read and the line that shows it.
//
// Input: the received answer.
#include "console/serviceFrames.h"
#include "fuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ondixfuzz::TBytes answer = ondixfuzz::TInput(data, size).rest();
    const ondixservice::TFlashDump dump = ondixservice::decodeFlashAnswer(answer.data(), answer.size());
    if (!dump.ok) {
        FUZZ_CHECK(dump.line.isEmpty());
        return 0;
    }
    const size_t n = size_t(answer.data()[4] | answer.data()[5] << 8);
    FUZZ_CHECK(n + 10 <= answer.size() && dump.line.size() == qsizetype(4 * n));
    for (size_t i = 0; i < n; ++i)
        FUZZ_CHECK(dump.line.mid(qsizetype(4 * i), 4) == QString::asprintf("[%02X]", answer.data()[6 + i]));
    return 0;
}
