// What the device gives, as the site library keeps it: a learned code, a unit's RTS table, a
// unit seen; and the restore of an RTS backup (read the unit, keep the higher rolling codes,
// write). Shared by the window and the command-line tool.
#pragma once

#include "device/deviceApi.h"
#include "library/siteLibrary.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace ondixdevice {

// "00:1A:2B:3C:4D:5E" of an information record.
QString unitMacText(const deviceinfo::Record& record);

// The library entry of a learning: the line, the durations as captured, the frame the
// analysis took, and for IR the carrier and the protocol when named. Nothing when the
// analysis made no line.
std::optional<libraryCode_t> libraryCodeOf(const TCaptureResult& capture, TCodeKind kind, const QString& name,
    const QString& unitMac, const QDateTime& learnedAt = QDateTime::currentDateTimeUtc());

// The backup of a unit's table: its records as read, reserved byte included.
rtsBackup_t rtsBackupOf(const eepromRemoteData_t& table, const QString& unitMac,
    const QDateTime& takenAt = QDateTime::currentDateTimeUtc());

// The unit as seen in an information record (search, USB probe, settings read).
unitSeen_t unitSeenOf(const deviceinfo::Record& record, const QString& address,
    const QDateTime& seenAt = QDateTime::currentDateTimeUtc());

struct TRtsRestoreResult : TResult {
    rtsRestorePlan_t plan;  // what was written (or would have been)
    QStringList lines;  // the remotes raised and kept, one line each, for the log
};

// Reads the unit's table, plans the restore over it and writes the plan. Nothing is written
// when the read fails or the plan is refused (`refused`, the plan's message).
TRtsRestoreResult restoreRts(TDeviceApi& api, TLinkKind link, const QString& host, const rtsBackup_t& backup);

// The log lines of a plan: "Controle 0A-FF-00: código 4660 da cópia elevado para 4702 (o
// atual da Ondix)." for each raised remote, "Controle 0B-00-01: mantido (pareado depois da
// cópia)." for each kept one.
QStringList rtsRestoreLines(const rtsRestorePlan_t& plan);

}  // namespace ondixdevice
