// The tool against emulated devices across a private network: the window runs in the
// tool namespace with its real event-loop waits, ondix-sim in the device namespace.
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "discovery/chooseOndixUnit.h"
#include "link/frames.h"
#include "link/udpPort.h"
#include "tests/support/testNetwork.h"

namespace {

QJsonObject devices(const QJsonArray& list)
{
    return QJsonObject {{QStringLiteral("devices"), list}};
}

QJsonObject device(const QString& ip, QJsonObject extra = {})
{
    extra.insert(QStringLiteral("ip"), ip);
    return extra;
}

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
public:
    TestEndToEnd() : net_(QStringLiteral("e2e%1").arg(QCoreApplication::applicationPid())) { }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void oneDeviceFoundAndReadBack();
    void threeDevicesSecondChosen();
    void duplicateAnswerListedOnce();
    void directedSearchFromAddressBoxes();
    void loopbackSearchedLast_data();
    void loopbackSearchedLast();
    void announcementAddsDevice();
    void commandLineOverTcp();

private:
    std::unique_ptr<TfmPrincipal> window();
    TTestNetwork net_;
    std::unique_ptr<TfmPrincipal> window_;
};

void TestEndToEnd::initTestCase()
{
    QVERIFY(net_.up(3));
    QVERIFY(net_.enterToolNamespace());
}

void TestEndToEnd::init()
{
    TDialogs::setScripted(true);
    TDialogs::resetScript();
}

void TestEndToEnd::cleanup()
{
    window_.reset();
    net_.stopSim();
}

void TestEndToEnd::cleanupTestCase()
{
    net_.down();
}

std::unique_ptr<TfmPrincipal> TestEndToEnd::window()
{
    auto w = std::make_unique<TfmPrincipal>(nullptr, false);
    // Only the namespace's own interfaces exist here: loopback and the test network.
    return w;
}

void TestEndToEnd::oneDeviceFoundAndReadBack()
{
    QVERIFY(
        net_.startSim(devices({device(net_.deviceAddress(0), {{"firmware", 105}, {"ident", "ABCDEFGHIJKLMNOP"}})})));
    window_ = window();
    TfmPrincipal& w = *window_;
    w.bbFindDeviceClick();
    QVERIFY(w.netDeviceFound);
    QTRY_VERIFY_WITH_TIMEOUT(!w.discoveryActive, 3000);
    QCOMPARE(TDialogs::modalRuns(), 0);
    QCOMPARE(w.deviceIP, net_.deviceAddress(0));
    QCOMPARE(w.lbfwVersion->text(), QStringLiteral("10.5"));
    QCOMPARE(w.lbPN->text(), QStringLiteral("ABCWEFGHIJKLMNOP"));
    QVERIFY(w.mmInfo->toPlainText().contains(QStringLiteral("Ondix encontrada em ") + net_.deviceAddress(0)));
    QVERIFY(w.GroupBox1->isEnabled());

    // One exchange over UDP to the chosen device.
    QCOMPARE(int(w.exchange.transact(TLinkKind::Network, ondixframe::bodilessFrame(0x03), w.deviceIP, 50, 100)),
        int(TExchangeOutcome::Valid));
    QCOMPARE(w.answerLen, 50);
    QCOMPARE(w.answerBuf[3], uint8_t(3));
    QVERIFY(net_.simLog().contains(
        QStringLiteral("RX UDP %1 <- %2:4040 45 4B 01 03 94 00 00 00").arg(net_.deviceAddress(0), net_.toolAddress())));
}

void TestEndToEnd::threeDevicesSecondChosen()
{
    QVERIFY(net_.startSim(
        devices({device(net_.deviceAddress(0)), device(net_.deviceAddress(1)), device(net_.deviceAddress(2))})));
    window_ = window();
    TfmPrincipal& w = *window_;
    int listed = 0;
    TDialogs::setModalScript([&listed](QDialog& dialog) {
        auto& chooser = static_cast<TfmChooseOndix&>(dialog);
        listed = chooser.lvIPs->count();
        chooser.lvIPsItemClick(chooser.lvIPs->item(1));
        chooser.lvIPsDblClick();
    });
    w.bbFindDeviceClick();
    QTRY_VERIFY_WITH_TIMEOUT(!w.discoveryActive, 3000);
    QCOMPARE(listed, 3);
    QCOMPARE(int(w.foundDevices.size()), 3);
    QCOMPARE(w.cbIPs->count(), 3);
    QCOMPARE(w.cbIPs->currentIndex(), 1);
    QCOMPARE(w.deviceIP, w.cbIPs->currentText());
}

void TestEndToEnd::duplicateAnswerListedOnce()
{
    const QJsonObject twice {{"faults", QJsonObject {{"0x03", QJsonObject {{"kind", "duplicate"}}}}}};
    QVERIFY(net_.startSim(devices({device(net_.deviceAddress(0), twice)})));
    window_ = window();
    window_->bbFindDeviceClick();
    QTRY_VERIFY_WITH_TIMEOUT(!window_->discoveryActive, 3000);
    QCOMPARE(int(window_->foundDevices.size()), 1);
    QCOMPARE(TDialogs::modalRuns(), 0);
}

void TestEndToEnd::directedSearchFromAddressBoxes()
{
    QVERIFY(net_.startSim(devices({device(net_.deviceAddress(0)), device(net_.deviceAddress(1))})));
    window_ = window();
    TfmPrincipal& w = *window_;
    const QStringList octets = net_.deviceAddress(1).split(QLatin1Char('.'));
    w.IP_4->setText(octets[0]);
    w.IP_3->setText(octets[1]);
    w.IP_2->setText(octets[2]);
    w.IP_1->setText(octets[3]);
    w.bbFindDeviceClick();
    QVERIFY(w.netDeviceFound);
    QTRY_VERIFY_WITH_TIMEOUT(!w.discoveryActive, 3000);
    QCOMPARE(int(w.foundDevices.size()), 1);
    QCOMPARE(w.deviceIP, net_.deviceAddress(1));
    QCOMPARE(w.mmInfo->toPlainText().split(QLatin1Char('\n')).value(0),
        QStringLiteral("Procurando Ondix no endereço %1 ...").arg(net_.deviceAddress(1)));
    QVERIFY(!net_.simLog().contains(QStringLiteral("RX UDP ") + net_.broadcastAddress()));
}

// The namespace lists its loopback interface first, as a desktop does; the search asks the
// test network first and the loopback one only when nothing answered there.
void TestEndToEnd::loopbackSearchedLast_data()
{
    QTest::addColumn<QString>("where");  // the emulated device's namespace
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("searching");  // the log's first line
    QTest::newRow("a device on the network")
        << "dev" << net_.deviceAddress(0) << "Procurando Ondix na interface de rede 0 ...";
    QTest::newRow("the emulated device at 127.0.0.2") << "tool"
                                                      << "127.0.0.2"
                                                      << "Procurando Ondix na interface de rede 1 ...";
}

void TestEndToEnd::loopbackSearchedLast()
{
    QFETCH(QString, where);
    QFETCH(QString, address);
    QVERIFY(net_.startSim(devices({device(address)}), {}, 15000, qPrintable(where)));
    window_ = window();
    TfmPrincipal& w = *window_;
    QVERIFY(TfmPrincipal::systemLocalAddresses().value(0).isLoopback());
    // What the search asks on the loopback interface, where no emulator listens (a datagram
    // to 127.0.0.255 reaches one socket only).
    QUdpSocket loopbackBroadcast;
    if (where == u"dev")
        QVERIFY(udpport::bindForUser(loopbackBroadcast, QHostAddress(QStringLiteral("127.0.0.255")), 4040));
    w.bbFindDeviceClick();
    QVERIFY(w.netDeviceFound);
    QCOMPARE(w.broadcastAddresses, (QStringList {net_.broadcastAddress(), "127.0.0.255"}));
    QTRY_VERIFY_WITH_TIMEOUT(!w.discoveryActive, 3000);
    QCOMPARE(w.deviceIP, address);
    const QStringList log = w.mmInfo->toPlainText().split(QLatin1Char('\n'));
    QTEST(log.value(0), "searching");
    QCOMPARE(log.value(1), "Ondix encontrada em " + address + " ...");
    // Found on the network, the loopback interface was never asked.
    QVERIFY(where != u"dev" || !loopbackBroadcast.hasPendingDatagrams());
}

void TestEndToEnd::announcementAddsDevice()
{
    window_ = window();
    TfmPrincipal& w = *window_;
    QVERIFY(net_.startSim(
        devices({device(net_.deviceAddress(2), {{"announce", QJsonObject {{"atMs", QJsonArray {300}}}}})})));
    QTRY_COMPARE_WITH_TIMEOUT(w.deviceIP, net_.deviceAddress(2), 5000);
    QVERIFY(w.netDeviceFound);
    QCOMPARE(int(w.foundDevices.size()), 1);
    QVERIFY(w.GroupBox1->isEnabled());
}

void TestEndToEnd::commandLineOverTcp()
{
    QVERIFY(net_.startSim(devices({device(net_.deviceAddress(0))})));
    window_ = window();
    TfmPrincipal& w = *window_;
    w.tcpClient->connectToHost(QHostAddress(net_.deviceAddress(0)), 4998);
    QTRY_COMPARE_WITH_TIMEOUT(w.tcpClient->state(), QAbstractSocket::ConnectedState, 3000);
    w.answerReady = 0;
    w.tcpClient->write("sendrf_rc,3767,160,128,1,2,3");
    QTRY_COMPARE_WITH_TIMEOUT(w.answerReady, 1, 3000);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(w.answerBuf.data()), w.answerLen), QByteArray("OK\r\n"));
    w.tcpClient->disconnectFromHost();
    QTRY_VERIFY_WITH_TIMEOUT(
        net_.simLog().contains(QStringLiteral("LINE %1 sendrf_rc,3767,160,128,1,2,3").arg(net_.deviceAddress(0))),
        3000);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_e2e.moc"
