#include "cli/cliCommands.h"

#include "cli/cliLibrary.h"
#include "cli/cliPortGuard.h"

#include "codegen/broadLinkGCode.h"
#include "codegen/tLightSmartGCode.h"
#include "device/siteRecords.h"

#include <QDateTime>
#include <QFile>

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

// A refusal that is no device's (the library, a file): its line, and exit code 2.
int refuse(const QString& message, TConsole& console)
{
    console.err << message << Qt::endl;
    return exitUsage;
}

QString noBackupText(const TLibraryFile& library, const QString& mac)
{
    return QStringLiteral("A biblioteca \"%1\" não tem cópia RTS da Ondix %2.").arg(library.path(), mac);
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

int learn(const TCliOptions& o, TCliDevice& device, TTarget& target, TConsole& console, TLibraryFile& library)
{
    // The unit's MAC goes with a code filed in the library: known before the key is pressed.
    QString mac;
    if (!o.saveName.isEmpty()) {
        int code = exitDone;
        const auto record = recordOf(device, target, console, code);
        if (!record)
            return code;
        mac = ondixdevice::unitMacText(*record);
    }

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
    if (!o.saveName.isEmpty()) {
        const auto code = ondixdevice::libraryCodeOf(result, ir ? TCodeKind::ir : TCodeKind::rf, o.saveName, mac);
        const QString error = library.amend([&](TSiteLibrary& l) { return l.addCode(*code); });
        if (!error.isEmpty())
            return refuse(error + QStringLiteral(" O código não foi salvo."), console);
        console.err << QStringLiteral("Código \"%1\" salvo na biblioteca.").arg(code->name) << Qt::endl;
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

int rts(const TCliOptions& o, TCliDevice& device, TTarget& target, TConsole& console, TLibraryFile& library)
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
        // With a library, the table as it was goes there first: a deleted pairing can come back.
        if (!o.library.isEmpty()) {
            int code = exitDone;
            const auto record = recordOf(device, target, console, code);
            if (!record)
                return code;
            const rtsBackup_t backup = ondixdevice::rtsBackupOf(table, ondixdevice::unitMacText(*record));
            const QString error = library.amend([&](TSiteLibrary& l) {
                l.addRtsBackup(backup);
                return QString();
            });
            if (!error.isEmpty())
                return refuse(error + QStringLiteral(" Nenhum controle foi apagado."), console);
            console.err << QStringLiteral("Cópia da tabela RTS salva na biblioteca.") << Qt::endl;
        }
        std::vector<rtsRemote_t> remotes = parseRemotes(table).remotes;
        if (!rtsDeleteRemote(table, remotes, *row))
            return exitUsage;
        return report(device.api().writeRts(target.link, target.host, table), console);
    }
    default:
        return exitUsage;
    }
}

int rtsBackup(const TCliOptions& o, TCliDevice& device, TTarget& target, TConsole& console, TLibraryFile& library)
{
    const ondixdevice::TRtsResult read = device.api().readRts(target.link, target.host);
    if (!read.ok())
        return report(read, console);
    int code = exitDone;
    const auto record = recordOf(device, target, console, code);
    if (!record)
        return code;
    const rtsBackup_t backup = ondixdevice::rtsBackupOf(read.table, ondixdevice::unitMacText(*record));
    const QString error = library.amend([&](TSiteLibrary& l) {
        l.addRtsBackup(backup);
        return QString();
    });
    if (!error.isEmpty())
        return refuse(error, console);
    console.out << (o.json ? jsonText(rtsBackupJson(backup)) : rtsBackupText(backup));
    return exitDone;
}

// The latest backup of this unit, or of the unit named by --from, written back over what the
// unit holds now (its higher rolling codes and the remotes paired since kept).
int rtsRestore(const TCliOptions& o, TCliDevice& device, TTarget& target, TConsole& console, TLibraryFile& library)
{
    QString mac = o.fromMac;
    if (mac.isEmpty()) {
        int code = exitDone;
        const auto record = recordOf(device, target, console, code);
        if (!record)
            return code;
        mac = ondixdevice::unitMacText(*record);
    }
    const rtsBackup_t* backup = library.library().latestRtsBackup(mac);
    if (!backup)
        return refuse(noBackupText(library, mac), console);
    const ondixdevice::TRtsRestoreResult result =
        ondixdevice::restoreRts(device.api(), target.link, target.host, *backup);
    if (!result.ok())
        return report(result, console);
    console.out << (o.json ? jsonText(rtsRestoreJson(*backup, result.plan))
                           : rtsRestoreText(*backup, result.plan, result.lines));
    return exitDone;
}

// What can be refused from the library alone, before the unit is looked for.
QString libraryRefusal(const TCliOptions& o, const TLibraryFile& library)
{
    const TSiteLibrary& l = library.library();
    if (o.command == TCommand::librarySend && !l.findCode(o.codeName))
        return QStringLiteral("Não há código chamado \"%1\" na biblioteca.").arg(o.codeName);
    if (o.command == TCommand::learn && !o.saveName.isEmpty())
        if (const libraryCode_t* other = l.findCode(o.saveName))
            return QStringLiteral("Já existe um código chamado \"%1\" na biblioteca: escolha outro nome.")
                .arg(other->name);
    if (o.command == TCommand::rtsRestore && !o.fromMac.isEmpty() && !l.latestRtsBackup(o.fromMac))
        return noBackupText(library, o.fromMac);
    return {};
}

// The units a command saw, noted in the library; a failure to write it turns a success into 2.
int noteUnits(TLibraryFile& library, const QList<TUnitView>& units, int code, TConsole& console)
{
    if (units.isEmpty())
        return code;
    const QString error = library.amend([&](TSiteLibrary& l) {
        for (const TUnitView& unit : units)
            l.noteUnit(ondixdevice::unitSeenOf(unit.record, unit.usb ? QString() : unit.address));
        return QString();
    });
    if (error.isEmpty())
        return code;
    console.err << error << Qt::endl;
    return code == exitDone ? exitUsage : code;
}

int importCodes(const TCliOptions& o, TConsole& console, QTextStream& input, TLibraryFile& library)
{
    QString text;
    QString source;
    if (o.importPath == QLatin1String("-")) {
        text = input.readAll();
        source = QStringLiteral("da entrada padrão");
    } else {
        QFile file(o.importPath);
        if (!file.open(QIODevice::ReadOnly))
            return refuse(
                QStringLiteral("Não foi possível ler \"%1\": %2.").arg(o.importPath, file.errorString()), console);
        text = QString::fromUtf8(file.readAll());
        source = QStringLiteral("de \"%1\"").arg(o.importPath);
    }
    const auto codes = ::importCodes(o.format, text, o.codeName, o.divisor, QDateTime::currentDateTimeUtc());
    if (!codes)
        return refuse(QStringLiteral("Nada foi importado %1: %2").arg(source, codes.error), console);
    const QString error = library.amend([&](TSiteLibrary& l) {
        for (const libraryCode_t& code : *codes.value)
            if (const QString refused = l.addCode(code); !refused.isEmpty())
                return refused;
        return QString();
    });
    if (!error.isEmpty())
        return refuse(error + QStringLiteral(" A biblioteca não foi alterada."), console);
    for (const libraryCode_t& code : *codes.value)
        console.out << code.name.trimmed() << Qt::endl;
    return exitDone;
}

// The command on the chosen unit.
int runOn(const TCliOptions& o, TCliDevice& device, TTarget& target, TConsole& console, QTextStream& input,
    TLibraryFile& library)
{
    ondixdevice::TDeviceApi& api = device.api();
    int code = exitDone;
    switch (o.command) {
    case TCommand::info: {
        const auto record = recordOf(device, target, console, code);
        if (!record)
            return code;
        const TUnitView unit {target.link == TLinkKind::Usb, target.host, *record};
        console.out << (o.json ? jsonText(unitJson(unit)) : unitText(unit));
        return exitDone;
    }
    case TCommand::settingsGet: {
        const ondixdevice::TRecordResult read = api.readSettings(target.link, target.host);
        if (!read.ok())
            return report(read, console);
        target.record = read.record;
        console.out << (o.json ? jsonText(settingsJson(read.record)) : settingsText(read.record));
        return exitDone;
    }
    case TCommand::settingsSet:
        return settingsSet(o, device, target, console);
    case TCommand::clockGet: {
        const ondixdevice::TClockResult read = api.getClock(target.link, target.host);
        if (!read.ok())
            return report(read, console);
        console.out << (o.json ? jsonText(clockJson(read.clock)) : clockText(read.clock) + QLatin1Char('\n'));
        return exitDone;
    }
    case TCommand::clockSet:
        return report(
            api.setClock(target.link, target.host, o.clockNow ? QDateTime::currentDateTime() : o.clockTime), console);
    case TCommand::learn:
        return learn(o, device, target, console, library);
    case TCommand::send:
        return send(o, device, target, console, input);
    case TCommand::rtsList:
    case TCommand::rtsAdd:
    case TCommand::rtsDrive:
    case TCommand::rtsDelete:
        return rts(o, device, target, console, library);
    case TCommand::rtsBackup:
        return rtsBackup(o, device, target, console, library);
    case TCommand::rtsRestore:
        return rtsRestore(o, device, target, console, library);
    case TCommand::librarySend:
        return sendLine(device, target, library.library().findCode(o.codeName)->line, console);
    case TCommand::macSet:
        return report(api.writeMac(target.link, target.host, o.macBytes), console);
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

}  // namespace

bool isOffline(TCommand command)
{
    return command == TCommand::generateTc2 || command == TCommand::generateTl || command == TCommand::libraryList
        || command == TCommand::libraryImport || command == TCommand::libraryExport;
}

int runOffline(const TCliOptions& options, TConsole& console, QTextStream& input)
{
    TLibraryFile library(options.library);
    switch (options.command) {
    case TCommand::libraryList:
    case TCommand::libraryExport:
    case TCommand::libraryImport:
        if (const QString error = library.read(options.command != TCommand::libraryImport); !error.isEmpty())
            return refuse(error, console);
        break;
    default:
        break;
    }
    if (options.command == TCommand::libraryList) {
        console.out << (options.json ? jsonText(libraryListJson(library.library()))
                                     : libraryListText(library.library()));
        return exitDone;
    }
    if (options.command == TCommand::libraryExport) {
        const libraryCode_t* code = library.library().findCode(options.codeName);
        if (!code)
            return refuse(QStringLiteral("Não há código chamado \"%1\" na biblioteca.").arg(options.codeName), console);
        const TParsed<QString> text = exportCode(*code, options.format, options.flipperParsed);
        if (!text)
            return refuse(text.error, console);
        console.out << *text.value;
        return exitDone;
    }
    if (options.command == TCommand::libraryImport)
        return importCodes(options, console, input, library);

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
    // The library is read first: a refused file or name stops the command before anything is sent.
    TLibraryFile library(o.library);
    if (!o.library.isEmpty()) {
        const bool mustExist = o.command == TCommand::librarySend || o.command == TCommand::rtsRestore;
        if (const QString error = library.read(mustExist); !error.isEmpty())
            return refuse(error, console);
        if (const QString error = libraryRefusal(o, library); !error.isEmpty())
            return refuse(error, console);
    }
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
        return o.library.isEmpty() ? code : noteUnits(library, units, code, console);
    }

    const bool cableOnly = o.command == TCommand::flashRead || o.command == TCommand::firmwareUpdate;
    auto target = device.choose(code, cableOnly);
    if (!target)
        return code;
    code = runOn(o, device, *target, console, input, library);
    // The unit as this command found or read it; after "settings set" that record is stale.
    if (o.library.isEmpty() || !target->record || o.command == TCommand::settingsSet)
        return code;
    return noteUnits(
        library, {TUnitView {target->link == TLinkKind::Usb, target->host, *target->record}}, code, console);
}

}  // namespace ondixcli
