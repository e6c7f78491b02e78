// The settings tab and the device clock through the real window with its event-loop waits:
// against ondix-sim across a private network, and against the emulated device on the fake
// cable running on the real clock.
#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tests/support/testNetwork.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

class TestSettingsEndToEnd : public QObject {
    Q_OBJECT
    TTestNetwork net_ {QStringLiteral("set%1").arg(QCoreApplication::applicationPid())};
    std::unique_ptr<ondixsim::Device> cable_;
    std::unique_ptr<TfmPrincipal> window_;

    // The window as a search leaves it: on the network with ondix-sim's device 10.231.9.10
    // chosen and typed in the boxes, or with the emulated device found on the cable.
    TfmPrincipal* window(bool network)
    {
        if (network) {
            if (!net_.startSim(QJsonObject {{"devices", QJsonArray {QJsonObject {{"ip", net_.deviceAddress(0)}}}}}))
                return nullptr;
        } else {
            cable_ = std::make_unique<ondixsim::Device>();
            fakehid::attachDevice(*cable_);
            fakehid::plug();
        }
        window_ = std::make_unique<TfmPrincipal>(nullptr, false);
        window_->netDeviceFound = network;
        window_->usbDeviceFound = !network;
        window_->deviceIP = net_.deviceAddress(0);
        const QStringList octets = net_.deviceAddress(0).split(u'.');
        for (int i = 0; i < 4; ++i)
            boxes()[i]->setText(octets[i]);
        window_->GroupBox1->setEnabled(true);
        window_->show();
        return window_.get();
    }
    // The address, mask, gateway, MAC and port boxes; shown() adds " DHCP" when ticked.
    QList<QLineEdit*> boxes() const
    {
        TfmPrincipal& w = *window_;
        QList<QLineEdit*> e {w.IP_4, w.IP_3, w.IP_2, w.IP_1, w.M_IP_4, w.M_IP_3, w.M_IP_2, w.M_IP_1, w.GW_IP_4,
            w.GW_IP_3, w.GW_IP_2, w.GW_IP_1};
        return e << QList<QLineEdit*>(w.macAddr.begin(), w.macAddr.end()) << w.edPort;
    }
    QString shown() const
    {
        QStringList v;
        for (QLineEdit* e : boxes())
            v.append(e->text());
        return v.join(u' ') + (window_->ckbDHCPOn->isChecked() ? " DHCP" : "");
    }
    // The frame the device received, as the emulator logs it.
    bool received(bool network, const char* hex) const
    {
        if (network)
            return net_.simLog().contains(
                QStringLiteral("RX UDP %1 <- %2:4040 %3").arg(net_.deviceAddress(0), net_.toolAddress(), hex));
        for (const auto& request : cable_->requests())
            if (QByteArray(reinterpret_cast<const char*>(request.data()), qsizetype(request.size()))
                    .toHex(' ')
                    .toUpper()
                == hex)
                return true;
        return false;
    }

private slots:
    void initTestCase() { QVERIFY(net_.up(2, 9) && net_.enterToolNamespace()); }
    void init()
    {
        TDialogs::setScripted(true), TDialogs::resetScript();
        fakehid::reset();
        fakehid::setRealTime(true);
    }
    void cleanup()
    {
        window_.reset();
        net_.stopSim();
        fakehid::setResponder(nullptr);
        cable_.reset();
    }
    void cleanupTestCase() { net_.down(); }

    void writeThenReadBack_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("frame");
        // The simulator keeps answering at its start address, whatever it was given.
        QTest::newRow("network")
            << true << "10 231 9 10 255 255 255 0 10 231 9 1 00 1A 2B E7 09 0A 4998"
            << "10 231 9 10 255 255 0 0 10 231 9 254 00 1A 2B E7 09 0A 5000 DHCP"
            << "45 4B 01 04 00 00 0A E7 09 0A FF FF 00 00 0A E7 09 FE 00 1A 2B E7 09 0A 01 88 13 4F 4E "
               "44 58 30 30 30 30 30 30 30 30 30 30 30 31 15 00 01 FA 0A 00 00";
        QTest::newRow("cable")
            << false << "192 168 0 50 255 255 255 0 192 168 0 1 00 1A 2B 3C 4D 5E 4998"
            << "192 168 0 60 255 255 0 0 192 168 0 254 00 1A 2B 3C 4D 5E 5000 DHCP"
            << "45 4B 01 04 00 00 C0 A8 00 3C FF FF 00 00 C0 A8 00 FE 00 1A 2B 3C 4D 5E 01 88 13 4F 4E "
               "44 58 30 30 30 30 30 30 30 30 30 30 30 31 15 00 01 F5 0B 00 00";
    }
    void writeThenReadBack()
    {
        QFETCH(bool, network);
        QFETCH(QString, typed);
        QVERIFY(window(network));
        TfmPrincipal& w = *window_;
        const QString readOk = QStringLiteral("Leitura dos parâmetros realizada com sucesso!");

        QTest::mouseClick(w.Button2, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {readOk});
        QTEST(shown(), "before");

        const QStringList v = typed.split(u' ');
        for (int i = 0; i < 19; ++i)
            boxes()[i]->setText(v[i]);
        w.ckbDHCPOn->setChecked(v.size() > 19);
        QTest::mouseClick(w.Button3, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {"IP's gravados com sucesso!"});
        QFETCH(QString, frame);
        QVERIFY2(received(network, qPrintable(frame)), qPrintable(net_.simLog()));

        for (QLineEdit* e : boxes())
            e->clear();
        w.ckbDHCPOn->setChecked(false);
        QTest::mouseClick(w.Button2, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {readOk});
        QCOMPARE(shown(), typed);
    }

    void clock_data()
    {
        QTest::addColumn<bool>("network");
        QTest::newRow("network") << true;
        QTest::newRow("cable") << false;
    }
    void clock()
    {
        QFETCH(bool, network);
        QVERIFY(window(network));
        TfmPrincipal& w = *window_;
        w.deviceClock.localTime = [] { return QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6)); };
        w.logLine(QStringLiteral("antes"));
        w.setClock();
        QCOMPARE(w.logLines(), (QStringList {"antes", "CMD_OK"}));
        QVERIFY(received(network, "45 4B 01 0B 07 00 EF 07 02 03 04 05 06 AD 01 00 00"));
        w.getClock();
        const QStringList lines = w.logLines();
        QCOMPARE(lines.mid(0, 3), (QStringList {"antes", "CMD_OK", "Date: 03/02/2031"}));
        // The device's clock runs on from the time it was given.
        QVERIFY2(
            QRegularExpression("^Time: 04:05:0[67]$").match(lines.value(3)).hasMatch(), qPrintable(lines.value(3)));
        QCOMPARE(lines.size(), 4);
    }

    // getClock to the address typed in the boxes: sent to the network's broadcast address it
    // takes the first answer of any device there; sent to one device it counts only that
    // device's answer, even when another device's clock answer reaches the tool meanwhile.
    void clockFromTheBoxes_data()
    {
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<bool>("firstSilent");  // device .10 never answers a clock request
        QTest::addColumn<bool>("answered");
        QTest::newRow("broadcast, both devices answer") << "10.231.9.255" << false << true;
        QTest::newRow("broadcast, only the second answers") << "10.231.9.255" << true << true;
        QTest::newRow("directed to the silent one, the other answers a stray request")
            << "10.231.9.10" << true << false;
    }
    void clockFromTheBoxes()
    {
        QFETCH(QString, boxes);
        QFETCH(bool, firstSilent);
        QFETCH(bool, answered);
        QJsonObject first {{"ip", net_.deviceAddress(0)}};
        if (firstSilent)
            first.insert("faults", QJsonObject {{"0x0A", QJsonObject {{"kind", "noAnswer"}, {"times", -1}}}});
        QVERIFY(
            net_.startSim(QJsonObject {{"devices", QJsonArray {first, QJsonObject {{"ip", net_.deviceAddress(1)}}}}}));
        window_ = std::make_unique<TfmPrincipal>(nullptr, false);
        TfmPrincipal& w = *window_;
        w.netDeviceFound = true;
        w.deviceIP = net_.deviceAddress(0);
        const QStringList octets = boxes.split(u'.');
        for (int i = 0; i < 4; ++i)
            this->boxes()[i]->setText(octets[i]);
        w.logLine(QStringLiteral("antes"));
        // A clock answer of the second device that nobody in the window asked for.
        QUdpSocket stray;
        if (!answered)
            QTimer::singleShot(300, &stray, [&] {
                stray.writeDatagram(QByteArray::fromHex("454B010A9B000000"), QHostAddress(net_.deviceAddress(1)), 4040);
            });
        QElapsedTimer elapsed;
        elapsed.start();
        w.getClock();
        const qint64 ms = elapsed.elapsed();
        const QStringList lines = w.logLines();
        if (answered) {
            QVERIFY2(ms < 3000, qPrintable(QString::number(ms)));
            QCOMPARE(lines.size(), 3);
            QVERIFY2(lines[1].startsWith("Date: ") && lines[2].startsWith("Time: "), qPrintable(lines.join('|')));
        } else {
            QCOMPARE(lines, (QStringList {"antes", "Sem resposta!"}));
            QVERIFY2(net_.simLog().contains(QStringLiteral("TX UDP %1 -> %2:4040 45 4B 01 0A 07 00")
                                                .arg(net_.deviceAddress(1), net_.toolAddress())),
                qPrintable(net_.simLog()));
        }
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestSettingsEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_settings_e2e.moc"
