#include "settings/settingsFrames.h"

#include "link/frames.h"

#include <algorithm>
#include <utility>

namespace ondixsettings {

QString boxCaption(const QString& boxName)
{
    // The address boxes run left to right from *_4 to *_1.
    static const std::pair<const char*, const char*> addresses[] = {
        {"IP_", "Endereço IP"}, {"M_IP_", "Mascara de IP"}, {"GW_IP_", "Gateway IP"}};
    for (const auto& [prefix, label] : addresses) {
        const QLatin1String p(prefix);
        if (boxName.size() == p.size() + 1 && boxName.startsWith(p)) {
            const int part = boxName.back().unicode() - '0';
            if (part >= 1 && part <= 4)
                return QStringLiteral("%1, %2º campo").arg(QString::fromUtf8(label)).arg(5 - part);
        }
    }
    if (boxName == QLatin1String("edPort"))
        return QStringLiteral("Porta TCP");
    if (boxName == QLatin1String("edAddr"))
        return QStringLiteral("Address");
    if (boxName == QLatin1String("edQtd"))
        return QStringLiteral("Qtd");
    return boxName;
}

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
                      .arg(boxCaption(boxName), text, QString::number(maximum));
    field.box = boxName;
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
            if (f.ok) {
                out[size_t(i)] = uint8_t(f.value);
            } else {
                result.error = f.error;
                result.box = f.box;
            }
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
        result.box = port.box;
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

}  // namespace ondixsettings
