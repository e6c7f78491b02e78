#include "settings/settingsFrames.h"

#include "link/frames.h"

#include <algorithm>

namespace ondixsettings {

TNumberField parseDecimalField(const QString& boxName, const QString& text, uint32_t maximum)
{
    TNumberField field;
    // 64 bits hold any run of digits up to the point where the value passes a 32-bit
    // maximum; longer runs stop early and are refused.
    uint64_t value = 0;
    bool digits = !text.isEmpty();
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9') || value > maximum) {
            digits = false;
            break;
        }
        value = value * 10 + uint64_t(c.unicode() - '0');
    }
    if (digits && value <= maximum) {
        field.ok = true;
        field.value = uint32_t(value);
        return field;
    }
    // One substitution for all three: a '%1' typed in the box stays as typed.
    field.error = QStringLiteral("Valor inválido em %1: \"%2\" (use um número de 0 a %3).")
                      .arg(boxName, text, QString::number(maximum));
    return field;
}

TSettingsParse parseSettings(const TSettingsTexts& texts)
{
    TSettingsParse result;
    const auto address = [&result](
                             const std::array<QString, 4>& boxes, const char* prefix, std::array<uint8_t, 4>& out) {
        for (int i = 0; i < 4 && result.error.isEmpty(); ++i) {
            // Box IP_4 holds the first number, IP_1 the last.
            const QString name = QLatin1String(prefix) + QString::number(4 - i);
            const TNumberField f = parseDecimalField(name, boxes[size_t(i)], maxOctet);
            if (f.ok)
                out[size_t(i)] = uint8_t(f.value);
            else
                result.error = f.error;
        }
    };
    address(texts.ip, "IP_", result.values.ip);
    address(texts.mask, "M_IP_", result.values.mask);
    address(texts.gateway, "GW_IP_", result.values.gateway);
    if (!result.error.isEmpty())
        return result;
    const TNumberField port = parseDecimalField(QStringLiteral("edPort"), texts.port, maxPort);
    if (!port.ok) {
        result.error = port.error;
        return result;
    }
    result.values.port = uint16_t(port.value);
    result.values.dhcp = texts.dhcp;
    result.ok = true;
    return result;
}

QByteArray writeSettingsFrame(const settingsValues_t& values, const deviceinfo::Record* lastRead)
{
    using namespace deviceinfo;
    QByteArray fields(int(checksumOffset - ipOffset), '\0');  // offsets 6 .. 45
    const auto put = [&fields](size_t offset, const uint8_t* bytes, size_t count) {
        std::copy_n(bytes, count, fields.begin() + qsizetype(offset - ipOffset));
    };
    if (lastRead) {
        put(macOffset, lastRead->data() + macOffset, 6);
        put(identOffset, lastRead->data() + identOffset, checksumOffset - identOffset);
    }
    put(ipOffset, values.ip.data(), 4);
    put(maskOffset, values.mask.data(), 4);
    put(gatewayOffset, values.gateway.data(), 4);
    const uint8_t tail[3] = {uint8_t(values.dhcp ? 1 : 0), uint8_t(values.port & 0xFF), uint8_t(values.port >> 8)};
    put(dhcpOffset, tail, 3);
    return ondixframe::recordFrame(writeSettingsCode, writeSettingsLength - ondixframe::checksumSize, fields);
}

bool settingsAnswerValid(const uint8_t* answer, size_t received)
{
    return ondixframe::validAnswer(answer, received, int(deviceinfo::recordSize));
}

}  // namespace ondixsettings
