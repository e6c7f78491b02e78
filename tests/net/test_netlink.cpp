// The UDP receive rules and the TCP chunk reader of the network link.
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <vector>

#include "app/mainUnit.h"
#include "link/netLink.h"

namespace {

QByteArray words(const std::vector<uint16_t>& w)
{
    QByteArray out;
    for (uint16_t v : w) {
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    }
    return out;
}

QByteArray ack8()
{
    return QByteArray::fromHex("454b010599000000");
}

}  // namespace

class TestNetLink : public QObject {
    Q_OBJECT
private slots:
    void accumulation_data();
    void accumulation();
    void boundsOfTheBuffer();
    void windowCompletesOrdinaryAnswer();
    void windowCaptureInThreeDatagrams();
    void windowStrayDatagramLandsWhileIdle();
    void windowReceivesFromRealSocket();
    void tcpChunksOverwrite();
};

// Each row: the datagrams in order, whether discovery is active, then the kind of the
// last one and the final fill.
void TestNetLink::accumulation_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<bool>("discovery");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fill");

    QTest::newRow("8-byte answer") << QList<QByteArray>{ack8()} << false
                                   << int(TUdpDatagramKind::OrdinaryAnswer) << 8;
    QTest::newRow("announcement code 0x0C") << QList<QByteArray>{QByteArray::fromHex("454b000c")}
                                            << false << int(TUdpDatagramKind::Discovery) << 4;
    QTest::newRow("any datagram while searching") << QList<QByteArray>{ack8()} << true
                                                  << int(TUdpDatagramKind::Discovery) << 8;
    QTest::newRow("garbage stays pending") << QList<QByteArray>{QByteArray("xyzw")} << false
                                           << int(TUdpDatagramKind::Pending) << 4;
    // 6 words announced in word 1, sent as 4 + 8 bytes.
    const QByteArray capture = words({0, 6, 100, 200, 300, 400});
    QTest::newRow("capture, first part") << QList<QByteArray>{capture.left(4)} << false
                                         << int(TUdpDatagramKind::Pending) << 4;
    QTest::newRow("capture, completed") << QList<QByteArray>{capture.left(4), capture.mid(4)}
                                        << false << int(TUdpDatagramKind::CaptureComplete) << 12;
    QTest::newRow("capture wins over discovery")
        << QList<QByteArray>{capture.left(4), capture.mid(4)} << true
        << int(TUdpDatagramKind::CaptureComplete) << 12;
    QTest::newRow("empty datagram") << QList<QByteArray>{QByteArray()} << false
                                    << int(TUdpDatagramKind::Pending) << 0;
}

void TestNetLink::accumulation()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(bool, discovery);
    QFETCH(int, kind);
    QFETCH(int, fill);
    std::vector<uint8_t> buf(answerBufSize, 0);
    TUdpAccumulation step{TUdpDatagramKind::Pending, 0};
    for (const QByteArray& d : datagrams)
        step = accumulateDatagram(buf.data(), buf.size(), step.fill,
                                  reinterpret_cast<const uint8_t*>(d.constData()), size_t(d.size()),
                                  discovery);
    QCOMPARE(int(step.kind), kind);
    QCOMPARE(step.fill, fill);
}

void TestNetLink::boundsOfTheBuffer()
{
    // Guard bytes after the buffer must never be written.
    std::vector<uint8_t> storage(answerBufSize + 64, 0xAA);
    const QByteArray big(1400, 'x');
    int32_t fill = 0;
    for (int i = 0; i < 20; ++i)  // 28000 bytes offered
        fill = accumulateDatagram(storage.data(), answerBufSize, fill,
                                  reinterpret_cast<const uint8_t*>(big.constData()), size_t(big.size()),
                                  false)
                   .fill;
    QCOMPARE(fill, answerBufSize);
    for (int i = answerBufSize; i < int(storage.size()); ++i)
        QCOMPARE(storage[size_t(i)], uint8_t(0xAA));
    // A fill value beyond the buffer (never produced here) is clamped, not trusted.
    const auto step = accumulateDatagram(storage.data(), answerBufSize, 1'000'000,
                                         reinterpret_cast<const uint8_t*>(big.constData()), 10, false);
    QCOMPARE(step.fill, answerBufSize);
}

void TestNetLink::windowCompletesOrdinaryAnswer()
{
    TfmPrincipal window(nullptr, false);
    window.answerLen = 77;
    window.udpServerUDPRead(ack8(), QHostAddress(QStringLiteral("127.0.0.1")));
    QCOMPARE(window.answerReady, 1);
    QCOMPARE(window.answerLen, 8);
    QCOMPARE(window.answerFill, 0);
}

void TestNetLink::windowCaptureInThreeDatagrams()
{
    TfmPrincipal window(nullptr, false);
    std::vector<uint16_t> w(1000, 1234);
    w[0] = 0;
    w[1] = 1000;
    const QByteArray capture = words(w);
    window.answerLen = 5;
    const QHostAddress device(QStringLiteral("127.0.0.1"));
    window.udpServerUDPRead(capture.mid(0, 800), device);
    QCOMPARE(window.answerReady, 0);
    window.udpServerUDPRead(capture.mid(800, 800), device);
    QCOMPARE(window.answerReady, 0);
    QCOMPARE(window.answerFill, 1600);
    window.udpServerUDPRead(capture.mid(1600), device);
    QCOMPARE(window.answerReady, 1);
    QCOMPARE(window.answerFill, 2000);
    QCOMPARE(window.answerLen, 5);  // a capture does not set the answer length
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(window.answerBuf.data()), 2000), capture);
}

void TestNetLink::windowStrayDatagramLandsWhileIdle()
{
    TfmPrincipal window(nullptr, false);
    window.udpServerUDPRead(QByteArray("noise"), QHostAddress(QStringLiteral("127.0.0.1")));
    QCOMPARE(window.answerReady, 0);
    QCOMPARE(window.answerFill, 5);
    // An 'E','K' datagram while nothing waits still raises the flag; the next operation
    // clears both before it sends.
    window.answerFill = 0;
    window.udpServerUDPRead(ack8(), QHostAddress(QStringLiteral("127.0.0.1")));
    QCOMPARE(window.answerReady, 1);
}

void TestNetLink::windowReceivesFromRealSocket()
{
    TfmPrincipal window(nullptr, false);
    QVERIFY(window.udpServer);
    if (window.udpServer->state() != QAbstractSocket::BoundState)
        QSKIP("UDP port 4040 is not available here");
    QUdpSocket device;
    QVERIFY(device.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    QSignalSpy answered(&window, &TfmPrincipal::answerSignalled);
    device.writeDatagram(ack8(), QHostAddress(QStringLiteral("127.0.0.1")), ondixUdpPort);
    QTRY_COMPARE_WITH_TIMEOUT(window.answerReady, 1, 2000);
    QCOMPARE(answered.count(), 1);
    QCOMPARE(window.answerLen, 8);

    // And the tool's frames leave from port 4040 to port 4040 of the device address.
    QUdpSocket fakeDevice;
    if (!fakeDevice.bind(QHostAddress(QStringLiteral("127.0.0.3")), ondixUdpPort,
                         QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint))
        QSKIP("cannot bind a second address on loopback");
    QVERIFY(window.sendDatagram(QByteArray::fromHex("454b01039400 0000"), QStringLiteral("127.0.0.3")));
    QTRY_VERIFY_WITH_TIMEOUT(fakeDevice.hasPendingDatagrams(), 2000);
    const QNetworkDatagram got = fakeDevice.receiveDatagram();
    QCOMPARE(got.data(), QByteArray::fromHex("454b010394000000"));
    QCOMPARE(got.senderPort(), int(ondixUdpPort));
    QVERIFY(!window.sendDatagram(ack8(), QStringLiteral("192.168.0.")));  // not an address
}

void TestNetLink::tcpChunksOverwrite()
{
    TfmPrincipal window(nullptr, false);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    window.tcpClient->connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), server.serverPort());
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 2000);
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_COMPARE_WITH_TIMEOUT(window.tcpClient->state(), QAbstractSocket::ConnectedState, 2000);

    peer->write("first answer");
    QTRY_COMPARE_WITH_TIMEOUT(window.answerReady, 1, 2000);
    QCOMPARE(window.answerLen, 12);
    window.answerReady = 0;
    peer->write("2nd");
    QTRY_COMPARE_WITH_TIMEOUT(window.answerReady, 1, 2000);
    QCOMPARE(window.answerLen, 3);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(window.answerBuf.data()), 12),
             QByteArray("2ndst answer"));

    // A chunk longer than the buffer keeps only what fits.
    window.answerReady = 0;
    const QByteArray huge(answerBufSize + 5000, 'z');
    peer->write(huge);
    QTRY_COMPARE_WITH_TIMEOUT(window.answerReady, 1, 2000);
    QVERIFY(window.answerLen <= answerBufSize);

    // The reader stops with the connection.
    peer->disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(window.tcpClient->state(), QAbstractSocket::UnconnectedState, 2000);
}

QTEST_MAIN(TestNetLink)
#include "test_netlink.moc"
