#include "discovery/deviceInfo.h"

#include "link/frames.h"

#include <algorithm>
#include <cstring>

namespace deviceinfo {
namespace {

std::array<QString, 4> dotted(const uint8_t* bytes)
{
    return {QString::number(bytes[0]), QString::number(bytes[1]), QString::number(bytes[2]), QString::number(bytes[3])};
}

}  // namespace

bool checksumMatches(const uint8_t* record)
{
    return ondixframe::byteSum(record, checksumOffset) == ondixframe::readLe32(record + checksumOffset);
}

bool validAnswer(const uint8_t* record)
{
    return ondixframe::validAnswer(record, recordSize, int(recordSize));
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
    d.port = QString::number(ondixframe::readLe16(record + portOffset));
    d.rfCapable = record[rfFlagOffset] != 0;
    // The 16 bytes are 8-bit characters padded with zero bytes; the text ends at the first
    // zero byte (after the RF mark), so the padding never shows as boxes.
    d.ident = QString::fromLatin1(reinterpret_cast<const char*>(record + identOffset), identLength);
    if (d.rfCapable)
        d.ident[3] = QLatin1Char('W');
    if (const qsizetype end = d.ident.indexOf(QChar(u'\0')); end >= 0)
        d.ident.truncate(end);
    const unsigned version = ondixframe::readLe16(record + firmwareOffset);
    d.firmware = QStringLiteral("%1.%2").arg(version / 10).arg(version % 10);
    return d;
}

QString broadcastFor(const QString& address)
{
    const qsizetype dot = address.lastIndexOf(QLatin1Char('.'));
    return address.left(dot + 1) + QStringLiteral("255");
}

std::optional<Record> recordOfDatagram(const QByteArray& datagram)
{
    if (datagram.size() < qsizetype(recordSize))
        return std::nullopt;
    Record record;
    std::copy_n(reinterpret_cast<const uint8_t*>(datagram.constData()), record.size(), record.begin());
    if (!checksumMatches(record.data()))
        return std::nullopt;
    return record;
}

}  // namespace deviceinfo
