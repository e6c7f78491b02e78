// The console in the log memo: the keyword typed on the caret's line, and the text the
// "Enviar" button sends as a command line. Pure: the window runs the actions.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ondixconsole {

// One entry per keyword, in the order they are tried.
enum class TConsoleCommand {
    none,  // not a keyword: the line stays as typed
    serviceAccess,  // the service access code: reveals the MAC controls
    firmwareUpdate,  // "atualizarfirmware"
    getRTS,
    getClock,
    setClock,
    memoryTest,  // reveals the "Flash M. Test" tab
    help,
};

// The keyword the whole line is, compared exactly (case and blanks count).
TConsoleCommand consoleCommandFor(const QString& line);

// What "help" appends to the log, one entry per line.
QStringList helpLines();

enum class TCommandLink { usb, network };

// Over USB the line goes behind a 16-bit length together with CR LF, so the text itself
// may have at most 65535 - 2 bytes.
constexpr int maxUsbCommandText = 65533;

// The bytes a memo text becomes on the link: one byte per character (Latin-1), over USB
// followed by 0x0D 0x0A (the link adds the length). Refused, with a one-line Portuguese
// message, when a character has no single-byte form or the USB line is too long.
struct TCommandLineBytes {
    bool ok = false;
    QByteArray bytes;
    QString error;
};
TCommandLineBytes commandLineBytes(const QString& text, TCommandLink link);

}  // namespace ondixconsole
