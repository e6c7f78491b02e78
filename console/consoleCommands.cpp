#include "console/consoleCommands.h"

#include <QStringView>

#include <array>
#include <utility>

namespace ondixconsole {

TConsoleCommand consoleCommandFor(const QString& line)
{
    static const std::array<std::pair<QLatin1StringView, TConsoleCommand>, 7> keywords {{
        {QLatin1StringView("vilaverdebom4827"), TConsoleCommand::serviceAccess},
        {QLatin1StringView("atualizarfirmware"), TConsoleCommand::firmwareUpdate},
        {QLatin1StringView("getRTS"), TConsoleCommand::getRTS},
        {QLatin1StringView("getClock"), TConsoleCommand::getClock},
        {QLatin1StringView("setClock"), TConsoleCommand::setClock},
        {QLatin1StringView("memoryTest"), TConsoleCommand::memoryTest},
        {QLatin1StringView("help"), TConsoleCommand::help},
    }};
    for (const auto& [keyword, command] : keywords)
        if (line == keyword)
            return command;
    return TConsoleCommand::none;
}

QStringList helpLines()
{
    return {QStringLiteral("Commands:"), QStringLiteral("getRTS"), QStringLiteral("getClock"),
        QStringLiteral("setClock"), QStringLiteral("memoryTest")};
}

TCommandLineBytes commandLineBytes(const QString& text, TCommandLink link)
{
    TCommandLineBytes result;
    // Characters are checked by code point, so that a character outside the 16-bit range
    // is named whole rather than as two halves.
    for (const char32_t c : QStringView(text).toUcs4()) {
        if (c > 0xFF) {
            result.error = QStringLiteral("Caractere não permitido no comando: \"%1\" (U+%2). "
                                          "Use apenas caracteres de um byte (Latin-1).")
                               .arg(QString::fromUcs4(&c, 1),
                                   QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0')));
            return result;
        }
    }
    if (link == TCommandLink::usb && text.size() > maxUsbCommandText) {
        result.error = QStringLiteral("Comando longo demais para a USB: %1 caracteres (o máximo é %2).")
                           .arg(text.size())
                           .arg(maxUsbCommandText);
        return result;
    }
    result.bytes = text.toLatin1();
    if (link == TCommandLink::usb)
        result.bytes.append("\r\n");
    result.ok = true;
    return result;
}

}  // namespace ondixconsole
