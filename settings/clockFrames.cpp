#include "settings/clockFrames.h"

#include "link/frames.h"

namespace ondixclock {

QByteArray getClockRequest()
{
    return ondixframe::bodilessFrame(getClockCode);
}

TClockFromTime clockRecordOf(const QDateTime& localTime)
{
    TClockFromTime result;
    if (!localTime.isValid())
        return result;
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    if (date.year() < 0 || date.year() > 0xFFFF)
        return result;
    result.record = {uint16_t(date.year()), uint8_t(date.month()), uint8_t(date.day()), uint8_t(time.hour()),
        uint8_t(time.minute()), uint8_t(time.second())};
    result.ok = true;
    return result;
}

QByteArray setClockFrame(const QDateTime& localTime)
{
    const TClockFromTime now = clockRecordOf(localTime);
    if (!now.ok)
        return {};
    const clockRecord_t& r = now.record;
    const char parameters[7] = {char(r.year & 0xFF), char(r.year >> 8), char(r.month), char(r.day), char(r.hour),
        char(r.minute), char(r.second)};
    return ondixframe::parameterFrame(setClockCode, QByteArray(parameters, 7));
}

TClockAnswer decodeClockAnswer(const uint8_t* answer, size_t received)
{
    TClockAnswer result;
    if (!ondixframe::validAnswer(answer, received, clockAnswerLength))
        return result;
    const uint8_t* r = answer + clockRecordOffset;
    result.record = {ondixframe::readLe16(r), r[2], r[3], r[4], r[5], r[6]};
    result.ok = true;
    return result;
}

QString clockLogText(const clockRecord_t& r)
{
    return QString::asprintf(
        "Date: %02d/%02d/%04d\nTime: %02d:%02d:%02d", r.day, r.month, r.year, r.hour, r.minute, r.second);
}

}  // namespace ondixclock
