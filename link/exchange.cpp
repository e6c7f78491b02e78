#include "link/exchange.h"

#include "link/frames.h"

#include <QEventLoop>
#include <QTimer>

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

TExchange::TExchange(TDeviceSession& session) : session_(session), waiter_(std::make_unique<TEventLoopWaiter>()) { }

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

TExchangeOutcome TExchange::transact(
    TLinkKind link, const QByteArray& frame, const QString& host, int answerLength, int waitLimit, bool consume)
{
    if (busy())
        return TExchangeOutcome::Busy;
    busy_ = true;
    TExchangeOutcome outcome = TExchangeOutcome::LinkClosed;
    if (send(link, frame, host)) {
        if (!waitAnswer(waitLimit)) {
            outcome = TExchangeOutcome::TimedOut;
        } else if (validate(answerLength)) {
            outcome = TExchangeOutcome::Valid;
            if (consume)
                session_.consumeAnswer();
        } else {
            outcome = TExchangeOutcome::Invalid;
        }
    }
    session_.endExpectation();
    busy_ = false;
    return outcome;
}
