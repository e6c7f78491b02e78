// What every operation of the window does around a device call: the controls it uses are
// disabled and show the busy cursor while the call waits, and come back whatever happened;
// the call's line goes to the log.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include "device/deviceApi.h"

class TLog;

class TBusyControls {
public:
    // `disabled` are disabled now and enabled again at the end, with `enabledAfter`;
    // `busy` show the hourglass now; `unbusy` (empty: `busy`) get the default cursor back.
    TBusyControls(const QList<QWidget*>& disabled, const QList<QWidget*>& busy, const QList<QWidget*>& unbusy = {},
        const QList<QWidget*>& enabledAfter = {});
    ~TBusyControls();
    TBusyControls(const TBusyControls&) = delete;
    TBusyControls& operator=(const TBusyControls&) = delete;

private:
    // Held weakly: a control that went away meanwhile is left alone.
    QList<QPointer<QWidget>> disabled_, enabledAfter_, unbusy_;
};

// The result's line in the log: a success clears the log first when `clearOnSuccess`.
// Nothing is written for an empty line (a closed cable, a busy device, an abort).
void showResult(TLog& log, const ondixdevice::TResult& result, bool clearOnSuccess = true);
