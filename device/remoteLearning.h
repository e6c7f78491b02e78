// Learning a whole remote: for each key in turn, two presses learned as a single learning
// learns them (the device's acknowledgement, the countdown, "Sem resposta!" when no key
// comes), compared, and filed in the site library under "<remote> <key>" when they agree.
// No widgets: the window's dialog and the tests drive it alike. run() learns until the
// installer has to choose (a press failed, or the two presses differ) or every key is
// done; the choice (redo, skip, stop) is one call, and run() goes on from there.
#pragma once

#include "device/deviceApi.h"
#include "library/remoteLearning.h"
#include "library/siteLibrary.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace ondixdevice {

struct TRemoteLearningPlan {
    QString remote;  // the codes are filed as "<remote> <key>"
    QStringList keys;
    TCodeKind kind = TCodeKind::ir;
    TLinkKind link = TLinkKind::Usb;
    QString host;  // network: the unit's address
    QString unitMac;  // the unit the codes are learned with, kept with each code
    TIrCaptureMode irMode = TIrCaptureMode::automatic;
    uint16_t rfDivisor = 16;  // RF keys are learned with the automatic analysis
};

enum class TKeyStatus {
    pending,  // not learned yet
    learned,  // both presses agreed; filed
    differs,  // the two presses differ; the key is asked again
    failed,  // a press brought no code (no answer, nothing sent, capture refused)
    skipped,  // the installer left it out
};

struct remoteKey_t {
    QString key;
    QString codeName;  // "<remote> <key>"
    TKeyStatus status = TKeyStatus::pending;
    QString detail;  // what went wrong, for differs and failed
};

struct TRemoteLearningEvents {
    // A learning request for press 1 or 2 of key `key` is about to leave.
    std::function<void(int key, int press)> pressing;
    // The single learning's own progress: request sent, acknowledged, countdown.
    TLearningProgress progress;
    // The status of key `key` changed.
    std::function<void(int key)> keyChanged;
    // The code of key `key` was filed in the library.
    std::function<void(int key)> filed;
};

class TRemoteLearning {
public:
    enum class TState {
        ready,  // run() learns the current press
        choosing,  // waiting for redo(), skip() or stop(); problem() says why
        finished,  // every key done, or stopped
    };

    TRemoteLearning(TDeviceApi& api, TSiteLibrary& library, TRemoteLearningPlan plan);

    // Empty when the learning can start: a remote name, a sound key list, every code name
    // free in the library. Otherwise the message, told before anything is learned.
    QString check() const;

    // Learns press after press until a choice is needed or the remote is done. Refused
    // (returns the state unchanged) unless ready, and at the first run unless check() passes.
    TState run(const TRemoteLearningEvents& events = {});

    // The installer's choices while choosing. redo: the press that failed again, or both
    // presses of a key whose presses differ. skip: the key is left out. stop: the learning
    // ends; what was filed stays filed. The face shows the skipped key itself.
    void redo();
    void skip();
    void stop();

    TState state() const { return state_; }
    int keyIndex() const { return keyIndex_; }  // the key being learned (keys().size() when done)
    int press() const { return press_; }  // 1 or 2
    const QString& problem() const { return problem_; }
    const std::vector<remoteKey_t>& keys() const { return keys_; }
    const TRemoteLearningPlan& plan() const { return plan_; }
    int filedCount() const;

private:
    TCaptureResult learnPress(const TRemoteLearningEvents& events);
    void setStatus(const TRemoteLearningEvents& events, TKeyStatus status, const QString& detail = {});
    void choose(const QString& problem);
    void nextKey();

    TDeviceApi& api_;
    TSiteLibrary& library_;
    TRemoteLearningPlan plan_;
    std::vector<remoteKey_t> keys_;
    TState state_ = TState::ready;
    bool started_ = false;
    int keyIndex_ = 0;
    int press_ = 1;
    std::optional<libraryCode_t> firstPress_;
    QString problem_;
};

}  // namespace ondixdevice
