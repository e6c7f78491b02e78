// The device session: the three links (USB cable, UDP listener, TCP client) and the answer
// state they fill. Every received byte lands here, every request leaves from here, and the
// routing rule (network first, else the cable) is answered here once for everyone.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;
class QUdpSocket;
class TLog;
class TSerialPort;

constexpr int answerBufSize = 20000;

enum class TLinkKind { Usb, Network };
enum class TFrameDirection { sent, received };

class TDeviceSession : public QObject {
    Q_OBJECT
public:
    explicit TDeviceSession(QObject* parent = nullptr);
    ~TDeviceSession() override;

    // ---- links --------------------------------------------------------------------
    std::unique_ptr<TSerialPort> serialPort;
    QUdpSocket* udpServer = nullptr;
    QTcpSocket* tcpClient = nullptr;

    // ---- answer state: written only by the session ---------------------------------
    std::array<uint8_t, answerBufSize> answerBuf {};
    int32_t answerReady = 0;
    int32_t answerLen = 0;
    int32_t answerFill = 0;

    // ---- where the device is -------------------------------------------------------
    bool usbDeviceFound = false;
    bool netDeviceFound = false;
    QString deviceIP;
    bool discoveryActive = false;

    // Empty when the listener holds UDP port 4040; otherwise the line that tells the user
    // why no device can be found or answer over the network (another program, or this
    // user's command-line tool `ondix`, holds the port).
    QString udpBindProblem() const;

    // The link a device operation goes over: the network when a device was found there,
    // else the cable when one was found on it, else none.
    std::optional<TLinkKind> route() const;

    // Creates the USB link object and opens the Ondix on the cable; the outcome goes to
    // the status bar. 0: open, -1: not connected. While the link is open it changes
    // nothing; once the device was unplugged it opens the cable again. From the first call
    // on, the status bar follows the cable: a device plugged in later is opened, one
    // unplugged is reported.
    int userConnect(TLog& log);
    // Something changed among the system's devices: open the cable if it is closed.
    void usbArrival();
    bool usbConnected() const;

    // Sends one request: awaits the answer on that link (from `host` on the network) and
    // resets the answer state first. False when it could not leave (USB link closed, or a
    // frame longer than the length field).
    bool sendRequest(TLinkKind link, const QByteArray& frame, const QString& host = {});
    // Sends a datagram to port 4040 of `host` from the listener's socket.
    bool sendDatagram(const QByteArray& frame, const QString& host);
    // Writes bytes over the cable without awaiting anything (a command line). False when
    // the cable is closed or not every byte left.
    bool writeUsb(const QByteArray& bytes);

    // Sees every frame sent and received, on both links (a command-line tool's -v).
    std::function<void(TFrameDirection, TLinkKind, const QByteArray&)> frameTap;
    void tapFrame(TFrameDirection direction, TLinkKind link, const QByteArray& bytes) const
    {
        if (frameTap)
            frameTap(direction, link, bytes);
    }
    // From now on only an answer over `link` counts: on the network only one from `host`
    // (empty: from any sender, as for a broadcast). Clears the answer state.
    void expectAnswer(TLinkKind link, const QString& host = {});
    // The operation is over: nothing is awaited, partial bytes are dropped.
    void endExpectation();
    // Forgets the answer flag (and, for the network, the accumulated bytes) so that the
    // next wait sees only what arrives from now on.
    void clearAnswer(TLinkKind link);
    // The answer has been used: the flag goes down, the bytes stay.
    void consumeAnswer() { answerReady = 0; }
    // The start of a run: no answer, nothing accumulated.
    void resetAnswerState();

    // ---- receivers -----------------------------------------------------------------
    void OnUSBReceive(const QByteArray& frame);
    void udpServerUDPRead(const QByteArray& datagram, const QHostAddress& sender);
    void tcpClientConnected();
    void tcpClientDisconnected();
    void tcpClientRead();  // each chunk overwrites answerBuf at offset 0
    // The discovery branch accepted a record: it counts as the answer of the search.
    void acceptDiscoveryAnswer(int32_t length);

    // Bytes of the last answer signalled (the USB frame, the TCP chunk, the datagram, or
    // the datagrams gathered into a capture), never more than the buffer holds.
    size_t answerBytes() const { return answerBytes_; }

    // Bytes received for the answer just awaited on `link`: the last USB frame or TCP
    // chunk, or what the datagrams gathered. Never more than the buffer holds.
    size_t receivedBytes(TLinkKind link) const;

signals:
    // Raised whenever answerReady goes to 1, so that a waiting exchange wakes at once.
    void answerSignalled();
    // A datagram for the discovery branch (search running, or a device announcing itself).
    void discoveryDatagram(const QByteArray& datagram, const QHostAddress& sender);

private:
    void signalAnswer(int32_t length);
    bool awaitedFrom(const QHostAddress& sender) const;

    bool udpBound_ = false;
    bool portHeldByCommandLine_ = false;
    TLog* statusLog_ = nullptr;
    class QFileSystemWatcher* deviceWatcher_ = nullptr;
    std::optional<TLinkKind> awaitedLink_;
    QHostAddress awaitedHost_;  // null: any sender
    size_t answerBytes_ = 0;
};
