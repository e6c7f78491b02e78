// The analyses themselves are pure (rfAnalysis, irSelection); this file reads the
// controls, drives the two waits and writes the memos.
#include "capture/learningOps.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>

#include <algorithm>
#include <string>
#include <vector>

#include "capture/capturePlot.h"
#include "capture/irProtocol.h"
#include "capture/irSelection.h"
#include "capture/memoFill.h"
#include "capture/pulseTrain.h"
#include "capture/rfAnalysis.h"
#include "discovery/deviceDisplay.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/logSink.h"

namespace {

constexpr uint8_t learnRfCode = 0x06;
constexpr uint8_t learnIrCode = 0x07;
constexpr int acknowledgementLength = 8;
constexpr int captureWaitPolls = 1000;
constexpr int countdownStartMs = 10000;
constexpr int countdownStepMs = 10;

void replaceLastLine(QPlainTextEdit* memo, const QString& text)
{
    QTextCursor cursor(memo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
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

// How one learning waits for the device to acknowledge the request.
struct TLearningOps::TLearningRequest {
    TLinkKind link = TLinkKind::Usb;
    QByteArray frame;
    QString host;  // network destination
    int ackPolls = 100;
    int ackPollMs = 0;  // 0: the waiter's own period (10 ms)
    QString prompt;  // shown while the device listens for the remote
};

void TLearningOps::showLines(const std::vector<std::string>& lines)
{
    log_.clearLog();
    for (const std::string& line : lines)
        log_.logLine(QString::fromStdString(line));
}

// The plot, the protocol label and the "Raw Data" memo describe the capture of the learning
// under way: a request that went out makes them blank until its capture is shown (only a raw
// RF capture fills the memo again, so it never lists one capture beside the plot of another).
void TLearningOps::forgetLastCapture()
{
    if (ui_.mmRawData)
        clearMemo(ui_.mmRawData);
    if (ui_.pbCapturePlot)
        ui_.pbCapturePlot->clearCapture();
    if (ui_.lbIRProtocol)
        ui_.lbIRProtocol->clear();
}

// Send, acknowledgement, countdown. True when a capture has arrived; every failure has
// been reported in the log (nothing is shown when the USB link is closed or the window is
// closing).
bool TLearningOps::awaitCapture(const TLearningRequest& request)
{
    const TLinkKind link = request.link;
    if (!exchange_.send(link, request.frame, request.host))
        return false;
    forgetLastCapture();

    const bool acknowledged = exchange_.waitAnswer(request.ackPolls, {}, request.ackPollMs);
    if (exchange_.aborted())
        return false;
    if (!acknowledged) {
        log_.logLine(QStringLiteral("Sem resposta!"));
        return false;
    }
    if (!exchange_.validate(acknowledgementLength)) {
        log_.logLine(QStringLiteral("Falha na leitura dos parâmetros!"));
        return false;
    }
    const QByteArray acknowledgement(reinterpret_cast<const char*>(session_.answerBuf.data()), acknowledgementLength);
    log_.clearLog();
    log_.logLine(QStringLiteral("CMD OK"));
    session_.clearAnswer(link);

    log_.logLine(request.prompt);
    log_.logLine(QString());
    QPlainTextEdit* log = ui_.mmInfo;
    // A second copy of the acknowledgement (a device or network that repeats it) is no
    // capture: it is dropped and the countdown goes on where it was. No capture message
    // can equal it: its length word would have to be 4.
    int pollsDone = 0;
    bool captured = false;
    for (;;) {
        int polled = 0;
        captured = exchange_.waitAnswer(captureWaitPolls - pollsDone, [log, pollsDone, &polled](int poll) {
            polled = poll + 1;
            replaceLastLine(log, QStringLiteral("%1ms").arg(countdownStartMs - countdownStepMs * (pollsDone + poll)));
        });
        pollsDone += polled;
        const bool repeated = captured && session_.answerBytes() == size_t(acknowledgementLength)
            && QByteArray(reinterpret_cast<const char*>(session_.answerBuf.data()), acknowledgementLength)
                == acknowledgement;
        if (!repeated || exchange_.aborted())
            break;
        session_.clearAnswer(link);
        if (pollsDone >= captureWaitPolls) {
            captured = false;
            break;
        }
    }
    if (exchange_.aborted())
        return false;
    if (!captured) {
        if (link == TLinkKind::Usb)
            log_.logLine(QStringLiteral("0ms"));
        log_.logLine(QStringLiteral("Sem resposta!"));
        return false;
    }
    return true;
}

int TLearningOps::findValidFrame()
{
    TRfCaptureMode mode = TRfCaptureMode::smart;
    if (ui_.rbRawCapture->isChecked())
        mode = TRfCaptureMode::raw;
    else if (ui_.rbRCCapture->isChecked())
        mode = TRfCaptureMode::rts;

    const uint8_t* capture = session_.answerBuf.data();
    const size_t received = session_.receivedBytes(captureLink_);
    TRfAnalysisResult analysis = analyseRfCapture(capture, received, mode, rfDivisor);
    // Taken before the memo is filled: events run meanwhile. A capture the analysis refused
    // is still drawn when its message can be read: the plot shows why no frame was found.
    auto train = rfPulseTrain(capture, received, rfDivisor, analysis.frameLength);
    if (analysis.rawLines)
        setMemoLines(ui_.mmRawData, std::move(*analysis.rawLines));
    showLines(analysis.infoLines);
    if (ui_.pbCapturePlot)
        train ? ui_.pbCapturePlot->setCapture(std::move(*train)) : ui_.pbCapturePlot->clearCapture();
    return analysis.result;
}

void TLearningOps::bbLearningRFClick()
{
    ui_.TabControl1->setEnabled(false);
    if (const auto link = session_.route())
        learningRFCode(*link);
    ui_.TabControl1->setEnabled(true);
}

void TLearningOps::learningRFCode(TLinkKind link)
{
    if (exchange_.busy())
        return;  // another exchange is waiting for its answer
    ui_.bbLearningRF->setEnabled(false);

    const uint16_t kind = ui_.rbRCCapture->isChecked() ? 2 : 1;
    uint16_t divisor = 16;
    if (ui_.rb8->isChecked())
        divisor = 8;
    else if (ui_.rb32->isChecked())
        divisor = 32;

    TLearningRequest request;
    request.link = link;
    request.frame = learnRfFrame(kind, divisor);
    request.prompt = QStringLiteral("Pressione qualquer tecla do seu transmissor de RF...");
    if (link == TLinkKind::Network) {
        request.host = session_.deviceIP;
        request.ackPolls = 1000;
        request.ackPollMs = 1;
    }
    // The divisor goes with the request; a closed USB link sends nothing and keeps the last.
    const bool linkOpen = link == TLinkKind::Network || session_.usbConnected();
    if (linkOpen)
        rfDivisor = divisor;
    captureLink_ = link;
    if (awaitCapture(request))
        findValidFrame();
    session_.endExpectation();

    ui_.bbLearningRF->setEnabled(true);
}

void TLearningOps::bbLearningIRClick()
{
    ui_.TabControl1->setEnabled(false);
    if (const auto link = session_.route())
        learningIRCode(*link);
    ui_.TabControl1->setEnabled(true);
}

void TLearningOps::learningIRCode(TLinkKind link)
{
    if (exchange_.busy())
        return;  // another exchange is waiting for its answer
    ui_.bbLearningIR->setEnabled(false);

    TLearningRequest request;
    request.link = link;
    request.frame = ondixframe::bodilessFrame(learnIrCode);
    request.prompt = QStringLiteral("Pressione qualquer tecla do seu controle remoto...");
    if (link == TLinkKind::Network) {
        // Sent to the address typed in the boxes, which may differ from the device found.
        QString error;
        request.host = addressFromBoxes(ui_.ip, &error);
        request.ackPolls = 1000;
        if (request.host.isEmpty()) {
            log_.logLine(error);
            ui_.bbLearningIR->setEnabled(true);
            return;
        }
    }
    if (awaitCapture(request)) {
        const TIrCaptureMode mode = ui_.rbIR_Auto->isChecked() ? TIrCaptureMode::automatic : TIrCaptureMode::raw;
        const uint8_t* capture = session_.answerBuf.data();
        const size_t received = session_.receivedBytes(link);
        const TIrSelectionResult selection = selectIrCapture(capture, received, mode);
        showLines(selection.infoLines);
        // Beside the line, never in it: what the user copies stays as it is.
        if (selection.result == 0 && ui_.lbIRProtocol)
            ui_.lbIRProtocol->setText(QStringLiteral("Protocolo IR: ")
                + QString::fromStdString(irDecodedText(decodeIrCapture(capture, received))));
        if (ui_.pbCapturePlot) {
            auto train = selection.result == 0 ? irPulseTrain(capture, received, selection.frameLength) : std::nullopt;
            train ? ui_.pbCapturePlot->setCapture(std::move(*train)) : ui_.pbCapturePlot->clearCapture();
        }
    }
    session_.endExpectation();

    ui_.bbLearningIR->setEnabled(true);
}
