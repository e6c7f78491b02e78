// Finding devices: the record's display rules, the search over the interface list, the
// listener's discovery branch, the chooser and the USB probe. Answers are injected into
// the listener on chosen polls; every datagram the search sends goes to loopback.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include "app/dialogs.h"
#include "discovery/chooseOndixUnit.h"
#include "discovery/deviceInfo.h"
#include "link/udpPort.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

namespace {

QByteArray record(std::array<uint8_t, 4> ip, uint8_t code = 0x0C, uint16_t firmware = 21, uint8_t rf = 1,
    const char* ident = "ONDX000000000001")
{
    ondixsim::DeviceConfig config;
    config.ip = ip;
    config.firmware = firmware;
    config.rfFlag = rf;
    config.ident = ident;
    const ondixsim::Bytes bytes = ondixsim::Device(config).infoRecord(code);
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

}  // namespace

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void display_data();
    void display();
    void recordChecks();
    void interfaceListKeepsIPv4InOrder();

    void oneDeviceShownWithoutDialog();
    void threeDevicesSecondChosenByDoubleClick();
    void threeDevicesClosedWithFechar();
    void announcementWhileChooserOpen();
    void badAndShortDatagramsDropped();
    void announcementOutsideSearch();
    void answerOnHundredthPollDoesNotCount();
    void secondInterfaceAfterSilentFirst();
    void nothingFoundGivesAdvice();
    void searchTargetFromAddressBoxes();
    void usbProbeSkipsNetworkSearch();
    void usbProbeRejectsZeroChecksum();
    void usbProbeRefusesShortAnswerAfterGoodOne();
    void lateUsbAnswerDuringNetworkSearch();
};

void TestDiscovery::init()
{
    TDialogs::setScripted(true);
    TDialogs::resetScript();
}

void TestDiscovery::display_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<int>("rf");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("ident");
    QTest::newRow("21, RF") << 21 << 1 << "2.1"
                            << "ABCWEFGHIJKLMNOP";
    QTest::newRow("7, no RF") << 7 << 0 << "0.7"
                              << "ABCDEFGHIJKLMNOP";
    QTest::newRow("105") << 105 << 0 << "10.5"
                         << "ABCDEFGHIJKLMNOP";
    QTest::newRow("100") << 100 << 2 << "10.0"
                         << "ABCWEFGHIJKLMNOP";
    QTest::newRow("5") << 5 << 0 << "0.5"
                       << "ABCDEFGHIJKLMNOP";
}

void TestDiscovery::display()
{
    QFETCH(int, firmware);
    QFETCH(int, rf);
    QFETCH(QString, version);
    QFETCH(QString, ident);
    QByteArray r = record({192, 168, 0, 50}, 3, uint16_t(firmware), uint8_t(rf), "ABCDEFGHIJKLMNOP");
    r[18] = 0x0A;
    r[23] = char(0xFF);
    const auto d = deviceinfo::display(reinterpret_cast<const uint8_t*>(r.constData()));
    QCOMPARE(QStringList({d.firmware, d.ident, d.mac[0], d.mac[5], d.ip[0], d.ip[3], d.port}),
        QStringList({version, ident, "0A", "FF", "192", "50", "4998"}));
    QCOMPARE(d.rfCapable, rf != 0);
}

void TestDiscovery::recordChecks()
{
    std::array<uint8_t, 50> zero {};
    QVERIFY(deviceinfo::checksumMatches(zero.data()));  // accepted by the discovery branch
    QVERIFY(!deviceinfo::validAnswer(zero.data()));  // rejected by a direct read
    QByteArray r = record({10, 0, 0, 1});
    QVERIFY(deviceinfo::validAnswer(reinterpret_cast<const uint8_t*>(r.constData())));
    r[30] = char(r[30] + 1);
    QVERIFY(!deviceinfo::checksumMatches(reinterpret_cast<const uint8_t*>(r.constData())));
}

void TestDiscovery::interfaceListKeepsIPv4InOrder()
{
    auto w = searchWindow({addr("10.1.2.3"), addr("fe80::1"), addr("192.168.5.9"), addr("127.0.0.1")});
    QStringList local, broadcast;
    w->GetLocalIPList(local, broadcast);
    QCOMPARE(local, (QStringList {"10.1.2.3", "192.168.5.9", "127.0.0.1"}));
    QCOMPARE(broadcast, (QStringList {"10.1.2.255", "192.168.5.255", "127.0.0.255"}));
    QCOMPARE(deviceinfo::broadcastFor("abc"), QStringLiteral("255"));
    // The system's own list is the default source, loopback included.
    QVERIFY(TfmPrincipal::systemLocalAddresses().contains(addr("127.0.0.1")));
}

void TestDiscovery::oneDeviceShownWithoutDialog()
{
    auto w = searchWindow();
    // The device answers twice, the second time with other fields: it is listed once.
    fakeWaiter(*w).atPoll(3, [&] {
        w->udpServerUDPRead(record({192, 168, 0, 50}), addr("127.0.0.7"));
        w->udpServerUDPRead(record({192, 168, 0, 50}, 0x0C, 99, 0, "SOMETHINGELSE..."), addr("127.0.0.8"));
    });
    w->bbFindDeviceClick();
    QVERIFY(w->netDeviceFound);
    QCOMPARE(int(w->foundDevices.size()), 1);
    QCOMPARE(w->answerFill, 0);
    QVERIFY(w->TimerOndixFound->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!w->discoveryActive, 2000);
    QCOMPARE(TDialogs::modalRuns(), 0);
    QVERIFY(!w->cbIPs->isVisibleTo(w.get()));
    QCOMPARE(w->deviceIP, QStringLiteral("192.168.0.50"));
    QCOMPARE(w->lbStatusBar->text(), QStringLiteral("Modulo Ondix em: 192.168.0.50"));
    QCOMPARE(w->lbfwVersion->text(), QStringLiteral("2.1"));
    QCOMPARE(w->lbPN->text(), QStringLiteral("ONDW000000000001"));
    QCOMPARE(w->edPort->text(), QStringLiteral("4998"));
    QVERIFY(w->GroupBox1->isEnabled() && w->GroupBox2->isEnabled() && w->bbSendComd->isEnabled());
    QVERIFY(w->pnControlesRTS->isEnabled() && w->bbLearningRF->isEnabled());
    QVERIFY(w->bbFindDevice->isEnabled() && w->TabControl1->isEnabled());
    QCOMPARE(logOf(*w),
        (QStringList {"Procurando Ondix na interface de rede 0 ...", "Ondix encontrada em 127.0.0.7 ...",
            "Leitura dos parâmetros realizada com sucesso!"}));
}

void TestDiscovery::threeDevicesSecondChosenByDoubleClick()
{
    auto w = searchWindow();
    fakeWaiter(*w).atPoll(2, [&] {
        w->udpServerUDPRead(record({10, 0, 0, 11}), addr("127.0.0.11"));
        w->udpServerUDPRead(record({10, 0, 0, 12}, 3, 21, 0), addr("127.0.0.12"));
        w->udpServerUDPRead(record({10, 0, 0, 13}), addr("127.0.0.13"));
    });
    TDialogs::setModalScript([](QDialog& dialog) {
        auto& chooser = static_cast<TfmChooseOndix&>(dialog);
        QCOMPARE(chooser.lvIPs->count(), 3);
        chooser.lvIPsItemClick(chooser.lvIPs->item(1));
        chooser.lvIPsDblClick();
    });
    w->bbFindDeviceClick();
    QTRY_VERIFY_WITH_TIMEOUT(!w->discoveryActive, 2000);
    QCOMPARE(TDialogs::modalRuns(), 1);
    QCOMPARE(w->deviceIP, QStringLiteral("10.0.0.12"));
    QVERIFY(w->cbIPs->isVisibleTo(w.get()) && w->lbIPs->isVisibleTo(w.get()));
    QCOMPARE(w->cbIPs->count(), 3);
    QCOMPARE(w->cbIPs->currentIndex(), 1);
    QCOMPARE(w->cbIPs->itemText(2), QStringLiteral("127.0.0.13"));
    QVERIFY(!w->bbLearningRF->isEnabled());  // the second device has no RF
    QCOMPARE(logOf(*w).count(QStringLiteral("Leitura dos parâmetros realizada com sucesso!")), 1);

    // Picking another device afterwards moves deviceIP to it.
    w->cbIPs->setCurrentIndex(2);
    QCOMPARE(w->deviceIP, QStringLiteral("10.0.0.13"));
    QVERIFY(w->bbLearningRF->isEnabled());
}

void TestDiscovery::threeDevicesClosedWithFechar()
{
    auto w = searchWindow();
    fakeWaiter(*w).atPoll(2, [&] {
        for (uint8_t i : {21, 22, 23})
            w->udpServerUDPRead(record({10, 0, 0, i}), addr("127.0.0.1"));
    });
    TDialogs::setModalScript([](QDialog& dialog) {
        auto& chooser = static_cast<TfmChooseOndix&>(dialog);
        chooser.lvIPsItemClick(chooser.lvIPs->item(2));
        chooser.Button1Click();
    });
    w->bbFindDeviceClick();
    QTRY_VERIFY_WITH_TIMEOUT(!w->discoveryActive, 2000);
    QCOMPARE(w->deviceIP, QStringLiteral("10.0.0.21"));
    QCOMPARE(w->cbIPs->currentIndex(), 0);

    // Closed without any choice: nothing of the selection happens.
    TDialogs::resetScript();
    TDialogs::setModalScript([](QDialog& dialog) { static_cast<TfmChooseOndix&>(dialog).lvIPsDblClick(); });
    fakeWaiter(*w).atPoll(fakeWaiter(*w).polls() + 1, [&] {
        for (uint8_t i : {31, 32})
            w->udpServerUDPRead(record({10, 0, 0, i}), addr("127.0.0.1"));
    });
    w->bbFindDeviceClick();
    QTRY_VERIFY_WITH_TIMEOUT(!w->discoveryActive, 2000);
    QCOMPARE(w->deviceIP, QStringLiteral("10.0.0.21"));
    QVERIFY(!w->GroupBox1->isEnabled());
    QVERIFY(w->bbFindDevice->isEnabled());
}

void TestDiscovery::announcementWhileChooserOpen()
{
    auto w = searchWindow();
    fakeWaiter(*w).atPoll(2, [&] {
        w->udpServerUDPRead(record({10, 0, 0, 11}), addr("127.0.0.11"));
        w->udpServerUDPRead(record({10, 0, 0, 12}), addr("127.0.0.12"));
    });
    TDialogs::setModalScript([&](QDialog& dialog) {
        auto& chooser = static_cast<TfmChooseOndix&>(dialog);
        chooser.show();  // as during a real modal run
        chooser.lvIPsItemClick(chooser.lvIPs->item(1));
        // A third device announces itself; its timer fires while the user still chooses.
        w->udpServerUDPRead(record({10, 0, 0, 13}), addr("127.0.0.13"));
        QCOMPARE(chooser.lvIPs->count(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(!w->TimerOndixFound->isActive(), 2000);
        chooser.lvIPsDblClick();
    });
    w->bbFindDeviceClick();
    QTRY_VERIFY_WITH_TIMEOUT(!w->discoveryActive, 2000);
    QCOMPARE(TDialogs::modalRuns(), 1);
    QCOMPARE(w->deviceIP, QStringLiteral("10.0.0.12"));
    QCOMPARE(w->cbIPs->count(), 3);
    QCOMPARE(w->cbIPs->currentIndex(), 1);
    QVERIFY(w->GroupBox1->isEnabled());
}

void TestDiscovery::badAndShortDatagramsDropped()
{
    auto w = searchWindow();
    w->discoveryActive = true;
    QByteArray bad = record({10, 0, 0, 9});
    bad[47] = char(bad[47] + 1);
    w->udpServerUDPRead(bad, addr("127.0.0.9"));
    w->udpServerUDPRead(record({10, 0, 0, 9}).left(49), addr("127.0.0.9"));
    // The search's own broadcast request comes back to the listener.
    w->udpServerUDPRead(QByteArray::fromHex("454b010394000000"), addr("127.0.0.1"));
    QCOMPARE(int(w->foundDevices.size()), 0);
    QCOMPARE(w->answerReady, 0);
    QCOMPARE(w->answerFill, 0);
    QVERIFY(w->mmInfo->toPlainText().isEmpty());
    QVERIFY(!w->TimerOndixFound->isActive());
    // A zero checksum over bytes that sum to zero is accepted here.
    QByteArray zero(50, '\0');
    zero[6] = 0;
    w->udpServerUDPRead(zero, addr("127.0.0.9"));
    QCOMPARE(int(w->foundDevices.size()), 1);
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
    auto w = searchWindow();
    fakeWaiter(*w).atPoll(100, [&] { w->udpServerUDPRead(record({10, 0, 0, 50}), addr("127.0.0.50")); });
    QVERIFY(!w->findDeviceOnNetwork(QString()));
    QCOMPARE(fakeWaiter(*w).polls(), 100);

    auto w2 = searchWindow();
    fakeWaiter(*w2).atPoll(99, [&] { w2->udpServerUDPRead(record({10, 0, 0, 50}), addr("127.0.0.50")); });
    QVERIFY(w2->findDeviceOnNetwork(QString()));
}

void TestDiscovery::secondInterfaceAfterSilentFirst()
{
    auto w = searchWindow({addr("127.0.0.1"), addr("127.1.2.3")});
    QUdpSocket second;
    QVERIFY(udpport::bindForUser(second, addr("127.1.2.255"), 4040));
    fakeWaiter(*w).atPoll(150, [&] { w->udpServerUDPRead(record({10, 0, 0, 60}), addr("127.1.2.60")); });
    QVERIFY(w->findDeviceOnNetwork(QString()));
    QCOMPARE(w->broadcastAddresses, (QStringList {"127.0.0.255", "127.1.2.255"}));
    QCOMPARE(
        logOf(*w), (QStringList {"Procurando Ondix na interface de rede 1 ...", "Ondix encontrada em 127.1.2.60 ..."}));
    QTRY_VERIFY_WITH_TIMEOUT(second.hasPendingDatagrams(), 2000);
    QCOMPARE(second.receiveDatagram().data(), QByteArray::fromHex("454b010394000000"));
}

void TestDiscovery::nothingFoundGivesAdvice()
{
    auto w = searchWindow({});
    w->bbFindDeviceClick();
    QVERIFY(!w->netDeviceFound && !w->usbDeviceFound);
    const QString dashes54(54, QLatin1Char('-')), dashes74(74, QLatin1Char('-'));
    QCOMPARE(logOf(*w),
        (QStringList {dashes54, "Nenhum dispositivo encontrado na rede!",
            "Verifique configurações de rede e/ou \"router\"...", "Para configurar o dispositivo, sem que saiba o IP, ",
            "conecte diretamente o dispositivo via cabo USB, no PC.", dashes54, dashes74,
            "Nenhum dispositivo encontrado via USB...", "Caso o dispositivo esteja conectado ao PC, verifique",
            "se o cabo USB que está sendo utilizado, seja cabo de DADOS.", dashes74}));
    QVERIFY(w->discoveryActive);  // a fruitless search leaves it set
    QVERIFY(w->bbFindDevice->isEnabled() && !w->GroupBox1->isEnabled() && !w->bbSendComd->isEnabled());
}

void TestDiscovery::searchTargetFromAddressBoxes()
{
    auto w = searchWindow();
    QUdpSocket device;
    QVERIFY(udpport::bindForUser(device, addr("127.0.0.50"), 4040));
    QUdpSocket broadcast;
    QVERIFY(udpport::bindForUser(broadcast, addr("127.0.0.255"), 4040));

    w->IP_4->setText("127");
    w->IP_3->setText("0");
    w->IP_2->setText("0");
    w->IP_1->setText("");
    w->bbFindDeviceClick();
    QVERIFY(logOf(*w).contains(QStringLiteral("Procurando Ondix na interface de rede 0 ...")));
    QTRY_VERIFY_WITH_TIMEOUT(broadcast.hasPendingDatagrams(), 2000);
    broadcast.receiveDatagram();

    // Each box is a decimal number: "000" and "050" are 0 and 50, not octal.
    w->IP_2->setText("000");
    w->IP_1->setText("050");
    w->bbFindDeviceClick();
    QVERIFY(!logOf(*w).join('\n').contains(QStringLiteral("Procurando")));
    QTRY_VERIFY_WITH_TIMEOUT(device.hasPendingDatagrams(), 2000);
    QCOMPARE(device.receiveDatagram().data(), QByteArray::fromHex("454b010394000000"));
    QVERIFY(!broadcast.hasPendingDatagrams());

    // A box above 255 ends the search at once with one line, no wait and no advice.
    w->clearLog();
    w->IP_3->setText("256");
    const int polls = fakeWaiter(*w).polls();
    w->bbFindDeviceClick();
    QCOMPARE(fakeWaiter(*w).polls() - polls, 0);  // no cable here: no wait at all
    QCOMPARE(logOf(*w).last(), QStringLiteral("Valor inválido em IP_3: \"256\" (use um número de 0 a 255)."));
    QVERIFY(!logOf(*w).join('\n').contains(QStringLiteral("Nenhum dispositivo")));

    // What can be typed: digits only, three per address box, five for the port.
    w->GroupBox1->setEnabled(true);
    for (QLineEdit* box : {w->IP_4, w->GW_IP_1, w->edPort})
        box->clear();
    QTest::keyClicks(w->IP_4, "1a2 34567");
    QTest::keyClicks(w->GW_IP_1, "x9-8");
    QTest::keyClicks(w->edPort, "1234567");
    QCOMPARE(
        (QStringList {w->IP_4->text(), w->GW_IP_1->text(), w->edPort->text()}), (QStringList {"123", "98", "12345"}));
}

void TestDiscovery::usbProbeSkipsNetworkSearch()
{
    fakehid::reset();
    fakehid::plug();
    ondixsim::DeviceConfig config;
    config.ip = {192, 168, 0, 77};
    config.ident = "ABCDEFGHIJKLMNOP";
    config.firmware = 105;
    ondixsim::Device device(config);
    fakehid::attachDevice(device);
    auto w = makeTestWindow();
    w->localAddressSource = [] { return QList<QHostAddress> {addr("127.0.0.1")}; };
    w->bbFindDeviceClick();
    QVERIFY(w->usbDeviceFound);
    QVERIFY(!w->netDeviceFound);
    QCOMPARE(logOf(*w), QStringList {"Encontrado dispositivo na porta USB!"});
    QCOMPARE(w->lbStatusBar->text(), QStringLiteral("Módulo Ondix encontrado!"));
    QCOMPARE(w->IP_1->text(), QStringLiteral("77"));
    QCOMPARE(w->lbPN->text(), QStringLiteral("ABCWEFGHIJKLMNOP"));
    QCOMPARE(w->lbfwVersion->text(), QStringLiteral("10.5"));
    QVERIFY(w->GroupBox1->isEnabled() && w->bbLearningRF->isEnabled() && w->pnControlesRTS->isEnabled());
    QVERIFY(w->deviceIP.isEmpty());
    QVERIFY(w->localAddresses.isEmpty());  // no network search was made
    w.reset();
    fakehid::reset();
}

void TestDiscovery::usbProbeRejectsZeroChecksum()
{
    fakehid::reset();
    fakehid::plug();
    fakehid::setResponder([](const fakehid::Bytes&) {
        return std::vector<ondixsim::Output> {{0, ondixsim::Bytes(50, 0), 0}};
    });
    auto w = makeTestWindow();
    w->GroupBox1->setEnabled(true);  // as an earlier search left it
    QVERIFY(!w->findDeviceOnSerialPort());
    QVERIFY(!w->GroupBox1->isEnabled() && !w->bbSendComd->isEnabled());
    QVERIFY(w->bbFindDevice->isEnabled() && w->TabControl1->isEnabled());
    QVERIFY(w->mmInfo->toPlainText().isEmpty());
    fakehid::setResponder([](const fakehid::Bytes&) { return std::vector<ondixsim::Output> {}; });
    QVERIFY(!w->findDeviceOnSerialPort());
    QCOMPARE(logOf(*w), QStringList {"Sem resposta!"});
    w.reset();
    fakehid::reset();
}

void TestDiscovery::usbProbeRefusesShortAnswerAfterGoodOne()
{
    // A good record first, then answers of 0 and 4 bytes: the earlier record still in the
    // buffer must not be taken for theirs.
    for (int length : {0, 4}) {
        fakehid::reset();
        fakehid::plug();
        const QByteArray good = record({192, 168, 0, 77}, 3);
        int requests = 0;
        fakehid::setResponder([&](const fakehid::Bytes&) {
            const QByteArray answer = requests++ == 0 ? good : good.left(length);
            return std::vector<ondixsim::Output> {{0, ondixsim::Bytes(answer.begin(), answer.end()), 0}};
        });
        auto w = makeTestWindow();
        w->localAddressSource = [] { return QList<QHostAddress> {addr("127.0.0.1")}; };
        QVERIFY(w->findDeviceOnSerialPort());
        w->IP_1->clear();
        w->lbfwVersion->clear();
        w->clearLog();
        QVERIFY2(!w->findDeviceOnSerialPort(), qPrintable(QString::number(length)));
        QVERIFY(w->IP_1->text().isEmpty() && w->lbfwVersion->text().isEmpty());
        QVERIFY(w->mmInfo->toPlainText().isEmpty());
        w.reset();
    }
    fakehid::reset();
}

void TestDiscovery::lateUsbAnswerDuringNetworkSearch()
{
    // The record comes 1.5 s late on the cable, while the network is being searched: the
    // search must not take it for a network answer.
    fakehid::reset();
    fakehid::plug();
    ondixsim::Device device;
    fakehid::attachDevice(device);
    fakehid::setFault({fakehid::UsbFault::Late, 1500, 0, 1});
    auto w = makeTestWindow();
    w->localAddressSource = [] { return QList<QHostAddress> {addr("127.0.0.1")}; };
    w->bbFindDeviceClick();
    QVERIFY(!w->usbDeviceFound && !w->netDeviceFound);
    QVERIFY(logOf(*w).contains(QStringLiteral("Nenhum dispositivo encontrado na rede!")));
    QVERIFY(w->foundDevices.empty());
    w.reset();
    fakehid::reset();
}

QTEST_MAIN(TestDiscovery)
#include "test_discovery.moc"
