// The table of RTS remotes kept in the device: its byte layout, the read and write frames,
// the grid texts, the deletion of a row, the "sendrf_rc" lines that drive or add a remote
// and the draw of a new remote identifier. Pure: the RTS screen reads the controls and the
// answer buffer, calls these and writes the grid and mmInfo.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

constexpr int rtsMaxRemotes = 100;
constexpr int rtsRecordSize = 8;
constexpr int rtsCountSize = 4;
constexpr int rtsTableSize = rtsCountSize + rtsRecordSize * rtsMaxRemotes;  // 804

// One remote, 8 bytes on the wire: reserved, type, rolling code (16 bits, little-endian),
// key code, identifier. `reserved` means nothing to the tool and travels back unchanged.
struct rtsRemote_t {
    uint8_t reserved = 0;
    uint8_t type = 0;  // 0 Somfy, any other value Tube
    uint16_t rollingCode = 0;
    uint8_t keyCode = 0;
    std::array<uint8_t, 3> remoteId {};

    bool isTube() const { return type != 0; }
    bool operator==(const rtsRemote_t&) const = default;
};

// The table as the device keeps it: a 32-bit count, then the records. The window's copy
// has room for rtsMaxRemotes records and starts empty.
struct eepromRemoteData_t {
    uint32_t count = 0;
    std::array<rtsRemote_t, rtsMaxRemotes> remotes {};
};

// Wire form of a record and back (exactly rtsRecordSize bytes).
QByteArray rtsRecordBytes(const rtsRemote_t& remote);
rtsRemote_t rtsRecordFromBytes(const uint8_t* bytes);

// Read request, command 0x08: 45 4B 01 08 99 00 00 00.
QByteArray rtsReadRequest();

// Takes the answer to the read request: `received` bytes at `answer`, as they arrived.
// The answer is refused, and the table left alone, when its checksum is zero or wrong,
// when it does not lie wholly within the bytes received, when its length L is below 4 or
// above rtsTableSize, when its count is above rtsMaxRemotes or when L cannot hold `count`
// records. Otherwise its L data bytes are copied over the start of the table.
bool rtsDecodeAnswer(const uint8_t* answer, size_t received, eepromRemoteData_t& table);

// Write request, command 0x09: L = 4 + 8 x count, then the count and the records as held,
// then the checksum; L + 10 bytes. Empty when the count is above rtsMaxRemotes.
QByteArray rtsWriteFrame(const eepromRemoteData_t& table);

// The grid's column headers and the cells of record `index` (0-based): ID, Tipo, Key Code,
// Rolling Code, Remote ID.
QStringList rtsGridHeaders();
QStringList rtsGridRow(int index, const rtsRemote_t& remote);

// What the grid and rtsRemoteList show after a table has been read or rebuilt: one row and
// one record copy per stored record, in table order.
struct rtsGrid_t {
    QList<QStringList> rows;
    std::vector<rtsRemote_t> remotes;  // rtsRemoteList
};
rtsGrid_t parseRemotes(const eepromRemoteData_t& table);

// Deletion of grid row `row`: removes the entry from `remoteList` and rebuilds the table
// from what is left, in list order. Does nothing and returns false when the table is empty
// or `row` designates no entry of the list.
bool rtsDeleteRemote(eepromRemoteData_t& table, std::vector<rtsRemote_t>& remoteList, int row);

// Where the remote with identifier `remoteId` stands in `remotes` after the table was read
// again: row `formerRow` when it still holds that identifier, else the first row that does;
// -1 when none does.
int rtsRowOfRemote(const std::vector<rtsRemote_t>& remotes, const std::array<uint8_t, 3>& remoteId, int formerRow);

enum class TRtsAction { up, stop, down, program };

// "sendrf_rc" line of an action: the prefix of the remote kind, then the three identifier
// bytes in decimal, e.g. sendrf_rc,3767,160,32,10,255,0 for UP on Somfy 0A-FF-00.
QString rtsCommandLine(TRtsAction action, bool tube, const std::array<uint8_t, 3>& remoteId);

// UP, STOP or DOWN on the selected row of the table last read: empty when the table is
// empty or the row designates no stored record (nothing is sent then).
QString rtsSelectedRemoteLine(const eepromRemoteData_t& table, int selectedRow, TRtsAction action);

// A source of uniform random bytes. Without one, the system-seeded generator is used.
using TRtsByteSource = std::function<uint8_t()>;

// Identifier of a new remote: three bytes drawn in order. A draw equal to the identifier
// of a record in `lastRead` is drawn again, up to rtsIdDrawAttempts draws in all; the last
// draw stands then.
constexpr int rtsIdDrawAttempts = 16;
std::array<uint8_t, 3> rtsNewRemoteId(const eepromRemoteData_t& lastRead, const TRtsByteSource& randomByte = {});
