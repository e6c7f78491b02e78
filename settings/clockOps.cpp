// The exchanges are the device API's; this file picks the destination, holds the controls
// and reports.
#include "settings/clockOps.h"

#include <QLineEdit>
#include <QWidget>

#include "app/busyControls.h"
#include "discovery/deviceDisplay.h"
#include "link/logSink.h"

void TClockOps::getClock()
{
    if (const auto link = session_.route())
        getDate(*link);
}

void TClockOps::setClock()
{
    if (const auto link = session_.route())
        setDate(*link);
}

void TClockOps::getDate(TLinkKind link)
{
    run(link, false);
}

void TClockOps::setDate(TLinkKind link)
{
    run(link, true);
}

void TClockOps::run(TLinkKind link, bool set)
{
    if (api_.busy())
        return;  // another exchange is waiting for its answer

    QString host;
    if (link == TLinkKind::Network) {
        // Sent to the address typed in the boxes, which may differ from the device found.
        QString error;
        host = addressFromBoxes(ui_.ip, &error);
        if (host.isEmpty()) {
            log_.logLine(error);
            return;
        }
    }
    // The time is read only when the frame can leave (a closed cable sends nothing).
    if (set && link == TLinkKind::Usb && !session_.usbConnected())
        return;
    const TBusyControls hold({ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo},
        {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3});
    if (set)
        showResult(log_, api_.setClock(link, host, localTime()), false);
    else
        showResult(log_, api_.getClock(link, host), false);
}
