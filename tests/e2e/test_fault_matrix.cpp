// Every device operation under every fault the emulators inject, through the real window:
// against ondix-sim across a private network (real event-loop waits of 2 ms polls) and
// against the emulated device on the fake cable (virtual clock). Each row checks the lines
// the operation ends with, that every control's enabled state and cursor are as before,
// and that the same operation works once the fault is gone.
#include <QJsonArray>
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "tests/support/deviceOps.h"
#include "tests/support/fakeHidWaiter.h"
#include "tests/support/simFixture.h"
#include "tools/fakehid/fakehid.h"

using deviceops::before;
using deviceops::Op;
using deviceops::typedLine;

namespace {

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
using K = ondixsim::FaultKind;
const K cableKinds[missingReport] = {K::NoAnswer, K::Late, K::Late, K::BadChecksum, K::ZeroChecksum, K::Duplicate,
    K::Truncated, K::Oversize, K::Garbage};

// Outcome letters, one per column: o the operation's success, t its time-out lines, b its
// refusal lines, x its own fourth outcome, - not meaningful here. Limits are the nominal
// waits in milliseconds (network: 2 ms polls; cable: 10 ms virtual polls), which place the
// late answers half-way in or three times out.
struct TOpRow {
    Op op;
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
    {Op::search, 200, "toxttotoo", 1000, "totttotoott"},
    {Op::settingsRead, 200, "totbbobot", 1000, "totbboboott"},
    {Op::settingsWrite, 1000, "totbbobot", 5000, "totbboboott"},
    {Op::rfLearn, 1000, "totbbobot", 1000, "totbboboobt"},
    {Op::irLearn, 2000, "totbbobot", 1000, "totbboboobt"},
    {Op::clockGet, 2000, "totbbobot", 1000, "totbboboott"},
    {Op::clockSet, 2000, "totbbobot", 1000, "totbboboott"},
    {Op::rtsRead, 200, "totbbobot", 1000, "totbboboott"},
    {Op::rtsWrite, 2000, "totbbobot", 1000, "totoooooott"},
    {Op::macWrite, 1000, "totbbobot", 5000, "totbboboott"},
    {Op::flashRead, 0, "", 15000, "totbboxoott"},
    {Op::firmware, 0, "", 1000, "totbboboott"},
    {Op::sendLine, 3600, "t--------", 0, "----------t"},
};

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
QStringList expectedLines(Op op, bool network, char outcome)
{
    const QString timeout = QStringLiteral("Sem resposta!");
    const QString readFailure = QStringLiteral("Falha na leitura dos parâmetros!");
    const auto plain = [&](const QStringList& ok, const QString& failure) {
        return outcome == 'o' ? ok : QStringList {before, outcome == 't' ? timeout : failure};
    };
    switch (op) {
    case Op::search: {
        const QStringList found {
            "Ondix encontrada em 10.231.13.10 ...", "Leitura dos parâmetros realizada com sucesso!"};
        // Over the cable, a failed probe is followed by a search of the address in the boxes,
        // the cable device's own.
        if (!network)
            return outcome == 'o' ? QStringList {before, "Encontrado dispositivo na porta USB!"}
                                  : QStringList {"Procurando Ondix no endereço 127.0.0.9 ..."} + adviceLines();
        return QStringList {"Procurando Ondix na interface de rede 0 ..."}
        + (outcome == 'o' ? QStringList {} : adviceLines()) + (outcome == 't' ? QStringList {} : found);
    }
    case Op::settingsRead:
        return plain({"Leitura dos parâmetros realizada com sucesso!"}, readFailure);
    case Op::settingsWrite:
        return plain({"IP's gravados com sucesso!"}, "Falha de gravação dos parâmetros!");
    case Op::macWrite:
        return plain({"MAC Addr gravado com sucesso!"}, "Falha de gravação dos parâmetros!");
    case Op::rfLearn:
        return plain({rfLine}, readFailure);
    case Op::irLearn:
        return plain({irLine}, readFailure);
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
        if (outcome == 'x')  // the answer announces more data than arrived
            return {reading,
                "~^Resposta da memória incompleta: anunciados \\d+ bytes de dados, recebidos \\d+\\. "
                "Leitura recusada\\.$"};
        return {reading, outcome == 'o' ? QStringLiteral("[1F][FF][FF][FF]") : outcome == 't' ? timeout : readFailure};
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
    case Op::count:
        break;
    }
    return {};
}

bool linesMatch(const QStringList& actual, const QStringList& expected)
{
    return std::equal(
        actual.begin(), actual.end(), expected.begin(), expected.end(), [](const QString& a, const QString& e) {
            return e.startsWith(u'~') ? QRegularExpression(e.mid(1)).match(a).hasMatch() : a == e;
        });
}

// Every control with its enabled state and whether it carries a cursor of its own.
using TControls = QList<std::tuple<QPointer<QWidget>, bool, bool>>;

TControls snapshot(TfmPrincipal& w)
{
    TControls c {{&w, w.isEnabled(), w.testAttribute(Qt::WA_SetCursor)}};
    for (QWidget* x : w.findChildren<QWidget*>())
        c.append({x, x->isEnabled(), x->testAttribute(Qt::WA_SetCursor)});
    return c;
}

// Controls whose state differs from the snapshot, except those inside `exempt`.
QStringList changedControls(const TControls& was, const QList<QWidget*>& exempt)
{
    QStringList changed;
    for (const auto& [x, enabled, cursor] : was) {
        QWidget* const now = x;
        if (!now || std::any_of(exempt.begin(), exempt.end(), [now](QWidget* e) {
                return e == now || e->isAncestorOf(now);
            }))
            continue;
        if (now->isEnabled() != enabled || now->testAttribute(Qt::WA_SetCursor) != cursor)
            changed << QStringLiteral("%1 %2 enabled %3 cursor %4")
                           .arg(now->metaObject()->className(), now->objectName())
                           .arg(now->isEnabled())
                           .arg(now->testAttribute(Qt::WA_SetCursor));
    }
    return changed;
}

int faultSize(int col)
{
    return col == truncated ? 6 : col == oversize ? 64 : 16;
}
int lateMs(int limitMs, int col, bool network)
{
    return col == lateIn ? limitMs / 2 : col != lateOut ? 0 : network ? 3 * limitMs : limitMs + 100;
}

}  // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
    TSimFixture fx_ {"fm", 1, 13};

    // The device with one fault on the operation's command code, for one request.
    bool startDevice(const TOpRow& row, int col, bool network)
    {
        const bool fault = col >= 0 && row.op != Op::sendLine;
        if (network) {
            QJsonObject d = deviceops::simDevice(fx_.net.deviceAddress(0));
            if (row.op == Op::sendLine && col == noAnswer)
                d.insert("tcpAnswer", QJsonValue::Null);
            if (fault)
                d.insert("faults",
                    QJsonObject {{QStringLiteral("0x%1").arg(deviceops::code(row.op), 2, 16, QChar(u'0')),
                        QJsonObject {{"kind", deviceKinds[col]}, {"delayMs", lateMs(row.netLimitMs, col, true)},
                            {"size", faultSize(col)}, {"times", 1}}}});
            return fx_.net.startSim(QJsonObject {{"devices", QJsonArray {d}}});
        }
        ondixsim::DeviceConfig c = deviceops::cableDevice({127, 0, 0, 9});
        if (fault && col < missingReport)
            c.faults[deviceops::code(row.op)] = {
                cableKinds[col], lateMs(row.cableLimitMs, col, false), faultSize(col), 1, -1};
        fakehid::setResponder(nullptr);
        fx_.cable = std::make_unique<ondixsim::Device>(
            c, [] { return QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6), QTimeZone::utc()).toSecsSinceEpoch(); });
        fakehid::reset();
        fakehid::plug();
        fakehid::attachDevice(*fx_.cable);
        if (col == missingReport)
            fakehid::setFault({fakehid::UsbFault::MissingDataReport, 0, 0, 1});
        if (col == detach)  // the answer is on its way when the cable goes
            fakehid::setFault({fakehid::UsbFault::Late, 30, 0, 1});
        return true;
    }

    // The window as a search leaves it.
    TfmPrincipal& window(bool network)
    {
        fx_.window = network ? std::make_unique<TfmPrincipal>(nullptr, false) : makeTestWindow();
        TfmPrincipal& w = *fx_.window;
        const QHostAddress local =
            network ? QHostAddress(fx_.net.toolAddress()) : QHostAddress(QHostAddress::LocalHost);
        w.localAddressSource = [local] { return QList<QHostAddress> {local}; };
        ondixsim::DeviceConfig shown;
        shown.ip = {10, 231, 13, 10};
        deviceops::prepare(w, network ? shown : fx_.cable->config(), network ? fx_.net.deviceAddress(0) : QString());
        deviceops::useLink(w, network);
        return w;
    }

private slots:
    void initTestCase() { QVERIFY(fx_.up()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup() { fx_.reset(); }
    void cleanupTestCase() { fx_.net.down(); }

    void matrix_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("col");
        for (bool network : {true, false})
            for (int r = 0; r < int(std::size(opRows)); ++r) {
                const TOpRow& row = opRows[r];
                const char* outcomes = network ? row.net : row.cable;
                for (int col = 0; col < int(strlen(outcomes)); ++col)
                    if (outcomes[col] != '-')
                        QTest::addRow("%s/%s/%s", network ? "net" : "cable",
                            !network && row.op == Op::search ? "probe" : deviceops::name(row.op), colNames[col])
                            << network << r << col;
            }
    }
    void matrix()
    {
        QFETCH(bool, network);
        QFETCH(int, index);
        QFETCH(int, col);
        const TOpRow& row = opRows[index];
        const char outcome = (network ? row.net : row.cable)[col];
        // A search that finds nothing leaves the device controls disabled.
        const bool exemptDeviceControls = row.op == Op::search && outcome == 't';
        QVERIFY(startDevice(row, col, network));
        TfmPrincipal& w = window(network);
        if (!network && col == detach)
            fakeWaiter(w).atPoll(1, [] { fakehid::detach(); });
        const TControls was = snapshot(w);

        deviceops::run(w, row.op, network);
        if (!network && col == detach)  // the reader has seen the cable go
            (void)QTest::qWaitFor([&w] { return w.lbStatusBar->text() == u"Ondix não conectada!"; }, 2000);
        if (network && row.op == Op::search && col == lateOut)
            // The late record reaches the listener of the search that gave up on it.
            (void)QTest::qWaitFor(
                [&w] { return w.netDeviceFound && !w.TimerOndixFound->isActive(); }, 3 * row.netLimitMs + 2000);
        const QStringList seen = deviceops::observed(w, row.op);
        QVERIFY2(linesMatch(seen, expectedLines(row.op, network, outcome)), qPrintable(seen.join(u'\n')));
        const QList<QWidget*> deviceControls {w.GroupBox1, w.GroupBox2, w.bbSendComd, w.pnControlesRTS};
        QCOMPARE(changedControls(was, exemptDeviceControls ? deviceControls : QList<QWidget*> {}), QStringList {});

        // Without the fault the operation works, whatever the faulty one left behind.
        if (network && row.op == Op::sendLine) {
            fx_.window.reset();
            QVERIFY(startDevice(row, -1, true));
            window(true);
        }
        if (network) {
            QTest::qWait(300);  // duplicates and late pieces still on the way arrive while nothing waits
        } else {
            fakehid::advance(20000);  // late answers arrive while nothing waits
            settleFakeHid();
            if (col == detach) {
                fakehid::plug();
                w.session.usbArrival();
            }
        }
        TfmPrincipal& again = *fx_.window;
        deviceops::run(again, row.op, network);
        const QStringList after = deviceops::observed(again, row.op);
        QVERIFY2(linesMatch(after, expectedLines(row.op, network, 'o')), qPrintable(after.join(u'\n')));
        if (!exemptDeviceControls && !(network && row.op == Op::sendLine))
            QCOMPARE(changedControls(was, {}), QStringList {});
    }
};

ONDIX_NETWORK_TEST_MAIN(QApplication, TestFaultMatrix)

#include "test_fault_matrix.moc"
