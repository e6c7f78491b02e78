// The UDP receive rules and the TCP chunk reader of the network link.
#include <QtNetwork>
#include <QtTest>

#include <vector>

#include "app/mainUnit.h"
#include "link/netLink.h"

using Datagrams = QList<QByteArray>;
using Kind = TUdpDatagramKind;

namespace {

const QHostAddress loopback(QStringLiteral("127.0.0.1"));
const QByteArray ack8 = QByteArray::fromHex("454b010599000000");

// A capture message: word 0 is 0, word 1 the count of 16-bit words, little-endian.
QByteArray capture(int words)
{
    return QByteArray(2, 0) + char(words & 0xFF) + char(words >> 8) + QByteArray(2 * words - 4, char(0x12));
}

TUdpAccumulation feed(std::vector<uint8_t>& buf, int bufSize, int32_t fill, const QByteArray& d, bool discovery)
{
    return accumulateDatagram(buf.data(), size_t(bufSize), fill, reinterpret_cast<const uint8_t*>(d.constData()),
        size_t(d.size()), discovery);
}

QByteArray bufferOf(const TfmPrincipal& w, int n)
{
    return {reinterpret_cast<const char*>(w.answerBuf.data()), n};
}

}  // namespace

class TestNetLink : public QObject {
    Q_OBJECT
private slots:
    // Datagrams in order, whether a search runs, then the kind of the last one and the fill.
    void accumulation()
    {
        const QByteArray cap = capture(6), big = capture(1000);
        const std::tuple<Datagrams, bool, Kind, int> cases[] = {{{ack8}, false, Kind::OrdinaryAnswer, 8},
            {{QByteArray::fromHex("454b000c")}, false, Kind::Discovery, 4},  // an announcement
            {{ack8}, true, Kind::Discovery, 8},  // anything while searching
            {{"xyzw"}, false, Kind::Pending, 4}, {{QByteArray()}, false, Kind::Pending, 0},
            {{cap.left(4)}, false, Kind::Pending, 4}, {{cap.left(4), cap.mid(4)}, false, Kind::CaptureComplete, 12},
            {{cap.left(4), cap.mid(4)}, true, Kind::CaptureComplete, 12},  // a capture beats the search
            {{big.left(800), big.mid(800, 800)}, false, Kind::Pending, 1600},
            {{big.left(800), big.mid(800, 800), big.mid(1600)}, false, Kind::CaptureComplete, 2000},
            // Gathered bytes that pass their own announced length are dropped for the datagram
            // that passed it: a late piece of an earlier capture, or garbage, then the answer.
            {{cap.left(6), cap}, false, Kind::CaptureComplete, 12},
            {{QByteArray::fromHex("78790100"), ack8}, false, Kind::OrdinaryAnswer, 8},
            {{cap, ack8}, false, Kind::OrdinaryAnswer, 8}};
        for (const auto& [datagrams, discovery, kind, fill] : cases) {
            std::vector<uint8_t> buf(answerBufSize, 0);
            TUdpAccumulation step {Kind::Pending, 0};
            for (const QByteArray& d : datagrams)
                step = feed(buf, answerBufSize, step.fill, d, discovery);
            QCOMPARE(std::pair(int(step.kind), step.fill), std::pair(int(kind), fill));
        }
    }

    // Only the awaited sender completes a wait; what comes from elsewhere, or while nothing is
    // awaited, never stays in the buffer in front of the next answer.
    void answersBelongToTheirWait()
    {
        TfmPrincipal window(nullptr, false);
        const QHostAddress other(QStringLiteral("127.0.0.2"));
        const QByteArray cap = capture(6);
        window.udpServerUDPRead(cap.left(4), loopback);  // idle: a stray part of a capture
        QCOMPARE((QList<int> {window.answerReady, window.answerFill}), (QList<int> {0, 0}));
        window.udpServerUDPRead(QByteArray::fromHex("454b000c") + QByteArray(46, 0), other);
        QCOMPARE(window.foundDevices.size(), size_t(0));  // reached the discovery branch: bad checksum
        window.session.expectAnswer(TLinkKind::Network, QStringLiteral("127.0.0.1"));
        window.udpServerUDPRead(cap.left(4), other);  // a capture from another device
        window.udpServerUDPRead(cap.mid(4), other);
        window.udpServerUDPRead(ack8, other);
        QCOMPARE((QList<int> {window.answerReady, window.answerFill}), (QList<int> {0, 0}));
        window.OnUSBReceive(ack8);  // a late answer on the cable
        QCOMPARE(window.answerReady, 0);
        window.udpServerUDPRead(cap.left(4), loopback);
        window.udpServerUDPRead(cap.mid(4), loopback);
        QCOMPARE((QList<int> {window.answerReady, window.answerFill}), (QList<int> {1, 12}));
        window.session.endExpectation();
        window.session.clearAnswer(TLinkKind::Network);
        window.udpServerUDPRead(ack8, loopback);  // the wait is over
        QCOMPARE(window.answerReady, 0);
        QVERIFY(!window.sendDatagram(ack8, QStringLiteral("192.168.0.")));  // a malformed address
    }

    void boundsOfTheBuffer()
    {
        std::vector<uint8_t> storage(answerBufSize + 64, 0xAA);  // guard bytes after the buffer
        int32_t fill = 0;
        for (int i = 0; i < 20; ++i)  // 28000 bytes offered
            fill = feed(storage, answerBufSize, fill, QByteArray(1400, 'x'), false).fill;
        QCOMPARE(fill, answerBufSize);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&storage[answerBufSize]), 64), QByteArray(64, char(0xAA)));
        // A fill beyond the buffer (never produced here) is clamped, not trusted.
        QCOMPARE(feed(storage, answerBufSize, 1'000'000, "0123456789", false).fill, answerBufSize);
    }

    void tcpChunksOverwrite()
    {
        TfmPrincipal window(nullptr, false);
        QTcpServer server;
        QVERIFY(server.listen(loopback, 0));
        window.tcpClient->connectToHost(loopback, server.serverPort());
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 2000);
        QTcpSocket* peer = server.nextPendingConnection();
        QTRY_COMPARE_WITH_TIMEOUT(window.tcpClient->state(), QAbstractSocket::ConnectedState, 2000);
        const auto send = [&](const QByteArray& chunk) {
            window.answerReady = 0;
            peer->write(chunk);
            return QTest::qWaitFor([&] { return window.answerReady == 1; }, 2000);
        };
        QVERIFY(send("first answer"));
        QCOMPARE(window.answerLen, 12);
        QVERIFY(send("2nd"));  // each chunk is written at offset 0
        QCOMPARE(window.answerLen, 3);
        QCOMPARE(bufferOf(window, 12), QByteArray("2ndst answer"));
        QVERIFY(send(QByteArray(answerBufSize + 5000, 'z')));  // keeps only what fits
        QCOMPARE(bufferOf(window, 3), QByteArray("zzz"));
        peer->disconnectFromHost();  // the reader stops with the connection
        QTRY_COMPARE_WITH_TIMEOUT(window.tcpClient->state(), QAbstractSocket::UnconnectedState, 2000);
    }
};

QTEST_MAIN(TestNetLink)
#include "test_netlink.moc"
