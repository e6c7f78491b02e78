// The device clock: the get-clock request (0x0A), the set-clock frame (0x0B) and the
// decoding of the clock answer into the text shown in the log. The computer's time is a
// parameter, so the frames do not depend on when they are built.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace ondixclock {

constexpr uint8_t getClockCode = 0x0A;
constexpr uint8_t setClockCode = 0x0B;
constexpr int clockAnswerLength = 17;  // 6-byte header, 7-byte clock record, checksum
constexpr int clockRecordOffset = 6;

// Local date and time as the device keeps it: no milliseconds, weekday or time zone.
struct clockRecord_t {
    uint16_t year = 0;  // full year
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;
};

// 45 4B 01 0A 9B 00 00 00.
QByteArray getClockRequest();

// The record of a local date and time; milliseconds are dropped. `ok` is false for an
// invalid value or a year outside 0 .. 65535, which the 16-bit field cannot carry.
struct TClockFromTime {
    bool ok = false;
    clockRecord_t record;
};
TClockFromTime clockRecordOf(const QDateTime& localTime);

// The 17-byte set-clock frame: parameter length 7, the record, checksum. Empty when the
// time cannot be carried (see clockRecordOf).
QByteArray setClockFrame(const QDateTime& localTime);

// The answer to the get-clock request: valid when at least 17 bytes were received and the
// checksum at 13 is nonzero and equals the sum of bytes 0-12.
struct TClockAnswer {
    bool ok = false;
    clockRecord_t record;
};
TClockAnswer decodeClockAnswer(const uint8_t* answer, size_t received);

// The log entry, one text with a line feed between date and time (day first), values
// shown as they are: "Date: 07/03/2025\nTime: 09:05:00".
QString clockLogText(const clockRecord_t& record);

}  // namespace ondixclock
