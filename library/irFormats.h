// Code formats that leave and enter the tool. IR: the tool's own "sendir" line and Pronto Hex
// (learned form), Global Caché "sendir", signed microseconds as Linux ir-ctl writes and reads
// them, and the Flipper ".ir" file. RF: the tool's own "sendrf"/"sendrf_rc" lines and raw
// durations in the device's units (the length of that unit is not known, so no microseconds).
// Pure: text in, a line or a message naming the place of the fault out.
//
// Every importer gives the tool's line; a line exported and imported again gives the same line,
// with two limits of the formats themselves: Pronto carries neither a repeat count nor a carrier
// finer than its frequency word (see importPronto), and an odd number of durations travels in
// the pair formats (Pronto, Global Caché) with a closing space of one carrier period that the
// importers drop again.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// A result or the message that says why there is none, naming the place in the input.
template <typename T> struct TParsed {
    std::optional<T> value;
    QString error;
    explicit operator bool() const { return value.has_value(); }
};

// ---- IR -------------------------------------------------------------------------------------
// The exporters take a line as parseIrLine gives it and write nothing for any other.

// Carriers a line may carry: what Global Caché accepts.
constexpr uint32_t irCarrierMin = 15000;
constexpr uint32_t irCarrierMax = 500000;
// Repeat counts a line may carry (Global Caché's range).
constexpr int irRepeatMax = 50;

// The tool's IR line, "sendir,1:8,1,<carrier>,<repeat>,<offset>,<durations...>": durations in
// periods of the carrier, mark first. The device sends all durations once, then the part from
// the offset (1-based, odd) again until it has sent `repeat` times.
struct irLine_t {
    uint32_t carrier = 0;  // Hz
    int repeat = 1;
    int offset = 1;
    std::vector<uint16_t> durations;
    bool operator==(const irLine_t&) const = default;
};

QString irLineText(const irLine_t& line);
// The tool's own line (module and connector 1:8, id 1), as the capture writes it.
TParsed<irLine_t> parseIrLine(const QString& text);

// Pronto Hex, learned form: 0000, the frequency word, the pair counts of the once and the repeat
// part, then the pairs. A line sent once goes wholly into the once part; a line with a repeat
// count above 1 puts the part from its offset into the repeat part.
QString exportPronto(const irLine_t& line);
// The carrier is that of the frequency word, taken as the nearest whole kHz when that kHz has
// the same word (0x006D gives 38000 Hz); a code with a repeat part gives a repeat count of 3.
TParsed<irLine_t> importPronto(const QString& text);

// Global Caché, "sendir,1:1,1,<carrier>,<repeat>,<offset>,..." for an iTach; the import takes
// any module, connector and id.
QString exportGlobalCache(const irLine_t& line);
TParsed<irLine_t> importGlobalCache(const QString& text);

// ir-ctl: "+9024 -4512 +564 ..." in microseconds, the carrier in a "# carrier N" comment. The
// export lists every duration the device sends (the repeats written out) and records the
// line's repeat count and offset in a "# repeat R offset O" comment, which the import uses to
// fold the repeats back. Without a carrier comment the import uses defaultCarrier.
QString exportIrCtl(const irLine_t& line);
TParsed<irLine_t> importIrCtl(const QString& text, uint32_t defaultCarrier = 38000);

// Flipper ".ir" signal files. Signals are written raw (microseconds, repeats written out as for
// ir-ctl), or parsed when asked and the protocol decoder names the line with a protocol the
// Flipper knows. The Flipper takes carriers of 10 to 56 kHz and at most 1024 raw durations.
struct flipperSignal_t {
    QString name;
    irLine_t line;
    bool operator==(const flipperSignal_t&) const = default;
};
enum class TFlipperForm { raw, parsedWhenNamed };
TParsed<QString> exportFlipper(const std::vector<flipperSignal_t>& codes, TFlipperForm form = TFlipperForm::raw);
// Raw and parsed signals (NEC, NECext, NEC42, NEC42ext, Samsung32, RC5, RC5X, RC6, SIRC,
// SIRC15, SIRC20, Kaseikyo, RCA, Pioneer); a parsed signal becomes one frame and its gap at the
// protocol's usual carrier.
TParsed<std::vector<flipperSignal_t>> importFlipper(const QString& text);

// ---- RF -------------------------------------------------------------------------------------

// "sendrf,<divisor code>,<count>,1,<durations...>" or "sendrf_rc,<durations...>", durations in
// the device's unit.
struct rfLine_t {
    bool rts = false;  // a "sendrf_rc" line: no header fields
    int divisorCode = 0;  // 1, 2, 3 for divisor 8, 16, 32
    uint32_t count = 1;
    std::vector<uint16_t> durations;
    bool operator==(const rfLine_t&) const = default;
};

QString rfLineText(const rfLine_t& line);
TParsed<rfLine_t> parseRfLine(const QString& text);

// Raw durations, one per line. The import takes numbers separated by blanks, commas or line
// breaks ('#' starts a comment) and gives a raw "sendrf" line (count 1) for the divisor code.
QString exportRfDurations(const rfLine_t& line);
TParsed<rfLine_t> importRfDurations(const QString& text, int divisorCode);
