// RTS table codec: request and write frames, answers (bounds checked on exact-size copies
// with guard bytes behind them), grid texts, deletion, command lines and identifier draws.
#include "rts/rtsTable.h"
#include "tests/support/bytesText.h"

#include <QTest>
#include <QtEndian>

#include <cstring>
#include <set>

namespace {

// 'E', 'K', 0x01, 0x08, the data's length, the data, then `sum` (the right one by default).
QByteArray answerFrame(const QByteArray& data, qint64 sum = -1)
{
    return sealed(hex("454B0108") + char(data.size() & 0xFF) + char(data.size() >> 8) + data, sum);
}

QByteArray countBytes(quint32 n)
{
    const quint32 le = qToLittleEndian(n);
    return QByteArray(reinterpret_cast<const char*>(&le), 4);
}
rtsRemote_t record(const QByteArray& bytes)
{
    return rtsRecordFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()));
}

const QByteArray remoteA = hex("0100100005010203");  // reserved 1, Somfy, rolling 16, key 5
const QByteArray remoteB = hex("0005200006040506");  // type 5: Tube
const QByteArray readBack = hex("00003412A70AFF00");

// The table held before an answer arrives: A and B, and a third record past the count.
eepromRemoteData_t oldTable()
{
    eepromRemoteData_t t;
    t.count = 2;
    t.remotes[0] = record(remoteA);
    t.remotes[1] = record(remoteB);
    t.remotes[2].keyCode = 0x77;
    return t;
}

// Count and the first three records, as on the wire.
QString tableText(const eepromRemoteData_t& t)
{
    QByteArray b = countBytes(t.count);
    for (int i = 0; i < 3; ++i)
        b += rtsRecordBytes(t.remotes[size_t(i)]);
    return hexText(b);
}

QStringList gridText(const eepromRemoteData_t& t)
{
    QStringList rows;
    for (const QStringList& row : parseRemotes(t).rows)
        rows << row.join(' ');
    return rows;
}

}  // namespace

class TestRts : public QObject {
    Q_OBJECT
private slots:
    // The empty table and a single record: deleteRemote's rows and the window suite's.
    void frames()
    {
        eepromRemoteData_t t = oldTable();  // its third record lies past the count: never written
        QCOMPARE(hexText(rtsWriteFrame(t)),
            "45 4B 01 09 14 00 02 00 00 00 01 00 10 00 05 01 02 03 "
            "00 05 20 00 06 04 05 06 06 01 00 00");
        QCOMPARE(hexText(rtsReadRequest()), "45 4B 01 08 99 00 00 00");
        t.count = 101;
        QVERIFY(rtsWriteFrame(t).isEmpty());
    }

    // An answer, how many of its bytes arrived (-1: all), then the table and grid afterwards.
    void decode_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("received");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("rows");
        const QString old = tableText(oldTable());
        const QStringList oldRows {"1 Somfy 5 16 01-02-03", "2 Tube 6 32 04-05-06"};
        const auto refused = [&](const char* tag, const QByteArray& answer, int received = -1) {
            QTest::newRow(tag) << answer << received << false << old << oldRows;
        };
        QTest::newRow("record read back")
            << answerFrame(countBytes(1) + readBack) << -1 << true
            << "01 00 00 00 00 00 34 12 A7 0A FF 00 00 05 20 00 06 04 05 06 00 00 00 00 77 00 00 00"
            << QStringList {"1 Somfy 167 4660 0A-FF-00"};
        QTest::newRow("count 0") << answerFrame(countBytes(
            0)) << -1 << true << "00 00 00 00 01 00 10 00 05 01 02 03 00 05 20 00 06 04 05 06 00 00 00 00 77 00 00 00"
                                 << QStringList {};
        // Only the bytes that came are copied: records past them keep what the table held.
        QTest::newRow("more bytes than the count needs")
            << answerFrame(countBytes(1) + readBack + remoteA) << -1 << true
            << "01 00 00 00 00 00 34 12 A7 0A FF 00 01 00 10 00 05 01 02 03 00 00 00 00 77 00 00 00"
            << QStringList {"1 Somfy 167 4660 0A-FF-00"};
        refused("all zero", QByteArray(14, 0));
        // The right checksum lies in the guard bytes behind what arrived.
        refused("checksum not yet received", answerFrame(countBytes(1) + readBack), 21);
        refused("L below the count field", answerFrame(hex("0100")));
        refused("count beyond L", answerFrame(countBytes(2) + readBack));
        refused("count 101", answerFrame(countBytes(101) + QByteArray(800, 1)));
        refused("L above the table", answerFrame(countBytes(100) + QByteArray(808, 1)));
    }
    void decode()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, received);
        if (received < 0)
            received = int(answer.size());
        // Exact-size copy followed by guard bytes: a read past `received` finds the rest of
        // the answer, which would turn a refusal into an acceptance.
        std::vector<uint8_t> bytes(answer.begin(), answer.end());
        struct {
            eepromRemoteData_t table = oldTable();
            uint8_t guard[16];
        } held;
        std::memset(held.guard, 0xA5, sizeof held.guard);
        QTEST(rtsDecodeAnswer(bytes.data(), size_t(received), held.table), "accepted");
        QTEST(tableText(held.table), "table");
        QTEST(gridText(held.table), "rows");
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(held.guard), 16), QByteArray(16, char(0xA5)));
    }

    void fullTableRead()
    {
        QByteArray data = countBytes(100);
        for (int i = 0; i < 100; ++i)
            data += QByteArray(7, char(i)) + char(0xEE);
        const QByteArray answer = answerFrame(data);
        const std::vector<uint8_t> bytes(answer.begin(), answer.end());  // exact size
        eepromRemoteData_t t;
        QVERIFY(rtsDecodeAnswer(bytes.data(), bytes.size(), t));
        const rtsGrid_t grid = parseRemotes(t);
        QCOMPARE(grid.remotes.size(), size_t(100));
        QCOMPARE(grid.rows.last(), (QStringList {"100", "Tube", "99", "25443", "63-63-EE"}));
    }

    // Rows of the table A, B, readBack; the row deleted; what is written afterwards (empty:
    // nothing deleted). The only remote, the middle of three (reserved bytes travel), no row
    // selected, a row past the list, the empty table.
    void deleteRemote()
    {
        for (const auto& [count, row, written] : {std::tuple {1, 0, "45 4B 01 09 04 00 00 00 00 00 9E 00 00 00"},
                 {3, 1, "45 4B 01 09 14 00 02 00 00 00 01 00 10 00 05 01 02 03 00 00 34 12 A7 0A FF 00 C2 02 00 00"},
                 {3, -1, ""}, {3, 3, ""}, {0, 0, ""}}) {
            eepromRemoteData_t t = oldTable();
            t.remotes[2] = record(readBack);
            t.count = count > 0 ? quint32(count) : 3;
            std::vector<rtsRemote_t> list = parseRemotes(t).remotes;
            t.count = quint32(count);  // an empty table keeps the list of an earlier read
            const QString before = tableText(t);
            const size_t entries = list.size();
            QCOMPARE(rtsDeleteRemote(t, list, row), *written != 0);
            if (*written) {
                QCOMPARE(hexText(rtsWriteFrame(t)), QString(written));
                QCOMPARE(list, parseRemotes(t).remotes);
            } else {
                QCOMPARE(tableText(t), before);
                QCOMPARE(list.size(), entries);
            }
        }
    }

    // The table read again holds A, B, A's identifier once more, C; where the remote chosen
    // before (same row, moved up or down, twice, gone, none chosen) stands now.
    void rowOfRemote()
    {
        const std::vector<rtsRemote_t> remotes {
            record(remoteA), record(remoteB), record(hex("0000020003010203")), record(readBack)};
        for (const auto& [id, formerRow, row] : {std::tuple {"040506", 1, 1}, {"0AFF00", 4, 3}, {"0AFF00", 0, 3},
                 {"010203", 2, 2}, {"010203", 1, 0}, {"070809", 1, -1}, {"010203", -1, 0}}) {
            const QByteArray b = hex(id);
            const std::array<uint8_t, 3> remoteId {uint8_t(b[0]), uint8_t(b[1]), uint8_t(b[2])};
            QCOMPARE(rtsRowOfRemote(remotes, remoteId, formerRow), row);
            QCOMPARE(rtsRowOfRemote({}, remoteId, formerRow), -1);
        }
    }

    // STOP and PROG of a Tube, STOP of a Somfy: the window suite's rows.
    void commandLines()
    {
        using A = TRtsAction;
        const char *tube = "0001000000010203", *somfy = "00003412A70AFF00", *type5 = "00050000000A0B0C";
        for (const auto& [bytes, action, line] : {std::tuple {somfy, A::up, "sendrf_rc,3767,160,32,10,255,0"},
                 {somfy, A::down, "sendrf_rc,3767,160,64,10,255,0"},
                 {somfy, A::program, "sendrf_rc,3767,160,128,10,255,0"}, {tube, A::up, "sendrf_rc,3695,150,240,1,2,3"},
                 {type5, A::down, "sendrf_rc,3695,152,240,10,11,12"}}) {
            eepromRemoteData_t t = oldTable();
            t.remotes[1] = record(hex(bytes));
            QCOMPARE(rtsSelectedRemoteLine(t, 1, action), QString(line));
            // Only a selected, stored record is driven.
            QCOMPARE(rtsSelectedRemoteLine(t, -1, action), QString());
            QCOMPARE(rtsSelectedRemoteLine(t, 2, action), QString());
            t.count = 0;
            QCOMPARE(rtsSelectedRemoteLine(t, 0, action), QString());
        }
    }

    // Bytes the source yields, and the identifier drawn; the table holds 01-02-03, 04-05-06.
    // New at once; the first two draws stored; the record past the count is not stored;
    // bounded redraws when every draw collides.
    void newRemoteId()
    {
        QList<int> colliding;
        for (int i = 0; i < 20; ++i)
            colliding << 4 << 5 << 6;
        const std::tuple<QList<int>, QList<int>, int> cases[] = {{{7, 8, 9}, {7, 8, 9}, 3},
            {{1, 2, 3, 4, 5, 6, 1, 2, 4}, {1, 2, 4}, 9}, {{0, 0, 0}, {0, 0, 0}, 3}, {colliding, {4, 5, 6}, 48}};
        for (const auto& [bytes, expected, draws] : cases) {
            int used = 0;
            const auto id = rtsNewRemoteId(oldTable(), [&] { return uint8_t(bytes.at(used++)); });
            QCOMPARE((QList<int> {id[0], id[1], id[2]}), expected);
            QCOMPARE(used, draws);
        }
    }

    void systemDrawsDiffer()
    {
        std::set<std::array<uint8_t, 3>> ids;
        for (int i = 0; i < 8; ++i)
            ids.insert(rtsNewRemoteId(eepromRemoteData_t {}));
        QVERIFY(ids.size() > 1);
    }
};

QTEST_GUILESS_MAIN(TestRts)
#include "test_rts.moc"
