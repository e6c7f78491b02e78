// The device clock: reading it into the log and setting it to the computer's local time.
// Reached from the console's "getClock" and "setClock" keywords.
#pragma once

#include <QDateTime>

#include <array>
#include <functional>

#include "device/deviceApi.h"
#include "link/deviceSession.h"

class QLineEdit;
class QWidget;
class TExchange;
class TLog;

struct TClockControls {
    QWidget* TabControl1 = nullptr;
    QWidget* GroupBox1 = nullptr;
    QWidget* GroupBox2 = nullptr;
    QWidget* mmInfo = nullptr;
    QWidget* Button3 = nullptr;
    std::array<QLineEdit*, 4> ip {};  // IP_4 ... IP_1: the network destination
};

class TClockOps {
public:
    // `ui` is read at every call: it may be filled after construction.
    TClockOps(TDeviceSession& session, TExchange& exchange, TLog& log, const TClockControls& ui)
        : session_(session), api_(session, exchange), log_(log), ui_(ui)
    {
    }

    // The computer's local date and time, read once per set; tests pin it.
    std::function<QDateTime()> localTime = [] { return QDateTime::currentDateTime(); };

    // The console keywords: over the routed link, nothing without a device.
    void getClock();
    void setClock();

    void getDate(TLinkKind link);
    void setDate(TLinkKind link);

private:
    void run(TLinkKind link, bool set);

    TDeviceSession& session_;
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TClockControls& ui_;
};
