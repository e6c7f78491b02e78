// The exchanges are the device API's; this file reads the boxes, holds the controls and
// writes the log.
#include "console/serviceOps.h"

#include <QLineEdit>
#include <QWidget>

#include "app/busyControls.h"
#include "console/serviceFrames.h"
#include "console/usbCommandOps.h"
#include "discovery/deviceDisplay.h"
#include "link/logSink.h"

void TServiceOps::bbGravaMacAddrClick()
{
    if (const auto link = session_.route())
        writeMACAddrToDevice(*link);
}

void TServiceOps::writeMACAddrToDevice(TLinkKind link)
{
    if (api_.busy())
        return;  // another exchange is waiting for its answer
    std::array<QString, 6> boxes;
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = ui_.macAddr[i]->text();
    const TBusyControls hold({ui_.bbGravaMacAddr, ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo});
    showResult(log_, api_.writeMac(link, link == TLinkKind::Network ? session_.deviceIP : QString(), boxes));
}

void TServiceOps::Button12Click()
{
    if (api_.busy())
        return;  // another exchange is waiting for its answer
    const TBusyControls hold({ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo},
        {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3});
    const ondixdevice::TFlashResult result = api_.readFlash(ui_.edAddr->text(), ui_.edQtd->text(), [this] {
        log_.clearLog();
        log_.logLine(QStringLiteral("Lendo memória, aguarde..."));
    });
    if (!result.message.isEmpty())
        log_.logLine(result.message);
    // A box refused before anything was sent gets the focus, once the tab is enabled again.
    const ondixservice::TFlashRequest request = ondixservice::flashReadRequest(ui_.edAddr->text(), ui_.edQtd->text());
    if (!request.ok && result.message == request.error)
        focusRefusedBox(request.box == QLatin1String("edQtd") ? ui_.edQtd : ui_.edAddr);
}

void TServiceOps::FirmwareUpdate()
{
    usbCommand_.genericUSB_CMD_CMD(ondixservice::firmwareUpdateCode);
}
