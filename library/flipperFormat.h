// The Flipper ".ir" signal file: reading its entries, the protocols its parsed signals name
// (spellings and address/command layouts as the Flipper writes them), and the frames those
// signals stand for. Used by the Flipper import and export in irFormats.
#pragma once

#include "library/irFormats.h"
#include "library/textTokens.h"

#include "capture/irProtocol.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct flipperEntry_t {
    QString name;
    texttokens::token_t namePlace;
    bool parsed = false;
    // Raw signal: carrier, durations in microseconds, the repeat comment written before it.
    uint32_t frequency = 0;
    std::vector<uint64_t> data;
    texttokens::TTokens dataPlaces;
    int repeat = 1;
    int offset = 1;
    // Parsed signal: address and command as the four little-endian bytes of the file.
    QString protocol;
    texttokens::token_t protocolPlace;
    uint32_t address = 0;
    texttokens::token_t addressPlace;
    uint32_t command = 0;
    texttokens::token_t commandPlace;
};

// The signals of a file, in order; a message naming the line and column otherwise.
TParsed<std::vector<flipperEntry_t>> readFlipperFile(const QString& text);

// A parsed signal: the Flipper's protocol spelling and its address and command.
struct flipperParsed_t {
    QString protocol;
    uint32_t address = 0;
    uint32_t command = 0;
};
// What the Flipper calls a press the decoder named; nullopt for a protocol it does not know
// (JVC) and for repeat codes alone.
std::optional<flipperParsed_t> flipperParsedOf(const irDecoded_t& decoded);

// The line of a parsed signal: one frame and its gap at the protocol's usual carrier, sent three
// times for Sony SIRC (whose receivers want to see the frame more than once), once otherwise.
TParsed<irLine_t> encodeFlipperParsed(const flipperEntry_t& entry);

// "04 00 00 00": the four bytes of a value, least significant first.
QString flipperBytes(uint32_t value);
