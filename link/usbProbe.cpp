// The USB probe: asks the device on the cable for its information record and shows it.
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/mainUnit.h"
#include "discovery/deviceInfo.h"
#include "link/frames.h"

bool TfmPrincipal::findDeviceOnSerialPort()
{
    // These stay disabled unless the probe finds a device.
    const QList<QWidget*> deviceControls{GroupBox1, GroupBox2, bbSendComd, pnControlesRTS};
    for (QWidget* w : deviceControls)
        w->setEnabled(false);

    bool found = false;
    TExchangeSpec spec;
    spec.link = TLinkKind::Usb;
    spec.frame = ondixframe::bodilessFrame(0x03);
    spec.answerLength = int(deviceinfo::recordSize);
    spec.waitLimit = 100;
    spec.disabled = {bbFindDevice, TabControl1};
    spec.busy = {bbFindDevice, GroupBox1, mmInfo};
    spec.invalidMessage.clear();
    spec.clearLogOnValid = false;
    spec.clearReadyOnValid = false;
    spec.validMessage = QStringLiteral("Encontrado dispositivo na porta USB!");
    spec.onValid = [this, &found] {
        found = true;
        lbStatusBar->setText(QStringLiteral("Módulo Ondix encontrado!"));
        const deviceinfo::TDeviceDisplay d = showSettingsRecord(answerBuf.data());
        lbPN->setText(d.ident);
        lbfwVersion->setText(d.firmware);
        if (d.rfCapable)
            bbLearningRF->setEnabled(true);
    };
    exchange.run(spec);

    if (found)
        for (QWidget* w : deviceControls)
            w->setEnabled(true);
    return found;
}
