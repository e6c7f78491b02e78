// A library code in and out of the code formats: the text of a file or a clipboard in one
// format becomes library codes, a library code becomes that format's text. Pure; shared by
// `ondix library import|export` and the window's "Copiar como".
#pragma once

#include "library/irFormats.h"
#include "library/siteLibrary.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// pronto, gc (Global Caché), irctl, flipper: IR only; rfraw (durations in the device's unit):
// RF only; line: the tool's own line, IR or RF.
enum class TCodeFormat { pronto, gc, irctl, flipper, line, rfraw };

// "pronto", "gc", "irctl", "flipper", "line", "rfraw".
QString formatName(TCodeFormat format);
std::optional<TCodeFormat> formatOfName(const QString& name);

// The codes a text in `format` holds, named `name`. A Flipper file of several signals gives one
// code per signal, named "NAME signal"; one signal is named NAME. RF durations (rfraw) become a
// raw line for `divisor` (8, 16 or 32). Refused with the message of the format, which names the
// place in the text.
TParsed<std::vector<libraryCode_t>> importCodes(
    TCodeFormat format, const QString& text, const QString& name, uint16_t divisor, const QDateTime& at);

// The code in `format`, ending with a line break. IR formats refuse an RF code and rfraw an IR one.
TParsed<QString> exportCode(const libraryCode_t& code, TCodeFormat format, bool flipperParsed);
