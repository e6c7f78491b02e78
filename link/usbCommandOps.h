// The generic acknowledged command over the cable: a code with four empty parameter bytes,
// answered by an 8-byte acknowledgement.
#pragma once

class QWidget;
class TExchange;

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
    TUsbCommandOps(TExchange& exchange, const TUsbCommandControls& ui) : exchange_(exchange), ui_(ui) { }
    bool genericUSB_CMD_CMD(unsigned char code);

private:
    TExchange& exchange_;
    const TUsbCommandControls& ui_;
};
