// The analyses are pure (rfAnalysis, irSelection) and the two waits are the device API's;
// this file reads the controls and writes the log, the memos and the plot.
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
#include "link/logSink.h"

namespace {

void replaceLastLine(QPlainTextEdit* memo, const QString& text)
{
    QTextCursor cursor(memo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

}  // namespace

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

// What the log shows while the device listens: "CMD OK", the prompt and a countdown on the
// last line.
ondixdevice::TLearningProgress TLearningOps::progress()
{
    ondixdevice::TLearningProgress shown;
    shown.sent = [this] { forgetLastCapture(); };
    shown.acknowledged = [this](const QString& prompt) {
        log_.clearLog();
        log_.logLine(QStringLiteral("CMD OK"));
        log_.logLine(prompt);
        log_.logLine(QString());
    };
    shown.countdown = [this](int remainingMs) { replaceLastLine(ui_.mmInfo, QStringLiteral("%1ms").arg(remainingMs)); };
    return shown;
}

// Every failure of a learning in the log; a cable's countdown that ran out ends at 0ms.
void TLearningOps::showFailure(const ondixdevice::TCaptureResult& result)
{
    if (result.captureWaitRanOut && result.link == TLinkKind::Usb)
        log_.logLine(QStringLiteral("0ms"));
    if (!result.message.isEmpty())
        log_.logLine(result.message);
}

void TLearningOps::showRfCapture(ondixdevice::TCaptureResult& result)
{
    const auto* capture = reinterpret_cast<const uint8_t*>(result.capture.constData());
    const size_t received = size_t(result.capture.size());
    // Taken before the memo is filled: events run meanwhile. A capture the analysis refused
    // is still drawn when its message can be read: the plot shows why no frame was found.
    auto train = rfPulseTrain(capture, received, rfDivisor, uint32_t(result.frameLength));
    if (result.rawLines)
        setMemoLines(ui_.mmRawData, std::move(*result.rawLines));
    showLines(result.infoLines);
    if (ui_.pbCapturePlot)
        train ? ui_.pbCapturePlot->setCapture(std::move(*train)) : ui_.pbCapturePlot->clearCapture();
}

void TLearningOps::setLearned(std::optional<TLearned> learned)
{
    if (learned && learned->capture.line().isEmpty())
        learned.reset();
    lastLearned_ = std::move(learned);
    if (learnedChanged)
        learnedChanged();
}

TRfCaptureMode TLearningOps::rfMode() const
{
    if (ui_.rbRawCapture->isChecked())
        return TRfCaptureMode::raw;
    if (ui_.rbRCCapture->isChecked())
        return TRfCaptureMode::rts;
    return TRfCaptureMode::smart;
}

int TLearningOps::findValidFrame()
{
    const QByteArray capture(
        reinterpret_cast<const char*>(session_.answerBuf.data()), qsizetype(session_.receivedBytes(captureLink_)));
    ondixdevice::TCaptureResult result = ondixdevice::TDeviceApi::analyseRf(captureLink_, capture, rfMode(), rfDivisor);
    showRfCapture(result);
    return result.analysisResult;
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
    if (api_.busy())
        return;  // another exchange is waiting for its answer
    ui_.bbLearningRF->setEnabled(false);
    setLearned(std::nullopt);

    uint16_t divisor = 16;
    if (ui_.rb8->isChecked())
        divisor = 8;
    else if (ui_.rb32->isChecked())
        divisor = 32;
    // The divisor goes with the request; a closed USB link sends nothing and keeps the last.
    if (link == TLinkKind::Network || session_.usbConnected())
        rfDivisor = divisor;
    captureLink_ = link;
    ondixdevice::TCaptureResult result =
        api_.learnRf(link, link == TLinkKind::Network ? session_.deviceIP : QString(), rfMode(), divisor, progress());
    if (result.ok()) {
        showRfCapture(result);
        setLearned(TLearned {std::move(result), false});
    } else {
        showFailure(result);
    }

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
    if (api_.busy())
        return;  // another exchange is waiting for its answer
    ui_.bbLearningIR->setEnabled(false);
    setLearned(std::nullopt);

    QString host;
    if (link == TLinkKind::Network) {
        // Sent to the address typed in the boxes, which may differ from the device found.
        QString error;
        host = addressFromBoxes(ui_.ip, &error);
        if (host.isEmpty()) {
            log_.logLine(error);
            ui_.bbLearningIR->setEnabled(true);
            return;
        }
    }
    const TIrCaptureMode mode = ui_.rbIR_Auto->isChecked() ? TIrCaptureMode::automatic : TIrCaptureMode::raw;
    const ondixdevice::TCaptureResult result = api_.learnIr(link, host, mode, progress());
    if (result.ok()) {
        const auto* capture = reinterpret_cast<const uint8_t*>(result.capture.constData());
        const size_t received = size_t(result.capture.size());
        showLines(result.infoLines);
        // Beside the line, never in it: what the user copies stays as it is.
        if (result.irProtocol && ui_.lbIRProtocol)
            ui_.lbIRProtocol->setText(
                QStringLiteral("Protocolo IR: ") + QString::fromStdString(irDecodedText(*result.irProtocol)));
        if (ui_.pbCapturePlot) {
            auto train = result.analysisResult == 0 ? irPulseTrain(capture, received, uint32_t(result.frameLength))
                                                    : std::nullopt;
            train ? ui_.pbCapturePlot->setCapture(std::move(*train)) : ui_.pbCapturePlot->clearCapture();
        }
        setLearned(TLearned {result, true});
    } else {
        showFailure(result);
    }

    ui_.bbLearningIR->setEnabled(true);
}
