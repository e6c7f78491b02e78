#include "tests/support/fakeHidWaiter.h"

#include "tools/fakehid/fakehid.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QTableWidget>

#include <utility>

bool settleFakeHid(int limitMs)
{
    const QDeadlineTimer deadline(limitMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (fakehid::quiet())
            break;
        if (deadline.hasExpired())
            return false;
        // The reader may be handing a frame over: give it a moment, then take the event.
        fakehid::waitQuiet(1);
    }
    // A frame handed over just before the reader parked is taken here.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}

void TFakeHidWaiter::atPoll(int pollNumber, std::function<void()> action)
{
    actionPoll_ = pollNumber;
    action_ = std::move(action);
}

void TFakeHidWaiter::poll(TDeviceSession&, const std::function<bool()>& ready, int pollMs)
{
    ++polls_;
    if (action_ && polls_ == actionPoll_)
        std::exchange(action_, nullptr)();  // once: the action may set the next one
    if (ready())
        return;
    fakehid::advance(pollMs);
    settleFakeHid();
}

std::unique_ptr<TfmPrincipal> makeTestWindow()
{
    auto window = std::make_unique<TfmPrincipal>(nullptr, /*showSplash*/ false);
    window->exchange.setWaiter(std::make_unique<TFakeHidWaiter>());
    return window;
}

QStringList gridRows(const QTableWidget* grid)
{
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << cells.join(u' ');
    }
    return rows;
}

void setAddressBoxes(TfmPrincipal& w, const QString& address)
{
    const QStringList octets = address.split(u'.');
    QLineEdit* const boxes[] = {w.IP_4, w.IP_3, w.IP_2, w.IP_1};
    for (int i = 0; i < 4; ++i)
        boxes[i]->setText(octets.value(i));
}
