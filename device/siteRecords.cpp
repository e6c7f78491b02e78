#include "device/siteRecords.h"

#include "capture/pulseTrain.h"
#include "library/irFormats.h"

namespace ondixdevice {

QString unitMacText(const deviceinfo::Record& record)
{
    const auto& m = record;
    const size_t o = deviceinfo::macOffset;
    return QString::asprintf("%02X:%02X:%02X:%02X:%02X:%02X", m[o], m[o + 1], m[o + 2], m[o + 3], m[o + 4], m[o + 5]);
}

std::optional<libraryCode_t> libraryCodeOf(const TCaptureResult& capture, TCodeKind kind, const QString& name,
    const QString& unitMac, const QDateTime& learnedAt)
{
    const QString line = capture.line();
    if (line.isEmpty())
        return std::nullopt;
    libraryCode_t code;
    code.name = name.trimmed();
    code.kind = kind;
    code.line = line;
    code.learnedAt = learnedAt.toUTC();
    code.unitMac = unitMac;
    const auto* bytes = reinterpret_cast<const uint8_t*>(capture.capture.constData());
    const size_t size = size_t(capture.capture.size());
    // The divisor only scales the plot's axis; the durations are the device's as captured.
    const std::optional<TPulseTrain> train = kind == TCodeKind::ir
        ? irPulseTrain(bytes, size, uint32_t(capture.frameLength))
        : rfPulseTrain(bytes, size, 8, uint32_t(capture.frameLength));
    if (train) {
        code.captured = train->durations;
        code.frameLength = train->frameLength;
    }
    if (kind == TCodeKind::ir) {
        if (const auto parsed = parseIrLine(line))
            code.carrier = parsed.value->carrier;
        if (capture.irProtocol)
            code.protocol = libraryProtocolOf(*capture.irProtocol);
    }
    return code;
}

rtsBackup_t rtsBackupOf(const eepromRemoteData_t& table, const QString& unitMac, const QDateTime& takenAt)
{
    rtsBackup_t backup;
    backup.unitMac = unitMac;
    backup.takenAt = takenAt.toUTC();
    const uint32_t count = std::min(table.count, uint32_t(rtsMaxRemotes));
    backup.remotes.assign(table.remotes.begin(), table.remotes.begin() + count);
    return backup;
}

namespace {

QString dotted(const std::array<QString, 4>& parts)
{
    return QStringList(parts.begin(), parts.end()).join(QLatin1Char('.'));
}

}  // namespace

unitSeen_t unitSeenOf(const deviceinfo::Record& record, const QString& address, const QDateTime& seenAt)
{
    const deviceinfo::TDeviceDisplay shown = deviceinfo::display(record.data());
    unitSeen_t unit;
    unit.mac = unitMacText(record);
    unit.serial = shown.ident;
    unit.firmware = shown.firmware;
    unit.lastAddress = address.isEmpty() ? dotted(shown.ip) : address;
    unit.lastSeen = seenAt.toUTC();
    unitSettings_t settings;
    settings.address = dotted(shown.ip);
    settings.mask = dotted(shown.mask);
    settings.gateway = dotted(shown.gateway);
    settings.dhcp = shown.dhcp;
    settings.tcpPort = uint16_t(shown.port.toUInt());
    settings.readAt = unit.lastSeen;
    unit.settings = settings;
    return unit;
}

QStringList rtsRestoreLines(const rtsRestorePlan_t& plan)
{
    QStringList lines;
    for (const rtsRaised_t& r : plan.raised)
        lines << QStringLiteral("Controle %1: código %2 da cópia elevado para %3 (o atual da Ondix).")
                     .arg(remoteIdText(r.remoteId))
                     .arg(r.stored)
                     .arg(r.unit);
    for (const auto& id : plan.kept)
        lines << QStringLiteral("Controle %1: mantido (pareado depois da cópia).").arg(remoteIdText(id));
    return lines;
}

TRtsRestoreResult restoreRts(TDeviceApi& api, TLinkKind link, const QString& host, const rtsBackup_t& backup)
{
    TRtsRestoreResult result;
    const TRtsResult now = api.readRts(link, host);
    if (!now.ok()) {
        result.TResult::operator=(now);
        return result;
    }
    result.plan = rtsRestorePlan(backup.remotes, now.table);
    if (!result.plan.error.isEmpty()) {
        result.outcome = TOutcome::refused;
        result.message = result.plan.error;
        return result;
    }
    result.TResult::operator=(api.writeRts(link, host, result.plan.table));
    if (result.ok())
        result.lines = rtsRestoreLines(result.plan);
    return result;
}

}  // namespace ondixdevice
