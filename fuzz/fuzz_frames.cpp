// Answer validation as the exchange applies it to every kind of answer: a known length
// (acknowledgement 8, clock 17, MAC write 32, information record 50, or any other length)
// or a parameter block whose length is in the answer; and the frame builders, whose
// frames must pass the same validation.
//
// Input: byte 0 picks the kind (a byte above 6 reads a signed 16-bit length next), the
// rest is the received answer.
#include "fuzzInput.h"
#include "link/frames.h"

#include <QByteArray>

using namespace ondixframe;
using ondixfuzz::TInput;

namespace {

bool validAs(const uint8_t* buffer, size_t size, int answerLength)
{
    return answerLength == 0 ? validParameterAnswer(buffer, size) : validAnswer(buffer, size, answerLength);
}

const uint8_t* bytesOf(const QByteArray& frame)
{
    return reinterpret_cast<const uint8_t*>(frame.constData());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    static const int kinds[] = {0, 8, 14, 17, 32, 50};
    const uint8_t pick = in.byte();
    const int answerLength = pick < 6 ? kinds[pick] : int(int16_t(in.le16()));
    const ondixfuzz::TBytes answer = in.rest();
    const uint8_t* a = answer.data();
    const size_t n = answer.size();

    if (validAs(a, n, answerLength)) {
        const int length = answerLength == 0 ? parameterAnswerLength(a, n) : answerLength;
        FUZZ_CHECK(length >= checksumSize && size_t(length) <= n);
        const uint32_t stored = readLe32(a + length - checksumSize);
        FUZZ_CHECK(stored != 0 && stored == byteSum(a, size_t(length - checksumSize)));
    }
    const int blockLength = parameterAnswerLength(a, n);
    FUZZ_CHECK(n < 6 ? blockLength == -1 : blockLength >= 10 && blockLength <= 0xFFFF + 10);

    // Frames built from these bytes are valid answers of their own length.
    const QByteArray bytes(reinterpret_cast<const char*>(a), qsizetype(n));
    const uint8_t code = n > 0 ? a[0] : 0;
    const QByteArray block = parameterFrame(code, bytes);
    FUZZ_CHECK(block.size() == qsizetype(n) + 10 && validParameterAnswer(bytesOf(block), size_t(block.size())));
    FUZZ_CHECK(parameterAnswerLength(bytesOf(block), size_t(block.size())) == block.size());
    const QByteArray bare = bodilessFrame(code);
    FUZZ_CHECK(bare.size() == 8 && validAnswer(bytesOf(bare), 8, 8));
    if (answerLength >= 6 && answerLength <= 4096) {
        const QByteArray record = recordFrame(code, answerLength, bytes);
        FUZZ_CHECK(record.size() == answerLength + 4);
        FUZZ_CHECK(validAnswer(bytesOf(record), size_t(record.size()), answerLength + 4));
        FUZZ_CHECK(record.mid(6, qMin<qsizetype>(n, answerLength - 6)) == bytes.left(answerLength - 6));
    }
    return 0;
}
