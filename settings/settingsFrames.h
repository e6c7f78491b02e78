// The settings tab's numbers and the write-settings frame (command 0x04, the layout of
// deviceInfo_t). Pure: the window reads the edit boxes, calls these and shows the result.
#pragma once

#include "discovery/deviceInfo.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace ondixsettings {

constexpr uint8_t writeSettingsCode = 0x04;
constexpr int writeSettingsLength = 50;  // 46 bytes and the checksum
constexpr uint32_t maxOctet = 255;
constexpr uint32_t maxPort = 65535;

// One edit box read as a number: `value` when ok, else a one-line Portuguese message
// naming the box as the user sees it, the text found and the range allowed; `box` is the
// refused box's objectName, for the window to put the focus there.
struct TNumberField {
    bool ok = false;
    uint32_t value = 0;
    QString error;
    QString box;
};

// The box called `boxName` (its objectName) as the user sees it: the label beside it and,
// for an address, which of its four fields counting from the left ("Mascara de IP, 4º
// campo" for M_IP_1). A name not known here is returned as it is.
QString boxCaption(const QString& boxName);

// Decimal digits only ('0' to '9', leading zeros allowed) with a value from 0 to `maximum`.
// Empty text, blanks, signs, letters and larger values are refused:
//   Valor inválido em Endereço IP, 1º campo: "300" (use um número de 0 a 255).
TNumberField parseDecimalField(const QString& boxName, const QString& text, uint32_t maximum);

// Texts of the settings tab. Each address holds its four boxes in dotted order:
// ip = IP_4, IP_3, IP_2, IP_1 (IP_4 is the leftmost box, the first number).
struct TSettingsTexts {
    std::array<QString, 4> ip, mask, gateway;
    bool dhcp = false;  // ckbDHCPOn
    QString port;  // edPort
};

struct settingsValues_t {
    std::array<uint8_t, 4> ip {}, mask {}, gateway {};
    bool dhcp = false;
    uint16_t port = 0;
};

struct TSettingsParse {
    bool ok = false;
    settingsValues_t values;
    QString error;  // the first refused box, in the order IP, mask, gateway, port
    QString box;  // that box's objectName
};
TSettingsParse parseSettings(const TSettingsTexts& texts);

// The 50-byte write frame. Offsets 4-5 are zero. The positions no box fills (MAC 18-23,
// identification, version and RF flag 27-45) carry the bytes of `lastRead`, the record
// the device last sent, so that they go back as the device holds them; zero without one.
QByteArray writeSettingsFrame(const settingsValues_t& values, const deviceinfo::Record* lastRead = nullptr);

}  // namespace ondixsettings
