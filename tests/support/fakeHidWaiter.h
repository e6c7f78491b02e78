// Waiting in tests without sleeping: each poll moves the fake cable's clock on by one poll
// period and lets the reader and the event loop settle before the exchange looks again.
#pragma once

#include "app/mainUnit.h"
#include "link/exchange.h"

#include <memory>

class QTableWidget;

class TFakeHidWaiter : public TPollWaiter {
public:
    // A poll moves the clock on by 10 ms, or by `pollMs`.
    void poll(TDeviceSession& session, const std::function<bool()>& ready) override { poll(session, ready, 10); }
    void poll(TDeviceSession& session, const std::function<bool()>& ready, int pollMs) override;

    int polls() const { return polls_; }
    // Runs `action` (once) at the start of poll number `pollNumber` (1-based), before the
    // clock moves: lets a test make something happen on a chosen poll.
    void atPoll(int pollNumber, std::function<void()> action);

private:
    int polls_ = 0;
    int actionPoll_ = 0;
    std::function<void()> action_;
};

// Processes events until the fake cable is quiet (bounded by `limitMs` real time).
bool settleFakeHid(int limitMs = 2000);

// The main window as tests build it: no splash, the fake waiter installed. Configure the
// fake (plug, responder) before calling: the window opens the USB link while it is built.
std::unique_ptr<TfmPrincipal> makeTestWindow();
inline TFakeHidWaiter& fakeWaiter(TfmPrincipal& window)
{
    return static_cast<TFakeHidWaiter&>(window.exchange.waiter());
}

// The grid's rows, cells joined by blanks.
QStringList gridRows(const QTableWidget* grid);
// Types `address` in the four address boxes.
void setAddressBoxes(TfmPrincipal& w, const QString& address);
