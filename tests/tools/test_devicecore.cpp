// The emulated Ondix's device core: answer bytes of the commands only it exercises, RTS
// lines, faults and the JSON configuration. Captures, discovery records, the standard
// devices of a file and the other commands are checked through the tool in the learning,
// discovery and end-to-end suites.
#include "ondixConfig.h"
#include "ondixDevice.h"


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
        row("RTS count above 100", {sealed("454B0109040065000000")}, {""});
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
        row("duration out of range", R"("ip": "1.2.3.4", "rfCapture": {"durations": [1, 70000]})",
            "devices[0].rfCapture.durations[1]: expected an integer from 0 to 65535");
        row("flash image not hexadecimal", R"("ip": "1.2.3.4", "flashImage": "0G")",
            "devices[0].flashImage: expected hexadecimal bytes");
        row("empty capture list", R"("ip": "1.2.3.4", "rfCaptures": [])",
            "devices[0].rfCaptures: expected a non-empty");
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
