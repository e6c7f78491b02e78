// What the switch-code generators share: the source of random bytes, the bit encoding of a
// frame, the "sendrf" line of a generated frame and the rule that picks the lines a
// double-click sends.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// A source of uniform random bytes 0 .. 255. Without one, the generators use Qt's
// system-seeded generator.
using TCodeByteSource = std::function<uint8_t()>;
uint8_t systemRandomByte();

// `count` bytes: the first count - 1 drawn from `randomByte`, the last their 8-bit sum.
std::vector<uint8_t> bytesWithSum(size_t count, const TCodeByteSource& randomByte);

// Writes `count` bytes, each least significant bit first, two durations per bit: a 1 is
// longDuration, shortDuration and a 0 is shortDuration, longDuration. 16 durations a byte.
void encodeFrameBytes(unsigned short* frame, const uint8_t* bytes, size_t count, unsigned short longDuration,
    unsigned short shortDuration);

// "sendrf,1,<repeat>,1" followed by "," and every duration of the frame in decimal.
QString rfSendLine(int repeat, const unsigned short* frame, size_t length);

// Whether a line of a generator memo is sent when double-clicked: only a line that sorts,
// by the user's locale, strictly after "sendrf,1,". Comment lines, empty lines and that
// text alone are not.
bool isSendableLine(const QString& line);
