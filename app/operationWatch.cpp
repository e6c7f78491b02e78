#include "app/operationWatch.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QWidget>

TOperationWatch::TOperationWatch(QWidget* window, std::function<bool()> busy)
    : window_(window), isBusy_(std::move(busy))
{
    // The exchanges wait in local event loops: every wake of any loop, nested or not, is seen.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TOperationWatch::check);
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, &TOperationWatch::check);
    }
    connect(qApp, &QApplication::focusChanged, this, &TOperationWatch::focusChanged);
}

void TOperationWatch::check()
{
    const bool busy = isBusy_();
    if (busy != busy_) {
        busy_ = busy;
        emit busyChanged(busy);
    }
    if (busy)
        return;
    giveFocusBack();
    QWidget* focus = window_->focusWidget();
    if (usable(focus) && !focusTaken_)
        lastFocus_ = focus;
}

bool TOperationWatch::usable(const QWidget* widget) const
{
    return widget && widget->window() == window_ && widget->isEnabled() && widget->isVisible()
        && widget->focusPolicy() != Qt::NoFocus;
}

void TOperationWatch::focusChanged(QWidget* old, QWidget* now)
{
    // Taken from a control as it was disabled: the toolkit cleared it or moved it on to `now`.
    if (old && old->window() == window_ && !old->isEnabled()) {
        focusTaken_ = true;
        movedTo_ = now;
    }
}

void TOperationWatch::giveFocusBack()
{
    // The window's own focus, kept while another window (a dialog) is active: disabling a
    // control there clears it without a word.
    QWidget* focus = window_->focusWidget();
    if (usable(focus) && !(focusTaken_ && focus == movedTo_)) {
        focusTaken_ = false;  // where it is now is where the user wants it
        movedTo_ = nullptr;
        return;
    }
    if (!usable(lastFocus_))
        return;  // its control is not back yet (an operation in several steps)
    focusTaken_ = false;
    movedTo_ = nullptr;
    if (focus != lastFocus_)
        lastFocus_->setFocus(Qt::OtherFocusReason);
}
