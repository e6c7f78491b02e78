// Typed text the tool checks before it acts or sends: the console line, the command line
// sent to the device, the MAC boxes, the flash read boxes and the numeric settings boxes.
//
// Input: byte 0 picks how the rest becomes text (UTF-8, raw UTF-16 units with lone
// surrogates allowed, or Latin-1), byte 1 the largest value a numeric box takes; the text
// is split at tabs into the boxes.
#include "console/consoleCommands.h"
#include "console/serviceFrames.h"
#include "fuzzInput.h"
#include "link/frames.h"
#include "settings/settingsFrames.h"

#include <QString>
#include <QStringList>

using ondixfuzz::TInput;

namespace {

QString textOf(uint8_t how, const ondixfuzz::TBytes& bytes)
{
    const auto chars = reinterpret_cast<const char*>(bytes.data());
    const auto n = qsizetype(bytes.size());
    switch (how % 3) {
    case 0:
        return QString::fromUtf8(chars, n);
    case 1: {
        QString s;
        for (qsizetype i = 0; i + 1 < n; i += 2)
            s.append(QChar(char16_t(bytes.data()[i] | bytes.data()[i + 1] << 8)));
        return s;
    }
    default:
        return QString::fromLatin1(chars, n);
    }
}

// Whether the box holds a number the parser must take: digits only, value up to `maximum`.
bool isNumber(const QString& text, uint32_t maximum, uint32_t& value)
{
    uint64_t v = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = std::min<uint64_t>(v * 10 + (c.unicode() - '0'), uint64_t(1) << 40);
    }
    value = uint32_t(v);
    return !text.isEmpty() && v <= maximum;
}

void checkNumberBox(const QString& name, const QString& caption, const QString& text, uint32_t maximum)
{
    const ondixsettings::TNumberField f = ondixsettings::parseDecimalField(name, text, maximum);
    uint32_t value = 0;
    const bool number = isNumber(text, maximum, value);
    FUZZ_CHECK(f.ok == number);
    if (f.ok) {
        FUZZ_CHECK(f.value == value && f.error.isEmpty() && f.box.isEmpty());
    } else {
        // The message quotes the text as typed, whatever it holds.
        FUZZ_CHECK(f.error
            == QStringLiteral("Valor inválido em ") + caption + QStringLiteral(": \"") + text
                + QStringLiteral("\" (use um número de 0 a ") + QString::number(maximum) + QStringLiteral(")."));
        FUZZ_CHECK(f.box == name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    const uint8_t how = in.byte();
    const uint8_t pickMaximum = in.byte();
    const QString text = textOf(how, in.rest());
    QStringList boxes = text.split(QLatin1Char('\t'));
    while (boxes.size() < 13)
        boxes.append(QString());

    // The console line and the command line.
    (void)ondixconsole::consoleCommandFor(text);
    for (const auto link : {ondixconsole::TCommandLink::usb, ondixconsole::TCommandLink::network}) {
        const ondixconsole::TCommandLineBytes line = ondixconsole::commandLineBytes(text, link);
        bool oneByte = true;
        for (const char32_t c : text.toUcs4())
            oneByte = oneByte && c <= 0xFF;
        FUZZ_CHECK(line.ok == oneByte || (link == ondixconsole::TCommandLink::usb && text.size() > 65533));
        FUZZ_CHECK(line.ok != !line.error.isEmpty());
        if (line.ok) {
            QByteArray expected = text.toLatin1();
            if (link == ondixconsole::TCommandLink::usb)
                expected += "\r\n";
            FUZZ_CHECK(line.bytes == expected);
        }
    }

    // The MAC boxes.
    std::array<QString, 6> mac;
    for (size_t i = 0; i < mac.size(); ++i)
        mac[i] = boxes[qsizetype(i)];
    const QByteArray macFrame = ondixservice::writeMacFrame(mac);
    FUZZ_CHECK(macFrame.size() == 32);
    FUZZ_CHECK(ondixframe::validAnswer(reinterpret_cast<const uint8_t*>(macFrame.constData()), 32, 32));
    for (size_t i = 0; i < mac.size(); ++i)
        FUZZ_CHECK(uint8_t(macFrame[qsizetype(6 + i)]) == ondixservice::macByte(mac[i]));

    // The flash read boxes.
    const ondixservice::TFlashRequest flash = ondixservice::flashReadRequest(boxes[0], boxes[1]);
    uint32_t address = 0, quantity = 0;
    FUZZ_CHECK(flash.ok == (isNumber(boxes[0], 0xFFFFFFFF, address) && isNumber(boxes[1], 9990, quantity)));
    if (flash.ok)
        FUZZ_CHECK(flash.frame.size() == 18
            && ondixframe::validParameterAnswer(reinterpret_cast<const uint8_t*>(flash.frame.constData()), 18));
    else
        FUZZ_CHECK(!flash.error.isEmpty() && flash.frame.isEmpty());

    // A numeric box, and the settings tab.
    static const uint32_t maxima[] = {255, 65535, 9990, 0xFFFFFFFF, 0};
    const uint32_t maximum = pickMaximum < 5 ? maxima[pickMaximum] : uint32_t(pickMaximum) * 977;
    checkNumberBox(QStringLiteral("IP_4"), QStringLiteral("Endereço IP, 1º campo"), boxes[0], maximum);
    checkNumberBox(QStringLiteral("edPort"), QStringLiteral("Porta TCP"), text, maximum);
    ondixsettings::TSettingsTexts texts;
    for (int i = 0; i < 4; ++i) {
        texts.ip[size_t(i)] = boxes[i];
        texts.mask[size_t(i)] = boxes[4 + i];
        texts.gateway[size_t(i)] = boxes[8 + i];
    }
    texts.port = boxes[12];
    const ondixsettings::TSettingsParse settings = ondixsettings::parseSettings(texts);
    FUZZ_CHECK(settings.ok == settings.error.isEmpty());
    if (settings.ok) {
        const QByteArray frame = ondixsettings::writeSettingsFrame(settings.values);
        FUZZ_CHECK(
            frame.size() == 50 && ondixframe::validAnswer(reinterpret_cast<const uint8_t*>(frame.constData()), 50, 50));
    }
    return 0;
}
