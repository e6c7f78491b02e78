#include "simServer.h"

#include "ondixConfig.h"

#include "link/udpPort.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

namespace {

// A burst of TCP bytes is complete when nothing more arrives for this long; the tool
// writes a command line without a line end, so the pause is what ends the last line.
constexpr int tcpIdleMs = 30;

QHostAddress hostAddress(const std::array<uint8_t, 4>& ip)
{
    return QHostAddress(QString::fromStdString(ondixsim::ipv4Text(ip)));
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray toByteArray(const ondixsim::Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The broadcast address the tool uses for a device's network (always a /24), and the one
// of the device's own mask when that differs.
std::vector<QHostAddress> broadcastsOf(const ondixsim::DeviceConfig& c)
{
    std::array<uint8_t, 4> slash24 = c.ip;
    slash24[3] = 255;
    std::array<uint8_t, 4> masked {};
    for (size_t i = 0; i < 4; ++i)
        masked[i] = uint8_t(c.ip[i] | ~c.mask[i]);
    std::vector<QHostAddress> out {hostAddress(slash24)};
    if (masked != slash24 && masked != c.ip)
        out.push_back(hostAddress(masked));
    return out;
}

}  // namespace

TSimServer::TSimServer(const std::vector<ondixsim::DeviceConfig>& devices, QFile* log, quint16 udpPort, QObject* parent)
    : QObject(parent), log_(log), udpPort_(udpPort)
{
    for (const ondixsim::DeviceConfig& c : devices) {
        auto device = std::make_unique<TSimDevice>(c);
        device->address = hostAddress(c.ip);
        devices_.push_back(std::move(device));
    }
    clock_.start();
}

TSimServer::~TSimServer() = default;

void TSimServer::log(const QString& line)
{
    if (!log_)
        return;
    const QByteArray text = QStringLiteral("%1 %2\n").arg(clock_.elapsed(), 7).arg(line).toUtf8();
    log_->write(text);
    log_->flush();
}

bool TSimServer::start(QString& error)
{
    for (auto& device : devices_)
        if (!bindDevice(*device, error))
            return false;
    std::vector<QHostAddress> wanted {QHostAddress(QHostAddress::Broadcast)};
    for (auto& device : devices_)
        for (const QHostAddress& b : broadcastsOf(device->core.config()))
            if (std::find(wanted.begin(), wanted.end(), b) == wanted.end())
                wanted.push_back(b);
    for (const QHostAddress& b : wanted)
        bindBroadcast(b);
    for (auto& device : devices_)
        scheduleAnnouncements(*device);
    log(QStringLiteral("READY %1 devices").arg(devices_.size()));
    return true;
}

bool TSimServer::bindDevice(TSimDevice& device, QString& error)
{
    device.socket = new QUdpSocket(this);
    // The port is shared only with this user's programs: the tool beside us, on every address.
    QString why;
    if (!udpport::bindForUser(*device.socket, device.address, udpPort_, &why)) {
        error = QStringLiteral("cannot bind UDP %1:%2: %3").arg(device.address.toString()).arg(udpPort_).arg(why);
        return false;
    }
    connect(device.socket, &QUdpSocket::readyRead, this, [this, &device] { readUnicast(device); });
    device.tcp = new QTcpServer(this);
    const quint16 port = device.core.config().tcpPort;
    if (!device.tcp->listen(device.address, port)) {
        error = QStringLiteral("cannot listen on TCP %1:%2: %3")
                    .arg(device.address.toString())
                    .arg(port)
                    .arg(device.tcp->errorString());
        return false;
    }
    connect(device.tcp, &QTcpServer::newConnection, this, [this, &device] { acceptTcp(device); });
    log(QStringLiteral("DEVICE %1 udp %2 tcp %3").arg(device.address.toString()).arg(udpPort_).arg(port));
    return true;
}

void TSimServer::bindBroadcast(const QHostAddress& address)
{
    auto b = std::make_unique<TBroadcastSocket>();
    b->address = address;
    b->socket = new QUdpSocket(this);
    QString why;
    if (!udpport::bindForUser(*b->socket, address, udpPort_, &why)) {
        // Not fatal: the devices still answer requests sent to their own addresses.
        log(QStringLiteral("WARNING cannot bind UDP %1:%2: %3").arg(address.toString()).arg(udpPort_).arg(why));
        delete b->socket;
        return;
    }
    TBroadcastSocket* raw = b.get();
    connect(raw->socket, &QUdpSocket::readyRead, this, [this, raw] { readBroadcast(*raw); });
    broadcasts_.push_back(std::move(b));
}

bool TSimServer::isOwnAddress(const QHostAddress& address) const
{
    return std::any_of(devices_.begin(), devices_.end(), [&](const auto& d) { return d->address.isEqual(address); });
}

void TSimServer::logReceived(const QHostAddress& at, const QNetworkDatagram& d)
{
    log(QStringLiteral("RX UDP %1 <- %2:%3 %4")
            .arg(at.toString(), d.senderAddress().toString())
            .arg(d.senderPort())
            .arg(hex(d.data())));
}

void TSimServer::readUnicast(TSimDevice& device)
{
    while (device.socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = device.socket->receiveDatagram();
        if (!d.isValid())
            continue;
        logReceived(device.address, d);
        serve(device, d.data(), d.senderAddress(), false);
    }
}

void TSimServer::readBroadcast(TBroadcastSocket& b)
{
    const bool everyone = b.address == QHostAddress(QHostAddress::Broadcast);
    while (b.socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = b.socket->receiveDatagram();
        // Our own announcements come back to us on a broadcast socket.
        if (!d.isValid() || isOwnAddress(d.senderAddress()))
            continue;
        logReceived(b.address, d);
        for (auto& device : devices_) {
            const auto mine = broadcastsOf(device->core.config());
            if (everyone || std::find(mine.begin(), mine.end(), b.address) != mine.end())
                serve(*device, d.data(), d.senderAddress(), true);
        }
    }
}

void TSimServer::serve(TSimDevice& device, const QByteArray& datagram, const QHostAddress& sender, bool broadcast)
{
    const ondixsim::Bytes request(datagram.begin(), datagram.end());
    const int dropped = device.core.droppedAnswers();
    const std::vector<ondixsim::Output> outputs =
        device.core.handleRequest(request, ondixsim::Transport::Network, broadcast);
    if (device.core.droppedAnswers() != dropped)
        log(QStringLiteral("DROP UDP %1 -> %2").arg(device.address.toString(), sender.toString()));
    followTcpPort(device);
    int delay = 0;
    for (const ondixsim::Output& out : outputs) {
        // Delays count from the request, and answers keep their order.
        delay = std::max(delay, out.delayMs);
        if (delay == 0) {
            sendDatagrams(device, out.bytes, out.chunkSize, sender);
            continue;
        }
        QTimer::singleShot(
            delay, this, [this, &device, out, sender] { sendDatagrams(device, out.bytes, out.chunkSize, sender); });
    }
}

void TSimServer::sendDatagrams(TSimDevice& device, const ondixsim::Bytes& bytes, int chunkSize, const QHostAddress& to)
{
    const QByteArray all = toByteArray(bytes);
    const qsizetype step = chunkSize > 0 ? chunkSize : std::max<qsizetype>(all.size(), 1);
    // An empty answer (a fault can cut one to nothing) still leaves as one empty datagram.
    qsizetype at = 0;
    do {
        const QByteArray part = all.mid(at, step);
        at += step;
        const qint64 sent = device.socket->writeDatagram(part, to, udpPort_);
        log(QStringLiteral("TX UDP %1 -> %2:%3 %4%5")
                .arg(device.address.toString(), to.toString())
                .arg(udpPort_)
                .arg(hex(part))
                .arg(sent < 0 ? QStringLiteral(" FAILED ") + device.socket->errorString() : QString()));
    } while (at < all.size());
}

// A "write settings" may give the device a new TCP port: it moves there, as the device
// would after storing it. (The address stays: the host decides which addresses exist.)
void TSimServer::followTcpPort(TSimDevice& device)
{
    const quint16 port = device.core.config().tcpPort;
    if (port == device.tcp->serverPort())
        return;
    auto moved = new QTcpServer(this);
    if (!moved->listen(device.address, port)) {
        log(QStringLiteral("WARNING cannot listen on TCP %1:%2: %3")
                .arg(device.address.toString())
                .arg(port)
                .arg(moved->errorString()));
        delete moved;
        return;
    }
    delete device.tcp;
    device.tcp = moved;
    connect(device.tcp, &QTcpServer::newConnection, this, [this, &device] { acceptTcp(device); });
    log(QStringLiteral("DEVICE %1 tcp %2").arg(device.address.toString()).arg(port));
}

void TSimServer::acceptTcp(TSimDevice& device)
{
    while (QTcpSocket* socket = device.tcp->nextPendingConnection()) {
        socket->setParent(this);  // outlives the server when the device changes port
        const QString peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
        const QString here = QStringLiteral("%1:%2").arg(device.address.toString()).arg(device.core.config().tcpPort);
        log(QStringLiteral("TCP %1 <- %2 connected").arg(here, peer));
        auto pending = std::make_shared<QByteArray>();
        auto idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->setInterval(tcpIdleMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, pending, idle, here, peer] {
            const QByteArray chunk = socket->readAll();
            log(QStringLiteral("RX TCP %1 <- %2 %3").arg(here, peer, hex(chunk)));
            pending->append(chunk);
            idle->start();
        });
        connect(idle, &QTimer::timeout, this, [this, &device, socket, pending, here, peer] {
            const int dropped = device.core.droppedAnswers();
            const std::optional<std::string> answer = flushTcpLines(device, *pending);
            if (!answer || answer->empty()) {
                log(QStringLiteral("%1 TCP %2 -> %3")
                        .arg(device.core.droppedAnswers() != dropped ? "DROP" : "NOANSWER", here, peer));
                return;
            }
            const QByteArray reply = QByteArray::fromStdString(*answer);
            socket->write(reply);
            log(QStringLiteral("TX TCP %1 -> %2 %3").arg(here, peer, hex(reply)));
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, &device, socket, pending, idle, here, peer] {
            idle->stop();  // the lines are taken now; nobody is left to read an answer
            flushTcpLines(device, *pending);
            log(QStringLiteral("TCP %1 <- %2 closed").arg(here, peer));
            socket->deleteLater();
        });
    }
}

std::optional<std::string> TSimServer::flushTcpLines(TSimDevice& device, QByteArray& pending)
{
    const ondixsim::Device::TextReply reply = device.core.handleCommandText(pending.toStdString());
    pending.clear();
    for (const std::string& line : reply.lines)
        log(QStringLiteral("LINE %1 %2")
                .arg(device.address.toString(), QString::fromLatin1(line.data(), qsizetype(line.size()))));
    return reply.answer;
}

void TSimServer::scheduleAnnouncements(TSimDevice& device)
{
    const ondixsim::Announce& a = device.core.config().announce;
    for (int at : a.atMs)
        QTimer::singleShot(at, this, [this, &device] { announce(device); });
    if (a.everyMs > 0) {
        auto timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, &device] { announce(device); });
        timer->start(a.everyMs);
    }
}

void TSimServer::announce(TSimDevice& device)
{
    const ondixsim::DeviceConfig& c = device.core.config();
    const QHostAddress to =
        c.announce.to.empty() ? broadcastsOf(c).front() : QHostAddress(QString::fromStdString(c.announce.to));
    sendDatagrams(device, device.core.infoRecord(ondixsim::answerDiscovery), 0, to);
}
