#include "cli/cliCommands.h"

#include "cli/cliPortGuard.h"

#include "codegen/broadLinkGCode.h"
#include "codegen/tLightSmartGCode.h"

#include <QDateTime>

namespace ondixcli {

namespace {

using ondixdevice::TResult;
using TTarget = TCliDevice::TTarget;

// A failure's line on standard error, and its exit code.
int report(const TResult& result, TConsole& console)
{
    if (!result.message.isEmpty())
        console.err << result.message << Qt::endl;
    else if (!result.ok())
        console.err << QStringLiteral("A Ondix não respondeu.") << Qt::endl;
    return exitCodeFor(result.outcome);
}

// The record of the unit, read when the choice did not bring one (--ip).
std::optional<deviceinfo::Record> recordOf(TCliDevice& device, TTarget& target, TConsole& console, int& code)
{
    if (target.record)
        return target.record;
    const ondixdevice::TRecordResult read = device.api().readSettings(target.link, target.host);
    if (!read.ok()) {
        code = report(read, console);
        return std::nullopt;
    }
    target.record = read.record;
    return target.record;
}

int settingsSet(const TCliOptions& o, TCliDevice& device, const TTarget& target, TConsole& console)
{
    const ondixdevice::TRecordResult read = device.api().readSettings(target.link, target.host);
    if (!read.ok())
        return report(read, console);
    const auto shown = deviceinfo::display(read.record.data());
    ondixsettings::settingsValues_t values;
    for (size_t i = 0; i < 4; ++i) {
        values.ip[i] = uint8_t(shown.ip[i].toUInt());
        values.mask[i] = uint8_t(shown.mask[i].toUInt());
        values.gateway[i] = uint8_t(shown.gateway[i].toUInt());
    }
    values.dhcp = shown.dhcp;
    values.port = uint16_t(shown.port.toUInt());
    if (o.newIp)
        values.ip = *o.newIp;
    if (o.newMask)
        values.mask = *o.newMask;
    if (o.newGateway)
        values.gateway = *o.newGateway;
    if (o.newDhcp)
        values.dhcp = *o.newDhcp;
    if (o.newPort)
        values.port = *o.newPort;
    return report(device.api().writeSettings(target.link, target.host, values, &read.record), console);
}

int learn(const TCliOptions& o, TCliDevice& device, const TTarget& target, TConsole& console)
{
    ondixdevice::TLearningProgress progress;
    progress.acknowledged = [&console](const QString& prompt) { console.err << prompt << Qt::endl; };
    int shownTenths = -1;
    if (console.errIsTerminal)
        progress.countdown = [&console, &shownTenths](int remainingMs) {
            const int tenths = remainingMs / 100;
            if (tenths == shownTenths)
                return;
            shownTenths = tenths;
            console.err << QStringLiteral("\rAguardando: %1 s ").arg(tenths / 10.0, 4, 'f', 1) << Qt::flush;
        };

    const bool ir = o.learnKind == TLearnKind::ir;
    ondixdevice::TCaptureResult result;
    if (ir) {
        result = device.api().learnIr(target.link, target.host,
            o.learnMode == TLearnMode::raw ? TIrCaptureMode::raw : TIrCaptureMode::automatic, progress);
    } else {
        const TRfCaptureMode mode = o.learnMode == TLearnMode::raw ? TRfCaptureMode::raw
            : o.learnMode == TLearnMode::rts                       ? TRfCaptureMode::rts
                                                                   : TRfCaptureMode::smart;
        result = device.api().learnRf(target.link, target.host, mode, o.divisor, progress);
    }
    if (shownTenths >= 0)
        console.err << QStringLiteral("\r                   \r") << Qt::flush;
    const QString line = result.line();
    if (!result.ok() || result.analysisResult != 0 || line.isEmpty()) {
        for (const std::string& text : result.infoLines)
            if (result.analysisResult != 0)
                console.err << QString::fromStdString(text) << Qt::endl;
        const int code = report(result, console);
        return code == exitDone ? exitNoAnswer : code;
    }

    TCaptureView view = captureView(ir, result.capture);
    view.mode = o.learnMode == TLearnMode::raw ? QStringLiteral("raw")
        : o.learnMode == TLearnMode::rts       ? QStringLiteral("rts")
                                               : QStringLiteral("automatic");
    view.divisor = ir ? 0 : o.divisor;
    view.line = line;
    view.frameLength = uint32_t(result.frameLength);
    view.protocol = result.irProtocol;
    if (o.json) {
        console.out << jsonText(captureJson(view));
    } else {
        console.out << line << Qt::endl;
        if (ir && view.protocol)
            console.err << QStringLiteral("Protocolo IR: %1").arg(QString::fromStdString(irDecodedText(*view.protocol)))
                        << Qt::endl;
    }
    return exitDone;
}

// One line to the unit: over the network by TCP at the unit's port.
int sendLine(TCliDevice& device, TTarget& target, const QString& text, TConsole& console)
{
    QString port;
    if (target.link == TLinkKind::Network) {
        int code = exitDone;
        const auto record = recordOf(device, target, console, code);
        if (!record)
            return code;
        port = deviceinfo::display(record->data()).port;
    }
    return report(device.api().sendCommandLine(target.link, target.host, port, text), console);
}

int send(const TCliOptions& o, TCliDevice& device, TTarget& target, TConsole& console, QTextStream& input)
{
    QStringList lines = o.lines;
    if (lines.isEmpty())
        while (!input.atEnd())
            lines << input.readLine();
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (const int code = sendLine(device, target, line, console); code != exitDone)
            return code;
    }
    return exitDone;
}

// The stored remote named on the command line, as its 0-based place in the table.
std::optional<int> findRemote(const TCliOptions& o, const eepromRemoteData_t& table, TConsole& console)
{
    const rtsGrid_t grid = parseRemotes(table);
    if (o.remoteRow > 0 && size_t(o.remoteRow) <= grid.remotes.size())
        return o.remoteRow - 1;
    for (size_t i = 0; o.remoteId && i < grid.remotes.size(); ++i)
        if (grid.remotes[i].remoteId == *o.remoteId)
            return int(i);
    console.err << QStringLiteral("Nenhum controle RTS %1 na Ondix (%2 na lista).")
                       .arg(o.remoteId ? remoteIdText(*o.remoteId) : QStringLiteral("número %1").arg(o.remoteRow))
                       .arg(grid.remotes.size())
                << Qt::endl;
    return std::nullopt;
}

int rts(const TCliOptions& o, TCliDevice& device, TTarget& target, TConsole& console)
{
    const ondixdevice::TRtsResult read = device.api().readRts(target.link, target.host);
    if (!read.ok())
        return report(read, console);
    eepromRemoteData_t table = read.table;

    switch (o.command) {
    case TCommand::rtsList:
        console.out << (o.json ? jsonText(rtsJson(table)) : rtsText(table));
        return exitDone;
    case TCommand::rtsAdd: {
        const std::array<uint8_t, 3> id = rtsNewRemoteId(table);
        const QString line = rtsCommandLine(TRtsAction::program, o.rtsTube, id);
        if (const int code = sendLine(device, target, line, console); code != exitDone)
            return code;
        if (o.json)
            console.out << jsonText(
                QJsonObject {{"remoteId", remoteIdText(id)}, {"type", o.rtsTube ? "tube" : "somfy"}, {"line", line}});
        else
            console.out << remoteIdText(id) << Qt::endl;
        return exitDone;
    }
    case TCommand::rtsDrive: {
        const auto row = findRemote(o, table, console);
        if (!row)
            return exitUsage;
        const TRtsAction action = o.driveAction == TDriveAction::up ? TRtsAction::up
            : o.driveAction == TDriveAction::stop                   ? TRtsAction::stop
                                                                    : TRtsAction::down;
        return sendLine(device, target, rtsSelectedRemoteLine(table, *row, action), console);
    }
    case TCommand::rtsDelete: {
        const auto row = findRemote(o, table, console);
        if (!row)
            return exitUsage;
        std::vector<rtsRemote_t> remotes = parseRemotes(table).remotes;
        if (!rtsDeleteRemote(table, remotes, *row))
            return exitUsage;
        return report(device.api().writeRts(target.link, target.host, table), console);
    }
    default:
        return exitUsage;
    }
}

}  // namespace

int runOffline(const TCliOptions& options, TConsole& console)
{
    const QStringList lines =
        options.command == TCommand::generateTc2 ? tc2CodeLines(options.keys) : tlCodeLines().memoLines;
    if (options.json)
        console.out << jsonText(generatedJson(lines));
    else
        console.out << lines.join(QLatin1Char('\n')) << Qt::endl;
    return exitDone;
}

int runCommand(const TCliOptions& o, TConsole& console, QTextStream& input)
{
    TPortGuard guard;  // lives as long as the session holds UDP port 4040
    if (const QString problem = guard.beforeBinding(); !problem.isEmpty()) {
        console.err << problem << Qt::endl;
        return exitPortBusy;
    }
    TCliDevice device(o, console);
    if (const QString problem = guard.afterBinding(device.session().udpBindProblem().isEmpty()); !problem.isEmpty()) {
        console.err << problem << Qt::endl;
        return exitPortBusy;
    }
    int code = exitDone;
    if (o.command == TCommand::list) {
        const QList<TUnitView> units = device.findAll(code);
        if (o.json) {
            QJsonArray array;
            for (const TUnitView& unit : units)
                array.append(unitJson(unit));
            console.out << jsonText(array);
        } else {
            for (const TUnitView& unit : units)
                console.out << unitLine(unit) << Qt::endl;
        }
        return code;
    }

    const bool cableOnly = o.command == TCommand::flashRead || o.command == TCommand::firmwareUpdate;
    auto target = device.choose(code, cableOnly);
    if (!target)
        return code;
    ondixdevice::TDeviceApi& api = device.api();

    switch (o.command) {
    case TCommand::info: {
        const auto record = recordOf(device, *target, console, code);
        if (!record)
            return code;
        const TUnitView unit {target->link == TLinkKind::Usb, target->host, *record};
        console.out << (o.json ? jsonText(unitJson(unit)) : unitText(unit));
        return exitDone;
    }
    case TCommand::settingsGet: {
        const ondixdevice::TRecordResult read = api.readSettings(target->link, target->host);
        if (!read.ok())
            return report(read, console);
        console.out << (o.json ? jsonText(settingsJson(read.record)) : settingsText(read.record));
        return exitDone;
    }
    case TCommand::settingsSet:
        return settingsSet(o, device, *target, console);
    case TCommand::clockGet: {
        const ondixdevice::TClockResult read = api.getClock(target->link, target->host);
        if (!read.ok())
            return report(read, console);
        console.out << (o.json ? jsonText(clockJson(read.clock)) : clockText(read.clock) + QLatin1Char('\n'));
        return exitDone;
    }
    case TCommand::clockSet:
        return report(
            api.setClock(target->link, target->host, o.clockNow ? QDateTime::currentDateTime() : o.clockTime), console);
    case TCommand::learn:
        return learn(o, device, *target, console);
    case TCommand::send:
        return send(o, device, *target, console, input);
    case TCommand::rtsList:
    case TCommand::rtsAdd:
    case TCommand::rtsDrive:
    case TCommand::rtsDelete:
        return rts(o, device, *target, console);
    case TCommand::macSet:
        return report(api.writeMac(target->link, target->host, o.macBytes), console);
    case TCommand::flashRead: {
        const ondixdevice::TFlashResult read = api.readFlash(o.flashAddress, o.flashQuantity);
        if (!read.ok())
            return report(read, console);
        console.out << (o.json ? jsonText(flashJson(o.flashAddress.toUInt(), read.line))
                               : read.line + QLatin1Char('\n'));
        return exitDone;
    }
    case TCommand::firmwareUpdate:
        return report(api.firmwareUpdate(), console);
    default:
        return exitUsage;
    }
}

}  // namespace ondixcli
