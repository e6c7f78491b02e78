#include "console/serviceFrames.h"

#include "link/frames.h"
#include "settings/settingsFrames.h"

namespace ondixservice {

uint32_t macTextValue(const QString& text)
{
    // Each character is one UTF-16 unit; a longer text only shifts higher digits out,
    // which never reach the low byte that is sent.
    uint32_t value = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        uint32_t digit = 0;
        if (c >= 0x2A && c <= 0x3F)
            digit = c & 0x0F;
        else if (c >= u'a' && c <= u'f')
            digit = uint32_t(c - u'a' + 10);
        else if (c >= u'A' && c <= u'F')
            digit = uint32_t(c - u'A' + 10);
        value = value * 16 + digit;
    }
    return value;
}

uint8_t macByte(const QString& text)
{
    return uint8_t(macTextValue(text) & 0xFF);
}

QByteArray writeMacFrame(const std::array<QString, 6>& boxes)
{
    QByteArray mac;
    for (const QString& box : boxes)
        mac.append(char(macByte(box)));
    return ondixframe::recordFrame(writeMacCode, writeMacLength - ondixframe::checksumSize, mac);
}

TFlashRequest flashReadRequest(const QString& addressText, const QString& quantityText)
{
    TFlashRequest request;
    const auto address = ondixsettings::parseDecimalField(QStringLiteral("edAddr"), addressText, maxFlashAddress);
    const auto quantity = ondixsettings::parseDecimalField(QStringLiteral("edQtd"), quantityText, maxFlashQuantity);
    if (!address.ok || !quantity.ok) {
        request.error = address.ok ? quantity.error : address.error;
        request.box = address.ok ? quantity.box : address.box;
        return request;
    }
    QByteArray parameters;
    for (const uint32_t v : {address.value, quantity.value})
        for (int shift = 0; shift < 32; shift += 8)
            parameters.append(char((v >> shift) & 0xFF));
    request.frame = ondixframe::parameterFrame(flashReadCode, parameters);
    request.ok = true;
    return request;
}

TFlashDump decodeFlashAnswer(const uint8_t* answer, size_t received)
{
    TFlashDump dump;
    if (!ondixframe::validParameterAnswer(answer, received))
        return dump;
    const int n = ondixframe::readLe16(answer + 4);
    dump.line.reserve(n * 4);
    for (int i = 0; i < n; ++i)
        dump.line += QString::asprintf("[%02X]", answer[6 + i]);
    dump.ok = true;
    return dump;
}

}  // namespace ondixservice
