#include "console/usbCommandOps.h"

#include "app/busyControls.h"
#include "link/exchange.h"

bool TUsbCommandOps::genericUSB_CMD_CMD(unsigned char code)
{
    if (api_.busy())
        return false;  // another exchange is waiting for its answer
    const TBusyControls hold({ui_.bbFindDevice, ui_.bbSendComd, ui_.GroupBox1, ui_.GroupBox2, ui_.TabControl1},
        {ui_.bbFindDevice, ui_.GroupBox1, ui_.mmInfo}, {ui_.GroupBox1, ui_.mmInfo, ui_.bbFindDevice, ui_.TabControl1});
    const ondixdevice::TResult result = api_.usbCommand(code);
    showResult(log_, result);
    return result.ok();
}
