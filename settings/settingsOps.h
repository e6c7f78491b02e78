// Reading and writing the device's network settings (address, mask, gateway, DHCP flag and
// TCP port) from and into the edits of the settings tab, over the routed link.
#pragma once

#include <optional>

#include "device/deviceApi.h"
#include "discovery/deviceDisplay.h"
#include "discovery/deviceInfo.h"
#include "link/deviceSession.h"

class QWidget;
class TExchange;
class TLog;

struct TSettingsControls {
    QWidget* Button2 = nullptr;  // read
    QWidget* Button3 = nullptr;  // write
    QWidget* GroupBox1 = nullptr;
    QWidget* GroupBox2 = nullptr;
    QWidget* TabControl1 = nullptr;
    QWidget* mmInfo = nullptr;
    TSettingsEdits edits;
};

class TSettingsOps {
public:
    // `ui` is read at every call: it may be filled after construction.
    TSettingsOps(TDeviceSession& session, TExchange& exchange, TLog& log, const TSettingsControls& ui)
        : session_(session), api_(session, exchange), log_(log), ui_(ui)
    {
    }

    // The record the edits were last filled from: a read of this tab, or the device the
    // search or the cable probe showed. A write sends its MAC, identification, version and
    // RF-flag bytes back unchanged (zero when nothing was shown yet).
    std::optional<deviceinfo::Record> lastRecord;

    void Button2Click();
    void readToDevice(TLinkKind link);
    void Button3Click();
    void writeToDevice(TLinkKind link);

private:
    TDeviceSession& session_;
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TSettingsControls& ui_;
};
