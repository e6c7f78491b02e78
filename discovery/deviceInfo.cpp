#include "discovery/deviceInfo.h"

#include <cstring>

namespace deviceinfo {
namespace {

uint32_t sumOfHeader(const uint8_t* record)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < checksumOffset; ++i)
        sum += record[i];
    return sum;
}

uint32_t storedChecksum(const uint8_t* record)
{
    const uint8_t* p = record + checksumOffset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::array<QString, 4> dotted(const uint8_t* bytes)
{
    return {QString::number(bytes[0]), QString::number(bytes[1]), QString::number(bytes[2]),
            QString::number(bytes[3])};
}

}  // namespace

bool checksumMatches(const uint8_t* record)
{
    return sumOfHeader(record) == storedChecksum(record);
}

bool validAnswer(const uint8_t* record)
{
    return storedChecksum(record) != 0 && checksumMatches(record);
}

bool sameDevice(const uint8_t* a, const uint8_t* b)
{
    return std::memcmp(a + ipOffset, b + ipOffset, 4) == 0;
}

TDeviceDisplay display(const uint8_t* record)
{
    TDeviceDisplay d;
    d.ip = dotted(record + ipOffset);
    d.mask = dotted(record + maskOffset);
    d.gateway = dotted(record + gatewayOffset);
    for (size_t i = 0; i < 6; ++i)
        d.mac[i] = QStringLiteral("%1").arg(record[macOffset + i], 2, 16, QLatin1Char('0')).toUpper();
    d.dhcp = record[dhcpOffset] != 0;
    d.port = QString::number(unsigned(record[portOffset]) | unsigned(record[portOffset + 1]) << 8);
    d.rfCapable = record[rfFlagOffset] != 0;
    // Every one of the 16 bytes is a character of the text, zero bytes included.
    d.ident = QString::fromLatin1(reinterpret_cast<const char*>(record + identOffset), identLength);
    if (d.rfCapable)
        d.ident[3] = QLatin1Char('W');
    const unsigned version = unsigned(record[firmwareOffset]) | unsigned(record[firmwareOffset + 1]) << 8;
    d.firmware = QStringLiteral("%1.%2").arg(version / 10).arg(version % 10);
    return d;
}

QString broadcastFor(const QString& address)
{
    const qsizetype dot = address.lastIndexOf(QLatin1Char('.'));
    return address.left(dot + 1) + QStringLiteral("255");
}

}  // namespace deviceinfo
