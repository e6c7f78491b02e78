// The frame layouts and the number rules are pure (settingsFrames); this file reads the
// edits, runs the exchanges and writes the edits and the log.
#include "settings/settingsOps.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>

#include "link/exchange.h"
#include "link/frames.h"
#include "link/logSink.h"
#include "settings/settingsFrames.h"

namespace {

constexpr uint8_t informationRequestCode = 0x03;
constexpr int readWaitPolls = 100;
constexpr int writeWaitPolls = 500;
constexpr int acknowledgementLength = 8;

}  // namespace

void TSettingsOps::Button2Click()
{
    if (const auto link = session_.route())
        readToDevice(*link);
}

void TSettingsOps::readToDevice(TLinkKind link)
{
    TExchangeSpec spec;
    spec.link = link;
    spec.frame = ondixframe::bodilessFrame(informationRequestCode);
    if (link == TLinkKind::Network)
        spec.host = session_.deviceIP;
    // Refused below 50 bytes by the exchange: a short answer is never completed with what
    // an earlier one left in the buffer.
    spec.answerLength = int(deviceinfo::recordSize);
    spec.waitLimit = readWaitPolls;
    spec.disabled = {ui_.Button2, ui_.TabControl1};
    spec.busy = {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo};
    spec.validMessage = QStringLiteral("Leitura dos parâmetros realizada com sucesso!");
    spec.onValid = [this] { showSettingsRecord(ui_.edits, session_.answerBuf.data()); };
    exchange_.run(spec);
}

void TSettingsOps::Button3Click()
{
    if (const auto link = session_.route())
        writeToDevice(*link);
}

void TSettingsOps::writeToDevice(TLinkKind link)
{
    if (exchange_.busy())
        return;  // another exchange is waiting for its answer

    TExchangeSpec spec;
    spec.link = link;
    if (link == TLinkKind::Network)
        spec.host = session_.deviceIP;
    spec.answerLength = acknowledgementLength;
    spec.waitLimit = writeWaitPolls;
    spec.disabled = {ui_.Button3, ui_.TabControl1};
    spec.busy = {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3};
    spec.invalidMessage = QStringLiteral("Falha de gravação dos parâmetros!");
    spec.validMessage = QStringLiteral("IP's gravados com sucesso!");

    // A closed cable sends nothing and says nothing, whatever the boxes hold; the run
    // below only restores the controls then.
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
            for (QWidget* w : spec.disabled)
                w->setEnabled(true);
            for (QWidget* w : spec.busy)
                w->unsetCursor();
            return;
        }
        spec.frame = ondixsettings::writeSettingsFrame(parsed.values, lastRecord ? &*lastRecord : nullptr);
    }
    exchange_.run(spec);
}
