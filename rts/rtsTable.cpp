#include "rts/rtsTable.h"

#include "link/frames.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t cmdReadRts = 0x08;
constexpr uint8_t cmdWriteRts = 0x09;
constexpr int answerDataOffset = 6;  // after 'E', 'K', two bytes and the 16-bit length

// The table as its rtsTableSize bytes; records past the count are kept too, since an answer
// only overwrites the start of the table.
QByteArray tableImage(const eepromRemoteData_t& table)
{
    QByteArray image;
    image.reserve(rtsTableSize);
    for (int shift = 0; shift < 32; shift += 8)
        image.append(char((table.count >> shift) & 0xFF));
    for (const rtsRemote_t& remote : table.remotes)
        image.append(rtsRecordBytes(remote));
    return image;
}

void fromImage(const QByteArray& image, eepromRemoteData_t& table)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(image.constData());
    table.count = ondixframe::readLe32(bytes);
    for (int i = 0; i < rtsMaxRemotes; ++i)
        table.remotes[size_t(i)] = rtsRecordFromBytes(bytes + rtsCountSize + rtsRecordSize * i);
}

const char* commandPrefix(TRtsAction action, bool tube)
{
    switch (action) {
    case TRtsAction::up:
        return tube ? "sendrf_rc,3695,150,240," : "sendrf_rc,3767,160,32,";
    case TRtsAction::stop:
        return tube ? "sendrf_rc,3695,149,240," : "sendrf_rc,3767,160,16,";
    case TRtsAction::down:
        return tube ? "sendrf_rc,3695,152,240," : "sendrf_rc,3767,160,64,";
    case TRtsAction::program:
        return tube ? "sendrf_rc,3695,156,240," : "sendrf_rc,3767,160,128,";
    }
    return "";
}

uint8_t systemRandomByte()
{
    return uint8_t(QRandomGenerator::global()->bounded(256));
}

}  // namespace

QByteArray rtsRecordBytes(const rtsRemote_t& remote)
{
    QByteArray bytes;
    bytes.reserve(rtsRecordSize);
    bytes.append(char(remote.reserved));
    bytes.append(char(remote.type));
    bytes.append(char(remote.rollingCode & 0xFF));
    bytes.append(char(remote.rollingCode >> 8));
    bytes.append(char(remote.keyCode));
    for (uint8_t b : remote.remoteId)
        bytes.append(char(b));
    return bytes;
}

rtsRemote_t rtsRecordFromBytes(const uint8_t* bytes)
{
    rtsRemote_t remote;
    remote.reserved = bytes[0];
    remote.type = bytes[1];
    remote.rollingCode = ondixframe::readLe16(bytes + 2);
    remote.keyCode = bytes[4];
    std::copy_n(bytes + 5, 3, remote.remoteId.begin());
    return remote;
}

QByteArray rtsReadRequest()
{
    return ondixframe::bodilessFrame(cmdReadRts);
}

bool rtsDecodeAnswer(const uint8_t* answer, size_t received, eepromRemoteData_t& table)
{
    // The checksum test also makes sure the whole answer lies within what was received.
    if (!answer || !ondixframe::validParameterAnswer(answer, received))
        return false;
    const size_t length = ondixframe::readLe16(answer + 4);
    if (length < size_t(rtsCountSize) || length > size_t(rtsTableSize))
        return false;
    const uint8_t* data = answer + answerDataOffset;
    const uint32_t count = ondixframe::readLe32(data);
    if (count > uint32_t(rtsMaxRemotes) || length < rtsCountSize + rtsRecordSize * size_t(count))
        return false;
    QByteArray image = tableImage(table);
    std::memcpy(image.data(), data, length);
    fromImage(image, table);
    return true;
}

QByteArray rtsWriteFrame(const eepromRemoteData_t& table)
{
    if (table.count > uint32_t(rtsMaxRemotes))
        return {};
    const int length = rtsCountSize + rtsRecordSize * int(table.count);
    return ondixframe::parameterFrame(cmdWriteRts, tableImage(table).left(length));
}

QStringList rtsGridHeaders()
{
    return {QStringLiteral("ID"), QStringLiteral("Tipo"), QStringLiteral("Key Code"), QStringLiteral("Rolling Code"),
        QStringLiteral("Remote ID")};
}

QStringList rtsGridRow(int index, const rtsRemote_t& remote)
{
    const auto& id = remote.remoteId;
    return {QString::number(index + 1), remote.isTube() ? QStringLiteral("Tube") : QStringLiteral("Somfy"),
        QString::asprintf("%d", remote.keyCode), QString::asprintf("%d", remote.rollingCode),
        QString::asprintf("%02X-%02X-%02X", id[0], id[1], id[2])};
}

rtsGrid_t parseRemotes(const eepromRemoteData_t& table)
{
    rtsGrid_t grid;
    const uint32_t shown = std::min(table.count, uint32_t(rtsMaxRemotes));
    for (uint32_t i = 0; i < shown; ++i) {
        grid.rows.append(rtsGridRow(int(i), table.remotes[i]));
        grid.remotes.push_back(table.remotes[i]);
    }
    return grid;
}

bool rtsDeleteRemote(eepromRemoteData_t& table, std::vector<rtsRemote_t>& remoteList, int row)
{
    if (table.count == 0 || row < 0 || size_t(row) >= remoteList.size())
        return false;
    remoteList.erase(remoteList.begin() + row);
    // The list came from a table of at most rtsMaxRemotes records.
    const size_t kept = std::min(remoteList.size(), size_t(rtsMaxRemotes));
    table.count = uint32_t(kept);
    std::copy_n(remoteList.begin(), kept, table.remotes.begin());
    return true;
}

int rtsRowOfRemote(const std::vector<rtsRemote_t>& remotes, const std::array<uint8_t, 3>& remoteId, int formerRow)
{
    if (formerRow >= 0 && size_t(formerRow) < remotes.size() && remotes[size_t(formerRow)].remoteId == remoteId)
        return formerRow;
    for (size_t row = 0; row < remotes.size(); ++row)
        if (remotes[row].remoteId == remoteId)
            return int(row);
    return -1;
}

QString rtsCommandLine(TRtsAction action, bool tube, const std::array<uint8_t, 3>& remoteId)
{
    return QString::fromLatin1(commandPrefix(action, tube))
        + QString::asprintf("%d,%d,%d", remoteId[0], remoteId[1], remoteId[2]);
}

QString rtsSelectedRemoteLine(const eepromRemoteData_t& table, int selectedRow, TRtsAction action)
{
    const uint32_t stored = std::min(table.count, uint32_t(rtsMaxRemotes));
    if (selectedRow < 0 || uint32_t(selectedRow) >= stored)
        return {};
    const rtsRemote_t& remote = table.remotes[size_t(selectedRow)];
    return rtsCommandLine(action, remote.isTube(), remote.remoteId);
}

std::array<uint8_t, 3> rtsNewRemoteId(const eepromRemoteData_t& lastRead, const TRtsByteSource& randomByte)
{
    const TRtsByteSource next = randomByte ? randomByte : TRtsByteSource(systemRandomByte);
    const uint32_t stored = std::min(lastRead.count, uint32_t(rtsMaxRemotes));
    const auto known = [&](const std::array<uint8_t, 3>& id) {
        return std::any_of(lastRead.remotes.begin(), lastRead.remotes.begin() + stored,
            [&](const rtsRemote_t& r) { return r.remoteId == id; });
    };
    std::array<uint8_t, 3> id {};
    for (int attempt = 0; attempt < rtsIdDrawAttempts; ++attempt) {
        // Drawn one by one so that i0, i1, i2 come in that order.
        id[0] = next();
        id[1] = next();
        id[2] = next();
        if (!known(id))
            break;
    }
    return id;
}
