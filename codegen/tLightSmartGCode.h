// Random codes for TL switches: one frame per click, header then bytes, no trailer.
#pragma once

#include "codegen/generatedLines.h"

#include <QStringList>

#include <cstdint>
#include <vector>

constexpr unsigned short tlHeaderFirst = 1700;
constexpr unsigned short tlHeaderSecond = 49000;
constexpr unsigned short tlLong = 4800;
constexpr unsigned short tlShort = 1800;
constexpr unsigned int tlFrameLength = 50;  // 2 random bytes and their sum

class tLightSmartGCode_t {
public:
    explicit tLightSmartGCode_t(TCodeByteSource randomByte = {});

    // Bytes of the last frame: n - 1 random bytes, then their sum modulo 256.
    std::vector<uint8_t> frameBytes;

    // Fills frame[0 .. length - 1] with a new frame of n = (length - 2) / 16 bytes and keeps
    // its bytes in frameBytes. False, and nothing written, below one byte.
    bool frameGenerationTC2(unsigned short* frame, unsigned int length);

private:
    TCodeByteSource randomByte_;
};

// One click on "Gerar código": the two lines appended to the generator's memo (the
// recording comment and the send line) and the line that alone replaces the log.
struct tlCode_t {
    QStringList memoLines;
    QString infoLine;
};
tlCode_t tlCodeLines(const TCodeByteSource& randomByte = {});
