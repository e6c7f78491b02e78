// The capture message the Ondix sends after an IR or RF learning, and the pieces of the
// command lines built from it. Pure: bytes in, words and text out.
//
// Layout: unsigned 16-bit little-endian words; word 1 is the message length N in words
// (words 0 and 1 included). RF: words 2 .. N-1 are the samples. IR: word 2 is a value
// passed through to the line and words 3 .. N-1 are the durations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The answer buffer holds 20000 bytes, so a message never has more words than this.
constexpr uint32_t captureMaxWords = 10000;

// Lines that list every duration stop growing before they reach this many characters.
constexpr size_t captureLineLimit = 5110;

// The words of the message at the start of buf: words 0 .. N-1, or just words 0 and 1 when
// N is below 2. nullopt when word 1 cannot be read (bufLen < 4), when N is above
// captureMaxWords, or when N words would run past the bufLen bytes received.
std::optional<std::vector<uint16_t>> captureWords(const uint8_t* buf, size_t bufLen);

// Appends "," and the decimal value, without any length limit.
void appendValue(std::string& line, uint32_t value);

// Appends "," and the decimal value only when the line stays below captureLineLimit
// characters; each value is tested on its own, so a shorter one may still fit after a
// longer one was left out. Returns whether the value was appended.
bool appendValueCapped(std::string& line, uint32_t value);
