#include "tests/support/deviceOps.h"

#include "tests/support/fakeHidWaiter.h"

#include <QJsonArray>
#include <QTest>
#include <QtWidgets>

namespace deviceops {

namespace {

using T = TfmPrincipal;
const struct {
    const char* name;
    uint8_t code;
    void (T::*click)();  // null: run() does more
} ops[] = {{"search", 0x03, nullptr}, {"settingsRead", 0x03, &T::Button2Click},
    {"settingsWrite", 0x04, &T::Button3Click}, {"rfLearn", 0x06, &T::bbLearningRFClick},
    {"irLearn", 0x07, &T::bbLearningIRClick}, {"clockGet", 0x0A, &T::getClock}, {"clockSet", 0x0B, &T::setClock},
    {"rtsRead", 0x08, nullptr}, {"rtsWrite", 0x09, nullptr}, {"macWrite", 0x05, &T::bbGravaMacAddrClick},
    {"flashRead", 0x15, &T::Button12Click}, {"firmware", 0x02, &T::FirmwareUpdate}, {"sendLine", 0, nullptr}};

QJsonArray jsonArray(const std::vector<uint16_t>& values)
{
    QJsonArray a;
    for (uint16_t v : values)
        a.append(int(v));
    return a;
}

}  // namespace

const char* name(Op op)
{
    return ops[int(op)].name;
}

uint8_t code(Op op)
{
    return ops[int(op)].code;
}

ondixsim::DeviceConfig cableDevice(std::array<uint8_t, 4> ip, int captureDelayMs)
{
    ondixsim::DeviceConfig c;
    c.ip = ip;
    c.rts.push_back({0, 0, 4660, 167, {0x0A, 0xFF, 0x00}});
    c.rfCapture = ondixsim::demoRfCapture();
    c.irCapture = ondixsim::demoIrCapture();
    c.rfCapture->delayMs = c.irCapture->delayMs = captureDelayMs;
    c.flashImage = ondixsim::Bytes {0x00, 0x1F, 0xFF};
    return c;
}

QJsonObject simDevice(const QString& ip, int captureDelayMs)
{
    const ondixsim::Capture rf = ondixsim::demoRfCapture(), ir = ondixsim::demoIrCapture();
    return {{"ip", ip},
        {"rts",
            QJsonArray {QJsonObject {{"type", 0}, {"rollingCode", 4660}, {"keyCode", 167}, {"remoteId", "0A-FF-00"}}}},
        {"rfCapture", QJsonObject {{"durations", jsonArray(rf.durations)}, {"delayMs", captureDelayMs}}},
        {"irCapture",
            QJsonObject {{"durations", jsonArray(ir.durations)}, {"irValue", 37900}, {"delayMs", captureDelayMs}}}};
}

void prepare(TfmPrincipal& w, const ondixsim::DeviceConfig& shown, const QString& deviceIp)
{
    w.showSettingsRecord(ondixsim::Device(shown).infoRecord(3).data());
    w.deviceIP = deviceIp;
    for (QWidget* c :
        std::initializer_list<QWidget*> {w.GroupBox1, w.GroupBox2, w.bbSendComd, w.pnControlesRTS, w.bbLearningRF})
        c->setEnabled(true);
    w.deviceClock.localTime = [] { return QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6)); };
    w.edAddr->setText("1");
    w.edQtd->setText("4");
}

void useLink(TfmPrincipal& w, bool network)
{
    w.exchange.setWaiter(network ? std::unique_ptr<TPollWaiter>(std::make_unique<TEventLoopWaiter>(2))
                                 : std::make_unique<TFakeHidWaiter>());
    w.netDeviceFound = network;
    w.usbDeviceFound = !network;
}

void run(TfmPrincipal& w, Op op, bool network)
{
    w.clearLog();
    w.logLine(before);
    if (op != Op::count && ops[int(op)].click)
        return (w.*ops[int(op)].click)();
    switch (op) {
    case Op::search:
        if (network)  // a broadcast search
            for (QLineEdit* box : {w.IP_4, w.IP_3, w.IP_2, w.IP_1})
                box->clear();
        w.bbFindDeviceClick();
        (void)QTest::qWaitFor([&w] { return !w.TimerOndixFound->isActive(); }, 3000);
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
    case Op::sendLine:
        w.mmInfo->setPlainText(typedLine);
        w.lbStatusBar->clear();
        w.bbSendComdClick();
        break;
    default:
        break;
    }
}

QStringList observed(TfmPrincipal& w, Op op)
{
    QStringList lines = w.logLines();
    if (op == Op::rtsRead)
        for (const QString& row : gridRows(w.sgRTSCodes))
            lines << "[grid] " + row;
    if (op == Op::sendLine)
        lines << "[status] " + w.lbStatusBar->text();
    return lines;
}

}  // namespace deviceops
