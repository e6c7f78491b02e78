// Keywords and the command-line bytes are pure (consoleCommands) and the sending is the
// device API's (its waits keep the event loop running); this file watches the memo, picks
// the destination and shows how the send ended.
#include "console/consoleOps.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>

#include "app/busyControls.h"
#include "app/dialogs.h"
#include "console/consoleCommands.h"
#include "console/serviceOps.h"
#include "discovery/deviceDisplay.h"
#include "link/logSink.h"
#include "settings/settingsFrames.h"

namespace {

constexpr uint32_t maxTcpPort = 65535;

// Hands mmInfo's key presses to the console before the memo sees them; never eats one, so
// Enter still breaks the line and Tab still leaves the memo.
class TConsoleKeyFilter : public QObject {
public:
    explicit TConsoleKeyFilter(TConsoleOps& console) : console_(console) { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            console_.mmInfoKeyDown(static_cast<QKeyEvent*>(event)->key());
        return QObject::eventFilter(watched, event);
    }

private:
    TConsoleOps& console_;
};

}  // namespace

TConsoleOps::TConsoleOps(
    TDeviceSession& session, TExchange& exchange, TLog& log, const TConsoleControls& ui, TServiceOps& service)
    : session_(session), api_(session, exchange), log_(log), ui_(ui), service_(service)
{
}

TConsoleOps::~TConsoleOps()
{
    if (keyFilter_ && ui_.mmInfo)
        ui_.mmInfo->removeEventFilter(keyFilter_.get());
}

void TConsoleOps::installKeyHandler()
{
    if (!keyFilter_)
        keyFilter_ = std::make_unique<TConsoleKeyFilter>(*this);
    ui_.mmInfo->installEventFilter(keyFilter_.get());
}

void TConsoleOps::mmInfoKeyDown(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (ui_.mmInfo->document()->isEmpty())
        return;
    runKeyword(ui_.mmInfo->textCursor().block().text());
}

void TConsoleOps::runKeyword(const QString& line)
{
    using ondixconsole::TConsoleCommand;
    const auto routed = [this](const std::function<void(TLinkKind)>& action) {
        if (!action)
            return;
        if (const auto link = session_.route())
            action(*link);
    };
    switch (ondixconsole::consoleCommandFor(line)) {
    case TConsoleCommand::none:
        break;
    case TConsoleCommand::serviceAccess:
        // For the rest of the run: nothing hides them again (a search only disables the
        // group around them, and enables it again when it finds a device).
        ui_.bbGravaMacAddr->setVisible(true);
        for (QLineEdit* box : ui_.macAddr)
            box->setEnabled(true);
        break;
    case TConsoleCommand::firmwareUpdate:
        if (session_.usbDeviceFound)
            service_.FirmwareUpdate();
        break;
    case TConsoleCommand::getRTS:
        routed(ui_.getRTS);
        break;
    case TConsoleCommand::getClock:
        routed(ui_.getClock);
        break;
    case TConsoleCommand::setClock:
        routed(ui_.setClock);
        break;
    case TConsoleCommand::memoryTest:
        ui_.TabControl1->setTabVisible(ui_.TabControl1->indexOf(ui_.TabItem6), true);
        break;
    case TConsoleCommand::help:
        for (const QString& helpLine : ondixconsole::helpLines())
            log_.logLine(helpLine);
        break;
    }
}

void TConsoleOps::bbSendComdClick()
{
    if (api_.busy())
        return;  // a send or another exchange is still waiting
    const auto link = session_.route();
    const TBusyControls hold({ui_.bbSendComd, ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo},
        {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3});
    if (!link) {
        // Nothing else is awaited while no line goes out.
        session_.endExpectation();
        session_.consumeAnswer();
        return;
    }

    const QString text = ui_.mmInfo->toPlainText();
    QString host;
    if (*link == TLinkKind::Network) {
        // The line is refused before the address is looked at, as it is when sent.
        const ondixconsole::TCommandLineBytes line =
            ondixconsole::commandLineBytes(text, ondixconsole::TCommandLink::network);
        const ondixsettings::TNumberField port =
            ondixsettings::parseDecimalField(QStringLiteral("edPort"), ui_.edPort->text(), maxTcpPort);
        QString boxError;
        if (line.ok && port.ok) {
            host = addressFromBoxes(ui_.ip, &boxError);
            if (host.isEmpty()) {
                log_.logLine(boxError);
                return;
            }
        }
    }
    ondixdevice::TSendProgress progress;
    progress.status = [this](const QString& status) { log_.setStatus(status); };
    const ondixdevice::TResult result = api_.sendCommandLine(*link, host, ui_.edPort->text(), text, progress);
    switch (result.outcome) {
    case ondixdevice::TOutcome::done:
        log_.setStatus(result.message);
        break;
    case ondixdevice::TOutcome::refused:
        showError(result.message);
        break;
    case ondixdevice::TOutcome::notSent:
        // The cable's failures go to the log; the network's to a message box.
        if (*link == TLinkKind::Usb)
            log_.logLine(result.message);
        else
            showError(result.message);
        break;
    default:
        break;
    }
}

void TConsoleOps::showError(const QString& text)
{
    TDialogs::showMessage(ui_.mmInfo->window(), text);
}
