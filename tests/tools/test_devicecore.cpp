// The emulated Ondix's device core: answer bytes, stored state, captures, RTS lines,
// faults and the JSON configuration.
#include "ondixConfig.h"
#include "ondixDevice.h"

#include <QtTest>

using namespace ondixsim;

namespace {

Bytes hexBytes(const QString& text) {
    const QByteArray raw = QByteArray::fromHex(text.toLatin1());
    return Bytes(raw.begin(), raw.end());
}

QString hexText(const Bytes& bytes) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
            .toHex(' ')
            .toUpper());
}

// A request from its bytes before the checksum.
Bytes request(const QString& body) {
    Bytes frame = hexBytes(body);
    uint32_t sum = 0;
    for (uint8_t b : frame) sum += b;
    for (int i = 0; i < 4; ++i) frame.push_back(uint8_t(sum >> (8 * i)));
    return frame;
}

// 2025-03-07 09:05:00 as local seconds.
constexpr long long march7 = 1741338300LL;

std::vector<uint16_t> words(const Bytes& message) {
    std::vector<uint16_t> out;
    for (size_t i = 0; i + 1 < message.size(); i += 2)
        out.push_back(uint16_t(message[i] | (message[i + 1] << 8)));
    return out;
}

}  // namespace

class TestDeviceCore : public QObject {
    Q_OBJECT
private slots:
    void answersRequests_data();
    void answersRequests();
    void staysSilentOnBadRequests_data();
    void staysSilentOnBadRequests();
    void infoRecordCarriesTheSettings();
    void writtenSettingsAndMacAreReadBack();
    void rtsTableRoundTrip();
    void clockKeepsTheOffsetItWasSet();
    void captures_data();
    void captures();
    void rtsLines_data();
    void rtsLines();
    void faults_data();
    void faults();
    void faultTimesAndMessage();
    void configLoadsEveryField();
    void configErrors_data();
    void configErrors();
};

void TestDeviceCore::answersRequests_data() {
    QTest::addColumn<QString>("requestHex");
    QTest::addColumn<QString>("answerHex");
    QTest::newRow("firmware trigger") << "454B01020400000000009700 0000"
                                      << "45 4B 01 02 93 00 00 00";
    QTest::newRow("write settings") << QString() << "45 4B 01 04 95 00 00 00";
    QTest::newRow("write MAC") << QString() << "45 4B 01 05 96 00 00 00";
    QTest::newRow("learn RF ack") << "454B0106040001001000AC000000" << "45 4B 01 06 97 00 00 00";
    QTest::newRow("learn IR ack") << "454B010798000000" << "45 4B 01 07 98 00 00 00";
    QTest::newRow("read empty RTS table")
        << "454B010899000000" << "45 4B 01 08 04 00 00 00 00 00 9D 00 00 00";
    QTest::newRow("write RTS table") << "454B01090C000100000000003412A70AFF009D020000"
                                     << "45 4B 01 09 9A 00 00 00";
    QTest::newRow("read clock")
        << "454B010A9B000000" << "45 4B 01 0A 07 00 E9 07 03 07 09 05 00 AA 01 00 00";
    QTest::newRow("set clock") << "454B010B0700EA070C05081E0FDA010000" << "45 4B 01 0B 9C 00 00 00";
    QTest::newRow("flash read 3 bytes at 0x100")
        << "454B01150800 00010000 03000000 B2000000" << "45 4B 01 15 03 00 01 00 03 AD 00 00 00";
}

void TestDeviceCore::answersRequests() {
    QFETCH(QString, requestHex);
    QFETCH(QString, answerHex);
    Bytes frame;
    if (QString(QTest::currentDataTag()) == "write settings")
        frame = request("454B0104 0000 C0A8003C FFFFFF00 C0A80001 000000000000 00 8613" +
                        QString(19 * 2, '0'));
    else if (QString(QTest::currentDataTag()) == "write MAC")
        frame = request("454B0105 0000 001AFF0B2CFE" + QString(16 * 2, '0'));
    else
        frame = hexBytes(requestHex);
    Device device({}, [] { return march7; });
    const auto out = device.handleRequest(frame, Transport::Usb);
    QVERIFY(!out.empty());
    QCOMPARE(hexText(out[0].bytes), answerHex);
    QCOMPARE(out[0].delayMs, 0);
    QCOMPARE(device.requests().size(), size_t(1));
}

void TestDeviceCore::staysSilentOnBadRequests_data() {
    QTest::addColumn<QString>("requestHex");
    QTest::newRow("empty") << "";
    QTest::newRow("wrong checksum") << "454B010395000000";
    QTest::newRow("zero checksum") << "454B010300000000";
    QTest::newRow("checksum cut to 8 bits") << "454B01090C000100000000003412A70AFF009D000000";
    QTest::newRow("not EK") << "464B010395000000";
    QTest::newRow("too short") << "454B0103";
    QTest::newRow("unknown code") << "454B010E9F000000";
    QTest::newRow("own discovery code") << "454B010C9D000000";
    QTest::newRow("info request with a body") << "454B010301009800 0000";
    QTest::newRow("RTS count above 100") << "454B0109040065000000 02010000";
    QTest::newRow("RTS count beyond length") << "454B010904000200000001010000";
    QTest::newRow("month 13") << "454B010B0700EA070D05081E0FDB010000";
    QTest::newRow("flash length field wrong") << "454B0115070000000000800000002D010000";
}

void TestDeviceCore::staysSilentOnBadRequests() {
    QFETCH(QString, requestHex);
    Bytes frame = hexBytes(requestHex);
    const QString tag = QTest::currentDataTag();
    if (tag.startsWith("RTS") || tag == "info request with a body") {
        frame.resize(frame.size() - 4);  // re-seal so only the body is wrong
        frame = request(hexText(frame).remove(' '));
    }
    Device device;
    const size_t rtsBefore = device.config().rts.size();
    QVERIFY(device.handleRequest(frame, Transport::Network).empty());
    QCOMPARE(device.config().rts.size(), rtsBefore);
    QCOMPARE(device.config().clockOffsetSeconds, 0LL);
}

void TestDeviceCore::infoRecordCarriesTheSettings() {
    DeviceConfig c;
    c.ident = "ABC";
    c.dhcp = true;
    Device device(c);
    const Bytes unicast = device.handleRequest(hexBytes("454B010394000000"), Transport::Network)[0].bytes;
    QCOMPARE(unicast.size(), size_t(infoRecordSize));
    QCOMPARE(hexText(Bytes(unicast.begin(), unicast.begin() + 27)),
             QString("45 4B 01 03 00 00 C0 A8 00 32 FF FF FF 00 C0 A8 00 01 00 1A 2B 3C 4D 5E 01 86 13"));
    QCOMPARE(hexText(Bytes(unicast.begin() + 27, unicast.begin() + 46)),
             QString("41 42 43 00 00 00 00 00 00 00 00 00 00 00 00 00 15 00 01"));
    uint32_t sum = 0;
    for (int i = 0; i < 46; ++i) sum += unicast[size_t(i)];
    QCOMPARE(uint32_t(unicast[46] | unicast[47] << 8 | unicast[48] << 16 | unicast[49] << 24), sum);

    const Bytes discovery =
        device.handleRequest(hexBytes("454B010394000000"), Transport::Network, true)[0].bytes;
    QCOMPARE(discovery[3], answerDiscovery);
    QCOMPARE(discovery, device.infoRecord(answerDiscovery));
}

void TestDeviceCore::writtenSettingsAndMacAreReadBack() {
    Device device;
    // 10.0.0.60 / 255.255.0.0 / 10.0.0.1, DHCP off, port 5000; the MAC positions are ignored.
    QCOMPARE(device.handleRequest(request("454B0104 0000 0A00003C FFFF0000 0A000001 AABBCCDDEEFF "
                                          "00 8813" + QString(19 * 2, '0')),
                                  Transport::Usb)
                 .size(),
             size_t(1));
    QVERIFY(!device.handleRequest(request("454B0105 0000 001AFF0B2CFE" + QString(32, '0')),
                                  Transport::Usb)
                 .empty());
    const Bytes info = device.infoRecord(answerInfo);
    QCOMPARE(hexText(Bytes(info.begin() + 6, info.begin() + 27)),
             QString("0A 00 00 3C FF FF 00 00 0A 00 00 01 00 1A FF 0B 2C FE 00 88 13"));
}

void TestDeviceCore::rtsTableRoundTrip() {
    Device device;
    device.handleRequest(hexBytes("454B01090C000100000000003412A70AFF009D020000"), Transport::Network);
    QCOMPARE(device.config().rts.size(), size_t(1));
    QCOMPARE(device.config().rts[0].rollingCode, uint16_t(0x1234));
    QCOMPARE(hexText(device.handleRequest(hexBytes("454B010899000000"), Transport::Network)[0].bytes),
             QString("45 4B 01 08 0C 00 01 00 00 00 00 00 34 12 A7 0A FF 00 9C 02 00 00"));
    // A configured count that lies about the records is sent as configured.
    device.config().rtsCountField = 101;
    const Bytes lying = device.handleRequest(hexBytes("454B010899000000"), Transport::Network)[0].bytes;
    QCOMPARE(lying[6], uint8_t(101));
    QCOMPARE(lying.size(), size_t(22));
}

void TestDeviceCore::clockKeepsTheOffsetItWasSet() {
    long long now = march7;
    Device device({}, [&now] { return now; });
    QCOMPARE(device.clockNow(), (std::array<int, 6>{2025, 3, 7, 9, 5, 0}));
    // Set to 2026-12-31 23:59:50; 15 s later the device shows the new year.
    QVERIFY(!device.handleRequest(request("454B010B0700EA070C1F173B32"), Transport::Usb).empty());
    now += 15;
    QCOMPARE(device.clockNow(), (std::array<int, 6>{2027, 1, 1, 0, 0, 5}));
    const Bytes answer = device.handleRequest(hexBytes("454B010A9B000000"), Transport::Usb)[0].bytes;
    QCOMPARE(hexText(Bytes(answer.begin() + 6, answer.begin() + 13)), QString("EB 07 01 01 00 00 05"));
}

void TestDeviceCore::captures_data() {
    QTest::addColumn<bool>("ir");
    QTest::addColumn<bool>("network");
    QTest::addColumn<int>("durationCount");
    QTest::addColumn<bool>("present");
    QTest::newRow("RF over USB") << false << false << 5 << true;
    QTest::newRow("RF over the network") << false << true << 5 << true;
    QTest::newRow("IR over the network, 997 durations (1000 words)") << true << true << 997 << true;
    QTest::newRow("IR, nobody presses a key") << true << false << 3 << false;
    QTest::newRow("IR with no durations") << true << true << 0 << true;
}

void TestDeviceCore::captures() {
    QFETCH(bool, ir);
    QFETCH(bool, network);
    QFETCH(int, durationCount);
    QFETCH(bool, present);
    Capture capture;
    for (int i = 0; i < durationCount; ++i) capture.durations.push_back(uint16_t(100 + i));
    capture.irValue = 37900;
    capture.delayMs = 250;
    capture.datagramSize = 700;
    capture.present = present;
    DeviceConfig c;
    (ir ? c.irCapture : c.rfCapture) = capture;
    Device device(c);
    const Bytes req = ir ? hexBytes("454B010798000000") : hexBytes("454B0106040002000800A5000000");
    const auto out = device.handleRequest(req, network ? Transport::Network : Transport::Usb);
    QCOMPARE(out.size(), size_t(present ? 2 : 1));
    QCOMPARE(out[0].bytes.size(), size_t(8));
    if (!ir) {
        QCOMPARE(device.lastRfKind(), uint16_t(2));
        QCOMPARE(device.lastRfDivisor(), uint16_t(8));
    }
    if (!present) return;
    const Output& message = out[1];
    QCOMPARE(message.delayMs, 250);
    QCOMPARE(message.chunkSize, network ? 700 : 0);
    const std::vector<uint16_t> w = words(message.bytes);
    const size_t header = ir ? 3 : 2;
    QCOMPARE(w.size(), header + size_t(durationCount));
    QCOMPARE(w[0], uint16_t(0));  // never 'E','K'
    QCOMPARE(size_t(w[1]), w.size());
    if (ir) QCOMPARE(w[2], uint16_t(37900));
    if (durationCount > 0) {
        QCOMPARE(w[header], uint16_t(100));
        QCOMPARE(w.back(), uint16_t(100 + durationCount - 1));
    }
}

void TestDeviceCore::rtsLines_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("table");  // the RTS table bytes afterwards
    QTest::newRow("Somfy PROG creates a record")
        << QStringList{"sendrf_rc,3767,160,128,1,2,3"} << "01 00 00 00 00 00 01 00 01 01 02 03";
    QTest::newRow("Tube PROG, with a line end")
        << QStringList{"sendrf_rc,3695,156,240,10,255,0\r\n"} << "01 00 00 00 00 01 01 00 01 0A FF 00";
    QTest::newRow("UP, STOP, DOWN advance the rolling code")
        << QStringList{"sendrf_rc,3767,160,128,1,2,3", "sendrf_rc,3767,160,32,1,2,3",
                       "sendrf_rc,3767,160,16,1,2,3", "sendrf_rc,3767,160,64,1,2,3"}
        << "01 00 00 00 00 00 04 00 01 01 02 03";
    QTest::newRow("Tube moves, second remote gets a fresh key")
        << QStringList{"sendrf_rc,3767,160,128,1,2,3", "sendrf_rc,3695,156,240,4,5,6",
                       "sendrf_rc,3695,150,240,4,5,6", "sendrf_rc,3695,149,240,4,5,6",
                       "sendrf_rc,3695,152,240,4,5,6"}
        << "02 00 00 00 00 00 01 00 01 01 02 03 00 01 04 00 02 04 05 06";
    QTest::newRow("UP for an unknown remote creates nothing")
        << QStringList{"sendrf_rc,3767,160,32,7,8,9"} << "00 00 00 00";
    QTest::newRow("malformed lines are only kept")
        << QStringList{"sendrf_rc,3767,160,128,1,2", "sendrf_rc,3767,160,128,1,2,300",
                       "sendrf_rc,3767,160,99,1,2,3", "sendrf,2,1,1,300,900",
                       "sendrf_rc,3767,160,128,1,2,x"}
        << "00 00 00 00";
}

void TestDeviceCore::rtsLines() {
    QFETCH(QStringList, lines);
    QFETCH(QString, table);
    Device device;
    for (const QString& line : lines) device.handleCommandLine(line.toStdString());
    QCOMPARE(hexText(device.rtsTableBytes()), table);
    QCOMPARE(device.commandLines().size(), size_t(lines.size()));
    QVERIFY(device.commandLines().back().find('\r') == std::string::npos);
}

void TestDeviceCore::faults_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("lengths");  // of each output, in order
    QTest::newRow("no answer") << int(FaultKind::NoAnswer) << 0 << QList<int>{};
    QTest::newRow("late") << int(FaultKind::Late) << 0 << QList<int>{50};
    QTest::newRow("bad checksum") << int(FaultKind::BadChecksum) << 0 << QList<int>{50};
    QTest::newRow("zero checksum") << int(FaultKind::ZeroChecksum) << 0 << QList<int>{50};
    QTest::newRow("duplicate") << int(FaultKind::Duplicate) << 0 << QList<int>{50, 50};
    QTest::newRow("truncated") << int(FaultKind::Truncated) << 20 << QList<int>{20};
    QTest::newRow("oversize") << int(FaultKind::Oversize) << 64 << QList<int>{64};
    QTest::newRow("garbage first") << int(FaultKind::Garbage) << 12 << QList<int>{12, 50};
}

void TestDeviceCore::faults() {
    QFETCH(int, kind);
    QFETCH(int, size);
    QFETCH(QList<int>, lengths);
    DeviceConfig c;
    c.faults[cmdInfo] = Fault{FaultKind(kind), 3000, size, -1, -1};
    Device device(c);
    const Bytes good = device.infoRecord(answerInfo);
    for (int round = 0; round < 2; ++round) {  // -1: every request
        const auto out = device.handleRequest(hexBytes("454B010394000000"), Transport::Network);
        QCOMPARE(int(out.size()), lengths.size());
        for (int i = 0; i < lengths.size(); ++i) QCOMPARE(int(out[size_t(i)].bytes.size()), lengths[i]);
        if (out.empty()) continue;
        const Bytes& last = out.back().bytes;
        switch (FaultKind(kind)) {
        case FaultKind::Late: QCOMPARE(out[0].delayMs, 3000); QCOMPARE(last, good); break;
        case FaultKind::BadChecksum:
            QCOMPARE(last[46], uint8_t(good[46] + 1));
            QVERIFY(!hasValidChecksum(last));
            break;
        case FaultKind::ZeroChecksum: QCOMPARE(hexText(Bytes(last.end() - 4, last.end())), QString("00 00 00 00")); break;
        case FaultKind::Truncated: QCOMPARE(last, Bytes(good.begin(), good.begin() + 20)); break;
        case FaultKind::Oversize: QCOMPARE(Bytes(last.begin(), last.begin() + 50), good); break;
        case FaultKind::Garbage:
            QVERIFY(!(out[0].bytes[0] == 'E' && out[0].bytes[1] == 'K'));
            QCOMPARE(last, good);
            break;
        default: QCOMPARE(last, good);
        }
    }
}

void TestDeviceCore::faultTimesAndMessage() {
    DeviceConfig c;
    c.faults[cmdReadRts] = Fault{FaultKind::NoAnswer, 0, 0, 1, -1};
    Capture capture;
    capture.durations = {1, 2, 3, 4};
    c.irCapture = capture;
    c.faults[cmdLearnIr] = Fault{FaultKind::Truncated, 0, 6, -1, 1};  // only the capture
    Device device(c);
    QVERIFY(device.handleRequest(hexBytes("454B010899000000"), Transport::Usb).empty());
    QCOMPARE(device.handleRequest(hexBytes("454B010899000000"), Transport::Usb).size(), size_t(1));
    const auto learn = device.handleRequest(hexBytes("454B010798000000"), Transport::Usb);
    QCOMPARE(learn.size(), size_t(2));
    QCOMPARE(hexText(learn[0].bytes), QString("45 4B 01 07 98 00 00 00"));
    QCOMPARE(hexText(learn[1].bytes), QString("00 00 07 00 00 00"));
}

void TestDeviceCore::configLoadsEveryField() {
    const QByteArray json = R"({"devices": [
        {"ip": "10.231.1.10", "mask": "255.255.0.0", "gateway": "10.231.0.1",
         "mac": "02:00:00:00:00:0A", "dhcp": true, "tcpPort": 5000, "ident": "DEV-A",
         "firmware": 30, "rfFlag": 0,
         "rts": [{"type": 1, "rollingCode": 4660, "keyCode": 167, "remoteId": "0A-FF-00", "reserved": 9}],
         "rtsCount": 3, "rtsRollingStart": 100,
         "rfCapture": {"durations": [30, 930], "delayMs": 10, "datagramSize": 500},
         "irCapture": {"durations": [1], "irValue": 37900, "present": false},
         "faults": {"0x08": {"kind": "late", "delayMs": 2000, "times": 2}, "3": {"kind": "garbage", "size": 7, "message": 0}},
         "clockOffsetSeconds": -3600,
         "announce": {"atMs": [100, 200], "everyMs": 1000, "to": "10.231.1.1"}},
        {"ip": "10.231.1.11"}]})";
    std::string error;
    const auto devices = loadConfig(json, error);
    QVERIFY2(devices, error.c_str());
    QCOMPARE(devices->size(), size_t(2));
    const DeviceConfig& a = (*devices)[0];
    QCOMPARE(ipv4Text(a.ip), std::string("10.231.1.10"));
    QCOMPARE(ipv4Text(a.mask), std::string("255.255.0.0"));
    QCOMPARE(a.mac[5], uint8_t(0x0A));
    QVERIFY(a.dhcp);
    QCOMPARE(a.tcpPort, uint16_t(5000));
    QCOMPARE(a.ident, std::string("DEV-A"));
    QCOMPARE(a.firmware, uint16_t(30));
    QCOMPARE(a.rfFlag, uint8_t(0));
    QCOMPARE(a.rts.size(), size_t(1));
    QCOMPARE(a.rts[0].reserved, uint8_t(9));
    QCOMPARE(a.rts[0].remoteId[1], uint8_t(0xFF));
    QCOMPARE(*a.rtsCountField, uint32_t(3));
    QCOMPARE(a.rtsRollingStart, uint16_t(100));
    QCOMPARE(a.rfCapture->datagramSize, 500);
    QVERIFY(!a.irCapture->present);
    QCOMPARE(a.faults.at(8).kind, FaultKind::Late);
    QCOMPARE(a.faults.at(8).times, 2);
    QCOMPARE(a.faults.at(3).message, 0);
    QCOMPARE(a.clockOffsetSeconds, -3600LL);
    QCOMPARE(a.announce.atMs, (std::vector<int>{100, 200}));
    QCOMPARE(a.announce.to, std::string("10.231.1.1"));
    QCOMPARE((*devices)[1].tcpPort, uint16_t(4998));
}

void TestDeviceCore::configErrors_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::newRow("not JSON") << QByteArray("{devices: }") << "not valid JSON";
    QTest::newRow("no devices") << QByteArray(R"({"devices": []})") << "devices: expected a non-empty array";
    QTest::newRow("unknown top key") << QByteArray(R"({"devices": [{"ip": "1.2.3.4"}], "x": 1})")
                                     << "unknown key \"x\"";
    QTest::newRow("unknown device key") << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "port": 1}]})")
                                        << "devices[0]: unknown key \"port\"";
    QTest::newRow("missing ip") << QByteArray(R"({"devices": [{}]})") << "missing key \"ip\"";
    QTest::newRow("bad address") << QByteArray(R"({"devices": [{"ip": "10.0.0.256"}]})")
                                 << "devices[0].ip: \"10.0.0.256\" is not an IPv4 address";
    QTest::newRow("address with a blank") << QByteArray(R"({"devices": [{"ip": "10.0.0.1 "}]})")
                                          << "is not an IPv4 address";
    QTest::newRow("address as a number") << QByteArray(R"({"devices": [{"ip": 10}]})")
                                         << "devices[0].ip: expected a dotted IPv4 address";
    QTest::newRow("port as text") << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "tcpPort": "80"}]})")
                                  << "devices[0].tcpPort: expected an integer from 1 to 65535";
    QTest::newRow("port fraction") << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "tcpPort": 80.5}]})")
                                   << "tcpPort: expected an integer";
    QTest::newRow("same address twice")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4"}, {"ip": "1.2.3.4"}]})")
        << "devices[1].ip: 1.2.3.4 is already used by devices[0]";
    QTest::newRow("bad MAC") << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "mac": "00:11:22"}]})")
                             << "devices[0].mac: expected a MAC address";
    QTest::newRow("ident too long")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "ident": "12345678901234567"}]})")
        << "ident: expected a text of at most 16";
    QTest::newRow("bad remote id")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "rts": [{"remoteId": "0A-FF"}]}]})")
        << "devices[0].rts[0].remoteId";
    QTest::newRow("duration out of range")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "rfCapture": {"durations": [1, 70000]}}]})")
        << "devices[0].rfCapture.durations[1]: expected an integer from 0 to 65535";
    QTest::newRow("irValue on an RF capture")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "rfCapture": {"irValue": 1}}]})")
        << "rfCapture: unknown key \"irValue\"";
    QTest::newRow("unknown fault kind")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "faults": {"0x03": {"kind": "slow"}}}]})")
        << "devices[0].faults.0x03.kind: expected one of";
    QTest::newRow("bad fault code")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "faults": {"0x1FF": {"kind": "late"}}}]})")
        << "expected a command code";
    QTest::newRow("announce to a bad address")
        << QByteArray(R"({"devices": [{"ip": "1.2.3.4", "announce": {"to": "x"}}]})")
        << "devices[0].announce.to";
}

void TestDeviceCore::configErrors() {
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    std::string message;
    QVERIFY(!loadConfig(json, message));
    QVERIFY2(QString::fromStdString(message).contains(error), message.c_str());
}

QTEST_GUILESS_MAIN(TestDeviceCore)
#include "test_devicecore.moc"
