#include "cli/cliLibrary.h"

#include "capture/irProtocol.h"

#include <QFileInfo>

namespace ondixcli {

namespace {

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

QString localDate(const QDateTime& t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("-");
}

QJsonValue protocolJson(const std::optional<libraryProtocol_t>& p)
{
    if (!p)
        return QJsonValue();
    QJsonObject o {{"name", p->name}, {"address", qint64(p->address)}, {"command", qint64(p->command)}};
    if (p->vendor)
        o.insert("vendor", qint64(p->vendor));
    return o;
}

QString protocolText(const std::optional<libraryProtocol_t>& p)
{
    const auto protocol = p ? irProtocolOfKey(p->name) : std::nullopt;
    if (!protocol)
        return QStringLiteral("-");
    return QString::fromStdString(irDecodedText(irDecoded_t {*protocol, p->address, p->command, p->vendor, 1, false}));
}

QString remotesText(size_t count)
{
    return count == 1 ? QStringLiteral("1 controle") : QStringLiteral("%1 controles").arg(count);
}

}  // namespace

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

QString libraryListText(const TSiteLibrary& library)
{
    QString text;
    for (const libraryCode_t& c : library.codes())
        text += QStringList {c.name, c.kind == TCodeKind::ir ? QStringLiteral("IR") : QStringLiteral("RF"),
                    protocolText(c.protocol), localDate(c.learnedAt)}
                    .join(QLatin1Char('\t'))
            + QLatin1Char('\n');
    return text;
}

QJsonArray libraryListJson(const TSiteLibrary& library)
{
    QJsonArray codes;
    for (const libraryCode_t& c : library.codes())
        codes.append(QJsonObject {{"name", c.name}, {"kind", c.kind == TCodeKind::ir ? "ir" : "rf"},
            {"protocol", protocolJson(c.protocol)},
            {"learnedAt", c.learnedAt.isValid() ? QJsonValue(c.learnedAt.toString(Qt::ISODateWithMs)) : QJsonValue()},
            {"unitMac", c.unitMac}, {"line", c.line}});
    return codes;
}

QString rtsBackupText(const rtsBackup_t& backup)
{
    const size_t count = backup.remotes.size();
    if (count == 1)
        return QStringLiteral("1 controle RTS da Ondix %1 copiado para a biblioteca.\n").arg(backup.unitMac);
    return QStringLiteral("%1 controles RTS da Ondix %2 copiados para a biblioteca.\n").arg(count).arg(backup.unitMac);
}

QJsonObject rtsBackupJson(const rtsBackup_t& backup)
{
    return QJsonObject {{"unitMac", backup.unitMac}, {"takenAt", backup.takenAt.toString(Qt::ISODateWithMs)},
        {"remotes", int(backup.remotes.size())}};
}

QString rtsRestoreText(const rtsBackup_t& backup, const rtsRestorePlan_t& plan, const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    return text
        + QStringLiteral("Tabela RTS restaurada: %1 (cópia de %2, %3).\n")
              .arg(remotesText(plan.table.count), backup.unitMac, localDate(backup.takenAt));
}

QJsonObject rtsRestoreJson(const rtsBackup_t& backup, const rtsRestorePlan_t& plan)
{
    QJsonArray raised;
    for (const rtsRaised_t& r : plan.raised)
        raised.append(QJsonObject {{"remoteId", remoteIdText(r.remoteId)}, {"stored", r.stored}, {"unit", r.unit}});
    QJsonArray kept;
    for (const auto& id : plan.kept)
        kept.append(remoteIdText(id));
    return QJsonObject {{"from", backup.unitMac}, {"takenAt", backup.takenAt.toString(Qt::ISODateWithMs)},
        {"remotes", int(plan.table.count)}, {"raised", raised}, {"kept", kept}};
}

QString TLibraryFile::read(bool mustExist)
{
    library_ = TSiteLibrary();
    if (!QFileInfo::exists(path_))
        return mustExist ? QStringLiteral("A biblioteca \"%1\" não existe.").arg(path_) : QString();
    return library_.load(path_);
}

QString TLibraryFile::amend(const std::function<QString(TSiteLibrary&)>& change)
{
    TSiteLibrary fresh;
    if (QFileInfo::exists(path_))
        if (const QString error = fresh.load(path_); !error.isEmpty())
            return error;
    if (const QString error = change(fresh); !error.isEmpty())
        return error;
    if (const QString error = fresh.save(path_); !error.isEmpty())
        return error;
    library_ = std::move(fresh);
    return {};
}

}  // namespace ondixcli
