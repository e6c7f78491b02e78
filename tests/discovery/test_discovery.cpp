// Finding devices: the record's rules (a table), then the window's side of a search: the
// interface list, the listener's discovery branch, the chooser, the boxes filled and the
// buttons enabled, and the USB probe. Answers are injected into the listener on chosen
// polls; every datagram the search sends goes to loopback. Searches against the emulator on a
// private network (one unit, three, one address asked, interfaces in order): test_e2e; a
// search under each fault, the advice when nothing answers among them: test_fault_matrix.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "app/dialogs.h"
#include "discovery/chooseOndixUnit.h"
#include "discovery/deviceInfo.h"
#include "tests/support/bytesText.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

namespace {

ondixsim::DeviceConfig unit(
    std::array<uint8_t, 4> ip, uint16_t firmware = 21, uint8_t rf = 1, const std::string& ident = "ONDX000000000001")
{
    ondixsim::DeviceConfig config;
    config.ip = ip;
    config.firmware = firmware;
    config.rfFlag = rf;
    config.ident = ident;
    return config;
}

QByteArray record(std::array<uint8_t, 4> ip, uint8_t code = 0x0C, uint16_t firmware = 21, uint8_t rf = 1)
{
    const ondixsim::Bytes bytes = ondixsim::Device(unit(ip, firmware, rf)).infoRecord(code);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

QHostAddress addr(const char* text)
{
    return QHostAddress(QString::fromLatin1(text));
}

QStringList logOf(TfmPrincipal& w)
{
    return w.mmInfo->toPlainText().split(QLatin1Char('\n'));
}

// The window with a loopback-only interface list: the search's requests stay on this host.
std::unique_ptr<TfmPrincipal> searchWindow(const QList<QHostAddress>& interfaces = {addr("127.0.0.1")})
{
    fakehid::reset();
    auto window = makeTestWindow();
    window->localAddressSource = [interfaces] { return interfaces; };
    return window;
}

// What the window shows once a search or the probe found a device.
bool deviceControlsEnabled(TfmPrincipal& w)
{
    return w.GroupBox1->isEnabled() && w.GroupBox2->isEnabled() && w.bbSendComd->isEnabled()
        && w.pnControlesRTS->isEnabled() && w.bbFindDevice->isEnabled() && w.TabControl1->isEnabled();
}

}  // namespace

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TDialogs::setScripted(true);
        TDialogs::resetScript();
    }
    void display();
    void datagrams();
    void interfaceList();

    void oneDeviceShownWithoutDialog();
    void threeDevicesChosenInTheChooser();
    void announcementOutsideSearch();
    void answerOnHundredthPollDoesNotCount();
    void usbProbe();
};

// How a record is shown: the version as value / 10 "." value % 10, the MAC in hex, the
// identification up to its first zero byte with its 4th letter a 'W' on an RF-capable unit.
void TestDiscovery::display()
{
    const std::tuple<int, int, QByteArray, const char*, const char*> rows[] = {
        {21, 1, "ABCDEFGHIJKLMNOP", "2.1", "ABCWEFGHIJKLMNOP"}, {7, 0, "ABCDEFGHIJKLMNOP", "0.7", "ABCDEFGHIJKLMNOP"},
        {100, 2, "SALA-ESTAR", "10.0", "SALW-ESTAR"}, {5, 1, "AB", "0.5", "AB"},  // the RF mark falls in the padding
        {21, 0, QByteArray("ONDX\0garbage", 12), "2.1", "ONDX"}};  // firmware, RF flag, ident, shown
    for (const auto& [firmware, rf, ident, version, shown] : rows) {
        ondixsim::DeviceConfig config = unit({192, 168, 0, 50}, uint16_t(firmware), uint8_t(rf), ident.toStdString());
        config.mac = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0xFF};
        config.dhcp = rf == 0;
        const ondixsim::Bytes r = ondixsim::Device(config).infoRecord(3);
        const auto d = deviceinfo::display(r.data());
        QCOMPARE(QStringList({d.mac[0], d.mac[5], d.ip[0], d.ip[3], d.port, d.firmware, d.ident}),
            QStringList({"0A", "FF", "192", "50", "4998", version, shown}));
        QCOMPARE((QList<bool> {d.rfCapable, d.dhcp}), (QList<bool> {rf != 0, rf == 0}));
    }
}

// The discovery branch takes a zero checksum over zero bytes, a direct read does not; a
// changed byte, a short datagram and the search's own request coming back are dropped.
// Units are told apart by their whole address.
void TestDiscovery::datagrams()
{
    const QByteArray good = record({10, 0, 0, 1});
    QByteArray changed = good, zero(50, '\0');
    changed[47] = char(changed[47] + 1);
    QVERIFY(deviceinfo::validAnswer(u8(good)) && !deviceinfo::validAnswer(u8(zero)));
    QVERIFY(deviceinfo::recordOfDatagram(good) && deviceinfo::recordOfDatagram(zero));
    for (const QByteArray& dropped : {changed, good.left(49), QByteArray::fromHex("454b010394000000")})
        QVERIFY(!deviceinfo::recordOfDatagram(dropped));
    QVERIFY(deviceinfo::sameDevice(u8(good), u8(record({10, 0, 0, 1}, 3, 99, 0))));
    QVERIFY(!deviceinfo::sameDevice(u8(good), u8(record({10, 0, 0, 2}))));
    QCOMPARE(deviceinfo::broadcastFor("abc"), QStringLiteral("255"));
}

// IPv4 only, the loopback interfaces last (a desktop lists them first); each searched at
// its /24 broadcast address. The system's own list is the default source.
void TestDiscovery::interfaceList()
{
    auto w = searchWindow(
        {addr("127.0.0.1"), addr("::1"), addr("10.1.2.3"), addr("fe80::1"), addr("127.1.0.2"), addr("172.16.0.4")});
    QStringList local, broadcast;
    w->GetLocalIPList(local, broadcast);
    QCOMPARE(local, (QStringList {"10.1.2.3", "172.16.0.4", "127.0.0.1", "127.1.0.2"}));
    QCOMPARE(broadcast, (QStringList {"10.1.2.255", "172.16.0.255", "127.0.0.255", "127.1.0.255"}));
    QVERIFY(TfmPrincipal::systemLocalAddresses().contains(addr("127.0.0.1")));
}

void TestDiscovery::oneDeviceShownWithoutDialog()
{
    auto w = searchWindow();
    // The device answers twice, the second time with other fields: it is listed once.
    fakeWaiter(*w).atPoll(3, [&] {
        w->udpServerUDPRead(record({192, 168, 0, 50}), addr("127.0.0.7"));
        w->udpServerUDPRead(record({192, 168, 0, 50}, 0x0C, 99, 0), addr("127.0.0.8"));
    });
    w->bbFindDeviceClick();
    QVERIFY(w->netDeviceFound);
    QCOMPARE(int(w->foundDevices.size()), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!w->discoveryActive, 2000);
    QCOMPARE(TDialogs::modalRuns(), 0);
    QVERIFY(!w->cbIPs->isVisibleTo(w.get()));
    QCOMPARE((QStringList {w->deviceIP, w->IP_1->text(), w->lbStatusBar->text(), w->lbfwVersion->text(),
                 w->lbPN->text(), w->edPort->text()}),
        (QStringList {"192.168.0.50", "50", "Modulo Ondix em: 192.168.0.50", "2.1", "ONDW000000000001", "4998"}));
    QVERIFY(deviceControlsEnabled(*w) && w->bbLearningRF->isEnabled());
    QCOMPARE(logOf(*w),
        (QStringList {"Procurando Ondix na interface de rede 0 ...", "Ondix encontrada em 127.0.0.7 ...",
            "Leitura dos parâmetros realizada com sucesso!"}));
}

// Units told apart by the last octet: the chooser lists all three, also one that announces
// itself while the user still chooses; a double-click picks the second (no RF), "Fechar"
// leaves the first; picking another in the list afterwards moves to it (with RF).
void TestDiscovery::threeDevicesChosenInTheChooser()
{
    for (const char* way : {"double-click", "Fechar", "third announced meanwhile"}) {
        const bool fechar = way == std::string("Fechar"), late = way == std::string("third announced meanwhile");
        auto w = searchWindow();
        const auto third = [&] { w->udpServerUDPRead(record({10, 0, 0, 13}), addr("127.0.0.13")); };
        fakeWaiter(*w).atPoll(2, [&] {
            w->udpServerUDPRead(record({10, 0, 0, 11}), addr("127.0.0.11"));
            w->udpServerUDPRead(record({10, 0, 0, 12}, 3, 21, 0), addr("127.0.0.12"));
            if (!late)
                third();
        });
        TDialogs::resetScript();
        TDialogs::setModalScript([&](QDialog& dialog) {
            auto& chooser = static_cast<TfmChooseOndix&>(dialog);
            chooser.show();  // as during a real modal run
            chooser.lvIPsItemClick(chooser.lvIPs->item(1));
            if (late) {  // its timer fires while the chooser is open
                third();
                QTRY_VERIFY_WITH_TIMEOUT(!w->TimerOndixFound->isActive(), 2000);
            }
            QCOMPARE(chooser.lvIPs->count(), 3);
            fechar ? chooser.Button1Click() : chooser.lvIPsDblClick();
        });
        w->bbFindDeviceClick();
        QTRY_VERIFY_WITH_TIMEOUT(!w->discoveryActive, 2000);
        QCOMPARE(TDialogs::modalRuns(), 1);
        QCOMPARE(w->deviceIP, fechar ? QStringLiteral("10.0.0.11") : QStringLiteral("10.0.0.12"));
        QVERIFY(w->cbIPs->isVisibleTo(w.get()) && w->lbIPs->isVisibleTo(w.get()));
        QCOMPARE((QList<int> {w->cbIPs->count(), w->cbIPs->currentIndex()}), (QList<int> {3, fechar ? 0 : 1}));
        QCOMPARE(w->cbIPs->itemText(2), QStringLiteral("127.0.0.13"));
        QCOMPARE(w->bbLearningRF->isEnabled(), fechar);
        QVERIFY(w->GroupBox1->isEnabled());
        QCOMPARE(logOf(*w).count(QStringLiteral("Leitura dos parâmetros realizada com sucesso!")), 1);
        w->cbIPs->setCurrentIndex(2);
        QCOMPARE(w->deviceIP, QStringLiteral("10.0.0.13"));
        QVERIFY(w->bbLearningRF->isEnabled());
    }
}

void TestDiscovery::announcementOutsideSearch()
{
    auto w = searchWindow();
    // Answer code 3 outside a search is an ordinary answer, not a device; like any stray
    // datagram (a part of a capture here) it does not stay in front of the announcement.
    w->udpServerUDPRead(record({10, 0, 0, 40}, 3), addr("127.0.0.40"));
    w->udpServerUDPRead(QByteArray::fromHex("0000d007"), addr("127.0.0.41"));
    QCOMPARE(int(w->foundDevices.size()), 0);
    QCOMPARE(w->answerFill, 0);
    w->udpServerUDPRead(record({10, 0, 0, 40}, 0x0C), addr("127.0.0.40"));
    QCOMPARE(int(w->foundDevices.size()), 1);
    QVERIFY(w->netDeviceFound);
    QTRY_COMPARE_WITH_TIMEOUT(w->deviceIP, QStringLiteral("10.0.0.40"), 2000);
    QVERIFY(w->GroupBox1->isEnabled());
    // The same device announcing again is dropped.
    w->udpServerUDPRead(record({10, 0, 0, 40}, 0x0C), addr("127.0.0.40"));
    QCOMPARE(int(w->foundDevices.size()), 1);
    QVERIFY(!w->TimerOndixFound->isActive());
}

void TestDiscovery::answerOnHundredthPollDoesNotCount()
{
    for (const int poll : {99, 100}) {
        auto w = searchWindow();
        fakeWaiter(*w).atPoll(poll, [&] { w->udpServerUDPRead(record({10, 0, 0, 50}), addr("127.0.0.50")); });
        QCOMPARE(w->findDeviceOnNetwork(QString()), poll == 99);
    }
}

// The device on the cable: its record fills the boxes and no network search is made. A later
// probe that fails shows nothing and leaves the device's controls disabled: a zero record,
// silence, or an answer of 4 bytes while the earlier record still lies in the buffer.
void TestDiscovery::usbProbe()
{
    // bytes of the record on the second probe: -1 a zero record, -2 none
    for (const auto& [answer, log] :
        {std::pair {-1, QStringList {""}}, {-2, QStringList {"Sem resposta!"}}, {4, QStringList {""}}}) {
        fakehid::reset();
        fakehid::plug();
        const QByteArray good = record({192, 168, 0, 77}, 3);
        int requests = 0;
        fakehid::setResponder([&](const fakehid::Bytes&) {
            const QByteArray sent = requests++ == 0 ? good : answer == -1 ? QByteArray(50, '\0') : good.left(answer);
            if (answer == -2 && requests > 1)
                return std::vector<ondixsim::Output> {};
            return std::vector<ondixsim::Output> {{0, ondixsim::Bytes(sent.begin(), sent.end()), 0}};
        });
        auto w = makeTestWindow();
        w->localAddressSource = [] { return QList<QHostAddress> {addr("127.0.0.1")}; };
        w->bbFindDeviceClick();
        QVERIFY(w->usbDeviceFound && !w->netDeviceFound);
        QCOMPARE(
            (QStringList {w->mmInfo->toPlainText(), w->lbStatusBar->text(), w->IP_1->text(), w->lbfwVersion->text()}),
            (QStringList {"Encontrado dispositivo na porta USB!", "Módulo Ondix encontrado!", "77", "2.1"}));
        QVERIFY(deviceControlsEnabled(*w) && w->bbLearningRF->isEnabled());
        QVERIFY(w->deviceIP.isEmpty() && w->localAddresses.isEmpty());

        w->IP_1->clear();
        w->lbfwVersion->clear();
        w->clearLog();
        QVERIFY(!w->findDeviceOnSerialPort());
        QVERIFY(w->IP_1->text().isEmpty() && w->lbfwVersion->text().isEmpty());
        QCOMPARE(logOf(*w), log);
        QVERIFY(!w->GroupBox1->isEnabled() && !w->bbSendComd->isEnabled());
        QVERIFY(w->bbFindDevice->isEnabled() && w->TabControl1->isEnabled());
        w.reset();
        fakehid::reset();
    }
}

QTEST_MAIN(TestDiscovery)
#include "test_discovery.moc"
