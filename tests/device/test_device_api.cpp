// The device operations without a window: the emulated device on the fake cable (virtual
// clock), the session and the exchange helper alone. Each row is one call: the frame that
// must leave, how the call ends, its line and how many polls it waited.
#include <QtTest>

#include "device/deviceApi.h"
#include "device/siteRecords.h"
#include "link/exchange.h"
#include "link/logSink.h"
#include "tests/capture/captureData.h"
#include "tests/support/bytesText.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

using namespace ondixdevice;

namespace {

class TQuietLog : public TLog {
public:
    void logLine(const QString&) override { }
    void clearLog() override { }
    QStringList logLines() const override { return {}; }
    void setStatus(const QString&) override { }
};

QList<QByteArray> written()
{
    QList<QByteArray> frames;
    for (const fakehid::Bytes& frame : fakehid::writtenFrames())
        frames.append(QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size())));
    return frames;
}

// 2025-03-07 09:05:00 read as if it were UTC.
long long fixedClock()
{
    return QDateTime(QDate(2025, 3, 7), QTime(9, 5), Qt::UTC).toSecsSinceEpoch();
}

using TCall = std::function<TResult(TDeviceApi&)>;
using TRemotes = std::vector<ondixsim::RtsRecord>;

rtsRemote_t remote(uint16_t rolling, uint8_t key, std::array<uint8_t, 3> id)
{
    return rtsRemote_t {0, 0, rolling, key, id};
}

QStringList tableText(const TRemotes& remotes)
{
    QStringList rows;
    for (const ondixsim::RtsRecord& r : remotes)
        rows << QStringLiteral("%1 %2 %3").arg(remoteIdText(r.remoteId)).arg(r.rollingCode).arg(r.keyCode);
    return rows;
}

}  // namespace

Q_DECLARE_METATYPE(TCall)
Q_DECLARE_METATYPE(TOutcome)

class TestDeviceApi : public QObject {
    Q_OBJECT
    TQuietLog log;
    std::unique_ptr<ondixsim::Device> device;
    std::unique_ptr<TDeviceSession> session;
    std::unique_ptr<TExchange> exchange;
    std::unique_ptr<TDeviceApi> api;
    TFakeHidWaiter* waiter = nullptr;

    void open(bool plugged = true)
    {
        cleanup();
        ondixsim::DeviceConfig config;
        config.rts.push_back({0, 0, 0x1234, 0xA7, {0x0A, 0xFF, 0x00}});
        device = std::make_unique<ondixsim::Device>(config, fixedClock);
        fakehid::attachDevice(*device);
        if (plugged)
            fakehid::plug();
        session = std::make_unique<TDeviceSession>();
        exchange = std::make_unique<TExchange>(*session);
        auto fake = std::make_unique<TFakeHidWaiter>();
        waiter = fake.get();
        exchange->setWaiter(std::move(fake));
        api = std::make_unique<TDeviceApi>(*session, *exchange);
        session->userConnect(log);
        fakehid::clearLogs();
    }

private slots:
    void cleanup()
    {
        api.reset();
        exchange.reset();
        session.reset();
        fakehid::reset();
    }

    void cable_data()
    {
        QTest::addColumn<TCall>("call");
        QTest::addColumn<fakehid::UsbFault>("fault");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<TOutcome>("outcome");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("polls");

        const auto none = fakehid::UsbFault::None;
        const auto silent = fakehid::UsbFault::NoAnswer;
        const auto bad = fakehid::UsbFault::BadChecksum;
        const QByteArray info = hex("454B0103940000 00");
        const QString noAnswer = QStringLiteral("Sem resposta!");
        const TCall probe = [](TDeviceApi& a) { return TResult(a.probeUsb()); };
        const TCall read = [](TDeviceApi& a) { return TResult(a.readSettings(TLinkKind::Usb, {})); };
        ondixsettings::settingsValues_t values;
        values.ip = {10, 0, 0, 7};
        values.mask = {255, 255, 255, 0};
        values.gateway = {10, 0, 0, 1};
        values.port = 4998;
        const TCall write = [values](TDeviceApi& a) { return a.writeSettings(TLinkKind::Usb, {}, values, nullptr); };
        const TCall getClock = [](TDeviceApi& a) { return TResult(a.getClock(TLinkKind::Usb, {})); };
        const TCall mac = [](TDeviceApi& a) {
            return a.writeMac(TLinkKind::Usb, {}, {"00", "1A", "2B", "3C", "4D", "5F"});
        };
        const TCall flash = [](TDeviceApi& a) { return TResult(a.readFlash("16", "4")); };
        const TCall firmware = [](TDeviceApi& a) { return a.firmwareUpdate(); };
        const TCall readRts = [](TDeviceApi& a) { return TResult(a.readRts(TLinkKind::Usb, {})); };
        const TCall writeRts = [](TDeviceApi& a) {
            eepromRemoteData_t table;
            table.count = 1;
            table.remotes[0] = remote(0x1234, 0xA7, {0x0A, 0xFF, 0x00});
            return a.writeRts(TLinkKind::Usb, {}, table);
        };
        // A line over the cable: a pause of one poll before it, 50 after; no answer awaited.
        const TCall line = [](TDeviceApi& a) {
            return a.sendCommandLine(TLinkKind::Usb, {}, {}, QStringLiteral("sendir,1:8,1,38000,1,1,10,20"));
        };
        // More flash data announced than the frame brings is refused, never read.
        const TCall cutFlash = [this](TDeviceApi& a) {
            device->config().faults[ondixsim::cmdFlashRead] = ondixsim::Fault {ondixsim::FaultKind::Truncated, 0, 12};
            return TResult(a.readFlash("0", "16"));
        };

        const auto row = [](const char* tag, const TCall& call, fakehid::UsbFault fault, const QByteArray& request,
                             TOutcome outcome, const QString& message, int polls) {
            QTest::newRow(tag) << call << fault << request << outcome << message << polls;
        };
        row("probe", probe, none, info, TOutcome::done, "Encontrado dispositivo na porta USB!", 1);
        row("probe silent", probe, silent, info, TOutcome::noAnswer, noAnswer, 100);
        row("read", read, none, info, TOutcome::done, "Leitura dos parâmetros realizada com sucesso!", 1);
        row("read bad", read, bad, info, TOutcome::badAnswer, "Falha na leitura dos parâmetros!", 1);
        row("write", write, none, hex("454B01040000 0A000007 FFFFFF00 0A000001 000000000000 00 8613"), TOutcome::done,
            "IP's gravados com sucesso!", 1);
        row("write silent", write, silent, {}, TOutcome::noAnswer, noAnswer, 500);
        row("write bad", write, bad, {}, TOutcome::badAnswer, "Falha de gravação dos parâmetros!", 1);
        row("clock", getClock, none, hex("454B010A9B000000"), TOutcome::done, "Date: 07/03/2025\nTime: 09:05:00", 1);
        row("clock silent", getClock, silent, {}, TOutcome::noAnswer, noAnswer, 100);
        row("mac silent", mac, silent, {}, TOutcome::noAnswer, noAnswer, 500);
        row("mac", mac, none, {}, TOutcome::done, "MAC Addr gravado com sucesso!", 1);
        row("flash", flash, none, {}, TOutcome::done, "[10][11][12][13]", 1);
        row("flash silent", flash, silent, {}, TOutcome::noAnswer, noAnswer, 1500);
        row("firmware", firmware, none, hex("454B0102040000000000970000 00"), TOutcome::done, "CMD OK", 1);
        row("rts", readRts, none, {}, TOutcome::done, QString(), 1);
        row("rts silent", readRts, silent, {}, TOutcome::noAnswer, noAnswer, 100);
        row("rts write", writeRts, none, {}, TOutcome::done, "CMD OK", 1);
        row("line", line, none, "sendir,1:8,1,38000,1,1,10,20\r\n", TOutcome::done, "Comando enviado com sucesso!",
            1 + 50);
        row("flash cut", cutFlash, none, {}, TOutcome::badAnswer,
            "Resposta da memória incompleta: anunciados 16 bytes de dados, recebidos 2. Leitura recusada.", 1);
    }
    void cable()
    {
        QFETCH(TCall, call);
        QFETCH(fakehid::UsbFault, fault);
        QFETCH(QByteArray, request);
        QFETCH(TOutcome, outcome);
        QFETCH(QString, message);
        QFETCH(int, polls);
        open();
        fakehid::setFault({fault, 0, 0, -1});
        const TResult result = call(*api);
        QCOMPARE(result.outcome, outcome);
        if (!message.isNull() || outcome != TOutcome::done)
            QCOMPARE(result.message, message);
        QCOMPARE(waiter->polls(), polls);
        QCOMPARE(written().size(), 1);
        QVERIFY(written().first().startsWith(request));
        QVERIFY(!api->busy());
    }

    // Refused inputs and a closed cable: nothing leaves, nothing is waited.
    void nothingSent()
    {
        const std::tuple<TCall, bool, TOutcome, QString> rows[] = {
            {[](TDeviceApi& a) { return a.setClock(TLinkKind::Usb, {}, QDateTime()); }, true, TOutcome::refused,
                QStringLiteral("Data e hora do computador inválidas: o relógio não foi acertado.")},
            {[](TDeviceApi& a) { return TResult(a.learnRf(TLinkKind::Usb, {}, TRfCaptureMode::smart, 12)); }, true,
                TOutcome::refused, QStringLiteral("Divisor inválido: 12 (use 8, 16 ou 32).")},
            {[](TDeviceApi& a) { return a.sendCommandLine(TLinkKind::Network, "127.0.0.9", "70000", "x"); }, true,
                TOutcome::refused,
                QStringLiteral("Valor inválido em Porta TCP: \"70000\" (use um número de 0 a 65535).")},
            {[](TDeviceApi& a) { return TResult(a.readSettings(TLinkKind::Usb, {})); }, false, TOutcome::notSent,
                QString()},
            {[](TDeviceApi& a) { return a.sendCommandLine(TLinkKind::Usb, {}, {}, "x"); }, false, TOutcome::notSent,
                QStringLiteral("Não foi possível conectar a porta serial. Verifique a conexão e tente novamente...")}};
        for (const auto& [call, plugged, outcome, message] : rows) {
            open(plugged);
            const TResult result = call(*api);
            QCOMPARE(result.outcome, outcome);
            if (!message.isEmpty())
                QCOMPARE(result.message, message);
            QCOMPARE(written().size(), 0);
            QCOMPARE(waiter->polls(), 0);
        }
    }

    // A second call while one waits is refused at once, and the first ends as it would.
    void busy()
    {
        open();
        fakehid::setFault({fakehid::UsbFault::Late, 50, 0, 1});
        QList<TOutcome> during;
        waiter->atPoll(2, [&] {
            during.append(api->readSettings(TLinkKind::Usb, {}).outcome);
            during.append(api->sendCommandLine(TLinkKind::Usb, {}, {}, "x").outcome);
            during.append(api->readFlash("0", "1").outcome);
        });
        QCOMPARE(api->getClock(TLinkKind::Usb, {}).outcome, TOutcome::done);
        QCOMPARE(during, (QList<TOutcome> {TOutcome::busy, TOutcome::busy, TOutcome::busy}));
        QCOMPARE(written().size(), 1);
    }

    // A learning over the cable: acknowledgement, prompt, countdown, then the capture's line.
    // A second copy of the acknowledgement (poll 5) is no capture: the countdown goes on.
    void learning()
    {
        open();
        device->config().rfCapture = ondixsim::demoRfCapture();
        waiter->atPoll(5, [] { fakehid::sendFrame(ondixsim::acknowledgement(ondixsim::cmdLearnRf)); });
        QStringList shown;
        TLearningProgress progress;
        progress.sent = [&] { shown.append("sent"); };
        progress.acknowledged = [&](const QString& prompt) { shown.append(prompt); };
        int countdowns = 0;
        int last = 0;
        progress.countdown = [&](int ms) { ++countdowns, last = ms; };
        const TCaptureResult result = api->learnRf(TLinkKind::Usb, {}, TRfCaptureMode::smart, 16, progress);
        QCOMPARE(result.outcome, TOutcome::done);
        QCOMPARE(shown, (QStringList {"sent", QStringLiteral("Pressione qualquer tecla do seu transmissor de RF...")}));
        QCOMPARE(written().first(), hex("454B0106040001001000AC000000"));
        QVERIFY(countdowns > 100);
        QCOMPARE(last, 10000 - 10 * (countdowns - 1));
        QVERIFY(result.line().startsWith("sendrf,2,"));
        QVERIFY(result.frameLength > 0);

        // No key pressed: the acknowledgement, the whole wait of 1000 polls, then the time-out line.
        const int before = waiter->polls();
        const TCaptureResult silent = api->learnIr(TLinkKind::Usb, {}, TIrCaptureMode::automatic, {});
        QCOMPARE(silent.outcome, TOutcome::noAnswer);
        QVERIFY(silent.captureWaitRanOut);
        QCOMPARE(silent.message, QStringLiteral("Sem resposta!"));
        QCOMPARE(waiter->polls() - before, 1 + 1000);
    }

    // A backup written back over a unit that went on being used: the unit's higher rolling codes
    // and the remotes paired since stay; a failed read or a plan too large writes nothing.
    void rtsRestore()
    {
        const QStringList before {"0A-FF-00 4660 167", "01-02-03 9 160", "0B-00-01 7 161"};
        // fault, outcome, the unit's table after, the lines, remotes more in the backup
        const std::tuple<fakehid::UsbFault, TOutcome, QStringList, QStringList, int> rows[] = {
            {fakehid::UsbFault::None, TOutcome::done, {"0A-FF-00 4660 167", "01-02-03 20 160", "0B-00-01 7 161"},
                {QStringLiteral("Controle 0A-FF-00: código 4608 da cópia elevado para 4660 (o atual da Ondix)."),
                    QStringLiteral("Controle 0B-00-01: mantido (pareado depois da cópia).")},
                0},
            {fakehid::UsbFault::BadChecksum, TOutcome::badAnswer, before, {}, 0},
            // 100 in the backup and the one paired since: more than the unit holds, as said.
            {fakehid::UsbFault::None, TOutcome::refused, before,
                {"A cópia e os controles novos da unidade somam 101 controles; a tabela guarda até 100. Nada foi "
                 "gravado."},
                98}};
        for (const auto& [fault, outcome, table, lines, added] : rows) {
            open();
            device->config().rts.push_back({0, 0, 9, 160, {0x01, 0x02, 0x03}});
            device->config().rts.push_back({0, 0, 7, 161, {0x0B, 0x00, 0x01}});
            rtsBackup_t backup;
            backup.unitMac = QStringLiteral("00:1A:2B:3C:4D:5E");
            backup.remotes = {remote(0x1200, 167, {0x0A, 0xFF, 0x00}), remote(20, 160, {0x01, 0x02, 0x03})};
            for (int i = 0; i < added; ++i)
                backup.remotes.push_back(remote(1, 170, {0x20, 0x00, uint8_t(i)}));
            fakehid::setFault({fault, 0, 0, -1});
            const TRtsRestoreResult result = restoreRts(*api, TLinkKind::Usb, {}, backup);
            QCOMPARE(result.outcome, outcome);
            QCOMPARE(outcome == TOutcome::refused ? QStringList {result.message} : result.lines, lines);
            QCOMPARE(tableText(device->config().rts), table);
            if (outcome != TOutcome::done)
                QCOMPARE(written().size(), 1);  // the read's request only
        }
    }

    // A real key press learned over the cable, as the library files it.
    void libraryCodeOfACapture()
    {
        QJsonObject entry;
        for (const QJsonValue& v : capturedata::corpus("ir.json"))
            if (v["name"] == "ir_ut_sirc_1000_1300_in1_p19")
                entry = v.toObject();
        const uint32_t carrier = uint32_t(entry["frequency"].toInt());
        const ondixsim::Capture capture {capturedata::durations(entry, carrier / 1e6), uint16_t(carrier)};
        open();
        device->config().irCapture = capture;
        const TCaptureResult learned = api->learnIr(TLinkKind::Usb, {}, TIrCaptureMode::automatic, {});
        QCOMPARE(learned.outcome, TOutcome::done);
        const QDateTime at(QDate(2026, 3, 14), QTime(15, 9), Qt::UTC);
        const auto code = libraryCodeOf(learned, TCodeKind::ir, QStringLiteral(" TV Liga "), "00:1A:2B:3C:4D:5E", at);
        QVERIFY(code);
        QCOMPARE(code->name, QStringLiteral("TV Liga"));
        QCOMPARE(code->line, learned.line());
        QCOMPARE(code->carrier, carrier);
        QCOMPARE(code->protocol, (libraryProtocol_t {"sirc12", 0x10, 0x13, 0}));
        QCOMPARE(code->captured, capture.durations);
        QVERIFY(code->frameLength > 0 && code->frameLength < code->captured.size());
        QCOMPARE(code->frameLength, uint32_t(learned.frameLength));
        QCOMPARE(code->learnedAt, at);
        TSiteLibrary library;
        QCOMPARE(library.addCode(*code), QString());
    }

    void broadcastTargets()
    {
        const QList<QHostAddress> local {QHostAddress("127.0.0.1"), QHostAddress("::1"), QHostAddress("10.1.2.3"),
            QHostAddress("127.0.0.2"), QHostAddress("192.168.7.9"), QHostAddress("10.1.2.4")};
        QCOMPARE(TDeviceApi::broadcastTargets(local), (QStringList {"10.1.2.255", "192.168.7.255", "127.0.0.255"}));
    }
};

QTEST_MAIN(TestDeviceApi)
#include "test_device_api.moc"
