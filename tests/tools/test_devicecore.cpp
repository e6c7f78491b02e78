// The emulated Ondix's device core: what the end-to-end suites and the fault matrix do not
// drive through the tool (refused requests and lines, the clock stored) and the JSON
// configuration.
#include "ondixConfig.h"
#include "ondixDevice.h"

#include <QtTest>

#include "tests/support/bytesText.h"

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
constexpr long long march7 = 1741338300LL;  // 2025-03-07 09:05:00 as local seconds

}  // namespace

class TestDeviceCore : public QObject {
    Q_OBJECT
private slots:
    // Requests in order and each one's answers ("" when the device stays silent): the clock set
    // and read back; 29 February 2025, a wrong checksum and an RTS count above 100 refused.
    void requests()
    {
        const std::pair<QList<QByteArray>, QStringList> cases[] = {
            {{sealed(hex("454B010B0700EA070C05081E0F")), sealed(hex("454B010A"))},
                {"45 4B 01 0B 9C 00 00 00", "45 4B 01 0A 07 00 EA 07 0C 05 08 1E 0F D9 01 00 00"}},
            {{sealed(hex("454B010B0700E907021D0C0000"))}, {""}}, {{hex("454B010395000000")}, {""}},
            {{sealed(hex("454B0109040065000000"))}, {""}}};
        for (const auto& [requests, answers] : cases) {
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
    }

    // Lines the device keeps but acts on for no remote: the table stays empty, on both links.
    void rtsLinesRefused()
    {
        const QStringList lines {"sendrf_rc,3767,160,32,7,8,9", "sendrf_rc,3767,160,128,1,2",
            "sendrf_rc,3767,160,99,1,2,3", "sendrf_rc,3767,160,128,1,2,300", "sendrf,2,1,1,300,900",
            "sendrf_rc,3767,160,128,1,2,x\r\n"};
        Device device, cable;  // lines typed over TCP; lines sent on the USB cable
        for (const QString& line : lines) {
            device.handleCommandLine(line.toStdString());
            QVERIFY(cable.handleRequest(toBytes((line.trimmed() + "\r\n").toLatin1()), Transport::Usb).empty());
        }
        QCOMPARE(hexText(device.rtsTableBytes()), "00 00 00 00");
        QCOMPARE(hexText(cable.rtsTableBytes()), "00 00 00 00");
        QCOMPARE(device.commandLines().size(), size_t(lines.size()));
        QCOMPARE(cable.commandLines(), device.commandLines());
        QVERIFY(device.commandLines().back().find('\r') == std::string::npos);
        QVERIFY(cable.requests().empty());
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

    // A file that is not JSON, then one device of address 1.2.3.4 with one bad key each.
    void configErrors()
    {
        for (const auto& [device, error] :
            {std::pair {"", "not valid JSON"}, {R"("port": 1)", "devices[0]: unknown key \"port\""},
                {R"("rfCapture": {"durations": [1, 70000]})",
                    "devices[0].rfCapture.durations[1]: expected an integer from 0 to 65535"},
                {R"("flashImage": "0G")", "devices[0].flashImage: expected hexadecimal bytes"},
                {R"("rfCaptures": [])", "devices[0].rfCaptures: expected a non-empty"},
                {R"("faults": {"0x1FF": {"kind": "late"}})", "expected a command code"}}) {
            const QByteArray json =
                *device ? R"({"devices": [{"ip": "1.2.3.4", )" + QByteArray(device) + "}]}" : QByteArray("{devices: }");
            std::string message;
            QVERIFY(!loadConfig(json, message));
            QVERIFY2(QString::fromStdString(message).contains(error), message.c_str());
        }
    }
};

QTEST_GUILESS_MAIN(TestDeviceCore)
#include "test_devicecore.moc"
