// The frames and the log text are pure (clockFrames); this file picks the destination,
// runs the exchange and reports.
#include "settings/clockOps.h"

#include <QLineEdit>
#include <QWidget>

#include "discovery/deviceDisplay.h"
#include "link/exchange.h"
#include "link/logSink.h"
#include "settings/clockFrames.h"

namespace {

constexpr int usbWaitPolls = 100;
constexpr int networkWaitPolls = 1000;
constexpr int acknowledgementLength = 8;

}  // namespace

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
    if (exchange_.busy())
        return;  // another exchange is waiting for its answer

    TExchangeSpec spec;
    spec.link = link;
    spec.waitLimit = link == TLinkKind::Network ? networkWaitPolls : usbWaitPolls;
    spec.disabled = {ui_.TabControl1};
    spec.busy = {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo};
    spec.unbusy = {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3};
    spec.clearLogOnValid = false;

    if (link == TLinkKind::Network) {
        // Sent to the address typed in the boxes, which may differ from the device found.
        QString error;
        spec.host = addressFromBoxes(ui_.ip, &error);
        if (spec.host.isEmpty()) {
            log_.logLine(error);
            return;
        }
    }

    if (set) {
        // The time is taken once, when the frame is built; a closed cable sends nothing,
        // so it is only read when the frame can leave.
        if (link == TLinkKind::Network || session_.usbConnected()) {
            spec.frame = ondixclock::setClockFrame(localTime());
            if (spec.frame.isEmpty()) {
                log_.logLine(QStringLiteral("Data e hora do computador inválidas: o relógio não foi acertado."));
                return;
            }
        }
        spec.answerLength = acknowledgementLength;
        spec.validMessage = QStringLiteral("CMD_OK");
    } else {
        spec.frame = ondixclock::getClockRequest();
        // Refused below 17 bytes by the exchange, before this decodes anything.
        spec.answerLength = ondixclock::clockAnswerLength;
        spec.onValid = [this] {
            const ondixclock::TClockAnswer answer =
                ondixclock::decodeClockAnswer(session_.answerBuf.data(), session_.answerBytes());
            log_.logLine(ondixclock::clockLogText(answer.record));
        };
    }
    exchange_.run(spec);
}
