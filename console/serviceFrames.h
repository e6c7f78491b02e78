// Service functions behind the console: the MAC write (0x05), the flash read test (0x15)
// and the firmware-update trigger (0x02). Pure frames and answer decoding.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace ondixservice {

constexpr uint8_t writeMacCode = 0x05;
constexpr int writeMacLength = 32;  // 28 bytes and the checksum
constexpr uint8_t flashReadCode = 0x15;
constexpr uint8_t firmwareUpdateCode = 0x02;

// The flash answer is N + 10 bytes and must fit the USB reader's 10000-byte receive buffer
// (the 20000-byte answer buffer is larger), so at most 9990 bytes are asked for at once.
constexpr uint32_t maxFlashQuantity = 9990;
constexpr uint32_t maxFlashAddress = 0xFFFFFFFF;

// The value of a MAC box's text: each character is a digit from the left, '*' to '?'
// (0x2A-0x3F, the digits among them) worth its low four bits, 'a'-'f' and 'A'-'F' worth
// 10 to 15, anything else 0 but still holding its place. Never refused; the frame takes
// the low 8 bits ("123" gives 0x23, ":0" 0xA0, "" 0x00).
uint32_t macTextValue(const QString& text);
uint8_t macByte(const QString& text);

// The 32-byte MAC write from the boxes macAddr0 .. macAddr5: their bytes at 6-11, the
// rest zero, checksum of 0-27 at 28.
QByteArray writeMacFrame(const std::array<QString, 6>& boxes);

// The 18-byte flash read request from the texts of edAddr and edQtd: decimal digits only,
// address 0 .. 4294967295, quantity 0 .. 9990. Refused, before anything is sent, with one
// Portuguese line naming the box.
struct TFlashRequest {
    bool ok = false;
    QByteArray frame;
    QString error;
    QString box;  // objectName of the refused box
};
TFlashRequest flashReadRequest(const QString& addressText, const QString& quantityText);

// The flash answer: 'E', 'K', two bytes, N at 4-5, N data bytes, checksum of 0 .. 5+N.
// Valid when all N + 10 bytes were received and the checksum is nonzero and matches; the
// line shows each data byte as "[%02X]", e.g. "[00][1F][FF]".
struct TFlashDump {
    bool ok = false;
    QString line;
};
TFlashDump decodeFlashAnswer(const uint8_t* answer, size_t received);

}  // namespace ondixservice
