#include "link/frames.h"

#include <algorithm>

namespace ondixframe {

uint32_t byteSum(const uint8_t* bytes, size_t length)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += bytes[i];
    return sum;
}

uint32_t byteSum(const QByteArray& bytes)
{
    return byteSum(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

uint32_t readLe32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

uint16_t readLe16(const uint8_t* bytes)
{
    return uint16_t(bytes[0] | bytes[1] << 8);
}

void appendChecksum(QByteArray& frame)
{
    const uint32_t sum = byteSum(frame);
    for (int shift = 0; shift < 32; shift += 8)
        frame.append(char((sum >> shift) & 0xFF));
}

static QByteArray header(uint8_t code)
{
    QByteArray frame;
    frame.append(char(markerE));
    frame.append(char(markerK));
    frame.append(char(requestVersion));
    frame.append(char(code));
    return frame;
}

QByteArray bodilessFrame(uint8_t code)
{
    QByteArray frame = header(code);
    appendChecksum(frame);
    return frame;
}

QByteArray parameterFrame(uint8_t code, const QByteArray& parameters)
{
    if (parameters.size() > 0xFFFF)
        return {};
    QByteArray frame = header(code);
    frame.append(char(parameters.size() & 0xFF));
    frame.append(char((parameters.size() >> 8) & 0xFF));
    frame.append(parameters);
    appendChecksum(frame);
    return frame;
}

QByteArray recordFrame(uint8_t code, int lengthBeforeChecksum, const QByteArray& fields)
{
    if (lengthBeforeChecksum < recordFieldOffset)
        return {};
    QByteArray frame = header(code);
    frame.append(2, '\0');
    frame.append(fields.left(lengthBeforeChecksum - recordFieldOffset));
    frame.append(lengthBeforeChecksum - int(frame.size()), '\0');
    appendChecksum(frame);
    return frame;
}

bool validAnswer(const uint8_t* buffer, size_t bufferSize, int answerLength)
{
    if (answerLength < checksumSize || size_t(answerLength) > bufferSize)
        return false;
    const size_t k = size_t(answerLength - checksumSize);
    const uint32_t stored = readLe32(buffer + k);
    return stored != 0 && stored == byteSum(buffer, k);
}

int parameterAnswerLength(const uint8_t* buffer, size_t bufferSize)
{
    if (bufferSize < 6)
        return -1;
    return int(readLe16(buffer + 4)) + 10;
}

bool validParameterAnswer(const uint8_t* buffer, size_t bufferSize)
{
    const int length = parameterAnswerLength(buffer, bufferSize);
    return length > 0 && validAnswer(buffer, bufferSize, length);
}

}  // namespace ondixframe
