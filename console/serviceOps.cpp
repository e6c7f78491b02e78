// The frames and the answer decoding are pure (serviceFrames); this file reads the boxes,
// runs the exchanges and writes the log.
#include "console/serviceOps.h"

#include <QLineEdit>
#include <QWidget>

#include "console/serviceFrames.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/logSink.h"
#include "link/usbCommandOps.h"

namespace {

constexpr int macWaitPolls = 500;
constexpr int flashWaitPolls = 1500;
constexpr int acknowledgementLength = 8;

}  // namespace

void TServiceOps::bbGravaMacAddrClick()
{
    if (const auto link = session_.route())
        writeMACAddrToDevice(*link);
}

void TServiceOps::writeMACAddrToDevice(TLinkKind link)
{
    std::array<QString, 6> boxes;
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = ui_.macAddr[i]->text();

    TExchangeSpec spec;
    spec.link = link;
    spec.frame = ondixservice::writeMacFrame(boxes);
    if (link == TLinkKind::Network)
        spec.host = session_.deviceIP;
    spec.answerLength = acknowledgementLength;
    spec.waitLimit = macWaitPolls;
    spec.disabled = {ui_.bbGravaMacAddr, ui_.TabControl1};
    spec.busy = {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo};
    spec.timeoutMessage = QStringLiteral("Sem resposta!");
    spec.invalidMessage = QStringLiteral("Falha de gravação dos parâmetros!");
    spec.validMessage = QStringLiteral("MAC Addr gravado com sucesso!");
    exchange_.run(spec);
}

void TServiceOps::Button12Click()
{
    if (exchange_.busy())
        return;  // another exchange is waiting for its answer
    ui_.TabControl1->setEnabled(false);
    for (QWidget* w : {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo})
        w->setCursor(Qt::WaitCursor);

    if (session_.usbConnected())
        readFlash();
    session_.endExpectation();

    ui_.TabControl1->setEnabled(true);
    for (QWidget* w : {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3})
        w->unsetCursor();
}

void TServiceOps::readFlash()
{
    // Texts that are no decimal number, and quantities whose answer would not fit the
    // cable's 10000-byte frame, are refused here: nothing is sent.
    const ondixservice::TFlashRequest request = ondixservice::flashReadRequest(ui_.edAddr->text(), ui_.edQtd->text());
    if (!request.ok) {
        log_.logLine(request.error);
        return;
    }
    if (!exchange_.send(TLinkKind::Usb, request.frame))
        return;
    log_.clearLog();
    log_.logLine(QStringLiteral("Lendo memória, aguarde..."));
    if (!exchange_.waitAnswer(flashWaitPolls)) {
        if (!exchange_.aborted())
            log_.logLine(QStringLiteral("Sem resposta!"));
        return;
    }

    const uint8_t* answer = session_.answerBuf.data();
    const size_t received = session_.answerBytes();
    const int announced = ondixframe::parameterAnswerLength(answer, received);
    if (announced > int(received)) {
        // More data announced than the frame brought (a frame cut at the reader's buffer,
        // or a wrong length field): never read past what arrived.
        log_.logLine(QStringLiteral("Resposta da memória incompleta: anunciados %1 bytes de dados, "
                                    "recebidos %2. Leitura recusada.")
                         .arg(announced - 10)
                         .arg(qMax(0, int(received) - 10)));
        return;
    }
    const ondixservice::TFlashDump dump = ondixservice::decodeFlashAnswer(answer, received);
    if (!dump.ok) {
        // Said instead of leaving "Lendo memória, aguarde..." as if the read went on.
        log_.logLine(QStringLiteral("Falha na leitura dos parâmetros!"));
        return;
    }
    log_.logLine(dump.line);
    session_.consumeAnswer();
}

void TServiceOps::FirmwareUpdate()
{
    usbCommand_.genericUSB_CMD_CMD(ondixservice::firmwareUpdateCode);
}
