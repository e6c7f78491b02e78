#include "codegen/tLightSmartGCode.h"

#include <utility>

namespace {

constexpr int tlRepeat = 12;

}  // namespace

tLightSmartGCode_t::tLightSmartGCode_t(TCodeByteSource randomByte)
    : randomByte_(randomByte ? std::move(randomByte) : TCodeByteSource(systemRandomByte))
{
}

bool tLightSmartGCode_t::frameGenerationTC2(unsigned short* frame, unsigned int length)
{
    // The byte count is an 8-bit value; a frame too short for one byte gets nothing.
    const uint8_t n = uint8_t(length >= 2 ? (length - 2) / 16 : 0);
    if (n == 0)
        return false;
    frameBytes = bytesWithSum(n, randomByte_);
    encodeFrameBytes(frame + 2, frameBytes.data(), n, tlLong, tlShort);
    frame[0] = tlHeaderFirst;
    frame[1] = tlHeaderSecond;
    return true;
}

tlCode_t tlCodeLines(const TCodeByteSource& randomByte)
{
    tLightSmartGCode_t generator(randomByte);
    unsigned short frame[tlFrameLength];
    generator.frameGenerationTC2(frame, tlFrameLength);
    const QString line = rfSendLine(tlRepeat, frame, tlFrameLength);
    return {{QStringLiteral("// Codigo para gravar os comandos"), line}, line};
}
