#include "codegen/generatedLines.h"

#include <QRandomGenerator>

uint8_t systemRandomByte()
{
    return uint8_t(QRandomGenerator::global()->bounded(256));
}

std::vector<uint8_t> bytesWithSum(size_t count, const TCodeByteSource& randomByte)
{
    std::vector<uint8_t> bytes(count, 0);
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        bytes[i] = randomByte();
        sum = uint8_t(sum + bytes[i]);
    }
    if (count > 0)
        bytes[count - 1] = sum;
    return bytes;
}

void encodeFrameBytes(unsigned short* frame, const uint8_t* bytes, size_t count, unsigned short longDuration,
    unsigned short shortDuration)
{
    for (size_t i = 0; i < count; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool one = (bytes[i] >> bit) & 1;
            unsigned short* pair = frame + 16 * i + 2 * size_t(bit);
            pair[0] = one ? longDuration : shortDuration;
            pair[1] = one ? shortDuration : longDuration;
        }
    }
}

QString rfSendLine(int repeat, const unsigned short* frame, size_t length)
{
    QString line = QString::asprintf("sendrf,1,%d,1", repeat);
    line.reserve(line.size() + 6 * qsizetype(length));
    for (size_t i = 0; i < length; ++i)
        line += QLatin1Char(',') + QString::number(frame[i]);
    return line;
}

bool isSendableLine(const QString& line)
{
    return !line.isEmpty() && QString::localeAwareCompare(line, QStringLiteral("sendrf,1,")) > 0;
}
