// The links and their answer state. Every socket delivers on the user-interface thread and
// the USB reader hands its frames over to it, so the answer buffer and flags are only ever
// touched from that thread.
#include "link/deviceSession.h"

#include "link/instanceGuard.h"
#include "link/logSink.h"
#include "link/netLink.h"
#include "link/serialPortUnit.h"
#include "link/udpPort.h"
#include "link/usbFraming.h"

#include <QDir>
#include <QFileSystemWatcher>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstring>

TDeviceSession::TDeviceSession(QObject* parent) : QObject(parent)
{
    udpServer = new QUdpSocket(this);
    udpServer->setObjectName(QStringLiteral("udpServer"));
    // Shared only with this user's programs (an emulated device on a specific address of
    // this host); the command-line tool `ondix` of this user keeps the port when it has it.
    udpBound_ = udpport::bindForUser(*udpServer, QHostAddress::AnyIPv4, ondixUdpPort);
    portHeldByCommandLine_ = instanceguard::commandLineHoldsPort();
    if (udpBound_ && portHeldByCommandLine_) {
        udpServer->close();
        udpBound_ = false;
    }
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
    connect(tcpClient, &QTcpSocket::connected, this, &TDeviceSession::tcpClientConnected);
    connect(tcpClient, &QTcpSocket::disconnected, this, &TDeviceSession::tcpClientDisconnected);
}

TDeviceSession::~TDeviceSession()
{
    // Stop the USB reader and close the device before anything it reports to goes.
    serialPort.reset();
}

QString TDeviceSession::udpBindProblem() const
{
    if (udpBound_)
        return {};
    if (portHeldByCommandLine_)
        return QStringLiteral("Não foi possível abrir a porta UDP %1: a ferramenta de linha de comando ondix a está "
                              "usando. Sem ela nenhuma Ondix será encontrada nem responderá pela rede; espere o "
                              "ondix terminar e abra o OndixSetup novamente.")
            .arg(ondixUdpPort);
    return QStringLiteral("Não foi possível abrir a porta UDP %1: outro programa a está usando. "
                          "Sem ela nenhuma Ondix será encontrada nem responderá pela rede; "
                          "feche o outro programa e abra o OndixSetup novamente.")
        .arg(ondixUdpPort);
}

std::optional<TLinkKind> TDeviceSession::route() const
{
    if (netDeviceFound)
        return TLinkKind::Network;
    if (usbDeviceFound)
        return TLinkKind::Usb;
    return std::nullopt;
}

int TDeviceSession::userConnect(TLog& log)
{
    statusLog_ = &log;
    if (!serialPort) {
        serialPort = std::make_unique<TSerialPort>();
        connect(serialPort.get(), &TSerialPort::linkLost, this, [this] {
            if (statusLog_)
                statusLog_->setStatus(QStringLiteral("Ondix não conectada!"));
        });
        // A device node appearing is the cue to look for the Ondix again; the system
        // reports it (inotify), nothing polls the bus. Where /dev says nothing (macOS),
        // "Localizar Ondix" opens a cable plugged in later.
        if (QDir(QStringLiteral("/dev")).exists()) {
            deviceWatcher_ = new QFileSystemWatcher({QStringLiteral("/dev")}, this);
            connect(deviceWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
                usbArrival();
                // The node's permissions may be set a moment after it appears.
                QTimer::singleShot(700, this, [this] { usbArrival(); });
            });
        }
    }
    if (serialPort->connected)
        return 0;
    serialPort->connect(
        ondixusb::vendorId, ondixusb::productId, [this](const QByteArray& frame) { OnUSBReceive(frame); });
    if (serialPort->connected) {
        log.setStatus(QStringLiteral("Ondix Conectada a USB!"));
        return 0;
    }
    log.setStatus(QStringLiteral("Ondix não conectada!"));
    return -1;
}

void TDeviceSession::usbArrival()
{
    if (statusLog_ && !usbConnected())
        userConnect(*statusLog_);
}

bool TDeviceSession::usbConnected() const
{
    return serialPort && serialPort->connected;
}

void TDeviceSession::expectAnswer(TLinkKind link, const QString& host)
{
    awaitedLink_ = link;
    awaitedHost_ = host.isEmpty() ? QHostAddress() : QHostAddress(host);
    clearAnswer(link);
}

void TDeviceSession::endExpectation()
{
    awaitedLink_.reset();
    awaitedHost_.clear();
    answerFill = 0;
}

bool TDeviceSession::awaitedFrom(const QHostAddress& sender) const
{
    if (awaitedLink_ != TLinkKind::Network)
        return false;
    return awaitedHost_.isNull() || awaitedHost_.isEqual(sender, QHostAddress::ConvertV4MappedToIPv4);
}

void TDeviceSession::clearAnswer(TLinkKind link)
{
    answerReady = 0;
    if (link == TLinkKind::Network)
        answerFill = 0;
}

void TDeviceSession::resetAnswerState()
{
    answerReady = 0;
    answerLen = 0;
    answerFill = 0;
}

bool TDeviceSession::sendRequest(TLinkKind link, const QByteArray& frame, const QString& host)
{
    if (link == TLinkKind::Usb) {
        if (!usbConnected() || frame.size() > 0xFFFF)
            return false;
        expectAnswer(link);
        tapFrame(TFrameDirection::sent, link, frame);
        serialPort->WriteSerial(reinterpret_cast<const uint8_t*>(frame.constData()), uint16_t(frame.size()));
        return true;
    }
    expectAnswer(link, host);
    // A datagram that cannot leave is not reported by the socket layer as a closed link:
    // the wait then runs out like any missing answer.
    sendDatagram(frame, host);
    return true;
}

bool TDeviceSession::sendDatagram(const QByteArray& frame, const QString& host)
{
    const QHostAddress address(host);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    tapFrame(TFrameDirection::sent, TLinkKind::Network, frame);
    return udpServer->writeDatagram(frame, address, ondixUdpPort) == frame.size();
}

bool TDeviceSession::writeUsb(const QByteArray& bytes)
{
    if (!usbConnected() || bytes.size() > 0xFFFF)
        return false;
    tapFrame(TFrameDirection::sent, TLinkKind::Usb, bytes);
    return serialPort->WriteSerial(reinterpret_cast<const uint8_t*>(bytes.constData()), uint16_t(bytes.size()))
        == unsigned(bytes.size());
}

void TDeviceSession::signalAnswer(int32_t length)
{
    answerReady = 1;
    answerLen = length;
    answerBytes_ = size_t(std::clamp<int32_t>(length, 0, answerBufSize));
    emit answerSignalled();
}

void TDeviceSession::OnUSBReceive(const QByteArray& frame)
{
    // A frame nobody waits for on the cable (a late answer after its wait ended, or while
    // the network is being asked) is not taken for another operation's answer.
    tapFrame(TFrameDirection::received, TLinkKind::Usb, frame);
    if (awaitedLink_ != TLinkKind::Usb)
        return;
    const size_t count = std::min<size_t>(size_t(frame.size()), answerBuf.size());
    if (count > 0)
        std::memcpy(answerBuf.data(), frame.constData(), count);
    signalAnswer(int32_t(frame.size()));
}

void TDeviceSession::udpServerUDPRead(const QByteArray& datagram, const QHostAddress& sender)
{
    const int n = int(datagram.size());
    tapFrame(TFrameDirection::received, TLinkKind::Network, datagram);
    if (!discoveryActive && !awaitedFrom(sender)) {
        // Not the answer of the request in progress (another device, a late answer, or no
        // request at all): a device announcing itself still reaches the discovery branch,
        // anything else is dropped instead of being gathered in front of the next answer.
        const bool announcement =
            n >= 4 && uint8_t(datagram[0]) == 'E' && uint8_t(datagram[1]) == 'K' && uint8_t(datagram[3]) == 0x0C;
        if (announcement)
            emit discoveryDatagram(datagram, sender);
        return;
    }
    const TUdpAccumulation step = accumulateDatagram(answerBuf.data(), answerBufSize, answerFill,
        reinterpret_cast<const uint8_t*>(datagram.constData()), size_t(n), discoveryActive);
    answerFill = step.fill;
    switch (step.kind) {
    case TUdpDatagramKind::CaptureComplete:
        answerReady = 1;
        answerBytes_ = size_t(answerFill);
        emit answerSignalled();
        break;
    case TUdpDatagramKind::Discovery:
        // Whatever the branch makes of it, it is not part of an accumulation.
        answerFill = 0;
        emit discoveryDatagram(datagram, sender);
        break;
    case TUdpDatagramKind::OrdinaryAnswer:
        answerFill = 0;
        signalAnswer(n);
        break;
    case TUdpDatagramKind::Pending:
        break;
    }
}

void TDeviceSession::acceptDiscoveryAnswer(int32_t length)
{
    // It ends a search's wait; outside a search it is no answer to anything.
    if (discoveryActive)
        signalAnswer(length);
}

void TDeviceSession::tcpClientConnected()
{
    connect(tcpClient, &QTcpSocket::readyRead, this, &TDeviceSession::tcpClientRead, Qt::UniqueConnection);
}

void TDeviceSession::tcpClientDisconnected()
{
    disconnect(tcpClient, &QTcpSocket::readyRead, this, &TDeviceSession::tcpClientRead);
}

void TDeviceSession::tcpClientRead()
{
    // Whatever has arrived is one chunk; nothing delimits answers on TCP. A chunk longer
    // than the answer buffer keeps its first answerBufSize bytes.
    const QByteArray chunk = tcpClient->readAll();
    if (chunk.isEmpty())
        return;
    tapFrame(TFrameDirection::received, TLinkKind::Network, chunk);
    const int n = std::min<int>(int(chunk.size()), answerBufSize);
    std::memcpy(answerBuf.data(), chunk.constData(), size_t(n));
    signalAnswer(n);
}

size_t TDeviceSession::receivedBytes(TLinkKind link) const
{
    const int32_t count = link == TLinkKind::Network ? answerFill : answerLen;
    return size_t(std::clamp<int32_t>(count, 0, answerBufSize));
}
