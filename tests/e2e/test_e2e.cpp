// The search and its answers across a private network: the window in the tool namespace
// with its real event-loop waits, ondix-sim in the device namespace.
#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "link/udpPort.h"
#include "tests/support/simFixture.h"

class TestEndToEnd : public QObject {
    Q_OBJECT
    TSimFixture fx_ {"e2e", 3, 1};

    TfmPrincipal& window()
    {
        fx_.window = std::make_unique<TfmPrincipal>(nullptr, false);
        return *fx_.window;
    }

private slots:
    void initTestCase() { QVERIFY(fx_.up()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup() { fx_.reset(); }
    void cleanupTestCase() { fx_.net.down(); }

    void directedSearchFromAddressBoxes()
    {
        QVERIFY(fx_.startSim({{}, {}}));
        TfmPrincipal& w = window();
        setAddressBoxes(w, fx_.net.deviceAddress(1));
        w.bbFindDeviceClick();
        QVERIFY(w.netDeviceFound);
        QTRY_VERIFY_WITH_TIMEOUT(!w.discoveryActive, 3000);
        QCOMPARE(int(w.foundDevices.size()), 1);
        QCOMPARE(w.deviceIP, fx_.net.deviceAddress(1));
        QCOMPARE(w.logLines().value(0), QStringLiteral("Procurando Ondix no endereço %1 ...").arg(w.deviceIP));
        QVERIFY(!fx_.net.simLog().contains(QStringLiteral("RX UDP ") + fx_.net.broadcastAddress()));
        QVERIFY(fx_.received("45 4B 01 03 94 00 00 00", 1));  // from the tool's port 4040
    }

    // The namespace lists its loopback interface first, as a desktop does; the search asks the
    // test network first and the loopback one only when nothing answered there.
    void loopbackSearchedLast()
    {
        QVERIFY(fx_.startSim({QJsonObject {}}));
        TfmPrincipal& w = window();
        QVERIFY(TfmPrincipal::systemLocalAddresses().value(0).isLoopback());
        // What the search asks on the loopback interface, where no emulator listens (a datagram
        // to 127.0.0.255 reaches one socket only).
        QUdpSocket loopbackBroadcast;
        QVERIFY(udpport::bindForUser(loopbackBroadcast, QHostAddress(QStringLiteral("127.0.0.255")), 4040));
        w.bbFindDeviceClick();
        QVERIFY(w.netDeviceFound);
        QCOMPARE(w.broadcastAddresses, (QStringList {fx_.net.broadcastAddress(), "127.0.0.255"}));
        QTRY_VERIFY_WITH_TIMEOUT(!w.discoveryActive, 3000);
        QCOMPARE(w.logLines().mid(0, 2),
            (QStringList {"Procurando Ondix na interface de rede 0 ...",
                "Ondix encontrada em " + fx_.net.deviceAddress(0) + " ..."}));
        QVERIFY(!loopbackBroadcast.hasPendingDatagrams());
    }
};

ONDIX_NETWORK_TEST_MAIN(QApplication, TestEndToEnd)

#include "test_e2e.moc"
