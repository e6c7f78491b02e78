// Random code sets for BroadLink TC2 wall switches (one, two or three keys): one learning
// frame that carries every key's bytes, and one short key frame per action.
#pragma once

#include "codegen/generatedLines.h"

#include <QStringList>

#include <cstdint>
#include <vector>

// Timings of a TC2 frame: header, then each byte least significant bit first, then trailer.
constexpr unsigned short tc2HeaderFirst = 40500;
constexpr unsigned short tc2HeaderSecond = 1650;
constexpr unsigned short tc2Long = 4000;
constexpr unsigned short tc2Short = 1650;
constexpr unsigned short tc2TrailerFirst = 1650;
constexpr unsigned short tc2TrailerSecond = 60000;
constexpr unsigned int tc2KeyFrameLength = 68;  // 3 bytes and their sum

class broadLinkGCode_t {
public:
    explicit broadLinkGCode_t(TCodeByteSource randomByte = {});

    // Bytes of the last learning frame: n - 1 random bytes, then their sum modulo 256.
    std::vector<uint8_t> frameBytes;

    // Fills frame[0 .. length - 1] with a new learning frame of n = (length - 4) / 16 bytes
    // and keeps its bytes in frameBytes. False, and nothing written, below one byte.
    bool frameGenerationTC2(unsigned short* frame, unsigned int length);

    // Fills frame[0 .. 67] with key frame k: frameBytes 3k, 3k + 1, 3k + 2 and their sum.
    // False, and nothing written, when the last learning frame does not reach byte 3k + 2.
    bool subFrameGenerationTC2(unsigned short* frame, unsigned short key);

private:
    TCodeByteSource randomByte_;
};

// Durations of the learning frame of a switch of `keys` keys: 116, 308 or 404; 0 for any
// other number of keys.
unsigned int tc2LearningFrameLength(int keys);

// What a click on "Gerar códigos" puts into the memo for a switch of `keys` keys: the
// recording comment and the learning line, then a comment and a key line per action.
// Empty for any other number of keys.
QStringList tc2CodeLines(int keys, const TCodeByteSource& randomByte = {});
