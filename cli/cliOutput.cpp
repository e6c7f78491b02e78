#include "cli/cliOutput.h"

#include "capture/captureMessage.h"
#include "device/deviceApi.h"

#include <QJsonDocument>

namespace ondixcli {

int exitCodeFor(ondixdevice::TOutcome outcome)
{
    using ondixdevice::TOutcome;
    switch (outcome) {
    case TOutcome::done:
        return exitDone;
    case TOutcome::refused:
        return exitUsage;
    case TOutcome::notSent:
    case TOutcome::noAnswer:
    case TOutcome::badAnswer:
    case TOutcome::busy:
    case TOutcome::aborted:
        break;
    }
    return exitNoAnswer;
}

namespace {

QString dotted(const std::array<QString, 4>& parts)
{
    return QStringList(parts.begin(), parts.end()).join(QLatin1Char('.'));
}

const char* yesNo(bool value)
{
    return value ? "sim" : "não";
}

}  // namespace

QString macText(const deviceinfo::Record& record)
{
    const auto shown = deviceinfo::display(record.data());
    return QStringList(shown.mac.begin(), shown.mac.end()).join(QLatin1Char(':'));
}

QString serialText(const deviceinfo::Record& record)
{
    QString ident = deviceinfo::display(record.data()).ident;
    if (const qsizetype end = ident.indexOf(QChar(0)); end >= 0)
        ident.truncate(end);
    for (QChar& c : ident)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    return ident.trimmed();
}

QString unitLine(const TUnitView& unit)
{
    const auto shown = deviceinfo::display(unit.record.data());
    return QStringList {unit.usb ? QStringLiteral("usb") : QStringLiteral("rede"), dotted(shown.ip),
        macText(unit.record), serialText(unit.record), shown.firmware,
        shown.rfCapable ? QStringLiteral("rf") : QStringLiteral("-")}
        .join(QLatin1Char('\t'));
}

QJsonObject settingsJson(const deviceinfo::Record& record)
{
    const auto shown = deviceinfo::display(record.data());
    return QJsonObject {{"ip", dotted(shown.ip)}, {"mask", dotted(shown.mask)}, {"gateway", dotted(shown.gateway)},
        {"mac", macText(record)}, {"dhcp", shown.dhcp}, {"port", shown.port.toInt()}};
}

QJsonObject unitJson(const TUnitView& unit)
{
    const auto shown = deviceinfo::display(unit.record.data());
    QJsonObject object = settingsJson(unit.record);
    object.insert("link", unit.usb ? "usb" : "network");
    object.insert("address", unit.usb ? QJsonValue() : QJsonValue(unit.address));
    object.insert("serial", serialText(unit.record));
    object.insert("firmware", shown.firmware);
    object.insert("rf", shown.rfCapable);
    return object;
}

QString settingsText(const deviceinfo::Record& record)
{
    const auto shown = deviceinfo::display(record.data());
    return QStringLiteral("IP: %1\nMáscara: %2\nGateway: %3\nMAC: %4\nDHCP: %5\nPorta TCP: %6\n")
        .arg(dotted(shown.ip), dotted(shown.mask), dotted(shown.gateway), macText(record),
            QString::fromUtf8(yesNo(shown.dhcp)), shown.port);
}

QString unitText(const TUnitView& unit)
{
    const auto shown = deviceinfo::display(unit.record.data());
    const QString link = unit.usb ? QStringLiteral("usb") : QStringLiteral("rede (%1)").arg(unit.address);
    return QStringLiteral("Ligação: %1\n").arg(link) + settingsText(unit.record)
        + QStringLiteral("Número de série: %1\nFirmware: %2\nRF: %3\n")
              .arg(serialText(unit.record), shown.firmware, QString::fromUtf8(yesNo(shown.rfCapable)));
}

QString clockText(const ondixclock::clockRecord_t& clock)
{
    return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", unsigned(clock.year), unsigned(clock.month),
        unsigned(clock.day), unsigned(clock.hour), unsigned(clock.minute), unsigned(clock.second));
}

QJsonObject clockJson(const ondixclock::clockRecord_t& clock)
{
    return QJsonObject {{"clock", clockText(clock)}, {"year", clock.year}, {"month", clock.month}, {"day", clock.day},
        {"hour", clock.hour}, {"minute", clock.minute}, {"second", clock.second}};
}

QString remoteIdText(const std::array<uint8_t, 3>& id)
{
    return QString::asprintf("%02X-%02X-%02X", id[0], id[1], id[2]);
}

QString rtsText(const eepromRemoteData_t& table)
{
    QString text;
    for (const QStringList& row : parseRemotes(table).rows)
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}

QJsonArray rtsJson(const eepromRemoteData_t& table)
{
    QJsonArray remotes;
    const rtsGrid_t grid = parseRemotes(table);
    for (size_t i = 0; i < grid.remotes.size(); ++i) {
        const rtsRemote_t& r = grid.remotes[i];
        remotes.append(QJsonObject {{"id", int(i) + 1}, {"type", r.isTube() ? "tube" : "somfy"}, {"keyCode", r.keyCode},
            {"rollingCode", r.rollingCode}, {"remoteId", remoteIdText(r.remoteId)}});
    }
    return remotes;
}

TCaptureView captureView(bool ir, const QByteArray& capture)
{
    TCaptureView view;
    view.ir = ir;
    const auto words = captureWords(reinterpret_cast<const uint8_t*>(capture.constData()), size_t(capture.size()));
    if (!words)
        return view;
    const size_t first = ir ? 3 : 2;
    if (ir && words->size() > 2)
        view.carrierHz = (*words)[2];
    if (words->size() > first)
        view.durations.assign(words->begin() + long(first), words->end());
    return view;
}

QJsonObject captureJson(const TCaptureView& capture)
{
    QJsonArray durations;
    for (uint16_t d : capture.durations)
        durations.append(int(d));
    QJsonObject object {
        {"kind", capture.ir ? "ir" : "rf"}, {"mode", capture.mode}, {"line", capture.line}, {"durations", durations}};
    const bool framed = capture.frameLength > 0 && capture.frameLength <= capture.durations.size();
    object.insert(
        "frame", framed ? QJsonValue(QJsonObject {{"start", 0}, {"length", int(capture.frameLength)}}) : QJsonValue());
    if (capture.ir) {
        object.insert("carrier", int(capture.carrierHz));
        QJsonValue protocol;
        if (capture.protocol && capture.protocol->protocol != TIrProtocol::unknown)
            protocol = QJsonObject {{"name", QString::fromStdString(irProtocolName(capture.protocol->protocol))},
                {"address", qint64(capture.protocol->address)}, {"command", qint64(capture.protocol->command)}};
        object.insert("protocol", protocol);
    } else {
        object.insert("divisor", capture.divisor);
    }
    return object;
}

QJsonArray generatedJson(const QStringList& memoLines)
{
    QJsonArray codes;
    QString comment;
    for (const QString& line : memoLines) {
        if (line.startsWith(QLatin1String("//"))) {
            comment = line.mid(2).trimmed();
            continue;
        }
        codes.append(QJsonObject {{"comment", comment}, {"line", line}});
        comment.clear();
    }
    return codes;
}

QJsonObject flashJson(uint32_t address, const QString& dumpLine)
{
    QString data = dumpLine;
    data.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    return QJsonObject {{"address", qint64(address)}, {"quantity", int(data.size() / 2)}, {"data", data}};
}

QString traceLine(bool sent, const QString& where, const QByteArray& bytes)
{
    return QStringLiteral("%1 %2 %3")
        .arg(
            sent ? QStringLiteral("->") : QStringLiteral("<-"), where, QString::fromLatin1(bytes.toHex(' ').toUpper()));
}

QString jsonText(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

QString jsonText(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

}  // namespace ondixcli
