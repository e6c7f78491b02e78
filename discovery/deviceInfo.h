// deviceInfo_t, the 50-byte device information record: the answer to the information
// request, the discovery answer and the announcement. Offsets are fixed by the device.
#pragma once

#include <QByteArray>

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace deviceinfo {

constexpr size_t recordSize = 50;
constexpr size_t ipOffset = 6;
constexpr size_t maskOffset = 10;
constexpr size_t gatewayOffset = 14;
constexpr size_t macOffset = 18;
constexpr size_t dhcpOffset = 24;
constexpr size_t portOffset = 25;
constexpr size_t identOffset = 27;
constexpr size_t identLength = 16;
constexpr size_t firmwareOffset = 43;
constexpr size_t rfFlagOffset = 45;
constexpr size_t checksumOffset = 46;
constexpr uint8_t discoveryAnswerCode = 0x0C;

using Record = std::array<uint8_t, recordSize>;

// Sum of bytes 0..45 against the stored value; a zero sum that matches is accepted here.
bool checksumMatches(const uint8_t* record);
// The stricter test of a direct read: the stored value must also be nonzero.
bool validAnswer(const uint8_t* record);
// Two records name the same device when their IP address bytes are equal.
bool sameDevice(const uint8_t* a, const uint8_t* b);

// The record a discovery datagram carries: none when the datagram is too short to hold one
// (never read past its end) or its checksum does not match.
std::optional<Record> recordOfDatagram(const QByteArray& datagram);

// How a record is shown on screen.
struct TDeviceDisplay {
    std::array<QString, 4> ip, mask, gateway;  // decimal, dotted order
    std::array<QString, 6> mac;  // "%02X"
    bool dhcp = false;
    QString port;  // unsigned decimal
    QString ident;  // up to the first zero byte of the 16; 4th replaced by 'W' for an RF-capable device
    QString firmware;  // "%d.%d" of value / 10 and value % 10
    bool rfCapable = false;
};
TDeviceDisplay display(const uint8_t* record);

// The broadcast address searched for one interface address: everything after the last
// '.' replaced by "255" (a /24 network, whatever the real mask); no '.' gives "255".
QString broadcastFor(const QString& address);

}  // namespace deviceinfo
