// Finding a device: the USB probe, the network search, the listener's discovery branch,
// the choice among the devices found, and the display of the chosen one.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/deviceApi.h"
#include "discovery/deviceDisplay.h"

class QComboBox;
class QLabel;
class QTimer;
class QWidget;
class TDeviceSession;
class TExchange;
class TLog;
class TfmChooseOndix;

struct TDiscoveryControls {
    QWidget* bbFindDevice = nullptr;
    QWidget* bbSendComd = nullptr;
    QWidget* GroupBox1 = nullptr;
    QWidget* GroupBox2 = nullptr;
    QWidget* pnControlesRTS = nullptr;
    QWidget* bbLearningRF = nullptr;
    QWidget* mmInfo = nullptr;
    QWidget* TabControl1 = nullptr;
    QComboBox* cbIPs = nullptr;
    QLabel* lbIPs = nullptr;
    QLabel* lbPN = nullptr;
    QLabel* lbfwVersion = nullptr;
    QTimer* TimerOndixFound = nullptr;
    TfmChooseOndix* chooser = nullptr;
    TSettingsEdits edits;
};

class TDiscoveryOps {
public:
    // `ui` is read at every call: it may be filled after construction.
    TDiscoveryOps(TDeviceSession& session, TExchange& exchange, TLog& log, const TDiscoveryControls& ui);

    // Local interface addresses (every version, in the system's order); tests replace it.
    std::function<QList<QHostAddress>()> localAddressSource;
    static QList<QHostAddress> systemLocalAddresses();

    QStringList localAddresses;
    QStringList broadcastAddresses;
    std::vector<std::array<uint8_t, 50>> foundDevices;
    int32_t selectedDevice = 0;

    void GetLocalIPList(QStringList& local, QStringList& broadcast);
    bool findDeviceOnSerialPort();
    bool findDeviceOnNetwork(const QString& target);
    void discoveryAnswer(const QByteArray& datagram, const QHostAddress& sender);
    void bbFindDeviceClick();
    void TimerOndixFoundTimer();
    void upDateOndixData(int32_t index);
    void cbIPsChange(int index);

private:
    TDeviceSession& session_;
    TExchange& exchange_;
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TDiscoveryControls& ui_;
};
