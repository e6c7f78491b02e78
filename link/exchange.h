// The exchange helper: send one frame, wait in polls while the event loop runs, validate
// the answer. Every device operation of the device API states its frame, answer length and
// wait limit and lets this run it; what is shown of the outcome is the faces' business.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include "link/deviceSession.h"

enum class TExchangeOutcome { LinkClosed, Valid, Invalid, TimedOut, Busy };

// One poll of a wait: process events for at most one poll period (10 ms), returning
// early as soon as ready() holds. Tests install a waiter that does not sleep.
class TPollWaiter {
public:
    virtual ~TPollWaiter() = default;
    virtual void poll(TDeviceSession& session, const std::function<bool()>& ready) = 0;
    // The same with a poll period of `pollMs` instead of the waiter's own (the network
    // acknowledgement of an RF learning polls every millisecond). Waiters that keep a
    // fixed period need not override it.
    virtual void poll(TDeviceSession& session, const std::function<bool()>& ready, int pollMs)
    {
        (void)pollMs;
        poll(session, ready);
    }
};

// The real waiter: a local event loop per poll, ended by the poll timer or by the
// session's answerSignalled().
class TEventLoopWaiter : public TPollWaiter {
public:
    explicit TEventLoopWaiter(int pollMs = 10) : pollMs_(pollMs) { }
    void poll(TDeviceSession& session, const std::function<bool()>& ready) override;
    void poll(TDeviceSession& session, const std::function<bool()>& ready, int pollMs) override;

private:
    int pollMs_;
};

class TExchange {
public:
    explicit TExchange(TDeviceSession& session);
    ~TExchange();

    // The whole pattern: send, wait up to `waitLimit` polls, validate `answerLength` bytes
    // (0: a parameter-block answer, its length at offsets 4-5), end the expectation.
    // A valid answer stays in the session's buffer; `consume` lowers its flag.
    TExchangeOutcome transact(TLinkKind link, const QByteArray& frame, const QString& host, int answerLength,
        int waitLimit, bool consume = true);
    // Marks an operation of several waits as running (busy() holds) for its lifetime.
    class TScope {
    public:
        explicit TScope(TExchange& exchange) : exchange_(exchange) { exchange_.busy_ = true; }
        ~TScope() { exchange_.busy_ = false; }
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    private:
        TExchange& exchange_;
    };

    // The pieces, for operations with more than one wait (learning).
    bool send(TLinkKind link, const QByteArray& frame, const QString& host = {});  // false: link closed
    // Waits up to `limit` polls; true when the answer counted (seen before the limit).
    // onPoll(pollIndex) runs after every poll (countdowns). pollMs > 0 sets the poll
    // period for this wait; 0 keeps the waiter's own.
    bool waitAnswer(int limit, const std::function<void(int)>& onPoll = {}, int pollMs = 0);
    bool validate(int answerLength) const;

    void setWaiter(std::unique_ptr<TPollWaiter> waiter);
    TPollWaiter& waiter() { return *waiter_; }
    // An exchange (or a bare wait) is in progress.
    bool busy() const { return busy_ || waiting_ > 0; }
    // Ends a wait in progress at its next poll (used when the window closes).
    void abort() { aborted_ = true; }
    bool aborted() const { return aborted_; }

    TDeviceSession& session() { return session_; }

private:
    TDeviceSession& session_;
    std::unique_ptr<TPollWaiter> waiter_;
    bool busy_ = false;
    int waiting_ = 0;
    bool aborted_ = false;  // stays set: the window is closing
};
