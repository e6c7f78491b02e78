// Keywords and the command-line bytes are pure (consoleCommands); this file watches the
// memo, drives the TCP connection and the cable, and keeps the event loop running through
// every wait: the connect, the pauses and the answer wait all go through the exchange's
// poll waiter, never through a blocking socket call.
#include "console/consoleOps.h"

#include <QAbstractSocket>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTextBlock>

#include "app/dialogs.h"
#include "console/consoleCommands.h"
#include "console/serviceOps.h"
#include "discovery/deviceDisplay.h"
#include "link/exchange.h"
#include "link/logSink.h"
#include "link/serialPortUnit.h"
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
    : session_(session), exchange_(exchange), log_(log), ui_(ui), service_(service)
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
    const TConsoleCommand command = ondixconsole::consoleCommandFor(line);
    if (command != TConsoleCommand::none && refuseWhenBusy())
        return;
    switch (command) {
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
        ui_.TabControl1->setTabEnabled(ui_.TabControl1->indexOf(ui_.TabItem6), true);
        ui_.TabControl1->setTabVisible(ui_.TabControl1->indexOf(ui_.TabItem6), true);
        break;
    case TConsoleCommand::help:
        for (const QString& helpLine : ondixconsole::helpLines())
            log_.logLine(helpLine);
        break;
    }
}

bool TConsoleOps::busy() const
{
    return sending_ || exchange_.busy();
}

bool TConsoleOps::refuseWhenBusy()
{
    if (!busy())
        return false;
    log_.setStatus(QStringLiteral("Aguarde: a Ondix está ocupada com outra operação."));
    return true;
}

void TConsoleOps::bbSendComdClick()
{
    if (refuseWhenBusy())
        return;  // a send or another exchange is still waiting
    sending_ = true;
    ui_.bbSendComd->setEnabled(false);
    ui_.TabControl1->setEnabled(false);
    for (QWidget* w : {ui_.GroupBox1, ui_.GroupBox2, static_cast<QWidget*>(ui_.mmInfo)})
        w->setCursor(Qt::WaitCursor);

    const QString text = ui_.mmInfo->toPlainText();
    // Nothing else is awaited while the line goes out: only the TCP reader raises the flag.
    session_.endExpectation();
    session_.consumeAnswer();
    if (const auto link = session_.route()) {
        if (*link == TLinkKind::Network)
            sendOverTcp(text);
        else
            sendOverUsb(text);
    }

    ui_.bbSendComd->setEnabled(true);
    ui_.TabControl1->setEnabled(true);
    for (QWidget* w : {ui_.GroupBox1, ui_.GroupBox2, static_cast<QWidget*>(ui_.mmInfo), ui_.Button3})
        w->unsetCursor();
    sending_ = false;
}

void TConsoleOps::pause(int polls, int pollMs)
{
    // One poll at a time with the flag down, so that nothing that arrives cuts it short.
    for (int i = 0; i < polls && !exchange_.aborted(); ++i) {
        session_.consumeAnswer();
        exchange_.waitAnswer(1, {}, pollMs);
    }
}

void TConsoleOps::showError(const QString& text)
{
    TDialogs::showMessage(ui_.mmInfo->window(), text);
}

void TConsoleOps::sendOverTcp(const QString& text)
{
    // Everything that can be refused is refused before a connection is made.
    const ondixconsole::TCommandLineBytes line =
        ondixconsole::commandLineBytes(text, ondixconsole::TCommandLink::network);
    if (!line.ok) {
        showError(line.error);
        return;
    }
    const ondixsettings::TNumberField port =
        ondixsettings::parseDecimalField(QStringLiteral("edPort"), ui_.edPort->text(), maxTcpPort);
    if (!port.ok) {
        showError(port.error);
        return;
    }
    QString boxError;
    const QString host = addressFromBoxes(ui_.ip, &boxError);
    if (host.isEmpty()) {
        log_.logLine(boxError);
        return;
    }

    log_.setStatus(QStringLiteral("TCP Status: Aguardando Conexão..."));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    QTcpSocket* tcp = session_.tcpClient;
    tcp->abort();  // whatever an earlier send left behind
    bool failed = false;
    QObject guard;  // ends the connection below with this send
    QObject::connect(tcp, &QAbstractSocket::errorOccurred, &guard, [&failed] { failed = true; });
    const QString where = QStringLiteral("%1:%2").arg(host).arg(port.value);

    // The connect runs in the background; the polls keep the window alive meanwhile.
    // It ends after 3000 ms or as many 10 ms polls, whichever comes first (polls take a
    // little longer than their period; a test's virtual clock has only the polls).
    QElapsedTimer connectTime;
    connectTime.start();
    tcp->connectToHost(QHostAddress(host), quint16(port.value));
    for (int polls = 0; polls < tcpConnectPolls && !connectTime.hasExpired(tcpConnectMs) && !failed
         && !exchange_.aborted() && tcp->state() != QAbstractSocket::ConnectedState;
         ++polls) {
        session_.consumeAnswer();
        exchange_.waitAnswer(1, {}, 10);
    }
    if (exchange_.aborted()) {
        tcp->abort();
        return;
    }
    if (tcp->state() != QAbstractSocket::ConnectedState) {
        const QString reason =
            failed ? tcp->errorString() : QStringLiteral("nenhuma resposta em %1 ms").arg(tcpConnectMs);
        tcp->abort();
        showError(QStringLiteral("Não foi possível conectar a %1: %2").arg(where, reason));
        return;
    }

    // A chunk that arrives from here on (even before the write) counts as the answer.
    const qint64 written = tcp->write(line.bytes);
    if (written == line.bytes.size() && !line.bytes.isEmpty())
        tcp->flush();  // hands the bytes to the system now, so that a refusal shows here
    if (written != line.bytes.size() || failed) {
        const QString reason = tcp->errorString();
        tcp->abort();
        showError(QStringLiteral("Falha ao enviar o comando a %1: %2").arg(where, reason));
        return;
    }

    const bool answered = exchange_.waitAnswer(tcpAnswerPolls, {}, tcpAnswerPollMs);
    if (answered)
        log_.setStatus(QStringLiteral("Comando enviado com sucesso!"));
    if (exchange_.aborted()) {
        tcp->abort();
        return;
    }
    // A device that closed or reset the connection after answering is no failure. Bytes
    // still on their way finish leaving before the close; the next send starts afresh.
    tcp->disconnectFromHost();
}

void TConsoleOps::sendOverUsb(const QString& text)
{
    if (!session_.usbConnected()) {
        log_.logLine(
            QStringLiteral("Não foi possível conectar a porta serial. Verifique a conexão e tente novamente..."));
        return;
    }
    const ondixconsole::TCommandLineBytes line = ondixconsole::commandLineBytes(text, ondixconsole::TCommandLink::usb);
    if (!line.ok) {
        showError(line.error);
        return;
    }
    log_.setStatus(QStringLiteral("Enviando comando..."));
    pause(1, usbPauseBeforeMs);
    if (exchange_.aborted())
        return;
    // No answer is awaited: the line goes behind its length like a frame. A cable pulled
    // during the pause or the write is said, not reported as a line sent.
    if (!session_.usbConnected()
        || session_.serialPort->WriteSerial(
               reinterpret_cast<const uint8_t*>(line.bytes.constData()), uint16_t(line.bytes.size()))
            != unsigned(line.bytes.size())) {
        log_.logLine(
            QStringLiteral("Não foi possível conectar a porta serial. Verifique a conexão e tente novamente..."));
        return;
    }
    pause(usbPausePolls, 10);
    log_.setStatus(QStringLiteral("Comando enviado com sucesso!"));
}
