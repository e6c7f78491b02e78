// The answer to the RTS table read, and what the screen does with the table it gives: the
// grid, the write frame, deleting a row, the line of a selected row, a new identifier.
//
// Input: a byte for the row and the action, then the received answer. The random bytes of
// a new identifier are taken from the answer.
#include "fuzzInput.h"
#include "link/frames.h"
#include "rts/rtsTable.h"

#include <QByteArray>

using ondixfuzz::TInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    const uint8_t pick = in.byte();
    const ondixfuzz::TBytes answer = in.rest();

    // A table read earlier, so that a refused answer has something to leave alone.
    eepromRemoteData_t table;
    table.count = 2;
    table.remotes[0] = {0, 0, 0x1234, 0xA7, {0x0A, 0xFF, 0x00}};
    table.remotes[1] = {9, 1, 0x0001, 0x01, {0x01, 0x02, 0x03}};
    const eepromRemoteData_t before = table;
    const bool taken = rtsDecodeAnswer(answer.data(), answer.size(), table);
    if (!taken) {
        FUZZ_CHECK(table.count == before.count && table.remotes == before.remotes);
        return 0;
    }
    FUZZ_CHECK(table.count <= uint32_t(rtsMaxRemotes));

    const rtsGrid_t grid = parseRemotes(table);
    FUZZ_CHECK(grid.rows.size() == qsizetype(table.count) && grid.remotes.size() == table.count);
    for (const QStringList& row : grid.rows)
        FUZZ_CHECK(row.size() == rtsGridHeaders().size());

    // Written back and read again, the table is the same.
    const QByteArray frame = rtsWriteFrame(table);
    FUZZ_CHECK(frame.size() == qsizetype(rtsCountSize + rtsRecordSize * table.count + 10));
    eepromRemoteData_t again;
    FUZZ_CHECK(rtsDecodeAnswer(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()), again));
    FUZZ_CHECK(again.count == table.count);
    for (uint32_t i = 0; i < table.count; ++i)
        FUZZ_CHECK(again.remotes[i] == table.remotes[i]);

    const int row = int(pick % 128) - 8;
    const auto action = TRtsAction(pick >> 7 ? 2 : (pick >> 5) & 1);
    const QString line = rtsSelectedRemoteLine(table, row, action);
    FUZZ_CHECK(line.isEmpty() == (row < 0 || uint32_t(row) >= table.count));

    size_t next = 0;
    const auto id = rtsNewRemoteId(table, [&] { return answer.data()[next++ % answer.size()]; });
    FUZZ_CHECK(next % 3 == 0 && next <= 3 * rtsIdDrawAttempts);
    (void)id;

    std::vector<rtsRemote_t> list = grid.remotes;
    const bool deleted = rtsDeleteRemote(table, list, row);
    FUZZ_CHECK(deleted == (row >= 0 && size_t(row) < grid.remotes.size()));
    if (deleted)
        FUZZ_CHECK(table.count + 1 == grid.remotes.size() && list.size() == table.count);
    return 0;
}
