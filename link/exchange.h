// The exchange helper: send one frame, wait in polls while the event loop runs, validate
// the answer, report, and restore the controls whatever happened. Every device operation
// states its frame, answer length, wait limit, controls and messages and lets this run it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

#include "link/deviceSession.h"

class QWidget;
class TLog;

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

struct TExchangeSpec {
    TLinkKind link = TLinkKind::Usb;
    QByteArray frame;
    QString host;  // network: destination address text
    int answerLength = 8;  // bytes validated; 0: parameter-block answer (length at 4-5)
    int waitLimit = 100;  // polls
    QList<QWidget*> disabled;  // disabled before, enabled after
    QList<QWidget*> enabledAfter;  // extra controls enabled at the end (may be empty)
    QList<QWidget*> busy;  // hourglass cursor during the exchange
    QList<QWidget*> unbusy;  // default cursor after; empty: the `busy` list
    QString timeoutMessage = QStringLiteral("Sem resposta!");
    QString invalidMessage = QStringLiteral("Falha na leitura dos parâmetros!");  // empty: none
    QString validMessage;  // empty: none
    bool clearLogOnValid = true;
    bool clearReadyOnValid = true;
    std::function<void()> onValid;  // result actions, run after the valid message
};

class TExchange {
public:
    TExchange(TDeviceSession& session, TLog& log);
    ~TExchange();

    // The whole pattern: disable, send, wait, validate, report, restore.
    TExchangeOutcome run(const TExchangeSpec& spec);

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
    TLog& log() { return log_; }

private:
    TDeviceSession& session_;
    TLog& log_;
    std::unique_ptr<TPollWaiter> waiter_;
    bool busy_ = false;
    int waiting_ = 0;
    bool aborted_ = false;  // stays set: the window is closing
};
