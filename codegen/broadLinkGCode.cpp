#include "codegen/broadLinkGCode.h"

#include <array>
#include <utility>

namespace {

constexpr int tc2Repeat = 20;

struct tc2Action_t {
    const char* comment;
    unsigned short key;
};

// The last key of a switch uses key frames 0 and 1, the key before it 2 and 3, and so on;
// "Todas" takes the two after the last key's.
const std::vector<tc2Action_t>& tc2Actions(int keys)
{
    static const std::array<std::vector<tc2Action_t>, 3> actions {{
        {{"// Codigo para Ligar L1", 0}, {"// Codigo para Desligar L1", 1}},
        {{"// Codigo para Ligar L1", 2}, {"// Codigo para Desligar L1", 3}, {"// Codigo para Ligar L2", 0},
            {"// Codigo para Desligar L2", 1}, {"// Codigo para Ligar Todas", 4}, {"// Codigo para Desligar Todas", 5}},
        {{"// Codigo para Ligar L1", 4}, {"// Codigo para Desligar L1", 5}, {"// Codigo para Ligar L2", 2},
            {"// Codigo para Desligar L2", 3}, {"// Codigo para Ligar L3", 0}, {"// Codigo para Desligar L3", 1},
            {"// Codigo para Ligar Todas", 6}, {"// Codigo para Desligar Todas", 7}},
    }};
    return actions[size_t(keys - 1)];
}

void frameEnds(unsigned short* frame, unsigned int length)
{
    frame[0] = tc2HeaderFirst;
    frame[1] = tc2HeaderSecond;
    frame[length - 2] = tc2TrailerFirst;
    frame[length - 1] = tc2TrailerSecond;
}

}  // namespace

broadLinkGCode_t::broadLinkGCode_t(TCodeByteSource randomByte)
    : randomByte_(randomByte ? std::move(randomByte) : TCodeByteSource(systemRandomByte))
{
}

bool broadLinkGCode_t::frameGenerationTC2(unsigned short* frame, unsigned int length)
{
    // The byte count is an 8-bit value; a frame too short for one byte gets nothing.
    const uint8_t n = uint8_t(length >= 4 ? (length - 4) / 16 : 0);
    if (n == 0)
        return false;
    frameBytes = bytesWithSum(n, randomByte_);
    encodeFrameBytes(frame + 2, frameBytes.data(), n, tc2Long, tc2Short);
    frameEnds(frame, length);
    return true;
}

bool broadLinkGCode_t::subFrameGenerationTC2(unsigned short* frame, unsigned short key)
{
    const size_t first = 3 * size_t(key);
    if (first + 2 >= frameBytes.size())
        return false;
    const uint8_t bytes[4] = {frameBytes[first], frameBytes[first + 1], frameBytes[first + 2],
        uint8_t(frameBytes[first] + frameBytes[first + 1] + frameBytes[first + 2])};
    encodeFrameBytes(frame + 2, bytes, 4, tc2Long, tc2Short);
    frameEnds(frame, tc2KeyFrameLength);
    return true;
}

unsigned int tc2LearningFrameLength(int keys)
{
    switch (keys) {
    case 1:
        return 116;
    case 2:
        return 308;
    case 3:
        return 404;
    default:
        return 0;
    }
}

QStringList tc2CodeLines(int keys, const TCodeByteSource& randomByte)
{
    const unsigned int length = tc2LearningFrameLength(keys);
    if (length == 0)
        return {};
    broadLinkGCode_t generator(randomByte);
    unsigned short learning[404];
    unsigned short keyFrame[tc2KeyFrameLength];
    generator.frameGenerationTC2(learning, length);
    QStringList lines {QStringLiteral("// Codigo para gravar os comandos"), rfSendLine(tc2Repeat, learning, length)};
    for (const tc2Action_t& action : tc2Actions(keys)) {
        generator.subFrameGenerationTC2(keyFrame, action.key);
        lines << QString::fromLatin1(action.comment) << rfSendLine(tc2Repeat, keyFrame, tc2KeyFrameLength);
    }
    return lines;
}
