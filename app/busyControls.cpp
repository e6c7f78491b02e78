#include "app/busyControls.h"

#include "link/logSink.h"

namespace {

QList<QPointer<QWidget>> held(const QList<QWidget*>& widgets)
{
    QList<QPointer<QWidget>> list;
    for (QWidget* w : widgets)
        list.append(QPointer<QWidget>(w));
    return list;
}

}  // namespace

TBusyControls::TBusyControls(const QList<QWidget*>& disabled, const QList<QWidget*>& busy,
    const QList<QWidget*>& unbusy, const QList<QWidget*>& enabledAfter)
    : disabled_(held(disabled)), enabledAfter_(held(enabledAfter)), unbusy_(held(unbusy.isEmpty() ? busy : unbusy))
{
    for (QWidget* w : disabled)
        if (w)
            w->setEnabled(false);
    for (QWidget* w : busy)
        if (w)
            w->setCursor(Qt::WaitCursor);
}

TBusyControls::~TBusyControls()
{
    for (const auto& w : disabled_)
        if (w)
            w->setEnabled(true);
    for (const auto& w : enabledAfter_)
        if (w)
            w->setEnabled(true);
    for (const auto& w : unbusy_)
        if (w)
            w->unsetCursor();
}

void showResult(TLog& log, const ondixdevice::TResult& result, bool clearOnSuccess)
{
    if (result.ok() && clearOnSuccess)
        log.clearLog();
    if (!result.message.isEmpty())
        log.logLine(result.message);
}
