// The answer to the clock read, its log text, and the set-clock frame of the time it gives.
//
// Input: the received answer.
#include "fuzzInput.h"
#include "settings/clockFrames.h"

#include <QDateTime>

using namespace ondixclock;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ondixfuzz::TBytes answer = ondixfuzz::TInput(data, size).rest();
    const TClockAnswer clock = decodeClockAnswer(answer.data(), answer.size());
    if (!clock.ok)
        return 0;
    FUZZ_CHECK(size >= size_t(clockAnswerLength));
    const clockRecord_t& r = clock.record;
    const QString text = clockLogText(r);
    FUZZ_CHECK(text.startsWith(QLatin1String("Date: ")) && text.count(QLatin1Char('\n')) == 1);

    // A time the device gives back is set again unchanged.
    const QDate date(r.year, r.month, r.day);
    const QTime timeOfDay(r.hour, r.minute, r.second);
    if (!date.isValid() || !timeOfDay.isValid())
        return 0;
    const QDateTime time(date, timeOfDay, Qt::UTC);
    const QByteArray frame = setClockFrame(time);
    FUZZ_CHECK(frame.size() == clockAnswerLength);
    const TClockAnswer back =
        decodeClockAnswer(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()));
    FUZZ_CHECK(back.ok && clockLogText(back.record) == text);
    return 0;
}
