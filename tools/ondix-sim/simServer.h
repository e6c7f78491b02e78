// ondix-sim's network side: every emulated device on its own IPv4 address, UDP command
// frames on port 4040 (unicast and broadcast), typed lines over TCP, announcements, a log.
#pragma once

#include "ondixDevice.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFile;
class QNetworkDatagram;
class QTcpServer;
class QTcpSocket;
class QUdpSocket;

class TSimServer : public QObject {
    Q_OBJECT
public:
    // The log receives one line per datagram and TCP chunk, in and out; it must stay open.
    TSimServer(const std::vector<ondixsim::DeviceConfig>& devices, QFile* log, quint16 udpPort = 4040,
        QObject* parent = nullptr);
    ~TSimServer() override;

    // Binds every socket and schedules the announcements; false with a message on failure.
    bool start(QString& error);

private:
    struct TSimDevice {
        explicit TSimDevice(const ondixsim::DeviceConfig& config) : core(config) { }
        ondixsim::Device core;
        QHostAddress address;  // where it was started; it keeps answering there
        QUdpSocket* socket = nullptr;
        QTcpServer* tcp = nullptr;
    };
    struct TBroadcastSocket {
        QHostAddress address;
        QUdpSocket* socket = nullptr;
    };

    bool bindDevice(TSimDevice& device, QString& error);
    void bindBroadcast(const QHostAddress& address);
    void readUnicast(TSimDevice& device);
    void readBroadcast(TBroadcastSocket& socket);
    void logReceived(const QHostAddress& at, const QNetworkDatagram& datagram);
    bool isOwnAddress(const QHostAddress& address) const;
    void serve(TSimDevice& device, const QByteArray& datagram, const QHostAddress& sender, bool broadcast);
    void sendDatagrams(TSimDevice& device, const ondixsim::Bytes& bytes, int chunkSize, const QHostAddress& to);
    void followTcpPort(TSimDevice& device);
    void acceptTcp(TSimDevice& device);
    // Hands the bytes gathered to the device and logs each line; returns its answer.
    std::optional<std::string> flushTcpLines(TSimDevice& device, QByteArray& pending);
    void scheduleAnnouncements(TSimDevice& device);
    void announce(TSimDevice& device);
    void log(const QString& line);

    std::vector<std::unique_ptr<TSimDevice>> devices_;
    std::vector<std::unique_ptr<TBroadcastSocket>> broadcasts_;
    QFile* log_;
    quint16 udpPort_;
    QElapsedTimer clock_;
};
