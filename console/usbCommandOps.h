// The generic acknowledged command over the cable: a code with four empty parameter bytes,
// answered by an 8-byte acknowledgement.
#pragma once

#include "device/deviceApi.h"
#include "link/exchange.h"

class QWidget;
class TLog;

struct TUsbCommandControls {
    QWidget* bbFindDevice = nullptr;
    QWidget* bbSendComd = nullptr;
    QWidget* GroupBox1 = nullptr;
    QWidget* GroupBox2 = nullptr;
    QWidget* TabControl1 = nullptr;
    QWidget* mmInfo = nullptr;
};

class TUsbCommandOps {
public:
    TUsbCommandOps(TExchange& exchange, TLog& log, const TUsbCommandControls& ui)
        : api_(exchange.session(), exchange), log_(log), ui_(ui)
    {
    }
    bool genericUSB_CMD_CMD(unsigned char code);

private:
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TUsbCommandControls& ui_;
};
