// The 50-byte device record as it arrives in a discovery answer, an announcement or a
// settings read: its checks, its display, the settings write built on it, and the broadcast
// address derived from an interface address text.
//
// Input: the record (50 bytes; a shorter input is only tried as a settings answer), a
// second record to compare with, then any text as an address.
#include "discovery/deviceInfo.h"
#include "fuzzInput.h"
#include "link/frames.h"
#include "settings/settingsFrames.h"

#include <QString>

#include <cstring>

using ondixfuzz::TInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    FUZZ_CHECK(!ondixframe::validAnswer(data, size, int(deviceinfo::recordSize)) || size >= deviceinfo::recordSize);
    if (size < deviceinfo::recordSize)
        return 0;
    const ondixfuzz::TBytes record = in.bytes(deviceinfo::recordSize);
    const uint8_t* r = record.data();

    const bool sumOk = deviceinfo::checksumMatches(r);
    const bool valid = deviceinfo::validAnswer(r);
    FUZZ_CHECK(!valid || sumOk);
    FUZZ_CHECK(valid == ondixframe::validAnswer(r, deviceinfo::recordSize, int(deviceinfo::recordSize)));

    const deviceinfo::TDeviceDisplay shown = deviceinfo::display(r);
    // The text ends at the first zero byte of the 16.
    FUZZ_CHECK(shown.ident.size() <= qsizetype(deviceinfo::identLength) && !shown.ident.contains(QChar(u'\0')));
    FUZZ_CHECK(shown.port.toUInt() == ondixframe::readLe16(r + deviceinfo::portOffset));
    for (const QString& part : shown.mac)
        FUZZ_CHECK(part.size() == 2);
    if (shown.ident.size() > 3)
        FUZZ_CHECK(shown.rfCapable == (shown.ident[3] == QLatin1Char('W')) || r[deviceinfo::identOffset + 3] == 'W');

    // The settings write keeps what the boxes do not set as the device sent it.
    deviceinfo::Record lastRead;
    std::memcpy(lastRead.data(), r, deviceinfo::recordSize);
    ondixsettings::settingsValues_t values;
    values.port = uint16_t(r[0] | r[1] << 8);
    const QByteArray frame = ondixsettings::writeSettingsFrame(values, &lastRead);
    FUZZ_CHECK(frame.size() == 50 && deviceinfo::validAnswer(reinterpret_cast<const uint8_t*>(frame.constData())));
    FUZZ_CHECK(std::memcmp(frame.constData() + 18, r + 18, 6) == 0);
    FUZZ_CHECK(std::memcmp(frame.constData() + 27, r + 27, 19) == 0);

    if (in.left() >= deviceinfo::recordSize) {
        const ondixfuzz::TBytes other = in.bytes(deviceinfo::recordSize);
        FUZZ_CHECK(deviceinfo::sameDevice(r, other.data()) == deviceinfo::sameDevice(other.data(), r));
    }
    FUZZ_CHECK(deviceinfo::sameDevice(r, r));

    const ondixfuzz::TBytes text = in.rest();
    const QString address = QString::fromUtf8(reinterpret_cast<const char*>(text.data()), qsizetype(text.size()));
    FUZZ_CHECK(deviceinfo::broadcastFor(address).endsWith(QLatin1String("255")));
    return 0;
}
