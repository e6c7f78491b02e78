// The emulated Ondix's device core: answer bytes of the commands only it exercises, RTS
// lines, faults and the JSON configuration. Captures, discovery records and the other
// commands are checked through the tool in the learning, discovery and end-to-end suites.
#include "ondixConfig.h"
#include "ondixDevice.h"

#include "link/frames.h"
#include "rts/rtsTable.h"

#include <QtTest>

using namespace ondixsim;

namespace {

Bytes toBytes(const QByteArray& a)
{
    return Bytes(a.begin(), a.end());
}
QString hexText(const Bytes& b, size_t from = 0, size_t to = SIZE_MAX)
{
    to = std::min(to, b.size());
    return QByteArray(reinterpret_cast<const char*>(b.data() + from), qsizetype(to - from)).toHex(' ').toUpper();
}
// A request from its bytes before the checksum, with `zeros` zero bytes appended first.
QByteArray sealed(const char* body, int zeros = 0)
{
    QByteArray f = QByteArray::fromHex(body) + QByteArray(zeros, 0);
    quint32 sum = 0;
    for (char c : f)
        sum += quint8(c);
    for (int i = 0; i < 4; ++i)
        f.append(char(sum >> (8 * i)));
    return f;
}
// A typed line as it travels on the cable: its text and CR LF.
Bytes usbLine(const QString& line)
{
    return toBytes((line + "\r\n").toLatin1());
}
// The device's table read through the tool's codec, one grid row a string; "refused" when
// the answer is not taken.
QStringList readTable(Device& device)
{
    const auto out = device.handleRequest(toBytes(rtsReadRequest()), Transport::Usb);
    eepromRemoteData_t table;
    if (out.size() != 1 || !rtsDecodeAnswer(out[0].bytes.data(), out[0].bytes.size(), table))
        return {"refused"};
    QStringList rows;
    for (const QStringList& row : parseRemotes(table).rows)
        rows << row.join(' ');
    return rows;
}
constexpr long long march7 = 1741338300LL;  // 2025-03-07 09:05:00 as local seconds

}  // namespace

class TestDeviceCore : public QObject {
    Q_OBJECT
private slots:
    // Requests in order and each one's answers ("" when the device stays silent).
    void requests_data()
    {
        QTest::addColumn<QList<QByteArray>>("requests");
        QTest::addColumn<QStringList>("answers");
        const auto row = [](const char* tag, const QList<QByteArray>& requests, const QStringList& answers) {
            QTest::newRow(tag) << requests << answers;
        };
        row("read clock", {sealed("454B010A")}, {"45 4B 01 0A 07 00 E9 07 03 07 09 05 00 AA 01 00 00"});
        row("set clock, read back", {sealed("454B010B0700EA070C05081E0F"), sealed("454B010A")},
            {"45 4B 01 0B 9C 00 00 00", "45 4B 01 0A 07 00 EA 07 0C 05 08 1E 0F D9 01 00 00"});
        // Any 16-bit year is kept as sent.
        row("year 40000", {sealed("454B010B0700409C0101000000"), sealed("454B010A")},
            {"45 4B 01 0B 9C 00 00 00", "45 4B 01 0A 07 00 40 9C 01 01 00 00 00 80 01 00 00"});
        row("last second of year 65535", {sealed("454B010B0700FFFF0C1F173B3B"), sealed("454B010A")},
            {"45 4B 01 0B 9C 00 00 00", "45 4B 01 0A 07 00 FF FF 0C 1F 17 3B 3B 58 03 00 00"});
        row("29 February of year 0", {sealed("454B010B07000000021D0C0000"), sealed("454B010A")},
            {"45 4B 01 0B 9C 00 00 00", "45 4B 01 0A 07 00 00 00 02 1D 0C 00 00 CD 00 00 00"});
        row("29 February 2025", {sealed("454B010B0700E907021D0C0000")}, {""});
        row("flash read 3 bytes at 0x100", {sealed("454B011508000001000003000000")},
            {"45 4B 01 15 03 00 01 00 03 AD 00 00 00"});
        // 10.0.0.60 / 255.255.0.0 / 10.0.0.1, DHCP on, port 5000; the MAC positions are ignored.
        row("settings and MAC written, read back",
            {sealed("454B010400000A00003CFFFF00000A000001AABBCCDDEEFF018813", 19),
                sealed("454B01050000001AFF0B2CFE", 16), sealed("454B0103")},
            {"45 4B 01 04 95 00 00 00", "45 4B 01 05 96 00 00 00",
                "45 4B 01 03 00 00 0A 00 00 3C FF FF 00 00 0A 00 00 01 00 1A FF 0B 2C FE 01 88 13 4F 4E 44 58 "
                "30 30 30 30 30 30 30 30 30 30 30 31 15 00 01 5D 09 00 00"});
        row("RTS table written, read back", {sealed("454B01090C000100000000003412A70AFF00"), sealed("454B0108")},
            {"45 4B 01 09 9A 00 00 00", "45 4B 01 08 0C 00 01 00 00 00 00 00 34 12 A7 0A FF 00 9C 02 00 00"});
        row("wrong checksum", {QByteArray::fromHex("454B010395000000")}, {""});
        row("too short", {QByteArray::fromHex("454B0103")}, {""});
        row("RTS count above 100", {sealed("454B0109040065000000")}, {""});
        row("RTS count beyond length", {sealed("454B0109040002000000")}, {""});
        row("month 13", {sealed("454B010B0700EA070D05081E0F")}, {""});
        row("flash length field wrong", {sealed("454B011507000000000080000000")}, {""});
    }
    void requests()
    {
        QFETCH(QList<QByteArray>, requests);
        QFETCH(QStringList, answers);
        Device device({}, [] { return march7; });
        QStringList got;
        for (const QByteArray& request : requests) {
            const auto out = device.handleRequest(toBytes(request), Transport::Usb);
            got << (out.empty() ? QString() : hexText(out[0].bytes) + QString(" +").repeated(int(out.size()) - 1));
        }
        QCOMPARE(got, answers);
        if (answers.back().isEmpty())  // nothing stored either
            QVERIFY(device.config().rts.empty() && device.config().clockOffsetSeconds == 0);
    }

    // Days of requests keep a bounded history, the newest last.
    void historyIsBounded()
    {
        Device device;
        const Bytes info = toBytes(QByteArray::fromHex("454b010394000000"));
        for (int i = 0; i < 2500; ++i) {
            device.handleRequest(info, Transport::Network);
            device.handleCommandLine("sendir," + std::to_string(i));
        }
        QVERIFY(device.requests().size() >= 1000 && device.requests().size() < 2000);
        QVERIFY(device.commandLines().size() >= 1000 && device.commandLines().size() < 2000);
        QCOMPARE(device.commandLines().back(), std::string("sendir,2499"));
    }

    // A share of the answers is lost at random, the requests still act; none without it.
    void droppedAnswers_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("none") << 0 << 0 << 0;
        QTest::newRow("5 %") << 5 << 70 << 130;
        QTest::newRow("all") << 100 << 2000 << 2000;
    }
    void droppedAnswers()
    {
        QFETCH(int, percent);
        DeviceConfig config;
        config.dropPercent = percent;
        Device device(config);
        const Bytes setClock = toBytes(QByteArray::fromHex("454b010b0700ef070203040506ad010000"));
        int silent = 0;
        for (int i = 0; i < 1000; ++i) {
            silent += device.handleRequest(setClock, Transport::Network).empty();
            silent += !device.handleCommandText("sendir,1").answer.has_value();
        }
        QFETCH(int, low);
        QFETCH(int, high);
        QCOMPARE(device.droppedAnswers(), silent);
        QVERIFY2(silent >= low && silent <= high, qPrintable(QString::number(silent)));
        QVERIFY(device.config().clockOffsetSeconds != 0);  // set, answered or not
    }

    void rtsLines_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("table");  // the RTS table bytes afterwards
        const QString prog = "sendrf_rc,3767,160,128,1,2,3";
        QTest::newRow("Somfy PROG creates a record") << QStringList {prog} << "01 00 00 00 00 00 01 00 01 01 02 03";
        QTest::newRow("Tube PROG, with a line end")
            << QStringList {"sendrf_rc,3695,156,240,10,255,0\r\n"} << "01 00 00 00 00 01 01 00 01 0A FF 00";
        QTest::newRow("UP, STOP, DOWN advance the rolling code") << QStringList {prog, "sendrf_rc,3767,160,32,1,2,3",
            "sendrf_rc,3767,160,16,1,2,3", "sendrf_rc,3767,160,64,1,2,3"}
                                                                 << "01 00 00 00 00 00 04 00 01 01 02 03";
        QTest::newRow("Tube moves, second remote gets a fresh key") << QStringList {prog,
            "sendrf_rc,3695,156,240,4,5,6", "sendrf_rc,3695,150,240,4,5,6", "sendrf_rc,3695,149,240,4,5,6",
            "sendrf_rc,3695,152,240,4,5,6"} << "02 00 00 00 00 00 01 00 01 01 02 03 00 01 04 00 02 04 05 06";
        QTest::newRow("UP for an unknown remote, malformed lines: only kept")
            << QStringList {"sendrf_rc,3767,160,32,7,8,9", "sendrf_rc,3767,160,128,1,2", "sendrf_rc,3767,160,99,1,2,3",
                   "sendrf_rc,3767,160,128,1,2,300", "sendrf,2,1,1,300,900", "sendrf_rc,3767,160,128,1,2,x"}
            << "00 00 00 00";
    }
    void rtsLines()
    {
        QFETCH(QStringList, lines);
        Device device, cable;  // lines typed over TCP; lines sent on the USB cable
        for (const QString& line : lines) {
            device.handleCommandLine(line.toStdString());
            QVERIFY(cable.handleRequest(usbLine(line.trimmed()), Transport::Usb).empty());
        }
        QTEST(hexText(device.rtsTableBytes()), "table");
        QTEST(hexText(cable.rtsTableBytes()), "table");
        QCOMPARE(device.commandLines().size(), size_t(lines.size()));
        QCOMPARE(cable.commandLines(), device.commandLines());
        QVERIFY(device.commandLines().back().find('\r') == std::string::npos);
        QVERIFY(cable.requests().empty());
    }

    // Adding, driving and deleting remotes with the lines and frames the tool composes.
    void rtsThroughCodec()
    {
        Device device;
        const std::array<uint8_t, 3> somfy {10, 255, 0}, tube {1, 2, 3};
        for (const QString& line :
            {rtsCommandLine(TRtsAction::program, false, somfy), rtsCommandLine(TRtsAction::program, true, tube),
                rtsCommandLine(TRtsAction::up, false, somfy), rtsCommandLine(TRtsAction::stop, false, somfy),
                rtsCommandLine(TRtsAction::down, false, somfy), rtsCommandLine(TRtsAction::down, true, tube)})
            QVERIFY(device.handleRequest(usbLine(line), Transport::Usb).empty());
        QCOMPARE(readTable(device), (QStringList {"1 Somfy 1 4 0A-FF-00", "2 Tube 2 2 01-02-03"}));
        // The empty memo sent on its own: CR LF and nothing else.
        QVERIFY(device.handleRequest(usbLine(""), Transport::Usb).empty());
        QCOMPARE(device.commandLines().size(), size_t(6));

        eepromRemoteData_t table;
        const auto out = device.handleRequest(toBytes(rtsReadRequest()), Transport::Usb);
        QVERIFY(rtsDecodeAnswer(out[0].bytes.data(), out[0].bytes.size(), table));
        std::vector<rtsRemote_t> list = parseRemotes(table).remotes;
        QVERIFY(rtsDeleteRemote(table, list, 0));
        const auto ack = device.handleRequest(toBytes(rtsWriteFrame(table)), Transport::Network);
        QCOMPARE(hexText(ack.at(0).bytes), "45 4B 01 09 9A 00 00 00");
        QCOMPARE(readTable(device), (QStringList {"1 Tube 2 2 01-02-03"}));
    }

    // A fault on the read (0x08) or write (0x09) of the table, then a clean read.
    void rtsFaults_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("taken");  // answer decoded or acknowledgement valid
        QTest::addColumn<QStringList>("table");  // read afterwards
        const QStringList stored {"1 Somfy 167 4660 0A-FF-00"}, written {"1 Tube 2 1 01-02-03"};
        QTest::newRow("read, zero checksum") << 8 << int(FaultKind::ZeroChecksum) << 0 << false << stored;
        QTest::newRow("read, bad checksum") << 8 << int(FaultKind::BadChecksum) << 0 << false << stored;
        QTest::newRow("read, truncated") << 8 << int(FaultKind::Truncated) << 21 << false << stored;
        QTest::newRow("read, oversize") << 8 << int(FaultKind::Oversize) << 40 << true << stored;
        // The device wrote the table; only its acknowledgement is lost or spoilt.
        QTest::newRow("write, no answer") << 9 << int(FaultKind::NoAnswer) << 0 << false << written;
        QTest::newRow("write, zero checksum") << 9 << int(FaultKind::ZeroChecksum) << 0 << false << written;
    }
    void rtsFaults()
    {
        QFETCH(int, code);
        QFETCH(int, kind);
        QFETCH(int, size);
        DeviceConfig c;
        c.rts.push_back(RtsRecord {0, 0, 0x1234, 0xA7, {0x0A, 0xFF, 0x00}});
        c.faults[uint8_t(code)] = Fault {FaultKind(kind), 0, size, 1, -1};
        Device device(c);
        eepromRemoteData_t table;
        table.count = 1;
        table.remotes[0] = rtsRemote_t {0, 1, 1, 2, {1, 2, 3}};
        const QByteArray request = code == 8 ? rtsReadRequest() : rtsWriteFrame(table);
        const auto out = device.handleRequest(toBytes(request), Transport::Usb);
        bool taken = false;
        if (out.size() == 1)
            taken = code == 8 ? rtsDecodeAnswer(out[0].bytes.data(), out[0].bytes.size(), table)
                              : ondixframe::validAnswer(out[0].bytes.data(), out[0].bytes.size(), 8);
        QTEST(taken, "taken");
        QTEST(readTable(device), "table");
    }

    // Typed text over TCP: one burst, its lines, and the answer the device is set to give.
    void commandText_data()
    {
        QTest::addColumn<QString>("burst");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("answer");  // "-": none
        QTest::newRow("line without a line end")
            << "sendir,1:1,1,38000,1,1,20,20" << false << QStringList {"sendir,1:1,1,38000,1,1,20,20"} << "OK\r\n";
        QTest::newRow("CR, LF and CR LF, blank lines skipped") << "a\rb\n\r\nc\r\n  \n"
                                                               << false << QStringList {"a", "b", "c"} << "OK\r\n";
        QTest::newRow("nothing but line ends still answered") << "\r\n" << false << QStringList {} << "OK\r\n";
        QTest::newRow("silent device") << "getinfo" << true << QStringList {"getinfo"} << "-";
    }
    void commandText()
    {
        QFETCH(QString, burst);
        QFETCH(bool, silent);
        QFETCH(QStringList, lines);
        QFETCH(QString, answer);
        DeviceConfig c;
        if (silent)
            c.tcpAnswer.reset();
        Device device(c);
        const Device::TextReply reply = device.handleCommandText(burst.toStdString());
        QStringList got;
        for (const std::string& line : reply.lines)
            got << QString::fromStdString(line);
        QCOMPARE(got, lines);
        QCOMPARE(device.commandLines().size(), size_t(lines.size()));
        QCOMPARE(reply.answer ? QString::fromStdString(*reply.answer) : QString("-"), answer);
    }

    // Over USB a typed line arrives behind its length, with CR LF: handled, not answered.
    void commandLineOverUsb()
    {
        Device device;
        const std::string text = "sendrf_rc,3767,160,128,1,2,3\r\n";
        QVERIFY(device.handleRequest(Bytes(text.begin(), text.end()), Transport::Usb).empty());
        QCOMPARE(device.commandLines(), std::vector<std::string> {"sendrf_rc,3767,160,128,1,2,3"});
        QCOMPARE(hexText(device.rtsTableBytes()), "01 00 00 00 00 00 01 00 01 01 02 03");
        // Over the network the same bytes are no frame and are dropped.
        QVERIFY(device.handleRequest(Bytes(text.begin(), text.end()), Transport::Network).empty());
        QCOMPARE(device.commandLines().size(), size_t(1));
    }

    void faults_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("lengths");  // of each output, in order
        QTest::addColumn<QString>("last");  // how the last output starts
        // The default device's information record, up to its checksum.
        const QString info = "45 4B 01 03 00 00 C0 A8 00 32 FF FF FF 00 C0 A8 00 01 00 1A 2B 3C 4D 5E 00 86 13 "
                             "4F 4E 44 58 30 30 30 30 30 30 30 30 30 30 30 31 15 00 01 ";
        const QString good = info + "E9 0B 00 00";
        QTest::newRow("late") << int(FaultKind::Late) << 0 << QList<int> {50} << good;
        QTest::newRow("bad checksum") << int(FaultKind::BadChecksum) << 0 << QList<int> {50} << info + "EA 0B 00 00";
        QTest::newRow("zero checksum") << int(FaultKind::ZeroChecksum) << 0 << QList<int> {50} << info + "00 00 00 00";
        QTest::newRow("duplicate") << int(FaultKind::Duplicate) << 0 << QList<int> {50, 50} << good;
        QTest::newRow("truncated") << int(FaultKind::Truncated) << 20 << QList<int> {20} << good.left(59);
        QTest::newRow("oversize") << int(FaultKind::Oversize) << 64 << QList<int> {64} << good;
        QTest::newRow("garbage first") << int(FaultKind::Garbage) << 12 << QList<int> {12, 50} << good;
    }
    void faults()
    {
        QFETCH(int, kind);
        QFETCH(int, size);
        QFETCH(QString, last);
        DeviceConfig c;
        c.faults[cmdInfo] = Fault {FaultKind(kind), 3000, size, -1, -1};
        Device device(c);
        for (int round = 0; round < 2; ++round) {  // times -1: every request
            const auto out = device.handleRequest(toBytes(sealed("454B0103")), Transport::Network);
            QList<int> got;
            for (const Output& o : out)
                got << int(o.bytes.size());
            QTEST(got, "lengths");
            QVERIFY2(hexText(out.back().bytes).startsWith(last), qPrintable(hexText(out.back().bytes)));
            QCOMPARE(out.back().delayMs, kind == int(FaultKind::Late) ? 3000 : 0);
            if (kind == int(FaultKind::Garbage))
                QVERIFY(out[0].bytes[0] != 'E');
        }
    }

    void configLoadsDevice()
    {
        const QByteArray json = R"({"devices": [{"ip": "10.231.1.10", "mask": "255.255.0.0", "gateway": "10.231.0.1",
            "mac": "02:00:00:00:00:0A", "dhcp": true, "tcpPort": 5000, "ident": "DEV-A", "firmware": 30, "rfFlag": 0,
            "rts": [{"type": 1, "rollingCode": 4660, "keyCode": 167, "remoteId": "0A-FF-00", "reserved": 9}],
            "rtsCount": 3, "rtsRollingStart": 100, "clockOffsetSeconds": -3600,
            "faults": {"3": {"kind": "garbage", "size": 7, "message": 0}},
            "announce": {"everyMs": 1000, "to": "10.231.1.1"}}]})";
        std::string error;
        const auto devices = loadConfig(json, error);
        QVERIFY2(devices && devices->size() == 1, error.c_str());
        const DeviceConfig& a = devices->front();
        const Device device(a);
        QCOMPARE(hexText(device.infoRecord(answerInfo), 6, 46),
            "0A E7 01 0A FF FF 00 00 0A E7 00 01 02 00 00 00 00 0A 01 88 13 "
            "44 45 56 2D 41 00 00 00 00 00 00 00 00 00 00 00 1E 00 00");
        QCOMPARE(hexText(device.rtsTableBytes()), "03 00 00 00 09 01 34 12 A7 0A FF 00");
        QCOMPARE(std::tuple(a.rtsRollingStart, a.clockOffsetSeconds, a.announce.everyMs, a.announce.to),
            std::tuple(uint16_t(100), -3600LL, 1000, std::string("10.231.1.1")));
        const Fault garbage = a.faults.at(3);
        QCOMPARE(std::tuple(garbage.kind, garbage.size, garbage.message), std::tuple(FaultKind::Garbage, 7, 0));
    }

    // Devices from a file start from the standard device of their address and place.
    void configStandardDevices()
    {
        const QByteArray json = R"({"devices": [{"ip": "10.1.2.3"}, {"ip": "11.1.2.3"}, {"ip": "12.1.2.3",
            "mac": "00:1A:2B:01:02:03", "ident": "MINE", "rfCapture": null, "tcpAnswer": null,
            "flashImage": "00 1F FF"}]})";
        std::string error;
        const auto devices = loadConfig(json, error);
        QVERIFY2(devices && devices->size() == 3, error.c_str());
        QStringList records;
        for (const DeviceConfig& c : *devices)
            records << hexText(Device(c).infoRecord(answerInfo), 6, 43);
        // Standard MACs (00:1A:2B and the last three address bytes) would all be 00:1A:2B:01:02:03,
        // the MAC the third device is given: the first two move on to distinct ones.
        QCOMPARE(records,
            (QStringList {"0A 01 02 03 FF FF FF 00 0A 01 02 01 00 1A 2C 01 02 03 00 86 13 4F 4E 44 58 30 30 30 30 30 "
                          "30 30 30 30 30 30 31",
                "0B 01 02 03 FF FF FF 00 0B 01 02 01 00 1A 2D 01 02 03 00 86 13 4F 4E 44 58 30 30 30 30 30 30 30 30 30 "
                "30 30 32",
                "0C 01 02 03 FF FF FF 00 0C 01 02 01 00 1A 2B 01 02 03 00 86 13 4D 49 4E 45 00 00 00 00 00 00 00 00 00 "
                "00 00 00"}));
        const DeviceConfig& first = devices->at(0);
        const DeviceConfig& third = devices->at(2);
        QVERIFY(first.rfCapture && first.irCapture);
        QCOMPARE(first.rfCapture->durations, demoRfCapture().durations);
        QCOMPARE(first.irCapture->irValue, uint16_t(37900));
        QCOMPARE(first.irCapture->durations.size(), size_t(30));
        QCOMPARE(first.tcpAnswer, std::optional<std::string>("OK\r\n"));
        QVERIFY(!third.rfCapture && third.irCapture && !third.tcpAnswer);

        // The image is served from address 0; the memory past it reads erased.
        Device device(third);
        const auto out = device.handleRequest(toBytes(sealed("454B011508000100000004000000")), Transport::Usb);
        QCOMPARE(out.size(), size_t(1));
        QCOMPARE(hexText(out[0].bytes), "45 4B 01 15 04 00 1F FF FF FF C6 03 00 00");
    }

    // Captures given per request: entry n for the n-th learn request of its kind, then the
    // last one again; a null entry is only acknowledged; the other kind keeps its own.
    void capturesPerRequest()
    {
        std::string message;
        const auto configs = loadConfig(R"({"devices": [{"ip": "1.2.3.4",
            "irCaptures": [{"irValue": 1, "durations": [7]}, null, {"irValue": 2, "durations": [8, 9]}]}]})",
            message);
        QVERIFY2(configs, message.c_str());
        Device device(configs->front());
        QStringList heard;
        for (int request = 0; request < 4; ++request) {
            const auto out = device.handleRequest(toBytes(sealed("454B0107")), Transport::Usb);
            heard << (out.size() == 2 ? hexText(out[1].bytes) : QString::number(out.size()));
        }
        QCOMPARE(heard,
            QStringList(
                {"00 00 04 00 01 00 07 00", "1", "00 00 05 00 02 00 08 00 09 00", "00 00 05 00 02 00 08 00 09 00"}));
        const auto rf = device.handleRequest(toBytes(sealed("454B0106040001001000")), Transport::Usb);
        QCOMPARE(rf.size(), size_t(2));
        QCOMPARE(rf[1].bytes.size(), demoRfCapture().durations.size() * 2 + 4);
    }

    void configErrors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* tag, const char* devices, const char* error) {
            QTest::newRow(tag) << R"({"devices": [{)" + QByteArray(devices) + "}]}" << QString(error);
        };
        QTest::newRow("not JSON") << QByteArray("{devices: }") << "not valid JSON";
        row("unknown device key", R"("ip": "1.2.3.4", "port": 1)", "devices[0]: unknown key \"port\"");
        row("bad address", R"("ip": "10.0.0.256")", "devices[0].ip: \"10.0.0.256\" is not an IPv4 address");
        row("same address twice", R"("ip": "1.2.3.4"}, {"ip": "1.2.3.4")",
            "devices[1].ip: 1.2.3.4 is already used by devices[0]");
        row("duration out of range", R"("ip": "1.2.3.4", "rfCapture": {"durations": [1, 70000]})",
            "devices[0].rfCapture.durations[1]: expected an integer from 0 to 65535");
        row("flash image not hexadecimal", R"("ip": "1.2.3.4", "flashImage": "0G")",
            "devices[0].flashImage: expected hexadecimal bytes");
        row("flash image odd digits", R"("ip": "1.2.3.4", "flashImage": "001")", "devices[0].flashImage");
        row("TCP answer a number", R"("ip": "1.2.3.4", "tcpAnswer": 5)",
            "devices[0].tcpAnswer: expected a text or null");
        row("captures beside a capture", R"("ip": "1.2.3.4", "irCapture": null, "irCaptures": [null])",
            "devices[0].irCaptures: cannot be given with \"irCapture\"");
        row("empty capture list", R"("ip": "1.2.3.4", "rfCaptures": [])",
            "devices[0].rfCaptures: expected a non-empty");
        row("bad capture in a list", R"("ip": "1.2.3.4", "rfCaptures": [null, {"irValue": 1}])",
            "devices[0].rfCaptures[1]: unknown key \"irValue\"");
        row("bad fault code", R"("ip": "1.2.3.4", "faults": {"0x1FF": {"kind": "late"}})", "expected a command code");
    }
    void configErrors()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        std::string message;
        QVERIFY(!loadConfig(json, message));
        QVERIFY2(QString::fromStdString(message).contains(error), message.c_str());
    }
};

QTEST_GUILESS_MAIN(TestDeviceCore)
#include "test_devicecore.moc"
