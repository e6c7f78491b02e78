// Each operation reads as its steps: the frame, the answer length, the wait, the checks,
// and the line that says how it ended. The frames and the decoding are pure (link/frames,
// settingsFrames, clockFrames, rtsTable, serviceFrames, the capture analyses).
#include "device/deviceApi.h"

#include <QAbstractSocket>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>

#include <algorithm>

#include "console/consoleCommands.h"
#include "console/serviceFrames.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace ondixdevice {

namespace {

// Why a connection or a write failed, in the tool's words.
QString socketErrorText(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("conexão recusada (nada atende nessa porta)");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("o dispositivo encerrou a conexão");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("endereço não encontrado");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("o sistema não permitiu a conexão");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("faltam recursos do sistema para a conexão");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("tempo esgotado");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("rede inacessível ou endereço sem resposta");
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("endereço já em uso");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("endereço não disponível neste computador");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("operação não suportada pelo sistema");
    case QAbstractSocket::ProxyAuthenticationRequiredError:
    case QAbstractSocket::ProxyConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
    case QAbstractSocket::ProxyNotFoundError:
    case QAbstractSocket::ProxyProtocolError:
        return QStringLiteral("falha no proxy de rede");
    default:
        return QStringLiteral("erro de rede desconhecido");
    }
}

constexpr uint8_t informationRequestCode = 0x03;
constexpr uint8_t learnRfCode = 0x06;
constexpr uint8_t learnIrCode = 0x07;
constexpr int acknowledgementLength = 8;
constexpr int informationWaitPolls = 100;
constexpr int settingsWriteWaitPolls = 500;
constexpr int clockUsbWaitPolls = 100;
constexpr int clockNetworkWaitPolls = 1000;
constexpr int rtsReadWaitPolls = 100;
constexpr int rtsUsbWriteWaitPolls = 100;
constexpr int rtsNetworkWriteWaitPolls = 1000;
constexpr int macWaitPolls = 500;
constexpr int flashWaitPolls = 1500;
constexpr int usbCommandWaitPolls = 100;
constexpr int learnAckPolls = 100;
constexpr int learnNetworkAckPolls = 1000;
constexpr int captureWaitPolls = 1000;
constexpr int countdownStartMs = 10000;
constexpr int countdownStepMs = 10;
constexpr uint32_t maxTcpPort = 65535;

const QString noAnswerText = QStringLiteral("Sem resposta!");
const QString readFailureText = QStringLiteral("Falha na leitura dos parâmetros!");
const QString writeFailureText = QStringLiteral("Falha de gravação dos parâmetros!");
const QString serialClosedText =
    QStringLiteral("Não foi possível conectar a porta serial. Verifique a conexão e tente novamente...");
const QString sentText = QStringLiteral("Comando enviado com sucesso!");

TResult resultOf(TOutcome outcome, const QString& message = {})
{
    return TResult {outcome, message};
}

QByteArray learnRfFrame(uint16_t kind, uint16_t divisor)
{
    QByteArray parameters(4, '\0');
    parameters[0] = char(kind & 0xFF);
    parameters[1] = char(kind >> 8);
    parameters[2] = char(divisor & 0xFF);
    parameters[3] = char(divisor >> 8);
    return ondixframe::parameterFrame(learnRfCode, parameters);
}

QByteArray bytesOf(const TDeviceSession& session, size_t count)
{
    return QByteArray(reinterpret_cast<const char*>(session.answerBuf.data()), qsizetype(count));
}

}  // namespace

QString TCaptureResult::line() const
{
    if (analysisResult != 0 || infoLines.empty())
        return {};
    return QString::fromStdString(infoLines.back());
}

// One request and how its outcomes read.
struct TDeviceApi::TRequest {
    TLinkKind link = TLinkKind::Usb;
    QByteArray frame;
    QString host;
    int answerLength = acknowledgementLength;
    int waitLimit = 100;
    QString validMessage;
    QString invalidMessage = readFailureText;
    bool consume = true;
};

TDeviceApi::TDeviceApi(TDeviceSession& session, TExchange& exchange) : session_(session), exchange_(exchange) { }

bool TDeviceApi::busy() const
{
    return exchange_.busy();
}

TResult TDeviceApi::transact(const TRequest& request)
{
    switch (exchange_.transact(
        request.link, request.frame, request.host, request.answerLength, request.waitLimit, request.consume)) {
    case TExchangeOutcome::Busy:
        return resultOf(TOutcome::busy);
    case TExchangeOutcome::LinkClosed:
        return resultOf(TOutcome::notSent);
    case TExchangeOutcome::TimedOut:
        return exchange_.aborted() ? resultOf(TOutcome::aborted) : resultOf(TOutcome::noAnswer, noAnswerText);
    case TExchangeOutcome::Invalid:
        return resultOf(TOutcome::badAnswer, request.invalidMessage);
    case TExchangeOutcome::Valid:
        break;
    }
    return resultOf(TOutcome::done, request.validMessage);
}

// ---- finding devices ---------------------------------------------------------------------

TRecordResult TDeviceApi::probeUsb()
{
    TRequest request;
    request.link = TLinkKind::Usb;
    request.frame = ondixframe::bodilessFrame(informationRequestCode);
    request.answerLength = int(deviceinfo::recordSize);
    request.waitLimit = informationWaitPolls;
    request.validMessage = QStringLiteral("Encontrado dispositivo na porta USB!");
    request.invalidMessage.clear();
    request.consume = false;
    TRecordResult result;
    result.TResult::operator=(transact(request));
    if (result.ok())
        std::copy_n(session_.answerBuf.begin(), result.record.size(), result.record.begin());
    return result;
}

QStringList TDeviceApi::broadcastTargets(const QList<QHostAddress>& localAddresses)
{
    // The loopback interface answers only for an emulator on this computer: it is asked
    // after every real network.
    QStringList real;
    QStringList loopback;
    for (const QHostAddress& address : localAddresses) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const QString target = deviceinfo::broadcastFor(address.toString());
        QStringList& list = address.isLoopback() ? loopback : real;
        if (!real.contains(target) && !loopback.contains(target))
            list.append(target);
    }
    return real + loopback;
}

TSearchResult TDeviceApi::search(const QStringList& targets, int collectMs)
{
    TSearchResult result;
    if (busy()) {
        result.outcome = TOutcome::busy;
        return result;
    }
    TExchange::TScope running(exchange_);
    QObject receiver;
    QObject::connect(&session_, &TDeviceSession::discoveryDatagram, &receiver,
        [&result](const QByteArray& datagram, const QHostAddress& sender) {
            // Too short to hold a record, a wrong checksum, or a unit already listed: dropped.
            const std::optional<deviceinfo::Record> record = deviceinfo::recordOfDatagram(datagram);
            if (!record)
                return;
            for (const TUnit& known : result.units)
                if (deviceinfo::sameDevice(known.record.data(), record->data()))
                    return;
            TUnit unit;
            unit.link = TLinkKind::Network;
            unit.address = QHostAddress(sender.toIPv4Address()).toString();
            unit.record = *record;
            result.units.append(unit);
        });

    session_.discoveryActive = true;
    session_.expectAnswer(TLinkKind::Network);
    const QByteArray request = ondixframe::bodilessFrame(informationRequestCode);
    for (const QString& target : targets)
        session_.sendDatagram(request, target);

    // Every poll ends early when something arrives; the clock bounds the collection, and a
    // poll count bounds it where the waiter's time is not the clock's (tests).
    const int pollLimit = std::max(1, collectMs / 10) * 4;
    QElapsedTimer elapsed;
    elapsed.start();
    const auto never = [this] { return exchange_.aborted(); };
    for (int polls = 0; polls < pollLimit && !elapsed.hasExpired(collectMs) && !exchange_.aborted(); ++polls)
        exchange_.waiter().poll(session_, never);
    session_.discoveryActive = false;
    session_.endExpectation();

    if (exchange_.aborted())
        result.outcome = TOutcome::aborted;
    else if (result.units.isEmpty())
        result.outcome = TOutcome::noAnswer;
    else
        result.outcome = TOutcome::done;
    return result;
}

// ---- settings and clock --------------------------------------------------------------------

TRecordResult TDeviceApi::readSettings(TLinkKind link, const QString& host)
{
    TRequest request;
    request.link = link;
    request.frame = ondixframe::bodilessFrame(informationRequestCode);
    request.host = host;
    // Refused below 50 bytes: a short answer is never completed with what an earlier one
    // left in the buffer.
    request.answerLength = int(deviceinfo::recordSize);
    request.waitLimit = informationWaitPolls;
    request.validMessage = QStringLiteral("Leitura dos parâmetros realizada com sucesso!");
    TRecordResult result;
    result.TResult::operator=(transact(request));
    if (result.ok())
        std::copy_n(session_.answerBuf.begin(), result.record.size(), result.record.begin());
    return result;
}

TResult TDeviceApi::writeSettings(TLinkKind link, const QString& host, const ondixsettings::settingsValues_t& values,
    const deviceinfo::Record* lastRead)
{
    TRequest request;
    request.link = link;
    request.host = host;
    request.waitLimit = settingsWriteWaitPolls;
    request.invalidMessage = writeFailureText;
    request.validMessage = QStringLiteral("IP's gravados com sucesso!");
    // A closed cable sends nothing: the frame is only built when it can leave.
    if (link == TLinkKind::Network || session_.usbConnected())
        request.frame = ondixsettings::writeSettingsFrame(values, lastRead);
    return transact(request);
}

TClockResult TDeviceApi::getClock(TLinkKind link, const QString& host)
{
    TRequest request;
    request.link = link;
    request.frame = ondixclock::getClockRequest();
    request.host = host;
    // Refused below 17 bytes, before anything is decoded.
    request.answerLength = ondixclock::clockAnswerLength;
    request.waitLimit = link == TLinkKind::Network ? clockNetworkWaitPolls : clockUsbWaitPolls;
    TClockResult result;
    result.TResult::operator=(transact(request));
    if (result.ok()) {
        result.clock = ondixclock::decodeClockAnswer(session_.answerBuf.data(), session_.answerBytes()).record;
        result.message = ondixclock::clockLogText(result.clock);
    }
    return result;
}

TResult TDeviceApi::setClock(TLinkKind link, const QString& host, const QDateTime& localTime)
{
    TRequest request;
    request.link = link;
    request.host = host;
    request.waitLimit = link == TLinkKind::Network ? clockNetworkWaitPolls : clockUsbWaitPolls;
    request.validMessage = QStringLiteral("CMD_OK");
    // The time is taken once, when the frame is built; a closed cable sends nothing.
    if (link == TLinkKind::Network || session_.usbConnected()) {
        request.frame = ondixclock::setClockFrame(localTime);
        if (request.frame.isEmpty())
            return resultOf(
                TOutcome::refused, QStringLiteral("Data e hora do computador inválidas: o relógio não foi acertado."));
    }
    return transact(request);
}

// ---- learning ------------------------------------------------------------------------------

TCaptureResult TDeviceApi::learn(TLinkKind link, const QString& host, const QByteArray& frame, int ackPolls,
    int ackPollMs, const QString& prompt, const TLearningProgress& progress)
{
    TCaptureResult result;
    result.link = link;
    if (busy()) {
        result.outcome = TOutcome::busy;
        return result;
    }
    TExchange::TScope running(exchange_);
    const auto finish = [this, &result](TOutcome outcome, const QString& message = {}) {
        session_.endExpectation();
        result.outcome = exchange_.aborted() ? TOutcome::aborted : outcome;
        result.message = exchange_.aborted() ? QString() : message;
        return result;
    };
    if (!exchange_.send(link, frame, host))
        return finish(TOutcome::notSent);
    if (progress.sent)
        progress.sent();

    const bool acknowledged = exchange_.waitAnswer(ackPolls, {}, ackPollMs);
    if (exchange_.aborted())
        return finish(TOutcome::aborted);
    if (!acknowledged)
        return finish(TOutcome::noAnswer, noAnswerText);
    if (!exchange_.validate(acknowledgementLength))
        return finish(TOutcome::badAnswer, readFailureText);
    const QByteArray acknowledgement = bytesOf(session_, acknowledgementLength);
    if (progress.acknowledged)
        progress.acknowledged(prompt);
    session_.clearAnswer(link);

    // A second copy of the acknowledgement (a device or network that repeats it) is no
    // capture: it is dropped and the countdown goes on where it was. No capture message
    // can equal it: its length word would have to be 4.
    int pollsDone = 0;
    bool captured = false;
    for (;;) {
        int polled = 0;
        captured = exchange_.waitAnswer(captureWaitPolls - pollsDone, [&progress, pollsDone, &polled](int poll) {
            polled = poll + 1;
            if (progress.countdown)
                progress.countdown(countdownStartMs - countdownStepMs * (pollsDone + poll));
        });
        pollsDone += polled;
        const bool repeated = captured && session_.answerBytes() == size_t(acknowledgementLength)
            && bytesOf(session_, acknowledgementLength) == acknowledgement;
        if (!repeated || exchange_.aborted())
            break;
        session_.clearAnswer(link);
        if (pollsDone >= captureWaitPolls) {
            captured = false;
            break;
        }
    }
    if (exchange_.aborted())
        return finish(TOutcome::aborted);
    if (!captured) {
        result.captureWaitRanOut = true;
        return finish(TOutcome::noAnswer, noAnswerText);
    }
    result.capture = bytesOf(session_, session_.receivedBytes(link));
    return finish(TOutcome::done);
}

TCaptureResult TDeviceApi::learnRf(
    TLinkKind link, const QString& host, TRfCaptureMode mode, uint16_t divisor, const TLearningProgress& progress)
{
    if (divisor != 8 && divisor != 16 && divisor != 32) {
        TCaptureResult refused;
        refused.link = link;
        refused.outcome = TOutcome::refused;
        refused.message = QStringLiteral("Divisor inválido: %1 (use 8, 16 ou 32).").arg(divisor);
        return refused;
    }
    const uint16_t kind = uint16_t(mode == TRfCaptureMode::rts ? TLearnRfKind::rts : TLearnRfKind::automatic);
    // Over the network the acknowledgement is looked for every millisecond.
    const bool network = link == TLinkKind::Network;
    TCaptureResult result =
        learn(link, host, learnRfFrame(kind, divisor), network ? learnNetworkAckPolls : learnAckPolls, network ? 1 : 0,
            QStringLiteral("Pressione qualquer tecla do seu transmissor de RF..."), progress);
    if (!result.ok())
        return result;
    TCaptureResult analysed = analyseRf(link, result.capture, mode, divisor);
    analysed.outcome = result.outcome;
    return analysed;
}

TCaptureResult TDeviceApi::learnIr(
    TLinkKind link, const QString& host, TIrCaptureMode mode, const TLearningProgress& progress)
{
    TCaptureResult result = learn(link, host, ondixframe::bodilessFrame(learnIrCode),
        link == TLinkKind::Network ? learnNetworkAckPolls : learnAckPolls, 0,
        QStringLiteral("Pressione qualquer tecla do seu controle remoto..."), progress);
    if (!result.ok())
        return result;
    TCaptureResult analysed = analyseIr(link, result.capture, mode);
    analysed.outcome = result.outcome;
    return analysed;
}

TCaptureResult TDeviceApi::analyseRf(TLinkKind link, const QByteArray& capture, TRfCaptureMode mode, int divisor)
{
    TCaptureResult result;
    result.outcome = TOutcome::done;
    result.link = link;
    result.capture = capture;
    TRfAnalysisResult analysis =
        analyseRfCapture(reinterpret_cast<const uint8_t*>(capture.constData()), size_t(capture.size()), mode, divisor);
    result.infoLines = std::move(analysis.infoLines);
    result.rawLines = std::move(analysis.rawLines);
    result.analysisResult = analysis.result;
    result.frameLength = analysis.frameLength;
    return result;
}

TCaptureResult TDeviceApi::analyseIr(TLinkKind link, const QByteArray& capture, TIrCaptureMode mode)
{
    TCaptureResult result;
    result.outcome = TOutcome::done;
    result.link = link;
    result.capture = capture;
    const auto* bytes = reinterpret_cast<const uint8_t*>(capture.constData());
    TIrSelectionResult selection = selectIrCapture(bytes, size_t(capture.size()), mode);
    result.infoLines = std::move(selection.infoLines);
    result.analysisResult = selection.result;
    result.frameLength = selection.frameLength;
    if (selection.result == 0)
        result.irProtocol = decodeIrCapture(bytes, size_t(capture.size()));
    return result;
}

// ---- RTS -----------------------------------------------------------------------------------

TRtsResult TDeviceApi::readRts(TLinkKind link, const QString& host)
{
    TRequest request;
    request.link = link;
    request.frame = rtsReadRequest();
    request.host = host;
    request.answerLength = 0;  // parameter block: length at offsets 4-5
    request.waitLimit = rtsReadWaitPolls;
    TRtsResult result;
    result.TResult::operator=(transact(request));
    // A sound checksum is not enough: a table longer than ours or a count that its own
    // length cannot hold is refused as well.
    if (result.ok() && !rtsDecodeAnswer(session_.answerBuf.data(), session_.answerBytes(), result.table)) {
        result.outcome = TOutcome::badAnswer;
        result.message = readFailureText;
        result.table = {};
    }
    return result;
}

TResult TDeviceApi::writeRts(TLinkKind link, const QString& host, const eepromRemoteData_t& table)
{
    if (busy())
        return resultOf(TOutcome::busy);
    const QByteArray frame = rtsWriteFrame(table);
    if (frame.isEmpty())
        return resultOf(TOutcome::refused);  // a count beyond the table's room
    TExchange::TScope running(exchange_);
    TResult result = resultOf(TOutcome::notSent);
    if (exchange_.send(link, frame, host)) {
        const bool answered =
            exchange_.waitAnswer(link == TLinkKind::Network ? rtsNetworkWriteWaitPolls : rtsUsbWriteWaitPolls);
        if (exchange_.aborted())
            result = resultOf(TOutcome::aborted);
        else if (!answered)
            result = resultOf(TOutcome::noAnswer, noAnswerText);
        else if (link == TLinkKind::Usb)
            result = resultOf(TOutcome::done, QStringLiteral("CMD OK"));  // any answer means done
        else if (exchange_.validate(acknowledgementLength))
            result = resultOf(TOutcome::done, QStringLiteral("CMD_OK"));
        else
            result = resultOf(TOutcome::badAnswer, readFailureText);
    }
    session_.endExpectation();
    return result;
}

// ---- command lines -------------------------------------------------------------------------

TResult TDeviceApi::sendCommandLine(
    TLinkKind link, const QString& host, const QString& portText, const QString& text, const TSendProgress& progress)
{
    if (busy())
        return resultOf(TOutcome::busy);
    TExchange::TScope running(exchange_);
    // Nothing else is awaited while the line goes out: only the TCP reader raises the flag.
    session_.endExpectation();
    session_.consumeAnswer();
    return link == TLinkKind::Network ? sendOverTcp(host, portText, text, progress) : sendOverUsb(text, progress);
}

void TDeviceApi::pause(int polls, int pollMs)
{
    // One poll at a time with the flag down, so that nothing that arrives cuts it short.
    for (int i = 0; i < polls && !exchange_.aborted(); ++i) {
        session_.consumeAnswer();
        exchange_.waitAnswer(1, {}, pollMs);
    }
}

TResult TDeviceApi::sendOverTcp(
    const QString& host, const QString& portText, const QString& text, const TSendProgress& progress)
{
    // Everything that can be refused is refused before a connection is made.
    const ondixconsole::TCommandLineBytes line =
        ondixconsole::commandLineBytes(text, ondixconsole::TCommandLink::network);
    if (!line.ok)
        return resultOf(TOutcome::refused, line.error);
    const ondixsettings::TNumberField port =
        ondixsettings::parseDecimalField(QStringLiteral("edPort"), portText, maxTcpPort);
    if (!port.ok)
        return resultOf(TOutcome::refused, port.error);
    const QHostAddress address(host);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol)
        return resultOf(TOutcome::refused, QStringLiteral("Endereço IP inválido: \"%1\".").arg(host));

    if (progress.status)
        progress.status(QStringLiteral("TCP Status: Aguardando Conexão..."));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    QTcpSocket* tcp = session_.tcpClient;
    tcp->abort();  // whatever an earlier send left behind
    bool failed = false;
    QObject guard;  // ends the connection below with this send
    QObject::connect(tcp, &QAbstractSocket::errorOccurred, &guard, [&failed] { failed = true; });
    const QString where = QStringLiteral("%1:%2").arg(host).arg(port.value);

    // The connect runs in the background; the polls keep the event loop alive meanwhile.
    // It ends after 3000 ms or as many 10 ms polls, whichever comes first (polls take a
    // little longer than their period; a test's virtual clock has only the polls).
    QElapsedTimer connectTime;
    connectTime.start();
    tcp->connectToHost(address, quint16(port.value));
    for (int polls = 0; polls < tcpConnectPolls && !connectTime.hasExpired(tcpConnectMs) && !failed
         && !exchange_.aborted() && tcp->state() != QAbstractSocket::ConnectedState;
         ++polls) {
        session_.consumeAnswer();
        exchange_.waitAnswer(1, {}, 10);
    }
    if (exchange_.aborted()) {
        tcp->abort();
        return resultOf(TOutcome::aborted);
    }
    if (tcp->state() != QAbstractSocket::ConnectedState) {
        const QString reason =
            failed ? socketErrorText(tcp->error()) : QStringLiteral("nenhuma resposta em %1 ms").arg(tcpConnectMs);
        tcp->abort();
        if (progress.status)
            progress.status(QStringLiteral("TCP Status: Falha na conexão"));
        return resultOf(TOutcome::notSent, QStringLiteral("Não foi possível conectar a %1: %2").arg(where, reason));
    }

    // A chunk that arrives from here on (even before the write) counts as the answer.
    session_.tapFrame(TFrameDirection::sent, TLinkKind::Network, line.bytes);
    const qint64 written = tcp->write(line.bytes);
    if (written == line.bytes.size() && !line.bytes.isEmpty())
        tcp->flush();  // hands the bytes to the system now, so that a refusal shows here
    if (written != line.bytes.size() || failed) {
        const QString reason = socketErrorText(tcp->error());
        tcp->abort();
        if (progress.status)
            progress.status(QStringLiteral("TCP Status: Falha no envio"));
        return resultOf(TOutcome::notSent, QStringLiteral("Falha ao enviar o comando a %1: %2").arg(where, reason));
    }

    const bool answered = exchange_.waitAnswer(tcpAnswerPolls, {}, tcpAnswerPollMs);
    if (exchange_.aborted()) {
        tcp->abort();
        return resultOf(TOutcome::aborted);
    }
    // A device that closed or reset the connection after answering is no failure. Bytes
    // still on their way finish leaving before the close; the next send starts afresh.
    tcp->disconnectFromHost();
    return answered ? resultOf(TOutcome::done, sentText) : resultOf(TOutcome::noAnswer);
}

TResult TDeviceApi::sendOverUsb(const QString& text, const TSendProgress& progress)
{
    if (!session_.usbConnected())
        return resultOf(TOutcome::notSent, serialClosedText);
    const ondixconsole::TCommandLineBytes line = ondixconsole::commandLineBytes(text, ondixconsole::TCommandLink::usb);
    if (!line.ok)
        return resultOf(TOutcome::refused, line.error);
    if (progress.status)
        progress.status(QStringLiteral("Enviando comando..."));
    pause(1, usbPauseBeforeMs);
    if (exchange_.aborted())
        return resultOf(TOutcome::aborted);
    // No answer is awaited: the line goes behind its length like a frame. A cable pulled
    // during the pause or the write is said, not reported as a line sent.
    if (!session_.usbConnected() || !session_.writeUsb(line.bytes))
        return resultOf(TOutcome::notSent, serialClosedText);
    pause(usbPausePolls, 10);
    return resultOf(TOutcome::done, sentText);
}

// ---- service -------------------------------------------------------------------------------

TResult TDeviceApi::writeMac(TLinkKind link, const QString& host, const std::array<QString, 6>& boxes)
{
    TRequest request;
    request.link = link;
    request.frame = ondixservice::writeMacFrame(boxes);
    request.host = host;
    request.waitLimit = macWaitPolls;
    request.invalidMessage = writeFailureText;
    request.validMessage = QStringLiteral("MAC Addr gravado com sucesso!");
    return transact(request);
}

TFlashResult TDeviceApi::readFlash(
    const QString& addressText, const QString& quantityText, const std::function<void()>& reading)
{
    TFlashResult result;
    if (busy()) {
        result.outcome = TOutcome::busy;
        return result;
    }
    if (!session_.usbConnected()) {
        result.outcome = TOutcome::notSent;
        return result;
    }
    // Texts that are no decimal number, and quantities whose answer would not fit the
    // cable's 10000-byte frame, are refused here: nothing is sent.
    const ondixservice::TFlashRequest request = ondixservice::flashReadRequest(addressText, quantityText);
    if (!request.ok) {
        result.outcome = TOutcome::refused;
        result.message = request.error;
        return result;
    }
    TExchange::TScope running(exchange_);
    const auto finish = [this, &result](TOutcome outcome, const QString& message = {}) {
        session_.endExpectation();
        result.outcome = outcome;
        result.message = message;
        return result;
    };
    if (!exchange_.send(TLinkKind::Usb, request.frame))
        return finish(TOutcome::notSent);
    if (reading)
        reading();
    if (!exchange_.waitAnswer(flashWaitPolls))
        return exchange_.aborted() ? finish(TOutcome::aborted) : finish(TOutcome::noAnswer, noAnswerText);

    const uint8_t* answer = session_.answerBuf.data();
    const size_t received = session_.answerBytes();
    const int announced = ondixframe::parameterAnswerLength(answer, received);
    if (announced > int(received)) {
        // More data announced than the frame brought (a frame cut at the reader's buffer,
        // or a wrong length field): never read past what arrived.
        return finish(TOutcome::badAnswer,
            QStringLiteral("Resposta da memória incompleta: anunciados %1 bytes de dados, "
                           "recebidos %2. Leitura recusada.")
                .arg(announced - 10)
                .arg(qMax(0, int(received) - 10)));
    }
    const ondixservice::TFlashDump dump = ondixservice::decodeFlashAnswer(answer, received);
    if (!dump.ok)
        return finish(TOutcome::badAnswer, readFailureText);
    session_.consumeAnswer();
    result.line = dump.line;
    return finish(TOutcome::done, dump.line);
}

TResult TDeviceApi::usbCommand(uint8_t code)
{
    TRequest request;
    request.link = TLinkKind::Usb;
    // Four parameter bytes without meaning, sent as zero.
    request.frame = ondixframe::parameterFrame(code, QByteArray(4, '\0'));
    request.waitLimit = usbCommandWaitPolls;
    request.validMessage = QStringLiteral("CMD OK");
    return transact(request);
}

TResult TDeviceApi::firmwareUpdate()
{
    return usbCommand(ondixservice::firmwareUpdateCode);
}

}  // namespace ondixdevice
