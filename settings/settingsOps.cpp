// The number rules are pure (settingsFrames) and the exchanges are the device API's; this
// file reads the edits, holds the controls and writes the edits and the log.
#include "settings/settingsOps.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>

#include "app/busyControls.h"
#include "link/logSink.h"
#include "settings/settingsFrames.h"

void TSettingsOps::Button2Click()
{
    if (const auto link = session_.route())
        readToDevice(*link);
}

void TSettingsOps::readToDevice(TLinkKind link)
{
    if (api_.busy())
        return;  // another exchange is waiting for its answer
    const TBusyControls hold({ui_.Button2, ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo});
    const ondixdevice::TRecordResult result =
        api_.readSettings(link, link == TLinkKind::Network ? session_.deviceIP : QString());
    showResult(log_, result);
    if (result.ok())
        showSettingsRecord(ui_.edits, result.record.data());
}

void TSettingsOps::Button3Click()
{
    if (const auto link = session_.route())
        writeToDevice(*link);
}

void TSettingsOps::writeToDevice(TLinkKind link)
{
    if (api_.busy())
        return;  // another exchange is waiting for its answer

    // A closed cable sends nothing and says nothing, whatever the boxes hold.
    ondixsettings::settingsValues_t values;
    if (link == TLinkKind::Network || session_.usbConnected()) {
        // A number that does not fit its field is refused before anything leaves: cut to
        // the field's width it would give the device an address or port nobody typed.
        const TSettingsEdits& e = ui_.edits;
        ondixsettings::TSettingsTexts texts;
        for (size_t i = 0; i < 4; ++i) {
            texts.ip[i] = e.ip[i]->text();
            texts.mask[i] = e.mask[i]->text();
            texts.gateway[i] = e.gateway[i]->text();
        }
        texts.dhcp = e.dhcp->isChecked();
        texts.port = e.port->text();
        const ondixsettings::TSettingsParse parsed = ondixsettings::parseSettings(texts);
        if (!parsed.ok) {
            log_.logLine(parsed.error);
            return;
        }
        values = parsed.values;
    }
    const TBusyControls hold({ui_.Button3, ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3});
    showResult(log_,
        api_.writeSettings(link, link == TLinkKind::Network ? session_.deviceIP : QString(), values,
            lastRecord ? &*lastRecord : nullptr));
}
