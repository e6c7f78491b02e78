// The network link: command frames as UDP datagrams on port 4040 (both sides), typed
// command lines over TCP. Both sockets deliver on the user-interface thread, so the
// answer buffer and flags are only ever touched from that thread.
#include <QHostAddress>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>

#include <algorithm>
#include <cstring>

#include "app/mainUnit.h"
#include "link/netLink.h"

void TfmPrincipal::setupNetworkLink()
{
    udpServer = new QUdpSocket(this);
    udpServer->setObjectName(QStringLiteral("udpServer"));
    // Shared binding: an emulated device may listen on a specific address of this host
    // on the same port.
    udpServer->bind(QHostAddress::AnyIPv4, ondixUdpPort,
                    QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    // Many devices answer a broadcast within a few milliseconds: leave room for them.
    udpServer->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, udpReceiveBufferBytes);
    connect(udpServer, &QUdpSocket::readyRead, this, [this] {
        while (udpServer->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = udpServer->receiveDatagram(answerBufSize);
            if (datagram.isValid())
                udpServerUDPRead(datagram.data(), datagram.senderAddress());
        }
    });

    tcpClient = new QTcpSocket(this);
    tcpClient->setObjectName(QStringLiteral("tcpClient"));
    connect(tcpClient, &QTcpSocket::connected, this, &TfmPrincipal::tcpClientConnected);
    connect(tcpClient, &QTcpSocket::disconnected, this, &TfmPrincipal::tcpClientDisconnected);
}

void TfmPrincipal::udpServerUDPRead(const QByteArray& datagram, const QHostAddress& sender)
{
    const int n = int(datagram.size());
    const TUdpAccumulation step = accumulateDatagram(answerBuf.data(), answerBufSize, answerFill,
                                                     reinterpret_cast<const uint8_t*>(datagram.constData()),
                                                     size_t(n), discoveryActive);
    answerFill = step.fill;
    switch (step.kind) {
    case TUdpDatagramKind::CaptureComplete:
        answerReady = 1;
        emit answerSignalled();
        break;
    case TUdpDatagramKind::Discovery:
        discoveryAnswer(datagram, sender);
        break;
    case TUdpDatagramKind::OrdinaryAnswer:
        answerReady = 1;
        answerLen = n;
        answerFill = 0;
        emit answerSignalled();
        break;
    case TUdpDatagramKind::Pending:
        break;
    }
}

bool TfmPrincipal::sendDatagram(const QByteArray& frame, const QString& host)
{
    const QHostAddress address(host);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    return udpServer->writeDatagram(frame, address, ondixUdpPort) == frame.size();
}

QString TfmPrincipal::addressFromBoxes() const
{
    return IP_4->text() + QLatin1Char('.') + IP_3->text() + QLatin1Char('.') + IP_2->text()
           + QLatin1Char('.') + IP_1->text();
}

void TfmPrincipal::tcpClientConnected()
{
    connect(tcpClient, &QTcpSocket::readyRead, this, &TfmPrincipal::tcpClientRead,
            Qt::UniqueConnection);
}

void TfmPrincipal::tcpClientDisconnected()
{
    disconnect(tcpClient, &QTcpSocket::readyRead, this, &TfmPrincipal::tcpClientRead);
}

void TfmPrincipal::tcpClientRead()
{
    // Whatever has arrived is one chunk; nothing delimits answers on TCP. A chunk longer
    // than the answer buffer keeps its first answerBufSize bytes.
    const QByteArray chunk = tcpClient->readAll();
    if (chunk.isEmpty())
        return;
    const int n = std::min<int>(int(chunk.size()), answerBufSize);
    std::memcpy(answerBuf.data(), chunk.constData(), size_t(n));
    answerReady = 1;
    answerLen = n;
    emit answerSignalled();
}
