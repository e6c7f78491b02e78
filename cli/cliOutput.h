// What `ondix` writes: the text lines and JSON documents of its results, the exit code of an
// outcome, and the hexadecimal lines of -v. Pure: values in, text out. The JSON field names
// are part of the tool's interface (README "Command line"): change them only with care.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "capture/irProtocol.h"
#include "discovery/deviceInfo.h"
#include "rts/rtsTable.h"
#include "settings/clockFrames.h"

namespace ondixdevice {
enum class TOutcome;
}

namespace ondixcli {

// Exit codes of the tool.
constexpr int exitDone = 0;
constexpr int exitNoAnswer = 1;  // no answer, or a wrong one
constexpr int exitUsage = 2;  // bad usage or a refused value: nothing was sent
constexpr int exitNoDevice = 3;  // no device found, or the choice is ambiguous
constexpr int exitPortBusy = 4;  // UDP port 4040 unavailable

int exitCodeFor(ondixdevice::TOutcome outcome);

// One unit as found: on the cable (no address) or on the network (where it answered from).
struct TUnitView {
    bool usb = false;
    QString address;
    deviceinfo::Record record {};
};

QString macText(const deviceinfo::Record& record);  // "00:1A:2B:3C:4D:5E"
QString serialText(const deviceinfo::Record& record);  // the identification, without padding

// list: "usb\t192.168.0.50\t00:1A:2B:3C:4D:5E\tONDW000000000001\t2.1\trf"
QString unitLine(const TUnitView& unit);
// Every field of the record, and where it answered from.
QJsonObject unitJson(const TUnitView& unit);
// info: one "Name: value" line per field.
QString unitText(const TUnitView& unit);

// settings get: the network fields.
QJsonObject settingsJson(const deviceinfo::Record& record);
QString settingsText(const deviceinfo::Record& record);

// clock get: "2025-03-07 09:05:00".
QString clockText(const ondixclock::clockRecord_t& clock);
QJsonObject clockJson(const ondixclock::clockRecord_t& clock);

// rts list: "1\tSomfy\t167\t4660\t0A-FF-00" per remote.
QString rtsText(const eepromRemoteData_t& table);
QJsonArray rtsJson(const eepromRemoteData_t& table);
QString remoteIdText(const std::array<uint8_t, 3>& id);

// A learned code.
struct TCaptureView {
    bool ir = false;
    QString mode;  // "automatic", "raw" or "rts"
    int divisor = 0;  // RF
    QString line;
    std::vector<uint16_t> durations;  // the capture's durations (IR: after the carrier word)
    uint32_t carrierHz = 0;  // IR: word 2
    uint32_t frameLength = 0;  // durations[0 .. frameLength-1] is the marked frame; 0: none
    std::optional<irDecoded_t> protocol;  // IR
};
// The durations and carrier of a capture message (the bytes received).
TCaptureView captureView(bool ir, const QByteArray& capture);
QJsonObject captureJson(const TCaptureView& capture);
// The line, and for IR the protocol line below it.
QString captureText(const TCaptureView& capture);

// generate: the memo lines; JSON pairs each comment with its line.
QJsonArray generatedJson(const QStringList& memoLines);

// flash read: the bytes of "[00][1F]..." as hexadecimal text "001F...".
QJsonObject flashJson(uint32_t address, const QString& dumpLine);

// -v: "-> usb 45 4B 01 03 94 00 00 00" / "<- 10.231.1.10 45 4B ...".
QString traceLine(bool sent, const QString& where, const QByteArray& bytes);

// Compact JSON and a line end.
QString jsonText(const QJsonObject& object);
QString jsonText(const QJsonArray& array);

}  // namespace ondixcli
