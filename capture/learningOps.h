// Learning RF and IR codes: ask the Ondix to capture, wait for its acknowledgement, count
// down while the user presses a key of the remote, and turn the capture into the line the
// Ondix replays.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/deviceApi.h"
#include "link/deviceSession.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QWidget;
class TCapturePlot;
class TExchange;
class TLog;

struct TLearningControls {
    QWidget* TabControl1 = nullptr;
    QWidget* bbLearningRF = nullptr;
    QWidget* bbLearningIR = nullptr;
    QRadioButton* rbRawCapture = nullptr;
    QRadioButton* rbRCCapture = nullptr;
    QRadioButton* rb8 = nullptr;
    QRadioButton* rb32 = nullptr;
    QRadioButton* rbIR_Auto = nullptr;
    QPlainTextEdit* mmInfo = nullptr;
    QPlainTextEdit* mmRawData = nullptr;
    std::array<QLineEdit*, 4> ip {};  // IP_4 ... IP_1
    TCapturePlot* pbCapturePlot = nullptr;  // the last capture as a pulse train
    QLabel* lbIRProtocol = nullptr;  // protocol, address and command of the last IR capture
};

class TLearningOps {
public:
    TLearningOps(TDeviceSession& session, TExchange& exchange, TLog& log, const TLearningControls& ui)
        : session_(session), api_(session, exchange), log_(log), ui_(ui)
    {
    }

    int32_t rfDivisor = 16;  // divisor of the last RF learning request: 8, 16 or 32

    // The last learning, when it made a line (RF or IR), until the next one starts.
    struct TLearned {
        ondixdevice::TCaptureResult capture;
        bool ir = false;
    };
    const std::optional<TLearned>& lastLearned() const { return lastLearned_; }
    // Called when a learning starts and when one ends (the window follows `lastLearned`).
    std::function<void()> learnedChanged;

    int findValidFrame();  // 0: a line was written; -1: the capture was refused
    void bbLearningRFClick();
    void learningRFCode(TLinkKind link);
    void bbLearningIRClick();
    void learningIRCode(TLinkKind link);

private:
    ondixdevice::TLearningProgress progress();
    void showFailure(const ondixdevice::TCaptureResult& result);
    void showRfCapture(ondixdevice::TCaptureResult& result);
    TRfCaptureMode rfMode() const;
    void showLines(const std::vector<std::string>& lines);
    void forgetLastCapture();
    void setLearned(std::optional<TLearned> learned);

    TDeviceSession& session_;
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TLearningControls& ui_;
    TLinkKind captureLink_ = TLinkKind::Usb;  // link the capture analysed next came over
    std::optional<TLearned> lastLearned_;
};
