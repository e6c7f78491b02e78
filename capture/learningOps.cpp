// Learning RF and IR codes: ask the Ondix to capture, wait for its acknowledgement, count
// down while the user presses a key of the remote, and turn the capture into the line the
// Ondix replays. The analyses themselves are pure (rfAnalysis, irSelection); this file
// reads the controls, drives the two waits and writes the memos.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>

#include <algorithm>
#include <string>
#include <vector>

#include "app/mainUnit.h"
#include "capture/irSelection.h"
#include "capture/rfAnalysis.h"
#include "link/frames.h"
#include "link/serialPortUnit.h"

namespace {

constexpr uint8_t learnRfCode = 0x06;
constexpr uint8_t learnIrCode = 0x07;
constexpr int acknowledgementLength = 8;
constexpr int captureWaitPolls = 1000;
constexpr int countdownStartMs = 10000;
constexpr int countdownStepMs = 10;

// How one learning waits for the device to acknowledge the request.
struct TLearningRequest {
    TLinkKind link = TLinkKind::Usb;
    QByteArray frame;
    QString host;        // network destination
    int ackPolls = 100;
    int ackPollMs = 0;   // 0: the waiter's own period (10 ms)
    QString prompt;      // shown while the device listens for the remote
};

void replaceLastLine(QPlainTextEdit* memo, const QString& text)
{
    QTextCursor cursor(memo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void showLines(TfmPrincipal& window, const std::vector<std::string>& lines)
{
    window.clearLog();
    for (const std::string& line : lines)
        window.logLine(QString::fromStdString(line));
}

// Bytes of the capture received over the link: the last USB frame, or every datagram
// gathered since the acknowledgement. Never more than the buffer holds.
size_t receivedBytes(const TfmPrincipal& window, TLinkKind link)
{
    const int32_t count = link == TLinkKind::Network ? window.answerFill : window.answerLen;
    return size_t(std::clamp<int32_t>(count, 0, answerBufSize));
}

// Send, acknowledgement, countdown. True when a capture has arrived; every failure has
// been reported in the log (nothing is shown when the USB link is closed or the window is
// closing).
bool awaitCapture(TfmPrincipal& window, const TLearningRequest& request)
{
    TExchange& exchange = window.exchange;
    if (!exchange.send(request.link, request.frame, request.host))
        return false;

    const bool acknowledged = exchange.waitAnswer(request.ackPolls, {}, request.ackPollMs);
    if (exchange.aborted())
        return false;
    if (!acknowledged) {
        window.logLine(QStringLiteral("Sem resposta!"));
        return false;
    }
    if (!exchange.validate(acknowledgementLength)) {
        window.logLine(QStringLiteral("Falha na leitura dos parâmetros!"));
        return false;
    }
    window.clearLog();
    window.logLine(QStringLiteral("CMD OK"));
    window.answerReady = 0;
    if (request.link == TLinkKind::Network)
        window.answerFill = 0;

    window.logLine(request.prompt);
    window.logLine(QString());
    QPlainTextEdit* log = window.mmInfo;
    const bool captured = exchange.waitAnswer(captureWaitPolls, [log](int poll) {
        replaceLastLine(log, QStringLiteral("%1ms").arg(countdownStartMs - countdownStepMs * poll));
    });
    if (exchange.aborted())
        return false;
    if (!captured) {
        if (request.link == TLinkKind::Usb)
            window.logLine(QStringLiteral("0ms"));
        window.logLine(QStringLiteral("Sem resposta!"));
        return false;
    }
    return true;
}

QByteArray learnRfFrame(uint16_t kind, uint16_t divisor)
{
    QByteArray parameters(4, '\0');
    parameters[0] = char(kind & 0xFF);
    parameters[1] = char(kind >> 8);
    parameters[2] = char(divisor & 0xFF);
    parameters[3] = char(divisor >> 8);
    return ondixframe::parameterFrame(learnRfCode, parameters);
}

}  // namespace

void TfmPrincipal::setupLearning()
{
    connect(bbLearningRF, &QPushButton::clicked, this, [this] { bbLearningRFClick(); });
    connect(bbLearningIR, &QPushButton::clicked, this, [this] { bbLearningIRClick(); });
}

int TfmPrincipal::findValidFrame()
{
    TRfCaptureMode mode = TRfCaptureMode::smart;
    if (rbRawCapture->isChecked())
        mode = TRfCaptureMode::raw;
    else if (rbRCCapture->isChecked())
        mode = TRfCaptureMode::rts;

    const TRfAnalysisResult analysis =
        analyseRfCapture(answerBuf.data(), receivedBytes(*this, captureLink_), mode, rfDivisor);
    if (analysis.rawLines) {
        QStringList samples;
        samples.reserve(qsizetype(analysis.rawLines->size()));
        for (const std::string& sample : *analysis.rawLines)
            samples.append(QString::fromStdString(sample));
        mmRawData->setPlainText(samples.join(QLatin1Char('\n')));
    }
    showLines(*this, analysis.infoLines);
    return analysis.result;
}

void TfmPrincipal::bbLearningRFClick()
{
    TabControl1->setEnabled(false);
    if (netDeviceFound)
        learningRFCode_byNetWork();
    else if (usbDeviceFound)
        learningRFCode_byUSB();
    TabControl1->setEnabled(true);
}

void TfmPrincipal::learningRFCode_byUSB()
{
    learningRFCode(TLinkKind::Usb);
}

void TfmPrincipal::learningRFCode_byNetWork()
{
    learningRFCode(TLinkKind::Network);
}

void TfmPrincipal::learningRFCode(TLinkKind link)
{
    if (exchange.busy())
        return;  // another exchange is waiting for its answer
    bbLearningRF->setEnabled(false);

    const uint16_t kind = rbRCCapture->isChecked() ? 2 : 1;
    uint16_t divisor = 16;
    if (rb8->isChecked())
        divisor = 8;
    else if (rb32->isChecked())
        divisor = 32;

    TLearningRequest request;
    request.link = link;
    request.frame = learnRfFrame(kind, divisor);
    request.prompt = QStringLiteral("Pressione qualquer tecla do seu transmissor de RF...");
    if (link == TLinkKind::Network) {
        request.host = deviceIP;
        request.ackPolls = 1000;
        request.ackPollMs = 1;
    }
    // The divisor goes with the request; a closed USB link sends nothing and keeps the last.
    const bool linkOpen = link == TLinkKind::Network || (serialPort && serialPort->connected);
    if (linkOpen)
        rfDivisor = divisor;
    captureLink_ = link;
    if (awaitCapture(*this, request))
        findValidFrame();

    bbLearningRF->setEnabled(true);
}

void TfmPrincipal::bbLearningIRClick()
{
    TabControl1->setEnabled(false);
    if (netDeviceFound)
        learningIRCode_byNetWork();
    else if (usbDeviceFound)
        learningIRCode_byUSB();
    TabControl1->setEnabled(true);
}

void TfmPrincipal::learningIRCode_byUSB()
{
    learningIRCode(TLinkKind::Usb);
}

void TfmPrincipal::learningIRCode_byNetWork()
{
    learningIRCode(TLinkKind::Network);
}

void TfmPrincipal::learningIRCode(TLinkKind link)
{
    if (exchange.busy())
        return;  // another exchange is waiting for its answer
    bbLearningIR->setEnabled(false);

    TLearningRequest request;
    request.link = link;
    request.frame = ondixframe::bodilessFrame(learnIrCode);
    request.prompt = QStringLiteral("Pressione qualquer tecla do seu controle remoto...");
    if (link == TLinkKind::Network) {
        // Sent to the address typed in the boxes, which may differ from the device found.
        request.host = addressFromBoxes();
        request.ackPolls = 1000;
    }
    if (awaitCapture(*this, request)) {
        if (link == TLinkKind::Usb)
            mmRawData->clear();
        const TIrCaptureMode mode = rbIR_Auto->isChecked() ? TIrCaptureMode::automatic : TIrCaptureMode::raw;
        const TIrSelectionResult selection =
            selectIrCapture(answerBuf.data(), receivedBytes(*this, link), mode);
        showLines(*this, selection.infoLines);
    }

    bbLearningIR->setEnabled(true);
}
