#include "library/codeExchange.h"

#include "capture/irProtocol.h"

namespace {

const char* const formatNames[] = {"pronto", "gc", "irctl", "flipper", "line", "rfraw"};

int divisorCode(uint16_t divisor)
{
    return divisor == 8 ? 1 : divisor == 32 ? 3 : 2;
}

libraryCode_t irCode(const QString& name, const irLine_t& line, const QDateTime& at)
{
    libraryCode_t code;
    code.name = name;
    code.kind = TCodeKind::ir;
    code.line = irLineText(line);
    code.captured = line.durations;
    code.carrier = line.carrier;
    code.protocol = libraryProtocolOf(decodeIrPeriods(line.durations, line.carrier));
    code.learnedAt = at.toUTC();
    return code;
}

libraryCode_t rfCode(const QString& name, const rfLine_t& line, const QDateTime& at)
{
    libraryCode_t code;
    code.name = name;
    code.kind = TCodeKind::rf;
    code.line = rfLineText(line);
    code.captured = line.durations;
    code.learnedAt = at.toUTC();
    return code;
}

template <typename T> TParsed<std::vector<libraryCode_t>> refusedImport(const TParsed<T>& parsed)
{
    TParsed<std::vector<libraryCode_t>> r;
    r.error = parsed.error;
    return r;
}

}  // namespace

QString formatName(TCodeFormat format)
{
    return QLatin1String(formatNames[int(format)]);
}

std::optional<TCodeFormat> formatOfName(const QString& name)
{
    for (int i = 0; i < int(std::size(formatNames)); ++i)
        if (name == QLatin1String(formatNames[i]))
            return TCodeFormat(i);
    return std::nullopt;
}

TParsed<std::vector<libraryCode_t>> importCodes(
    TCodeFormat format, const QString& text, const QString& name, uint16_t divisor, const QDateTime& at)
{
    TParsed<std::vector<libraryCode_t>> r;
    switch (format) {
    case TCodeFormat::pronto:
    case TCodeFormat::gc:
    case TCodeFormat::irctl: {
        const TParsed<irLine_t> line = format == TCodeFormat::pronto ? importPronto(text)
            : format == TCodeFormat::gc                              ? importGlobalCache(text)
                                                                     : importIrCtl(text);
        if (!line)
            return refusedImport(line);
        r.value = {irCode(name, *line.value, at)};
        return r;
    }
    case TCodeFormat::flipper: {
        const auto entries = importFlipper(text);
        if (!entries)
            return refusedImport(entries);
        std::vector<libraryCode_t> codes;
        for (const flipperSignal_t& s : *entries.value)
            codes.push_back(
                irCode(entries.value->size() == 1 ? name : name + QLatin1Char(' ') + s.name.trimmed(), s.line, at));
        r.value = std::move(codes);
        return r;
    }
    case TCodeFormat::line: {
        if (text.trimmed().startsWith(QLatin1String("sendrf"))) {
            const auto line = parseRfLine(text);
            if (!line)
                return refusedImport(line);
            r.value = {rfCode(name, *line.value, at)};
        } else {
            const auto line = parseIrLine(text);
            if (!line)
                return refusedImport(line);
            r.value = {irCode(name, *line.value, at)};
        }
        return r;
    }
    case TCodeFormat::rfraw: {
        const auto line = importRfDurations(text, divisorCode(divisor));
        if (!line)
            return refusedImport(line);
        r.value = {rfCode(name, *line.value, at)};
        return r;
    }
    }
    return r;
}

TParsed<QString> exportCode(const libraryCode_t& code, TCodeFormat format, bool flipperParsed)
{
    TParsed<QString> r;
    const bool ir = code.kind == TCodeKind::ir;
    const bool forIr = format != TCodeFormat::line && format != TCodeFormat::rfraw;
    if (!ir && forIr) {
        r.error = QStringLiteral("O código \"%1\" é RF: o formato %2 serve só para códigos IR (use line ou rfraw).")
                      .arg(code.name, formatName(format));
        return r;
    }
    if (ir && format == TCodeFormat::rfraw) {
        r.error = QStringLiteral(
            "O código \"%1\" é IR: o formato rfraw serve só para códigos RF (use pronto, gc, irctl, flipper ou line).")
                      .arg(code.name);
        return r;
    }
    QString text;
    if (format == TCodeFormat::line) {
        text = code.line;
    } else if (ir) {
        const TParsed<irLine_t> line = parseIrLine(code.line);
        if (!line) {
            r.error = QStringLiteral("A linha do código \"%1\" na biblioteca não se lê: %2").arg(code.name, line.error);
            return r;
        }
        if (format == TCodeFormat::pronto) {
            text = exportPronto(*line.value);
        } else if (format == TCodeFormat::gc) {
            text = exportGlobalCache(*line.value);
        } else if (format == TCodeFormat::irctl) {
            text = exportIrCtl(*line.value);
        } else {
            const auto file = exportFlipper({flipperSignal_t {code.name, *line.value}},
                flipperParsed ? TFlipperForm::parsedWhenNamed : TFlipperForm::raw);
            if (!file) {
                r.error = file.error;
                return r;
            }
            text = *file.value;
        }
    } else {
        const TParsed<rfLine_t> line = parseRfLine(code.line);
        if (!line) {
            r.error = QStringLiteral("A linha do código \"%1\" na biblioteca não se lê: %2").arg(code.name, line.error);
            return r;
        }
        text = exportRfDurations(*line.value);
    }
    if (text.isEmpty()) {
        r.error = QStringLiteral("O código \"%1\" não cabe no formato %2.").arg(code.name, formatName(format));
        return r;
    }
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    r.value = text;
    return r;
}
