#include "link/usbCommandOps.h"

#include "link/exchange.h"
#include "link/frames.h"

bool TUsbCommandOps::genericUSB_CMD_CMD(unsigned char code)
{
    TExchangeSpec spec;
    spec.link = TLinkKind::Usb;
    // Four parameter bytes without meaning, sent as zero.
    spec.frame = ondixframe::parameterFrame(code, QByteArray(4, '\0'));
    spec.answerLength = 8;
    spec.waitLimit = 100;
    spec.disabled = {ui_.bbFindDevice, ui_.bbSendComd, ui_.GroupBox1, ui_.GroupBox2, ui_.TabControl1};
    spec.busy = {ui_.bbFindDevice, ui_.GroupBox1, ui_.mmInfo};
    spec.unbusy = {ui_.GroupBox1, ui_.mmInfo, ui_.bbFindDevice, ui_.TabControl1};
    spec.timeoutMessage = QStringLiteral("Sem resposta!");
    spec.invalidMessage = QStringLiteral("Falha na leitura dos parâmetros!");
    spec.validMessage = QStringLiteral("CMD OK");
    return exchange_.run(spec) == TExchangeOutcome::Valid;
}
