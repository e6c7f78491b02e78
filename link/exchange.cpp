#include "link/exchange.h"

#include "link/frames.h"
#include "link/logSink.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>

void TEventLoopWaiter::poll(TDeviceSession& session, const std::function<bool()>& ready)
{
    poll(session, ready, pollMs_);
}

void TEventLoopWaiter::poll(TDeviceSession& session, const std::function<bool()>& ready, int pollMs)
{
    if (ready())
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&session, &TDeviceSession::answerSignalled, &loop, &QEventLoop::quit);
    timer.start(pollMs);
    loop.exec();
}

TExchange::TExchange(TDeviceSession& session, TLog& log)
    : session_(session), log_(log), waiter_(std::make_unique<TEventLoopWaiter>())
{
}

TExchange::~TExchange() = default;

void TExchange::setWaiter(std::unique_ptr<TPollWaiter> waiter)
{
    if (waiter)
        waiter_ = std::move(waiter);
}

bool TExchange::send(TLinkKind link, const QByteArray& frame, const QString& host)
{
    return session_.sendRequest(link, frame, host);
}

bool TExchange::waitAnswer(int limit, const std::function<void(int)>& onPoll, int pollMs)
{
    // The counter reaching the limit is a time-out, even when the answer came in during
    // that last poll: an answer counts only when it is seen before the limit-th poll ends.
    ++waiting_;
    int counter = 0;
    const auto ready = [this] { return session_.answerReady == 1 || aborted_; };
    for (;;) {
        if (pollMs > 0)
            waiter_->poll(session_, ready, pollMs);
        else
            waiter_->poll(session_, ready);
        if (aborted_) {
            counter = limit;  // the window is closing: a time-out, whatever came in
            break;
        }
        if (onPoll)
            onPoll(counter);
        ++counter;
        if (session_.answerReady == 1 || counter > limit - 1)
            break;
    }
    --waiting_;
    return counter < limit;
}

bool TExchange::validate(int answerLength) const
{
    // Only the bytes of this answer count: a short answer is never completed with what an
    // earlier one left in the buffer.
    const uint8_t* buffer = session_.answerBuf.data();
    const size_t size = session_.answerBytes();
    if (answerLength == 0)
        return ondixframe::validParameterAnswer(buffer, size);
    return ondixframe::validAnswer(buffer, size, answerLength);
}

TExchangeOutcome TExchange::run(const TExchangeSpec& spec)
{
    if (busy())
        return TExchangeOutcome::Busy;
    busy_ = true;

    // The controls are held weakly: they are restored only if they still exist.
    const auto hold = [](const QList<QWidget*>& widgets) {
        QList<QPointer<QWidget>> held;
        for (QWidget* w : widgets)
            held.append(QPointer<QWidget>(w));
        return held;
    };
    const QList<QPointer<QWidget>> disabled = hold(spec.disabled);
    const QList<QPointer<QWidget>> enabledAfter = hold(spec.enabledAfter);
    const QList<QPointer<QWidget>> busyCursor = hold(spec.busy);
    const QList<QPointer<QWidget>> defaultCursor = hold(spec.unbusy.isEmpty() ? spec.busy : spec.unbusy);

    for (const auto& w : disabled)
        if (w)
            w->setEnabled(false);
    for (const auto& w : busyCursor)
        if (w)
            w->setCursor(Qt::WaitCursor);

    TExchangeOutcome outcome = TExchangeOutcome::LinkClosed;
    if (send(spec.link, spec.frame, spec.host)) {
        if (!waitAnswer(spec.waitLimit)) {
            outcome = TExchangeOutcome::TimedOut;
            if (!aborted_ && !spec.timeoutMessage.isEmpty())
                log_.logLine(spec.timeoutMessage);
        } else if (validate(spec.answerLength)) {
            outcome = TExchangeOutcome::Valid;
            if (spec.clearLogOnValid)
                log_.clearLog();
            if (!spec.validMessage.isEmpty())
                log_.logLine(spec.validMessage);
            if (spec.onValid)
                spec.onValid();
            if (spec.clearReadyOnValid)
                session_.consumeAnswer();
        } else {
            outcome = TExchangeOutcome::Invalid;
            if (!spec.invalidMessage.isEmpty())
                log_.logLine(spec.invalidMessage);
        }
    }

    for (const auto& w : disabled)
        if (w)
            w->setEnabled(true);
    for (const auto& w : enabledAfter)
        if (w)
            w->setEnabled(true);
    for (const auto& w : defaultCursor)
        if (w)
            w->unsetCursor();
    session_.endExpectation();
    busy_ = false;
    return outcome;
}
