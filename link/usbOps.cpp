// The window's side of the USB link: opening it at start, taking frames from the reader,
// and the generic acknowledged command.
#include "app/mainUnit.h"
#include "link/frames.h"
#include "link/serialPortUnit.h"
#include "link/usbFraming.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>
#include <cstring>

int TfmPrincipal::userConnect()
{
    serialPort->connect(ondixusb::vendorId, ondixusb::productId,
                        [this](const QByteArray& frame) { OnUSBReceive(frame); });
    if (serialPort->connected) {
        lbStatusBar->setText(QStringLiteral("Ondix Conectada a USB!"));
        return 0;
    }
    lbStatusBar->setText(QStringLiteral("Ondix não conectada!"));
    return -1;
}

void TfmPrincipal::OnUSBReceive(const QByteArray& frame)
{
    const size_t count = std::min<size_t>(size_t(frame.size()), answerBuf.size());
    if (count > 0)
        std::memcpy(answerBuf.data(), frame.constData(), count);
    answerReady = 1;
    answerLen = int32_t(frame.size());
    emit answerSignalled();
}

bool TfmPrincipal::genericUSB_CMD_CMD(unsigned char code)
{
    TExchangeSpec spec;
    spec.link = TLinkKind::Usb;
    // Four parameter bytes without meaning, sent as zero.
    spec.frame = ondixframe::parameterFrame(code, QByteArray(4, '\0'));
    spec.answerLength = 8;
    spec.waitLimit = 100;
    spec.disabled = {bbFindDevice, bbSendComd, GroupBox1, GroupBox2, TabControl1};
    spec.busy = {bbFindDevice, GroupBox1, mmInfo};
    spec.unbusy = {GroupBox1, mmInfo, bbFindDevice, TabControl1};
    spec.timeoutMessage = QStringLiteral("Sem resposta!");
    spec.invalidMessage = QStringLiteral("Falha na leitura dos parâmetros!");
    spec.validMessage = QStringLiteral("CMD OK");
    return exchange.run(spec) == TExchangeOutcome::Valid;
}
