#include "capture/captureMessage.h"

#include <charconv>

std::optional<std::vector<uint16_t>> captureWords(const uint8_t* buf, size_t bufLen)
{
    if (buf == nullptr || bufLen < 4)
        return std::nullopt;
    const uint32_t n = uint32_t(buf[2]) | uint32_t(buf[3]) << 8;
    if (n > captureMaxWords || size_t(n) * 2 > bufLen)
        return std::nullopt;
    const uint32_t count = n < 2 ? 2 : n;
    std::vector<uint16_t> words(count);
    for (uint32_t i = 0; i < count; ++i)
        words[i] = uint16_t(buf[2 * i] | buf[2 * i + 1] << 8);
    return words;
}

namespace {

// "," followed by the decimal value; at most 1 + 10 characters.
size_t formatToken(char* out, uint32_t value)
{
    out[0] = ',';
    const auto end = std::to_chars(out + 1, out + 12, value).ptr;
    return size_t(end - out);
}

}  // namespace

void appendValue(std::string& line, uint32_t value)
{
    char token[12];
    line.append(token, formatToken(token, value));
}

bool appendValueCapped(std::string& line, uint32_t value)
{
    char token[12];
    const size_t len = formatToken(token, value);
    if (line.size() + len >= captureLineLimit)
        return false;
    line.append(token, len);
    return true;
}
