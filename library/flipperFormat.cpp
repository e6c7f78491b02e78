#include "library/flipperFormat.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

using namespace texttokens;

namespace {

constexpr const char* format = "Flipper";

// ---- the protocols ----------------------------------------------------------------------------

struct protocolSpec_t {
    const char* name;
    uint32_t maxAddress;
    uint32_t maxCommand;
    uint32_t carrier;
    uint32_t period;  // from the start of one frame to the next; 0: a fixed gap of minGap
    uint32_t minGap;
    int repeat;
};

constexpr std::array<protocolSpec_t, 14> protocols {{
    {"NEC", 0xFF, 0xFF, 38000, 108000, 10000, 1},
    {"NECext", 0xFFFF, 0xFFFF, 38000, 108000, 10000, 1},
    {"NEC42", 0x1FFF, 0xFF, 38000, 108000, 10000, 1},
    {"NEC42ext", 0x3FFFFFF, 0xFFFF, 38000, 108000, 10000, 1},
    {"Samsung32", 0xFF, 0xFF, 38000, 108000, 10000, 1},
    {"RC5", 0x1F, 0x3F, 36000, 113778, 10000, 1},
    {"RC5X", 0x1F, 0x7F, 36000, 113778, 10000, 1},
    {"RC6", 0xFF, 0xFF, 36000, 107000, 10000, 1},
    {"SIRC", 0x1F, 0x7F, 40000, 45000, 10000, 3},
    {"SIRC15", 0xFF, 0x7F, 40000, 45000, 10000, 3},
    {"SIRC20", 0x1FFF, 0x7F, 40000, 45000, 10000, 3},
    {"Kaseikyo", 0x3FFFFFF, 0x3FF, 37000, 130000, 10000, 1},
    {"RCA", 0xF, 0xFF, 56000, 64000, 10000, 1},
    {"Pioneer", 0xFF, 0xFF, 40000, 0, 26000, 1},
}};

const protocolSpec_t* specOf(const QString& name)
{
    for (const protocolSpec_t& p : protocols)
        if (name == p.name)
            return &p;
    return nullptr;
}

using TMicros = std::vector<uint32_t>;

// Pulse-distance frame: leader (when leadMark > 0), a mark and a space per bit, closing mark.
TMicros pulseDistance(uint32_t leadMark, uint32_t leadSpace, uint32_t mark, uint32_t space0, uint32_t space1,
    uint64_t value, int bits, bool msbFirst = false)
{
    TMicros d;
    if (leadMark)
        d = {leadMark, leadSpace};
    for (int i = 0; i < bits; ++i) {
        const bool one = (value >> (msbFirst ? bits - 1 - i : i)) & 1;
        d.push_back(mark);
        d.push_back(one ? space1 : space0);
    }
    d.push_back(mark);
    return d;
}

// Bi-phase: half-bit levels (1 = carrier on) joined into durations; the silence before the
// first mark and after the last one is no part of the frame.
TMicros fromHalves(const std::vector<int>& halves, double t, TMicros lead = {})
{
    TMicros d = std::move(lead);
    size_t first = 0;
    while (first < halves.size() && halves[first] == 0)
        ++first;
    size_t last = halves.size();
    while (last > first && halves[last - 1] == 0)
        --last;
    int run = 0;
    for (size_t k = first; k < last; ++k) {
        ++run;
        if (k + 1 == last || halves[k + 1] != halves[k]) {
            d.push_back(uint32_t(std::lround(run * t)));
            run = 0;
        }
    }
    return d;
}

uint32_t reversed(uint32_t value, int bits)
{
    uint32_t r = 0;
    for (int i = 0; i < bits; ++i)
        r |= ((value >> i) & 1) << (bits - 1 - i);
    return r;
}

// Kaseikyo as the Flipper lays it out: address = id << 24 | vendor << 8 | genre1 << 4 | genre2,
// command = 10 data bits; on the air six bytes, least significant bit first.
uint64_t kaseikyoBits(uint32_t address, uint32_t command)
{
    const uint32_t vendor = (address >> 8) & 0xFFFF;
    const uint32_t genre1 = (address >> 4) & 0x0F;
    const uint32_t genre2 = address & 0x0F;
    const uint32_t id = (address >> 24) & 0x03;
    const uint32_t b0 = vendor & 0xFF;
    const uint32_t b1 = vendor >> 8;
    const uint32_t v = b0 ^ b1;
    const uint32_t b2 = ((v ^ (v >> 4)) & 0x0F) | genre1 << 4;
    const uint32_t b3 = genre2 | (command & 0x0F) << 4;
    const uint32_t b4 = ((command >> 4) & 0x3F) | id << 6;
    const uint32_t b5 = b2 ^ b3 ^ b4;
    return uint64_t(b0) | uint64_t(b1) << 8 | uint64_t(b2) << 16 | uint64_t(b3) << 24 | uint64_t(b4) << 32
        | uint64_t(b5) << 40;
}

TMicros frameOf(const protocolSpec_t& p, uint32_t a, uint32_t c)
{
    const QString name = p.name;
    if (name == "NEC" || name == "Pioneer")
        return pulseDistance(
            9000, 4500, 560, 560, 1690, a | (~a & 0xFF) << 8 | c << 16 | uint64_t(~c & 0xFF) << 24, 32);
    if (name == "NECext")
        return pulseDistance(9000, 4500, 560, 560, 1690, a | uint64_t(c) << 16, 32);
    if (name == "NEC42")
        return pulseDistance(9000, 4500, 560, 560, 1690,
            a | uint64_t(~a & 0x1FFF) << 13 | uint64_t(c) << 26 | uint64_t(~c & 0xFF) << 34, 42);
    if (name == "NEC42ext")
        return pulseDistance(9000, 4500, 560, 560, 1690, a | uint64_t(c) << 26, 42);
    if (name == "Samsung32")
        return pulseDistance(4500, 4500, 560, 560, 1690, a | a << 8 | c << 16 | uint64_t(~c & 0xFF) << 24, 32);
    if (name == "RC5" || name == "RC5X") {
        // Two start bits (the second carries command bit 6, inverted), toggle 0, address,
        // command; MSB first, a 1 is space then mark.
        const uint32_t word = 1u << 13 | uint32_t(!(c & 0x40)) << 12 | a << 6 | (c & 0x3F);
        std::vector<int> halves;
        for (int b = 13; b >= 0; --b)
            halves.insert(halves.end(), {int(!((word >> b) & 1)), int((word >> b) & 1)});
        return fromHalves(halves, 889);
    }
    if (name == "RC6") {
        // Start bit 1, mode 0, toggle 0 at double length, address and command; a 1 is mark
        // then space.
        std::vector<int> halves {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1};
        for (int b = 15; b >= 0; --b) {
            const int bit = int(((a << 8 | c) >> b) & 1);
            halves.insert(halves.end(), {bit, !bit});
        }
        return fromHalves(halves, 444.444, {2666, 889});
    }
    if (name.startsWith("SIRC")) {
        const int bits = name == "SIRC" ? 12 : name == "SIRC15" ? 15 : 20;
        const uint32_t word = c | a << 7;
        TMicros d {2400, 600};
        for (int i = 0; i < bits; ++i) {
            d.push_back((word >> i) & 1 ? 1200 : 600);
            if (i + 1 < bits)
                d.push_back(600);
        }
        return d;
    }
    if (name == "Kaseikyo")
        return pulseDistance(3456, 1728, 432, 432, 1296, kaseikyoBits(a, c), 48);
    // RCA: 4 address bits, 8 command bits and both inverted, MSB first on the air; the Flipper
    // reads them least significant bit first.
    const uint32_t ra = reversed(a, 4);
    const uint32_t rc = reversed(c, 8);
    return pulseDistance(4000, 4000, 500, 1000, 2000, ra << 20 | rc << 12 | (~ra & 0x0F) << 8 | (~rc & 0xFF), 24, true);
}

// ---- reading the file ---------------------------------------------------------------------------

token_t place(int line, int column)
{
    token_t t;
    t.line = line;
    t.column = column;
    return t;
}

// "04 00 00 00": four two-digit hexadecimal bytes, least significant first.
std::optional<uint32_t> fourBytes(const QString& text)
{
    const QStringList bytes = text.split(' ', Qt::SkipEmptyParts);
    if (bytes.size() != 4)
        return std::nullopt;
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        if (bytes[i].size() != 2)
            return std::nullopt;
        const auto w = hexWord("00" + bytes[i]);
        if (!w)
            return std::nullopt;
        value = value << 8 | *w;
    }
    return value;
}

}  // namespace

QString flipperBytes(uint32_t value)
{
    QStringList bytes;
    for (int i = 0; i < 4; ++i)
        bytes << QString("%1").arg((value >> (8 * i)) & 0xFF, 2, 16, QChar('0')).toUpper();
    return bytes.join(' ');
}

TParsed<std::vector<flipperEntry_t>> readFlipperFile(const QString& text)
{
    TParsed<std::vector<flipperEntry_t>> r;
    std::vector<flipperEntry_t> entries;
    const QStringList lines = text.split('\n');
    int header = 0;  // 0: Filetype expected, 1: Version expected, 2: signals
    int pendingRepeat = 1;
    int pendingOffset = 1;
    std::optional<flipperEntry_t> current;
    QHash<QString, token_t> keys;  // of the current signal, with where they stand

    auto finish = [&]() -> QString {
        if (!current)
            return {};
        const flipperEntry_t& e = *current;
        const QString type = keys.contains("type") ? (e.parsed ? "parsed" : "raw") : QString();
        if (type.isEmpty())
            return fault(format, e.namePlace, nullptr, QString("o sinal \"%1\" não diz o tipo (type)").arg(e.name));
        const QStringList needed =
            e.parsed ? QStringList {"protocol", "address", "command"} : QStringList {"frequency", "duty_cycle", "data"};
        const QStringList foreign =
            e.parsed ? QStringList {"frequency", "duty_cycle", "data"} : QStringList {"protocol", "address", "command"};
        for (const QString& k : needed)
            if (!keys.contains(k))
                return fault(
                    format, e.namePlace, nullptr, QString("o sinal \"%1\" (%2) não tem \"%3\"").arg(e.name, type, k));
        for (const QString& k : foreign)
            if (keys.contains(k))
                return fault(format, keys[k], nullptr, QString("\"%1\" não cabe num sinal %2").arg(k, type));
        entries.push_back(e);
        current.reset();
        keys.clear();
        return {};
    };

    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString s = lines[i];
        if (s.endsWith('\r'))
            s.chop(1);
        const QString trimmed = s.trimmed();
        if (trimmed.isEmpty())
            continue;
        const int firstColumn = int(s.indexOf(trimmed[0])) + 1;
        if (trimmed.startsWith('#')) {
            const QStringList w = trimmed.mid(1).simplified().split(' ');
            if (w.size() == 4 && w[0] == "repeat" && w[2] == "offset") {
                pendingRepeat = int(decimal(w[1], irRepeatMax).value_or(1));
                pendingOffset = int(decimal(w[3], 65535).value_or(1));
            }
            continue;
        }
        const int colon = int(s.indexOf(':'));
        if (colon < 0) {
            r.error = fault(format, place(lineNo, firstColumn), nullptr, "esperado \"chave: valor\"");
            return r;
        }
        const QString key = s.left(colon).trimmed();
        int valueStart = colon + 1;
        while (valueStart < s.size() && (s[valueStart] == ' ' || s[valueStart] == '\t'))
            ++valueStart;
        const QString value = s.mid(valueStart).trimmed();
        const token_t at = place(lineNo, valueStart + 1);
        const token_t keyAt = place(lineNo, firstColumn);

        if (header == 0) {
            if (key != "Filetype" || (value != "IR signals file" && value != "IR library file")) {
                r.error = fault(
                    format, keyAt, nullptr, "esperado \"Filetype: IR signals file\"; não é um arquivo IR do Flipper");
                return r;
            }
            header = 1;
            continue;
        }
        if (header == 1) {
            if (key != "Version" || value != "1") {
                r.error =
                    fault(format, keyAt, nullptr, QString("esperado \"Version: 1\", encontrado \"%1\"").arg(trimmed));
                return r;
            }
            header = 2;
            continue;
        }
        if (key == "name") {
            if (const QString e = finish(); !e.isEmpty()) {
                r.error = e;
                return r;
            }
            if (value.isEmpty()) {
                r.error = fault(format, at, nullptr, "nome vazio");
                return r;
            }
            current = flipperEntry_t {};
            current->name = value;
            current->namePlace = keyAt;
            current->repeat = pendingRepeat;
            current->offset = pendingOffset;
            pendingRepeat = pendingOffset = 1;
            keys.insert(key, keyAt);
            continue;
        }
        if (!current) {
            r.error = fault(format, keyAt, nullptr, QString("\"%1\" antes do primeiro \"name\"").arg(key));
            return r;
        }
        if (keys.contains(key)) {
            r.error = fault(format, keyAt, nullptr, QString("\"%1\" repetido no sinal \"%2\"").arg(key, current->name));
            return r;
        }
        keys.insert(key, keyAt);
        flipperEntry_t& e = *current;
        if (key == "type") {
            if (value != "raw" && value != "parsed") {
                r.error = fault(format, at, nullptr, QString("tipo \"%1\" desconhecido; use raw ou parsed").arg(value));
                return r;
            }
            e.parsed = value == "parsed";
        } else if (key == "frequency") {
            const auto f = decimal(value, irCarrierMax);
            if (!f || *f < irCarrierMin) {
                r.error = fault(format, at, nullptr,
                    QString("frequência \"%1\" inválida; use de %2 a %3 Hz")
                        .arg(value)
                        .arg(irCarrierMin)
                        .arg(irCarrierMax));
                return r;
            }
            e.frequency = uint32_t(*f);
        } else if (key == "duty_cycle") {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (!ok || !(d > 0.0 && d <= 1.0)) {
                r.error =
                    fault(format, at, nullptr, QString("ciclo de trabalho \"%1\" inválido; use de 0 a 1").arg(value));
                return r;
            }
        } else if (key == "data") {
            for (token_t t : scan(value)) {
                t.line = lineNo;
                t.column += valueStart;
                const auto v = decimal(t.text, 100000000);
                if (!v || *v == 0) {
                    r.error =
                        fault(format, t, "valor", QString("\"%1\" não é uma duração em microssegundos").arg(t.text));
                    return r;
                }
                e.data.push_back(*v);
                e.dataPlaces.push_back(t);
            }
            if (e.data.empty()) {
                r.error = fault(format, at, nullptr, "sinal sem durações");
                return r;
            }
        } else if (key == "protocol") {
            e.protocol = value;
            e.protocolPlace = at;
        } else if (key == "address" || key == "command") {
            const auto v = fourBytes(value);
            if (!v) {
                r.error = fault(format, at, nullptr,
                    QString("\"%1\" não são quatro bytes hexadecimais (como 04 00 00 00)").arg(value));
                return r;
            }
            (key == "address" ? e.address : e.command) = *v;
            (key == "address" ? e.addressPlace : e.commandPlace) = at;
        } else {
            r.error = fault(format, keyAt, nullptr, QString("chave \"%1\" desconhecida").arg(key));
            return r;
        }
    }
    if (header < 2) {
        r.error =
            faultAtEnd(format, text, "cabeçalho \"Filetype\"/\"Version\" incompleto; não é um arquivo IR do Flipper");
        return r;
    }
    if (const QString e = finish(); !e.isEmpty()) {
        r.error = e;
        return r;
    }
    if (entries.empty()) {
        r.error = faultAtEnd(format, text, "nenhum sinal no arquivo");
        return r;
    }
    r.value = std::move(entries);
    return r;
}

std::optional<flipperParsed_t> flipperParsedOf(const irDecoded_t& d)
{
    if (d.bits == 0)
        return std::nullopt;
    const uint32_t a = d.address;
    const uint32_t c = d.command;
    switch (d.protocol) {
    case TIrProtocol::nec:
        return flipperParsed_t {"NEC", a, c};
    case TIrProtocol::necExtended:
        return flipperParsed_t {"NECext", a, c | (~c & 0xFF) << 8};
    case TIrProtocol::nec42:
        return flipperParsed_t {"NEC42", a, c};
    case TIrProtocol::pioneer:
        return flipperParsed_t {"Pioneer", a, c};
    case TIrProtocol::samsung32:
        return flipperParsed_t {"Samsung32", a, c};
    case TIrProtocol::sirc12:
        return flipperParsed_t {"SIRC", a, c};
    case TIrProtocol::sirc15:
        return flipperParsed_t {"SIRC15", a, c};
    case TIrProtocol::sirc20:
        return flipperParsed_t {"SIRC20", a, c};
    case TIrProtocol::rc5:
        return flipperParsed_t {"RC5", a, c};
    case TIrProtocol::rc5x:
        return flipperParsed_t {"RC5X", a, c};
    case TIrProtocol::rc6:
        return flipperParsed_t {"RC6", a, c};
    case TIrProtocol::kaseikyo:
        // Ours: vendor, 12-bit address, 8-bit command. The Flipper's: genres and data bits.
        return flipperParsed_t {"Kaseikyo", (c >> 6) << 24 | d.vendor << 8 | (a & 0x0F) << 4 | ((a >> 4) & 0x0F),
            ((a >> 8) & 0x0F) | (c & 0x3F) << 4};
    case TIrProtocol::rca:
        return flipperParsed_t {"RCA", reversed(a, 4), reversed(c, 8)};
    case TIrProtocol::jvc:
    case TIrProtocol::unknown:
        break;
    }
    return std::nullopt;
}

TParsed<irLine_t> encodeFlipperParsed(const flipperEntry_t& e)
{
    TParsed<irLine_t> r;
    const protocolSpec_t* p = specOf(e.protocol);
    if (!p) {
        QStringList known;
        for (const protocolSpec_t& s : protocols)
            known << s.name;
        r.error = fault(format, e.protocolPlace, nullptr,
            QString("protocolo \"%1\" desconhecido; conhecidos: %2").arg(e.protocol, known.join(", ")));
        return r;
    }
    if (e.address > p->maxAddress) {
        r.error = fault(format, e.addressPlace, nullptr,
            QString("endereço 0x%1 fora da faixa do %2 (até 0x%3)")
                .arg(QString::number(e.address, 16).toUpper(), p->name, QString::number(p->maxAddress, 16).toUpper()));
        return r;
    }
    if (e.command > p->maxCommand) {
        r.error = fault(format, e.commandPlace, nullptr,
            QString("comando 0x%1 fora da faixa do %2 (até 0x%3)")
                .arg(QString::number(e.command, 16).toUpper(), p->name, QString::number(p->maxCommand, 16).toUpper()));
        return r;
    }
    const TMicros frame = frameOf(*p, e.address, e.command);
    uint64_t length = 0;
    for (uint32_t d : frame)
        length += d;
    const uint64_t gap = std::max<uint64_t>(p->period > length ? p->period - length : 0, p->minGap);
    irLine_t line;
    line.carrier = p->carrier;
    line.repeat = p->repeat;
    for (uint32_t d : frame)
        line.durations.push_back(uint16_t(std::llround(double(d) * p->carrier / 1e6)));
    line.durations.push_back(uint16_t(std::llround(double(gap) * p->carrier / 1e6)));
    r.value = std::move(line);
    return r;
}
