#include "device/remoteLearning.h"

#include "device/siteRecords.h"

#include <algorithm>

namespace ondixdevice {

TRemoteLearning::TRemoteLearning(TDeviceApi& api, TSiteLibrary& library, TRemoteLearningPlan plan)
    : api_(api), library_(library), plan_(std::move(plan))
{
    plan_.remote = plan_.remote.trimmed();
    for (QString& key : plan_.keys)
        key = key.trimmed();
    for (const QString& key : plan_.keys)
        keys_.push_back({key, remoteCodeName(plan_.remote, key), TKeyStatus::pending, {}});
}

QString TRemoteLearning::check() const
{
    return checkRemoteNames(library_, plan_.remote, plan_.keys);
}

int TRemoteLearning::filedCount() const
{
    return int(std::count_if(
        keys_.begin(), keys_.end(), [](const remoteKey_t& k) { return k.status == TKeyStatus::learned; }));
}

void TRemoteLearning::setStatus(const TRemoteLearningEvents& events, TKeyStatus status, const QString& detail)
{
    keys_[size_t(keyIndex_)].status = status;
    keys_[size_t(keyIndex_)].detail = detail;
    if (events.keyChanged)
        events.keyChanged(keyIndex_);
}

void TRemoteLearning::choose(const QString& problem)
{
    problem_ = problem;
    state_ = TState::choosing;
}

void TRemoteLearning::nextKey()
{
    ++keyIndex_;
    press_ = 1;
    firstPress_.reset();
    problem_.clear();
    state_ = keyIndex_ < int(keys_.size()) ? TState::ready : TState::finished;
}

TCaptureResult TRemoteLearning::learnPress(const TRemoteLearningEvents& events)
{
    if (events.pressing)
        events.pressing(keyIndex_, press_);
    if (plan_.kind == TCodeKind::rf)
        return api_.learnRf(plan_.link, plan_.host, TRfCaptureMode::smart, plan_.rfDivisor, events.progress);
    return api_.learnIr(plan_.link, plan_.host, plan_.irMode, events.progress);
}

TRemoteLearning::TState TRemoteLearning::run(const TRemoteLearningEvents& events)
{
    if (state_ != TState::ready || (!started_ && !check().isEmpty()))
        return state_;
    started_ = true;
    while (state_ == TState::ready) {
        remoteKey_t& key = keys_[size_t(keyIndex_)];
        const TCaptureResult result = learnPress(events);
        if (result.outcome == TOutcome::aborted) {
            stop();  // the window is closing
            break;
        }
        std::optional<libraryCode_t> code;
        if (result.ok())
            code = libraryCodeOf(result, plan_.kind, key.codeName, plan_.unitMac);
        if (!code) {
            QString why = result.message;
            if (result.ok())
                why = QStringLiteral("A captura não formou um código.");
            else if (result.outcome == TOutcome::busy)
                why = QStringLiteral("Outra operação aguarda a Ondix.");
            else if (why.isEmpty())
                why = QStringLiteral("Ondix não conectada!");
            setStatus(events, TKeyStatus::failed, why);
            choose(why);
            break;
        }
        if (press_ == 1) {
            firstPress_ = std::move(code);
            press_ = 2;
            continue;
        }
        const pressComparison_t comparison = comparePresses(*firstPress_, *code);
        if (!comparison.same) {
            setStatus(events, TKeyStatus::differs, comparison.difference);
            choose(QStringLiteral("As duas capturas da tecla \"%1\" diferem: %2.").arg(key.key, comparison.difference));
            break;
        }
        if (const QString error = library_.addCode(*firstPress_); !error.isEmpty()) {
            setStatus(events, TKeyStatus::failed, error);
            choose(error);
            break;
        }
        setStatus(events, TKeyStatus::learned);
        if (events.filed)
            events.filed(keyIndex_);
        nextKey();
    }
    return state_;
}

void TRemoteLearning::redo()
{
    if (state_ != TState::choosing)
        return;
    // Presses that differ are both learned again; a failed press alone.
    if (keys_[size_t(keyIndex_)].status == TKeyStatus::differs) {
        press_ = 1;
        firstPress_.reset();
    }
    problem_.clear();
    state_ = TState::ready;
}

void TRemoteLearning::skip()
{
    if (state_ != TState::choosing)
        return;
    keys_[size_t(keyIndex_)].status = TKeyStatus::skipped;
    nextKey();
}

void TRemoteLearning::stop()
{
    problem_.clear();
    state_ = TState::finished;
}

}  // namespace ondixdevice
