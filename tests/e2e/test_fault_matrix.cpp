// Every device operation under every fault the emulators inject, through the real window:
// against ondix-sim across a private network (real event-loop waits) and against the
// emulated device on the fake cable (virtual clock). Each row checks the lines the
// operation ends with, that every control's enabled state and cursor are as before, and
// that the same operation works once the fault is gone.
//
// Network time: the waits run on the real event-loop waiter with a 2 ms poll period (the
// RF acknowledgement keeps its own 1 ms polls, the TCP answer its 9 ms ones), so a wait of
// 100 polls costs 0.2 s and one of 1000 polls 2 s. The rows that wait out a limit (no
// answer, late outside, garbage ahead of the answer, the silent TCP device) add up to about
// 40 s, the rows late inside it to about 6 s, the emulator's restarts (one per row) to
// about 20 s: about 70 s in all, the cable rows included (they cost only the settling of
// the fake).
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tests/support/fakeHidWaiter.h"
#include "tests/support/testNetwork.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

namespace {

enum class Op {
    search,
    settingsRead,
    settingsWrite,
    rfLearn,
    irLearn,
    clockGet,
    clockSet,
    rtsRead,
    rtsWrite,
    macWrite,
    flashRead,
    firmware,
    sendLine
};

// Fault columns: the device's faults (both links), then the cable's own. The cable's
// no-answer, late and checksum faults do at the cable what the device's do at the source,
// with the same outcome: the device's columns stand for them (tst_usb covers the cable's).
enum Col {
    noAnswer,
    lateIn,
    lateOut,
    badSum,
    zeroSum,
    duplicate,
    truncated,
    oversize,
    garbage,
    missingReport,
    detach,
    columns
};
const char* const colNames[columns] = {"noAnswer", "lateInside", "lateOutside", "badChecksum", "zeroChecksum",
    "duplicate", "truncated", "oversize", "garbage", "missingReport", "detach"};
const char* const deviceKinds[missingReport] = {
    "noAnswer", "late", "late", "badChecksum", "zeroChecksum", "duplicate", "truncated", "oversize", "garbage"};
constexpr int truncatedSize = 6, oversizeSize = 64, garbageSize = 16;

// Outcome letters, one per column: o the operation's success, t its time-out lines, b its
// refusal lines, x its own fourth outcome, - not meaningful here. Limits are the nominal
// waits in milliseconds (network: 2 ms polls; cable: 10 ms virtual polls), which place the
// late answers half-way in or three times out.
struct TOpRow {
    Op op;
    const char* name;
    uint8_t code;
    int netLimitMs;
    const char* net;  // 9 columns; empty: not over the network
    int cableLimitMs;
    const char* cable;  // 11 columns
};
// Network: every datagram of a search is a candidate record, so a bad or cut one is dropped
// (not found) and garbage ahead of the answer is dropped on its own; a late answer outside
// the wait still reaches the search's listener and lists the device (x). Elsewhere garbage
// ahead of an answer is gathered like the start of a capture and the answer is never seen.
// Over the cable the probe reports nothing of its own (t: the search's advice) and any
// answer to an RTS write counts; garbage arrives as a frame of its own right before the
// answer, which replaces it before the wait looks. A learning whose acknowledgement loses
// its data report gets the capture behind it during the acknowledgement wait, and refuses
// it as an acknowledgement (b).
// "Enviar" awaits an answer only over TCP, and a typed line has no frame to spoil: only
// the silent device (no answer) and the cable pulled away (detach) apply to it.
// Flash and firmware trigger exist only on the cable.
const TOpRow opRows[] = {
    {Op::search, "search", 0x03, 200, "toxttotoo", 1000, "totttotoott"},
    {Op::settingsRead, "settingsRead", 0x03, 200, "totbbobot", 1000, "totbboboott"},
    {Op::settingsWrite, "settingsWrite", 0x04, 1000, "totbbobot", 5000, "totbboboott"},
    {Op::rfLearn, "rfLearn", 0x06, 1000, "totbbobot", 1000, "totbboboobt"},
    {Op::irLearn, "irLearn", 0x07, 2000, "totbbobot", 1000, "totbboboobt"},
    {Op::clockGet, "clockGet", 0x0A, 2000, "totbbobot", 1000, "totbboboott"},
    {Op::clockSet, "clockSet", 0x0B, 2000, "totbbobot", 1000, "totbboboott"},
    {Op::rtsRead, "rtsRead", 0x08, 200, "totbbobot", 1000, "totbboboott"},
    {Op::rtsWrite, "rtsWrite", 0x09, 2000, "totbbobot", 1000, "totoooooott"},
    {Op::macWrite, "macWrite", 0x05, 1000, "totbbobot", 5000, "totbboboott"},
    {Op::flashRead, "flashRead", 0x15, 0, "", 15000, "totbboxoott"},
    {Op::firmware, "firmware", 0x02, 0, "", 1000, "totbboboott"},
    {Op::sendLine, "sendLine", 0, 3600, "t--------", 0, "----------t"},
};

const QString before = QStringLiteral("antes");
const QString typedLine = QStringLiteral("sendrf,2,5,1,300,900");
const QString rfLine = QStringLiteral(
    "sendrf,2,4,1,30,930,90,30,30,90,90,30,30,90,30,90,90,30,30,90,90,30,90,30,90,30,30,90,30,90,30,90,30,90,90,30,"
    "90,30,30,90,30,90,90,30,90,30,90,30,90,30,30,90,30,90");
const QString irLine = QStringLiteral("sendir,1:8,1,37900,3,1,342,171,21,21,21,64,21,64,21,1520");

QStringList adviceLines()
{
    return {QString(54, u'-'), "Nenhum dispositivo encontrado na rede!",
        "Verifique configurações de rede e/ou \"router\"...", "Para configurar o dispositivo, sem que saiba o IP, ",
        "conecte diretamente o dispositivo via cabo USB, no PC.", QString(54, u'-'), QString(74, u'-'),
        "Nenhum dispositivo encontrado via USB...", "Caso o dispositivo esteja conectado ao PC, verifique",
        "se o cabo USB que está sendo utilizado, seja cabo de DADOS.", QString(74, u'-')};
}

// The lines an operation ends with for an outcome letter. Lines starting with "~" are
// patterns (the network device's clock runs on the host's); "[status]" and "[grid]" lines
// stand for the status bar and the RTS grid.
QStringList expectedLines(Op op, bool network, char outcome, const QString& deviceIp)
{
    const QString timeout = QStringLiteral("Sem resposta!");
    const QString readFailure = QStringLiteral("Falha na leitura dos parâmetros!");
    const QString writeFailure = QStringLiteral("Falha de gravação dos parâmetros!");
    const auto learn = [&](const QString& line) {
        switch (outcome) {
        case 'o':
            return QStringList {line};
        case 't':
            return QStringList {before, timeout};
        default:
            return QStringList {before, readFailure};
        }
    };
    const auto plain = [&](const QStringList& ok, const QString& failure) {
        return outcome == 'o' ? ok : QStringList {before, outcome == 't' ? timeout : failure};
    };
    switch (op) {
    case Op::search: {
        const QStringList found {
            "Ondix encontrada em " + deviceIp + " ...", "Leitura dos parâmetros realizada com sucesso!"};
        // Over the cable, a failed probe is followed by a search of the address in the boxes,
        // the cable device's own.
        if (!network)
            return outcome == 'o' ? QStringList {before, "Encontrado dispositivo na porta USB!"}
                                  : QStringList {"Procurando Ondix no endereço 127.0.0.9 ..."} + adviceLines();
        const QStringList searching {"Procurando Ondix na interface de rede 0 ..."};
        if (outcome == 'o')
            return searching + found;
        return searching + adviceLines() + (outcome == 'x' ? found : QStringList {});
    }
    case Op::settingsRead:
        return plain({"Leitura dos parâmetros realizada com sucesso!"}, readFailure);
    case Op::settingsWrite:
        return plain({"IP's gravados com sucesso!"}, writeFailure);
    case Op::macWrite:
        return plain({"MAC Addr gravado com sucesso!"}, writeFailure);
    case Op::rfLearn:
        return learn(rfLine);
    case Op::irLearn:
        return learn(irLine);
    case Op::clockGet:
        return plain(network ? QStringList {before, "~^Date: \\d\\d/\\d\\d/\\d{4}$", "~^Time: \\d\\d:\\d\\d:\\d\\d$"}
                             : QStringList {before, "Date: 03/02/2031", "Time: 04:05:06"},
            readFailure);
    case Op::clockSet:
        return plain({before, "CMD_OK"}, readFailure);
    case Op::rtsRead:
        return plain({before, "[grid] 1 Somfy 167 4660 0A-FF-00"}, readFailure);
    case Op::rtsWrite:
        // Over the network the log is cleared before the write; over the cable any answer
        // is "CMD OK".
        if (network)
            return {outcome == 'o' ? "CMD_OK" : outcome == 't' ? timeout : readFailure};
        return outcome == 'o' ? QStringList {"CMD OK"} : QStringList {before, timeout};
    case Op::flashRead: {
        const QString reading = QStringLiteral("Lendo memória, aguarde...");
        switch (outcome) {
        case 'o':
            return {reading, "[1F][FF][FF][FF]"};
        case 't':
            return {reading, timeout};
        case 'b':
            return {reading, readFailure};
        default:  // the answer announces more data than arrived
            return {reading,
                "~^Resposta da memória incompleta: anunciados \\d+ bytes de dados, recebidos \\d+\\. "
                "Leitura recusada\\.$"};
        }
    }
    case Op::firmware:
        return plain({"CMD OK"}, readFailure);
    case Op::sendLine:
        if (outcome == 'o')
            return {typedLine, "[status] Comando enviado com sucesso!"};
        if (network)
            return {typedLine, "[status] TCP Status: Aguardando Conexão..."};
        return {typedLine, "Não foi possível conectar a porta serial. Verifique a conexão e tente novamente...",
            "[status] Ondix não conectada!"};
    }
    return {};
}

bool linesMatch(const QStringList& actual, const QStringList& expected)
{
    if (actual.size() != expected.size())
        return false;
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const QString& e = expected[i];
        if (e.startsWith(u'~') ? !QRegularExpression(e.mid(1)).match(actual[i]).hasMatch() : actual[i] != e)
            return false;
    }
    return true;
}

QStringList gridRows(const QTableWidget* grid)
{
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << "[grid] " + cells.join(u' ');
    }
    return rows;
}

// Every control's enabled state and whether it carries a cursor of its own.
struct TControls {
    QList<QPointer<QWidget>> widgets;
    QList<std::pair<bool, bool>> states;
};

TControls snapshot(TfmPrincipal& w)
{
    TControls c;
    QList<QWidget*> all = w.findChildren<QWidget*>();
    all.prepend(&w);
    for (QWidget* x : all) {
        c.widgets << x;
        c.states << std::pair {x->isEnabled(), x->testAttribute(Qt::WA_SetCursor)};
    }
    return c;
}

// Controls whose state differs from the snapshot, except those inside `exempt`.
QStringList changedControls(const TControls& was, const QList<QWidget*>& exempt)
{
    QStringList changed;
    for (qsizetype i = 0; i < was.widgets.size(); ++i) {
        QWidget* x = was.widgets[i];
        if (!x || std::any_of(exempt.begin(), exempt.end(), [x](QWidget* e) { return e == x || e->isAncestorOf(x); }))
            continue;
        const std::pair now {x->isEnabled(), x->testAttribute(Qt::WA_SetCursor)};
        if (now != was.states[i])
            changed << QStringLiteral("%1 %2 enabled %3->%4 cursor %5->%6")
                           .arg(x->metaObject()->className(), x->objectName())
                           .arg(was.states[i].first)
                           .arg(now.first)
                           .arg(was.states[i].second)
                           .arg(now.second);
    }
    return changed;
}

QJsonArray jsonArray(const std::vector<uint16_t>& values)
{
    QJsonArray a;
    for (uint16_t v : values)
        a.append(int(v));
    return a;
}

long long fixedDeviceClock()
{
    return QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6), QTimeZone::utc()).toSecsSinceEpoch();
}

}  // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
    TTestNetwork net_ {QStringLiteral("fm%1").arg(QCoreApplication::applicationPid())};
    std::unique_ptr<TfmPrincipal> window_;
    std::unique_ptr<ondixsim::Device> cable_;

    // ---- the device with one fault on one command code, for one request ----------------
    QJsonObject simDevice(const TOpRow& row, int col) const
    {
        ondixsim::Capture rf = ondixsim::demoRfCapture(), ir = ondixsim::demoIrCapture();
        QJsonObject d {{"ip", net_.deviceAddress(0)},
            {"rts",
                QJsonArray {
                    QJsonObject {{"type", 0}, {"rollingCode", 4660}, {"keyCode", 167}, {"remoteId", "0A-FF-00"}}}},
            {"rfCapture", QJsonObject {{"durations", jsonArray(rf.durations)}, {"delayMs", 50}}},
            {"irCapture", QJsonObject {{"durations", jsonArray(ir.durations)}, {"irValue", 37900}, {"delayMs", 50}}}};
        if (row.op == Op::sendLine) {
            if (col == noAnswer)
                d.insert("tcpAnswer", QJsonValue::Null);
        } else if (col >= 0) {
            d.insert("faults",
                QJsonObject {{QStringLiteral("0x%1").arg(row.code, 2, 16, QChar(u'0')),
                    QJsonObject {{"kind", deviceKinds[col]}, {"delayMs", lateMs(row.netLimitMs, col, true)},
                        {"size", faultSize(col)}, {"times", 1}}}});
        }
        return d;
    }
    static int faultSize(int col)
    {
        return col == truncated ? truncatedSize : col == oversize ? oversizeSize : garbageSize;
    }
    static int lateMs(int limitMs, int col, bool network)
    {
        if (col == lateIn)
            return limitMs / 2;
        if (col == lateOut)
            return network ? 3 * limitMs : limitMs + 100;
        return 0;
    }

    void cableDevice(const TOpRow& row, int col)
    {
        ondixsim::DeviceConfig c;
        c.ip = {127, 0, 0, 9};  // a search that falls back to the network stays on loopback
        c.rts.push_back({0, 0, 4660, 167, {0x0A, 0xFF, 0x00}});
        c.rfCapture = ondixsim::demoRfCapture();
        c.irCapture = ondixsim::demoIrCapture();
        c.rfCapture->delayMs = c.irCapture->delayMs = 50;
        c.flashImage = ondixsim::Bytes {0x00, 0x1F, 0xFF};
        if (col >= 0 && col < missingReport && row.op != Op::sendLine) {
            const ondixsim::FaultKind kinds[] = {ondixsim::FaultKind::NoAnswer, ondixsim::FaultKind::Late,
                ondixsim::FaultKind::Late, ondixsim::FaultKind::BadChecksum, ondixsim::FaultKind::ZeroChecksum,
                ondixsim::FaultKind::Duplicate, ondixsim::FaultKind::Truncated, ondixsim::FaultKind::Oversize,
                ondixsim::FaultKind::Garbage};
            c.faults[row.code] = {kinds[col], lateMs(row.cableLimitMs, col, false), faultSize(col), 1, -1};
        }
        fakehid::setResponder(nullptr);
        cable_ = std::make_unique<ondixsim::Device>(c, fixedDeviceClock);
        fakehid::reset();
        fakehid::plug();
        fakehid::attachDevice(*cable_);
        if (col == missingReport)
            fakehid::setFault({fakehid::UsbFault::MissingDataReport, 0, 0, 1});
        if (col == detach)  // the answer is on its way when the cable goes
            fakehid::setFault({fakehid::UsbFault::Late, 30, 0, 1});
    }

    // ---- the window as a search leaves it ---------------------------------------------
    TfmPrincipal& window(bool network)
    {
        if (network) {
            window_ = std::make_unique<TfmPrincipal>(nullptr, false);
            window_->exchange.setWaiter(std::make_unique<TEventLoopWaiter>(2));
            window_->localAddressSource = [this] { return QList<QHostAddress> {QHostAddress(net_.toolAddress())}; };
        } else {
            window_ = makeTestWindow();
            window_->localAddressSource = [] { return QList<QHostAddress> {QHostAddress::LocalHost}; };
        }
        TfmPrincipal& w = *window_;
        ondixsim::DeviceConfig shown;
        if (network)
            shown.ip = {10, 231, 13, 10};
        else
            shown = cable_->config();
        const ondixsim::Bytes record = ondixsim::Device(shown).infoRecord(3);
        w.showSettingsRecord(record.data());
        w.netDeviceFound = network;
        w.usbDeviceFound = !network;
        w.deviceIP = network ? net_.deviceAddress(0) : QString();
        for (QWidget* c :
            std::initializer_list<QWidget*> {w.GroupBox1, w.GroupBox2, w.bbSendComd, w.pnControlesRTS, w.bbLearningRF})
            c->setEnabled(true);
        w.deviceClock.localTime = [] { return QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6)); };
        w.edAddr->setText("1");
        w.edQtd->setText("4");
        return w;
    }

    // Puts the window where the operation starts from and runs it through the window.
    void run(TfmPrincipal& w, Op op, bool network)
    {
        w.clearLog();
        w.logLine(before);
        switch (op) {
        case Op::search:
            if (network)  // a broadcast search
                for (QLineEdit* box : {w.IP_4, w.IP_3, w.IP_2, w.IP_1})
                    box->clear();
            w.bbFindDeviceClick();
            (void)QTest::qWaitFor([&w] { return !w.TimerOndixFound->isActive(); }, 3000);
            break;
        case Op::settingsRead:
            w.Button2Click();
            break;
        case Op::settingsWrite:
            w.Button3Click();
            break;
        case Op::rfLearn:
            w.bbLearningRFClick();
            break;
        case Op::irLearn:
            w.bbLearningIRClick();
            break;
        case Op::clockGet:
            w.getClock();
            break;
        case Op::clockSet:
            w.setClock();
            break;
        case Op::rtsRead:
            w.rtsTable.count = 0;
            w.parseRemotes(&w.rtsTable);
            w.bbRefreshRemotesClick();
            break;
        case Op::rtsWrite: {
            const uint8_t remote[8] = {0, 0, 0x34, 0x12, 0xA7, 0x0A, 0xFF, 0x00};
            w.rtsTable.count = 1;
            w.rtsTable.remotes[0] = rtsRecordFromBytes(remote);
            network ? w.setRTS_byNetWork(&w.rtsTable) : w.setRTS_byUSB(&w.rtsTable);
            break;
        }
        case Op::macWrite:
            w.bbGravaMacAddrClick();
            break;
        case Op::flashRead:
            w.Button12Click();
            break;
        case Op::firmware:
            w.FirmwareUpdate();
            break;
        case Op::sendLine:
            w.mmInfo->setPlainText(typedLine);
            w.lbStatusBar->clear();
            w.bbSendComdClick();
            break;
        }
    }

    static QStringList observed(TfmPrincipal& w, Op op)
    {
        QStringList lines = w.logLines();
        if (op == Op::rtsRead)
            lines << gridRows(w.sgRTSCodes);
        if (op == Op::sendLine)
            lines << "[status] " + w.lbStatusBar->text();
        return lines;
    }

private slots:
    void initTestCase() { QVERIFY(net_.up(1, 13) && net_.enterToolNamespace()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup()
    {
        window_.reset();
        net_.stopSim();
        fakehid::setResponder(nullptr);
        cable_.reset();
        fakehid::reset();
    }
    void cleanupTestCase() { net_.down(); }

    void matrix_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("col");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("exemptDeviceControls");
        for (bool network : {true, false})
            for (const TOpRow& row : opRows) {
                const char* outcomes = network ? row.net : row.cable;
                for (int col = 0; col < int(strlen(outcomes)); ++col) {
                    if (outcomes[col] == '-')
                        continue;
                    // A search that finds nothing leaves the device controls disabled.
                    const bool notFound = row.op == Op::search && (outcomes[col] == 't');
                    const char* name = !network && row.op == Op::search ? "probe" : row.name;
                    QTest::addRow("%s/%s/%s", network ? "net" : "cable", name, colNames[col])
                        << network << int(row.op) << col
                        << expectedLines(row.op, network, outcomes[col], QStringLiteral("10.231.13.10")) << notFound;
                }
            }
    }
    void matrix()
    {
        QFETCH(bool, network);
        QFETCH(int, op);
        QFETCH(int, col);
        QFETCH(QStringList, lines);
        QFETCH(bool, exemptDeviceControls);
        const TOpRow& row =
            *std::find_if(std::begin(opRows), std::end(opRows), [op](const TOpRow& r) { return int(r.op) == op; });
        if (network)
            QVERIFY(net_.startSim(QJsonObject {{"devices", QJsonArray {simDevice(row, col)}}}));
        else
            cableDevice(row, col);
        TfmPrincipal& w = window(network);
        if (!network && col == detach)
            fakeWaiter(w).atPoll(1, [] { fakehid::detach(); });
        const TControls was = snapshot(w);

        run(w, row.op, network);
        if (!network && col == detach)  // the reader has seen the cable go
            (void)QTest::qWaitFor([&w] { return w.lbStatusBar->text() == u"Ondix não conectada!"; }, 2000);
        QStringList seen = observed(w, row.op);
        if (network && row.op == Op::search && col == lateOut) {
            // The late record reaches the listener of the search that gave up on it.
            (void)QTest::qWaitFor(
                [&w] { return w.netDeviceFound && !w.TimerOndixFound->isActive(); }, 3 * row.netLimitMs + 2000);
            seen = observed(w, row.op);
        }
        QVERIFY2(linesMatch(seen, lines), qPrintable(seen.join(u'\n')));
        QList<QWidget*> exempt;
        if (exemptDeviceControls)
            exempt = {w.GroupBox1, w.GroupBox2, w.bbSendComd, w.pnControlesRTS};
        QCOMPARE(changedControls(was, exempt), QStringList {});

        // Without the fault the operation works, whatever the faulty one left behind.
        if (network && row.op == Op::sendLine) {
            window_.reset();
            QVERIFY(net_.startSim(QJsonObject {{"devices", QJsonArray {simDevice(row, -1)}}}));
            window(true);
        }
        if (network)
            QTest::qWait(300);  // duplicates and late pieces still on the way arrive while nothing waits
        if (!network) {
            fakehid::advance(20000);  // late answers arrive while nothing waits
            settleFakeHid();
            if (col == detach) {
                fakehid::plug();
                w.session.usbArrival();
            }
        }
        run(*window_, row.op, network);
        const QStringList ok = expectedLines(row.op, network, 'o', QStringLiteral("10.231.13.10"));
        QVERIFY2(linesMatch(observed(*window_, row.op), ok), qPrintable(observed(*window_, row.op).join(u'\n')));
        if (!exemptDeviceControls && !(network && row.op == Op::sendLine))
            QCOMPARE(changedControls(was, {}), QStringList {});
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestFaultMatrix test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_fault_matrix.moc"
