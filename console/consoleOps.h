// The console in the log memo: service keywords confirmed with Enter, and "Enviar", which
// sends the memo's whole text to the device as a command line (over TCP when the device
// was found on the network, else over the cable).
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "device/deviceApi.h"
#include "link/deviceSession.h"

class QLineEdit;
class QObject;
class QPlainTextEdit;
class QTabWidget;
class QWidget;
class TExchange;
class TLog;
class TServiceOps;

struct TConsoleControls {
    QPlainTextEdit* mmInfo = nullptr;
    QWidget* bbSendComd = nullptr;
    QTabWidget* TabControl1 = nullptr;
    QWidget* TabItem6 = nullptr;  // "Flash M. Test", hidden until "memoryTest"
    QWidget* GroupBox1 = nullptr;
    QWidget* GroupBox2 = nullptr;
    QWidget* Button3 = nullptr;
    QWidget* bbGravaMacAddr = nullptr;
    std::array<QLineEdit*, 6> macAddr {};  // macAddr0 ... macAddr5
    std::array<QLineEdit*, 4> ip {};  // IP_4 ... IP_1: the TCP host
    QLineEdit* edPort = nullptr;  // the TCP port

    // Keyword actions of other subsystems, bound by the window; each receives the link the
    // routing rule chose. An empty one makes its keyword do nothing.
    std::function<void(TLinkKind)> getClock;
    std::function<void(TLinkKind)> setClock;
    std::function<void(TLinkKind)> getRTS;
};

class TConsoleOps {
public:
    TConsoleOps(
        TDeviceSession& session, TExchange& exchange, TLog& log, const TConsoleControls& ui, TServiceOps& service);
    ~TConsoleOps();

    // Watches mmInfo's key presses (the key still reaches the memo). Call once the
    // controls exist.
    void installKeyHandler();

    // A key pressed in mmInfo: on Enter, the line under the caret is tried as a keyword.
    void mmInfoKeyDown(int key);
    // "Enviar": the whole text of mmInfo as one command line.
    void bbSendComdClick();

    // Polls of the waits (10 ms each, the TCP answer 9 ms): kept for tests and benchmarks.
    static constexpr int tcpConnectMs = ondixdevice::TDeviceApi::tcpConnectMs;
    static constexpr int tcpConnectPolls = ondixdevice::TDeviceApi::tcpConnectPolls;
    static constexpr int tcpAnswerPolls = ondixdevice::TDeviceApi::tcpAnswerPolls;
    static constexpr int tcpAnswerPollMs = ondixdevice::TDeviceApi::tcpAnswerPollMs;
    static constexpr int usbPauseBeforeMs = ondixdevice::TDeviceApi::usbPauseBeforeMs;
    static constexpr int usbPausePolls = ondixdevice::TDeviceApi::usbPausePolls;

private:
    void runKeyword(const QString& line);
    void showError(const QString& text);

    TDeviceSession& session_;
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TConsoleControls& ui_;
    TServiceOps& service_;
    std::unique_ptr<QObject> keyFilter_;
};
