// The device operations as plain calls: each takes its inputs as values, runs its exchange
// over the device session (request, wait, validation) and ends with a result: the values
// read, or the failure with the exact line the tool shows for it. Qt Core and Network only:
// the window and the command-line tool `ondix` are both faces over these calls.
//
// Waits keep the event loop running (the session's exchange waiter), so a window stays
// alive during them. One operation runs at a time: a call made while another one waits
// ends at once with `TOutcome::busy`.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "capture/irProtocol.h"
#include "capture/irSelection.h"
#include "capture/rfAnalysis.h"
#include "discovery/deviceInfo.h"
#include "link/deviceSession.h"
#include "rts/rtsTable.h"
#include "settings/clockFrames.h"
#include "settings/settingsFrames.h"

class TExchange;

namespace ondixdevice {

enum class TOutcome {
    done,  // the device answered and the answer was sound
    notSent,  // the request could not leave (cable closed, nothing to send)
    noAnswer,  // nothing came back within the wait
    badAnswer,  // an answer came back but was refused
    refused,  // an input value was refused: nothing was sent
    busy,  // another operation is waiting for its answer: nothing was sent
    aborted,  // the wait was ended from outside (the window is closing)
};

// What every operation ends with. `message` is the line the window shows for it: the
// success line ("Leitura dos parâmetros realizada com sucesso!", "CMD OK", ...), the
// time-out line ("Sem resposta!"), the refusal or failure line; empty when the tool shows
// nothing (a closed cable, an abort).
struct TResult {
    TOutcome outcome = TOutcome::notSent;
    QString message;
    bool ok() const { return outcome == TOutcome::done; }
};

// The information record of one device (50 bytes) with where it came from.
struct TUnit {
    TLinkKind link = TLinkKind::Usb;
    QString address;  // network: the sender's address; empty on the cable
    deviceinfo::Record record {};
};

struct TRecordResult : TResult {
    deviceinfo::Record record {};
};

// Each face words an empty search its own way (the window's advice, ondix's exit code), so
// the result carries no message.
struct TSearchResult : TResult {
    QList<TUnit> units;  // every unit that answered, once each, in the order they answered
};

struct TClockResult : TResult {
    ondixclock::clockRecord_t clock;
};

struct TRtsResult : TResult {
    eepromRemoteData_t table;
};

// A capture the device sent, with the analysis that turns it into a line.
struct TCaptureResult : TResult {
    TLinkKind link = TLinkKind::Usb;
    QByteArray capture;  // the bytes received (message header included)
    // RF: the analysis of the chosen mode (lines, raw lines, frame length). IR: the
    // selection (lines, frame length) and the protocol named when a whole frame is known.
    std::vector<std::string> infoLines;  // lines for the log; the command line when result is 0
    std::optional<std::vector<std::string>> rawLines;  // RF raw mode: one sample a line
    int analysisResult = -1;  // 0: a line was made; -1: the capture was refused
    size_t frameLength = 0;  // samples or words of the frame the analysis took
    std::optional<irDecoded_t> irProtocol;  // IR only
    bool captureWaitRanOut = false;  // acknowledged, but no key was captured in time
    QString line() const;  // the command line (empty when the analysis refused the capture)
};

struct TFlashResult : TResult {
    QString line;  // "[00][1F]..."
};

// What a learning tells while it runs: the device took the request (the window clears
// the log and shows "CMD OK", the prompt and an empty line), and the countdown of the
// capture wait in milliseconds, after every poll (10000, 9990, ...).
struct TLearningProgress {
    std::function<void()> sent;  // the request went out
    std::function<void(const QString& prompt)> acknowledged;
    std::function<void(int remainingMs)> countdown;
};

// What sending a command line tells while it runs: the status line ("TCP Status:
// Aguardando Conexão...", "Enviando comando...").
struct TSendProgress {
    std::function<void(const QString& status)> status;
};

enum class TLearnRfKind : uint16_t { automatic = 1, rts = 2 };

class TDeviceApi {
public:
    TDeviceApi(TDeviceSession& session, TExchange& exchange);

    TDeviceSession& session() { return session_; }
    TExchange& exchange() { return exchange_; }
    // True while an operation waits for its answer.
    bool busy() const;

    // ---- finding devices -----------------------------------------------------------
    // The information request over the cable ("Encontrado dispositivo na porta USB!").
    TRecordResult probeUsb();
    // Asks every address of `targets` (broadcast or unicast) at once, then collects every
    // record that answers for `collectMs` (polls of the waiter); each unit once. done with
    // at least one unit, noAnswer with none.
    TSearchResult search(const QStringList& targets, int collectMs = 1000);
    // The IPv4 broadcast addresses of the local interfaces, the loopback ones last.
    static QStringList broadcastTargets(const QList<QHostAddress>& localAddresses);

    // ---- settings and clock ----------------------------------------------------------
    TRecordResult readSettings(TLinkKind link, const QString& host);
    // The values replace the address, mask, gateway, DHCP flag and port; the MAC and the
    // rest of `lastRead` go back as they are (zero without one).
    TResult writeSettings(TLinkKind link, const QString& host, const ondixsettings::settingsValues_t& values,
        const deviceinfo::Record* lastRead);
    TClockResult getClock(TLinkKind link, const QString& host);
    TResult setClock(TLinkKind link, const QString& host, const QDateTime& localTime);

    // ---- learning --------------------------------------------------------------------
    // divisor: 8, 16 or 32. The analysis runs in `mode` (raw and smart ask the device for
    // kind 1, rts for kind 2).
    TCaptureResult learnRf(TLinkKind link, const QString& host, TRfCaptureMode mode, uint16_t divisor,
        const TLearningProgress& progress = {});
    TCaptureResult learnIr(
        TLinkKind link, const QString& host, TIrCaptureMode mode, const TLearningProgress& progress = {});
    // The analyses alone, on a capture already received.
    static TCaptureResult analyseRf(TLinkKind link, const QByteArray& capture, TRfCaptureMode mode, int divisor);
    static TCaptureResult analyseIr(TLinkKind link, const QByteArray& capture, TIrCaptureMode mode);

    // ---- RTS -------------------------------------------------------------------------
    TRtsResult readRts(TLinkKind link, const QString& host);
    // Over the cable any answer means done ("CMD OK"); over the network the 8-byte
    // acknowledgement is checked ("CMD_OK").
    TResult writeRts(TLinkKind link, const QString& host, const eepromRemoteData_t& table);

    // ---- command lines ---------------------------------------------------------------
    // Network: over TCP to host:port, the text as typed (one byte per character), done once
    // the device answers anything. Cable: the text and CR LF. Refusals name what was
    // refused; nothing leaves then.
    TResult sendCommandLine(TLinkKind link, const QString& host, const QString& portText, const QString& text,
        const TSendProgress& progress = {});

    // ---- service ---------------------------------------------------------------------
    TResult writeMac(TLinkKind link, const QString& host, const std::array<QString, 6>& boxes);
    // Over the cable only. Refusals of the texts are the flash frame's own lines.
    TFlashResult readFlash(
        const QString& addressText, const QString& quantityText, const std::function<void()>& reading = {});
    // The generic acknowledged command over the cable ("CMD OK").
    TResult usbCommand(uint8_t code);
    TResult firmwareUpdate();

    // Polls and waits, kept for tests and benchmarks.
    static constexpr int tcpConnectMs = 3000;
    static constexpr int tcpConnectPolls = 300;  // of 10 ms
    static constexpr int tcpAnswerPolls = 400;
    static constexpr int tcpAnswerPollMs = 9;
    static constexpr int usbPauseBeforeMs = 100;
    static constexpr int usbPausePolls = 50;

private:
    struct TRequest;
    TResult transact(const TRequest& request);
    TCaptureResult learn(TLinkKind link, const QString& host, const QByteArray& frame, int ackPolls, int ackPollMs,
        const QString& prompt, const TLearningProgress& progress);
    TResult sendOverTcp(
        const QString& host, const QString& portText, const QString& text, const TSendProgress& progress);
    TResult sendOverUsb(const QString& text, const TSendProgress& progress);
    void pause(int polls, int pollMs);

    TDeviceSession& session_;
    TExchange& exchange_;
};

}  // namespace ondixdevice
