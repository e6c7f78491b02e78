// The window's view of the device operations: whether one is waiting for the device (with a
// signal when that changes), and the keyboard focus given back to the control an operation
// took it from.
//
// An operation takes the focus away by disabling the control that has it (or the tab around
// it): the toolkit then clears the focus or moves it on to the next control. Once no
// operation waits any more, the focus goes back to the control that had it before, unless
// the user (or the operation itself) has put it somewhere else meanwhile.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

class TOperationWatch : public QObject {
    Q_OBJECT
public:
    // `busy` tells whether an operation waits for the device; `window` is the window whose
    // focus is kept.
    TOperationWatch(QWidget* window, std::function<bool()> busy);

    // As of the last look.
    bool busy() const { return busy_; }
    // Looks again. Runs every time the event loop wakes or is about to sleep: input reaches
    // the window only there, so a control is never used before it has been brought up to date.
    void check();

signals:
    void busyChanged(bool busy);

private:
    void focusChanged(QWidget* old, QWidget* now);
    void giveFocusBack();
    bool usable(const QWidget* widget) const;

    QWidget* window_;
    std::function<bool()> isBusy_;
    bool busy_ = false;
    QPointer<QWidget> lastFocus_;  // the window's focus when last seen with no operation waiting
    QPointer<QWidget> movedTo_;  // where the toolkit put it when its control was disabled
    bool focusTaken_ = false;
};
