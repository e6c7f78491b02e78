// Service functions behind the console: writing the device's MAC address (over either
// link), the flash read test and the firmware-update trigger (over the cable only).
#pragma once

#include <array>

#include "device/deviceApi.h"
#include "link/deviceSession.h"

class QLineEdit;
class QWidget;
class TExchange;
class TLog;
class TUsbCommandOps;

struct TServiceControls {
    QWidget* bbGravaMacAddr = nullptr;
    QWidget* TabControl1 = nullptr;
    QWidget* GroupBox1 = nullptr;
    QWidget* GroupBox2 = nullptr;
    QWidget* mmInfo = nullptr;
    QWidget* Button3 = nullptr;
    std::array<QLineEdit*, 6> macAddr {};  // macAddr0 ... macAddr5
    QLineEdit* edAddr = nullptr;
    QLineEdit* edQtd = nullptr;
};

class TServiceOps {
public:
    TServiceOps(
        TDeviceSession& session, TExchange& exchange, TLog& log, const TServiceControls& ui, TUsbCommandOps& usbCommand)
        : session_(session), api_(session, exchange), log_(log), ui_(ui), usbCommand_(usbCommand)
    {
    }

    // "Gravar MAC ": the network when the device was found there, else the cable.
    void bbGravaMacAddrClick();
    // The MAC write over `link`: to deviceIP on the network.
    void writeMACAddrToDevice(TLinkKind link);
    // "Le" on the flash test tab: reads edQtd bytes from edAddr and shows them in one line.
    void Button12Click();
    // Asks the device on the cable to start its firmware update (it answers "CMD OK").
    void FirmwareUpdate();

private:
    TDeviceSession& session_;
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TServiceControls& ui_;
    TUsbCommandOps& usbCommand_;
};
