#include "library/irFormats.h"

#include "library/flipperFormat.h"
#include "library/textTokens.h"

#include "capture/irProtocol.h"

#include <QStringList>

#include <cmath>

using namespace texttokens;

namespace {

constexpr int toolLineHeaderFields = 6;  // sendir, module:connector, id, carrier, repeat, offset

// Pronto's frequency word counts units of 0.241246 us per carrier period.
constexpr double prontoUnitUs = 0.241246;

// Flipper limits for raw signals.
constexpr uint32_t flipperCarrierMin = 10000;
constexpr uint32_t flipperCarrierMax = 56000;
constexpr size_t flipperMaxTimings = 1024;

QString carrierRange()
{
    return QString("use de %1 a %2 Hz").arg(irCarrierMin).arg(irCarrierMax);
}

uint32_t microsOfPeriods(uint16_t periods, uint32_t carrier)
{
    return uint32_t(std::llround(double(periods) * 1e6 / double(carrier)));
}

std::optional<uint16_t> periodsOfMicros(uint64_t micros, uint32_t carrier)
{
    const long long p = std::llround(double(micros) * double(carrier) / 1e6);
    if (p > 65535)
        return std::nullopt;
    return uint16_t(p);
}

// Every duration the device sends: all of them once, then the part from the offset again
// until the line has been sent `repeat` times.
std::vector<uint16_t> expanded(const irLine_t& line)
{
    std::vector<uint16_t> all = line.durations;
    const auto from = line.durations.begin() + (line.offset - 1);
    for (int k = 1; k < line.repeat; ++k)
        all.insert(all.end(), from, line.durations.end());
    return all;
}

// The reverse of expanded(): the line whose expansion gives `all` with this repeat count and
// offset, or a line that sends `all` once when they do not fold that way.
irLine_t folded(std::vector<uint16_t> all, uint32_t carrier, int repeat, int offset)
{
    irLine_t line;
    line.carrier = carrier;
    const size_t total = all.size();
    if (repeat > 1 && offset >= 1 && offset % 2 == 1) {
        const size_t extra = size_t(repeat - 1) * size_t(offset - 1);
        if ((total + extra) % size_t(repeat) == 0) {
            const size_t n = (total + extra) / size_t(repeat);
            const size_t part = n >= size_t(offset) ? n - size_t(offset) + 1 : 0;
            bool fits = part > 0;
            for (size_t k = 0; fits && k + 1 < size_t(repeat); ++k)
                for (size_t j = 0; fits && j < part; ++j)
                    fits = all[n + k * part + j] == all[size_t(offset) - 1 + j];
            if (fits) {
                all.resize(n);
                line.repeat = repeat;
                line.offset = offset;
            }
        }
    }
    line.durations = std::move(all);
    return line;
}

// A line for the pair formats: an odd number of durations gets a closing space of one period.
std::vector<uint16_t> inPairs(const std::vector<uint16_t>& durations)
{
    std::vector<uint16_t> even = durations;
    if (even.size() % 2 == 1)
        even.push_back(1);
    return even;
}

// The importers' side of inPairs(): a closing space of at most one period is dropped.
void dropPairFiller(std::vector<uint16_t>& durations)
{
    if (durations.size() >= 2 && durations.size() % 2 == 0 && durations.back() <= 1)
        durations.pop_back();
}

// ---- the comma lines (the tool's own and Global Caché's) -------------------------------------

TParsed<irLine_t> parseSendir(const QString& text, const char* format, bool toolAddress)
{
    TParsed<irLine_t> r;
    const TTokens fields = commaFields(text);
    if (const QString e = singleLine(text, format); !e.isEmpty()) {
        r.error = e;
        return r;
    }
    auto fail = [&](size_t i, const QString& problem) {
        r.error = i < fields.size() ? fault(format, fields[i], "campo", problem) : faultAtEnd(format, text, problem);
        return r;
    };
    if (fields.empty() || fields[0].text != "sendir")
        return fail(0, QString("esperado \"sendir\", encontrado \"%1\"").arg(fields.empty() ? "" : fields[0].text));
    if (fields.size() < toolLineHeaderFields + 1)
        return fail(fields.size(), "a linha acaba antes das durações");
    if (toolAddress) {
        if (fields[1].text != "1:8")
            return fail(1, QString("esperado \"1:8\", encontrado \"%1\"").arg(fields[1].text));
        if (fields[2].text != "1")
            return fail(2, QString("esperado \"1\", encontrado \"%1\"").arg(fields[2].text));
    } else {
        const QStringList parts = fields[1].text.split(':');
        if (parts.size() != 2 || !decimal(parts[0], 255) || !decimal(parts[1], 255))
            return fail(1, QString("\"%1\" não é módulo:conector (por exemplo 1:1)").arg(fields[1].text));
        if (!decimal(fields[2].text, 65535))
            return fail(2, QString("identificador \"%1\" inválido (use de 0 a 65535)").arg(fields[2].text));
    }
    irLine_t line;
    const auto carrier = decimal(fields[3].text, irCarrierMax);
    if (!carrier || *carrier < irCarrierMin)
        return fail(3, QString("frequência \"%1\" inválida; %2").arg(fields[3].text, carrierRange()));
    line.carrier = uint32_t(*carrier);
    const auto repeat = decimal(fields[4].text, irRepeatMax);
    if (!repeat || *repeat < 1)
        return fail(4, QString("repetição \"%1\" inválida; use de 1 a %2").arg(fields[4].text).arg(irRepeatMax));
    line.repeat = int(*repeat);
    for (size_t i = toolLineHeaderFields; i < fields.size(); ++i) {
        const auto d = decimal(fields[i].text, 65535);
        if (!d)
            return fail(i, QString("duração \"%1\" inválida; use de 0 a 65535 períodos").arg(fields[i].text));
        line.durations.push_back(uint16_t(*d));
    }
    if (!toolAddress)
        dropPairFiller(line.durations);
    const auto offset = decimal(fields[5].text, 65535);
    if (!offset || *offset < 1 || *offset % 2 == 0 || *offset > line.durations.size())
        return fail(5,
            QString("deslocamento \"%1\" inválido; use um número ímpar de 1 a %2")
                .arg(fields[5].text)
                .arg(line.durations.size()));
    line.offset = int(*offset);
    r.value = std::move(line);
    return r;
}

QString sendirText(const char* address, const irLine_t& line, const std::vector<uint16_t>& durations)
{
    QString text = QString("sendir,%1,1,%2,%3,%4").arg(address).arg(line.carrier).arg(line.repeat).arg(line.offset);
    for (uint16_t d : durations)
        text += ',' + QString::number(d);
    return text;
}

// What parseIrLine guarantees; the exporters write nothing for anything else.
bool exportable(const irLine_t& line)
{
    return line.carrier >= irCarrierMin && line.carrier <= irCarrierMax && line.repeat >= 1
        && line.repeat <= irRepeatMax && !line.durations.empty() && line.offset >= 1 && line.offset % 2 == 1
        && size_t(line.offset) <= line.durations.size();
}

// ---- Pronto ---------------------------------------------------------------------------------

uint32_t prontoWordOfCarrier(uint32_t carrier)
{
    return uint32_t(std::lround(1e6 / (double(carrier) * prontoUnitUs)));
}

// The carrier a frequency word stands for: the nearest whole kHz when it has the same word.
uint32_t carrierOfProntoWord(uint32_t word)
{
    const double exact = 1e6 / (double(word) * prontoUnitUs);
    const uint32_t kHz = uint32_t(std::lround(exact / 1000.0)) * 1000;
    if (kHz > 0 && prontoWordOfCarrier(kHz) == word)
        return kHz;
    return uint32_t(std::lround(exact));
}

}  // namespace

// ---- IR: the tool's line and Global Caché -----------------------------------------------------

QString irLineText(const irLine_t& line)
{
    return sendirText("1:8", line, line.durations);
}

TParsed<irLine_t> parseIrLine(const QString& text)
{
    return parseSendir(text, "Linha sendir", true);
}

QString exportGlobalCache(const irLine_t& line)
{
    if (!exportable(line))
        return {};
    return sendirText("1:1", line, inPairs(line.durations));
}

TParsed<irLine_t> importGlobalCache(const QString& text)
{
    return parseSendir(text, "Global Caché", false);
}

// ---- IR: Pronto -------------------------------------------------------------------------------

QString exportPronto(const irLine_t& line)
{
    if (!exportable(line))
        return {};
    std::vector<uint16_t> once;
    std::vector<uint16_t> again;
    if (line.repeat > 1) {
        once.assign(line.durations.begin(), line.durations.begin() + (line.offset - 1));
        again = inPairs(std::vector<uint16_t>(line.durations.begin() + (line.offset - 1), line.durations.end()));
    } else {
        once = inPairs(line.durations);
    }
    QStringList words;
    auto word = [&](uint32_t w) { words << QString("%1").arg(w, 4, 16, QChar('0')).toUpper(); };
    word(0);
    word(prontoWordOfCarrier(line.carrier));
    word(uint32_t(once.size() / 2));
    word(uint32_t(again.size() / 2));
    for (uint16_t d : once)
        word(d);
    for (uint16_t d : again)
        word(d);
    return words.join(' ');
}

TParsed<irLine_t> importPronto(const QString& text)
{
    constexpr const char* format = "Pronto";
    TParsed<irLine_t> r;
    const TTokens words = scan(text);
    auto fail = [&](size_t i, const QString& problem) {
        r.error = i < words.size() ? fault(format, words[i], "palavra", problem) : faultAtEnd(format, text, problem);
        return r;
    };
    std::vector<uint32_t> values;
    for (size_t i = 0; i < words.size(); ++i) {
        const auto v = hexWord(words[i].text);
        if (!v)
            return fail(i, QString("\"%1\" não é um número hexadecimal de 4 dígitos").arg(words[i].text));
        values.push_back(*v);
    }
    if (values.size() < 4)
        return fail(values.size(), "o código acaba antes do fim do cabeçalho (4 palavras)");
    if (values[0] != 0)
        return fail(0, QString("só a forma aprendida (0000) é aceita, encontrado \"%1\"").arg(words[0].text));
    if (values[1] == 0)
        return fail(1, "a palavra de frequência 0000 não dá uma portadora");
    const uint32_t carrier = carrierOfProntoWord(values[1]);
    if (carrier < irCarrierMin || carrier > irCarrierMax)
        return fail(1, QString("a portadora %1 Hz está fora da faixa; %2").arg(carrier).arg(carrierRange()));
    const size_t oncePairs = values[2];
    const size_t againPairs = values[3];
    const size_t expected = 4 + 2 * (oncePairs + againPairs);
    if (oncePairs + againPairs == 0)
        return fail(2, "o código não tem pares de durações");
    if (values.size() < expected)
        return fail(values.size(),
            QString("o cabeçalho anuncia %1 pares, o código traz %2")
                .arg(oncePairs + againPairs)
                .arg((values.size() - 4) / 2));
    if (values.size() > expected)
        return fail(expected, QString("palavra além dos %1 pares anunciados no cabeçalho").arg(oncePairs + againPairs));
    irLine_t line;
    line.carrier = carrier;
    for (size_t i = 4; i < values.size(); ++i)
        line.durations.push_back(uint16_t(values[i]));
    dropPairFiller(line.durations);
    if (againPairs > 0) {
        line.repeat = 3;
        line.offset = int(2 * oncePairs + 1);
    }
    r.value = std::move(line);
    return r;
}

// ---- IR: ir-ctl -------------------------------------------------------------------------------

QString exportIrCtl(const irLine_t& line)
{
    if (!exportable(line))
        return {};
    QStringList values;
    bool mark = true;
    for (uint16_t d : expanded(line)) {
        values << QString("%1%2").arg(mark ? '+' : '-').arg(microsOfPeriods(d, line.carrier));
        mark = !mark;
    }
    QString text = values.join(' ') + '\n';
    text += QString("# carrier %1\n").arg(line.carrier);
    if (line.repeat > 1)
        text += QString("# repeat %1 offset %2\n").arg(line.repeat).arg(line.offset);
    return text;
}

TParsed<irLine_t> importIrCtl(const QString& text, uint32_t defaultCarrier)
{
    constexpr const char* format = "ir-ctl";
    TParsed<irLine_t> r;
    const TTokens tokens = scan(text, '#');
    uint32_t carrier = defaultCarrier;
    int repeat = 1;
    int offset = 1;
    for (const token_t& t : tokens) {
        if (!t.comment)
            continue;
        const QStringList w = t.text.simplified().split(' ');
        if (w.size() == 2 && w[0] == "carrier") {
            const auto v = decimal(w[1], irCarrierMax);
            if (!v || *v < irCarrierMin) {
                r.error = fault(format, t, nullptr, QString("portadora \"%1\" inválida; %2").arg(w[1], carrierRange()));
                return r;
            }
            carrier = uint32_t(*v);
        } else if (w.size() == 4 && w[0] == "repeat" && w[2] == "offset") {
            repeat = int(decimal(w[1], irRepeatMax).value_or(1));
            offset = int(decimal(w[3], 65535).value_or(1));
        }
    }
    if (carrier < irCarrierMin || carrier > irCarrierMax) {
        r.error = QString("ir-ctl: portadora %1 Hz fora da faixa; %2.").arg(carrier).arg(carrierRange());
        return r;
    }
    std::vector<uint16_t> durations;
    uint64_t timeout = 0;  // a "# timeout N" comment since the last value: the space between two pulses
    for (const token_t& t : tokens) {
        if (t.comment) {
            const QStringList w = t.text.simplified().split(' ');
            if (w.size() == 2 && w[0] == "timeout")
                timeout = decimal(w[1], 100000000).value_or(0);
            continue;
        }
        const QChar sign = t.text[0];
        const auto v = t.text.size() > 1 ? decimal(t.text.mid(1), 100000000) : std::nullopt;
        if ((sign != '+' && sign != '-') || !v) {
            r.error = fault(
                format, t, "valor", QString("\"%1\" não é +N (pulso) nem -N (espaço) em microssegundos").arg(t.text));
            return r;
        }
        const bool mark = sign == '+';
        const bool wantMark = durations.size() % 2 == 0;
        if (mark && !wantMark && timeout > 0)
            durations.push_back(periodsOfMicros(timeout, carrier).value_or(65535));
        timeout = 0;
        if (mark != (durations.size() % 2 == 0)) {
            r.error = fault(format, t, "valor",
                durations.empty()
                    ? QString("o sinal deve começar por um pulso (+N), encontrado \"%1\"").arg(t.text)
                    : QString("esperado %1, encontrado \"%2\"").arg(mark ? "um espaço (-N)" : "um pulso (+N)", t.text));
            return r;
        }
        const auto p = periodsOfMicros(*v, carrier);
        if (!p) {
            r.error = fault(format, t, "valor",
                QString("%1 us passa de 65535 períodos da portadora de %2 Hz").arg(*v).arg(carrier));
            return r;
        }
        durations.push_back(*p);
    }
    if (durations.empty()) {
        r.error = faultAtEnd(format, text, "nenhum valor +N/-N encontrado");
        return r;
    }
    r.value = folded(std::move(durations), carrier, repeat, offset);
    return r;
}

// ---- IR: Flipper ------------------------------------------------------------------------------

TParsed<QString> exportFlipper(const std::vector<flipperSignal_t>& codes, TFlipperForm form)
{
    TParsed<QString> r;
    QString text = "Filetype: IR signals file\nVersion: 1\n";
    for (const flipperSignal_t& s : codes) {
        if (s.name.trimmed().isEmpty() || s.name.contains('\n') || s.name.contains('\r')) {
            r.error = QString("Flipper: o nome \"%1\" não serve (vazio ou com quebra de linha).").arg(s.name);
            return r;
        }
        if (!exportable(s.line)) {
            r.error = QString("Flipper: o código \"%1\" não é uma linha sendir válida.").arg(s.name);
            return r;
        }
        if (form == TFlipperForm::parsedWhenNamed) {
            const irDecoded_t d = decodeIrPeriods(s.line.durations, s.line.carrier);
            if (const auto p = flipperParsedOf(d)) {
                text += QString("#\nname: %1\ntype: parsed\nprotocol: %2\naddress: %3\ncommand: %4\n")
                            .arg(s.name, p->protocol, flipperBytes(p->address), flipperBytes(p->command));
                continue;
            }
        }
        if (s.line.carrier < flipperCarrierMin || s.line.carrier > flipperCarrierMax) {
            r.error = QString("Flipper: o código \"%1\" usa %2 Hz; o Flipper aceita de %3 a %4 Hz.")
                          .arg(s.name)
                          .arg(s.line.carrier)
                          .arg(flipperCarrierMin)
                          .arg(flipperCarrierMax);
            return r;
        }
        const std::vector<uint16_t> all = expanded(s.line);
        if (all.size() > flipperMaxTimings) {
            r.error = QString("Flipper: o código \"%1\" tem %2 durações; o Flipper aceita até %3.")
                          .arg(s.name)
                          .arg(all.size())
                          .arg(flipperMaxTimings);
            return r;
        }
        QStringList data;
        for (uint16_t d : all)
            data << QString::number(microsOfPeriods(d, s.line.carrier));
        text += '#';
        if (s.line.repeat > 1)
            text += QString(" repeat %1 offset %2").arg(s.line.repeat).arg(s.line.offset);
        text += QString("\nname: %1\ntype: raw\nfrequency: %2\nduty_cycle: 0.330000\ndata: %3\n")
                    .arg(s.name)
                    .arg(s.line.carrier)
                    .arg(data.join(' '));
    }
    r.value = text;
    return r;
}

TParsed<std::vector<flipperSignal_t>> importFlipper(const QString& text)
{
    TParsed<std::vector<flipperSignal_t>> r;
    const auto entries = readFlipperFile(text);
    if (!entries) {
        r.error = entries.error;
        return r;
    }
    std::vector<flipperSignal_t> imported;
    for (const flipperEntry_t& e : *entries.value) {
        flipperSignal_t s;
        s.name = e.name;
        if (e.parsed) {
            auto line = encodeFlipperParsed(e);
            if (!line) {
                r.error = line.error;
                return r;
            }
            s.line = std::move(*line.value);
        } else {
            std::vector<uint16_t> durations;
            for (size_t i = 0; i < e.data.size(); ++i) {
                const auto p = periodsOfMicros(e.data[i], e.frequency);
                if (!p) {
                    r.error = fault("Flipper", e.dataPlaces[i], "valor",
                        QString("%1 us passa de 65535 períodos da portadora de %2 Hz").arg(e.data[i]).arg(e.frequency));
                    return r;
                }
                durations.push_back(*p);
            }
            s.line = folded(std::move(durations), e.frequency, e.repeat, e.offset);
        }
        imported.push_back(std::move(s));
    }
    r.value = std::move(imported);
    return r;
}

// ---- RF -----------------------------------------------------------------------------------------

QString rfLineText(const rfLine_t& line)
{
    QString text = line.rts ? QString("sendrf_rc") : QString("sendrf,%1,%2,1").arg(line.divisorCode).arg(line.count);
    for (uint16_t d : line.durations)
        text += ',' + QString::number(d);
    return text;
}

TParsed<rfLine_t> parseRfLine(const QString& text)
{
    constexpr const char* format = "Linha sendrf";
    TParsed<rfLine_t> r;
    if (const QString e = singleLine(text, format); !e.isEmpty()) {
        r.error = e;
        return r;
    }
    const TTokens fields = commaFields(text);
    auto fail = [&](size_t i, const QString& problem) {
        r.error = i < fields.size() ? fault(format, fields[i], "campo", problem) : faultAtEnd(format, text, problem);
        return r;
    };
    rfLine_t line;
    size_t first = 1;
    if (!fields.empty() && fields[0].text == "sendrf_rc") {
        line.rts = true;
    } else if (!fields.empty() && fields[0].text == "sendrf") {
        if (fields.size() < 4)
            return fail(fields.size(), "a linha acaba antes das durações");
        const auto code = decimal(fields[1].text, 3);
        if (!code || *code < 1)
            return fail(1, QString("código de divisor \"%1\" inválido; use 1, 2 ou 3").arg(fields[1].text));
        const auto count = decimal(fields[2].text, 0xFFFFFFFFu);
        if (!count)
            return fail(2, QString("contagem \"%1\" inválida").arg(fields[2].text));
        if (fields[3].text != "1")
            return fail(3, QString("esperado \"1\", encontrado \"%1\"").arg(fields[3].text));
        line.divisorCode = int(*code);
        line.count = uint32_t(*count);
        first = 4;
    } else {
        return fail(0,
            QString("esperado \"sendrf\" ou \"sendrf_rc\", encontrado \"%1\"")
                .arg(fields.empty() ? QString() : fields[0].text));
    }
    for (size_t i = first; i < fields.size(); ++i) {
        const auto d = decimal(fields[i].text, 65535);
        if (!d)
            return fail(i, QString("duração \"%1\" inválida; use de 0 a 65535").arg(fields[i].text));
        line.durations.push_back(uint16_t(*d));
    }
    if (line.durations.empty())
        return fail(fields.size(), "a linha não traz durações");
    r.value = std::move(line);
    return r;
}

QString exportRfDurations(const rfLine_t& line)
{
    QString text;
    for (uint16_t d : line.durations)
        text += QString::number(d) + '\n';
    return text;
}

TParsed<rfLine_t> importRfDurations(const QString& text, int divisorCode)
{
    constexpr const char* format = "Durações RF";
    TParsed<rfLine_t> r;
    if (divisorCode < 1 || divisorCode > 3) {
        r.error = QString("Durações RF: código de divisor %1 inválido; use 1, 2 ou 3.").arg(divisorCode);
        return r;
    }
    rfLine_t line;
    line.divisorCode = divisorCode;
    for (const token_t& t : scan(text, '#', true)) {
        if (t.comment)
            continue;
        const auto d = decimal(t.text, 65535);
        if (!d) {
            r.error = fault(format, t, "valor", QString("\"%1\" não é uma duração de 0 a 65535").arg(t.text));
            return r;
        }
        line.durations.push_back(uint16_t(*d));
    }
    if (line.durations.empty()) {
        r.error = faultAtEnd(format, text, "nenhuma duração encontrada");
        return r;
    }
    r.value = std::move(line);
    return r;
}
