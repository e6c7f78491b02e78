// ondix-sim end to end: the simulator runs in the device namespace of a private test
// network, this test talks to it from the tool namespace with real datagrams and TCP.
#include <QtNetwork>
#include <QtTest>

#include "tests/support/testNetwork.h"

class TestSim : public QObject {
    Q_OBJECT
    TTestNetwork net_{QStringLiteral("sim%1").arg(QCoreApplication::applicationPid())};
    QTemporaryDir dir_;
    QUdpSocket* udp_ = nullptr;

    QStringList inDeviceNamespace(const QStringList& args) const {
        return QStringList{"netns", "exec", net_.namespaceName("dev"), QStringLiteral(ONDIX_SIM_PATH)} + args;
    }
    // Sends the request (none when `hex` is empty) and returns up to `count` datagrams that
    // arrive within the time, each as "sender size first-`shown`-bytes-in-hex".
    QStringList exchange(const char* to, const char* hex, int count, int timeoutMs = 3000, int shown = 10) {
        while (udp_->hasPendingDatagrams()) udp_->receiveDatagram();
        const QByteArray request = QByteArray::fromHex(hex);
        if (!request.isEmpty() && udp_->writeDatagram(request, QHostAddress(to), 4040) != request.size()) return {"unsent"};
        QStringList got;
        for (const QDeadlineTimer deadline(timeoutMs); got.size() < count && !deadline.hasExpired();) {
            if (!udp_->hasPendingDatagrams() && !udp_->waitForReadyRead(int(deadline.remainingTime()))) continue;
            while (udp_->hasPendingDatagrams()) {
                const QNetworkDatagram d = udp_->receiveDatagram(70000);
                if (d.senderAddress().toString() == net_.toolAddress()) continue;  // our own broadcast
                got << QStringLiteral("%1 %2 %3").arg(d.senderAddress().toString()).arg(d.data().size())
                           .arg(QString::fromLatin1(d.data().left(shown).toHex()));
            }
        }
        return got;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid() && net_.up(3));
        QJsonArray durations;
        for (int i = 0; i < 997; ++i) durations.append(100 + i % 50);
        const QJsonObject remote{{"rollingCode", 4660}, {"keyCode", 167}, {"remoteId", "0A-FF-00"}};
        const QJsonObject ir{{"durations", durations}, {"irValue", 37900}, {"delayMs", 50}, {"datagramSize", 700}};
        const QJsonObject a{{"ip", "10.231.1.10"}, {"rts", QJsonArray{remote}}, {"irCapture", ir}};
        const QJsonObject late{{"kind", "late"}, {"delayMs", 400}, {"times", 1}};
        const QJsonObject b{{"ip", "10.231.1.11"}, {"faults", QJsonObject{{"0x0A", late}}}};
        QVERIFY(net_.startSim(QJsonObject{{"devices", QJsonArray{a, b}}}));
        QVERIFY(net_.enterToolNamespace());  // this thread's sockets live there from now on
        udp_ = new QUdpSocket(this);
        QVERIFY(udp_->bind(QHostAddress::AnyIPv4, 4040, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
    }
    void cleanupTestCase() { delete udp_, net_.down(); }

    // Every device answers a broadcast once, with answer code 0x0C.
    void broadcastAnsweredOnceByEach() {
        QStringList got = exchange("10.231.1.255", "454B010394000000", 3, 1000);
        got.sort();
        QCOMPARE(got, (QStringList{"10.231.1.10 50 454b010c00000ae7010a", "10.231.1.11 50 454b010c00000ae7010b"}));
    }

    void settingsWrittenAreReadBack() {
        // 192.168.0.60 / 255.255.255.0 / 192.168.0.1, DHCP off, port 5000, 19 zero bytes, the sum.
        QCOMPARE(exchange("10.231.1.11", "454B01040000C0A8003CFFFFFF00C0A80001000000000000008813"
                          "00000000000000000000000000000000000000" "3A070000", 1),
                 QStringList{"10.231.1.11 8 454b010495000000"});
        // The device keeps answering where it was started and reports what it stored.
        QCOMPARE(exchange("10.231.1.11", "454B010394000000", 1, 3000, 27),
                 QStringList{"10.231.1.11 50 454b01030000" "c0a8003cffffff00c0a80001" "001a2b3c4d5e" "008813"});
        QTcpSocket tcp;  // its TCP server moved to the new port
        tcp.connectToHost("10.231.1.11", 5000);
        QVERIFY(tcp.waitForConnected(3000));
    }

    void captureSplitIntoDatagrams() {
        // Acknowledgement, then 1000 words (count, IR value, 997 durations) in 700-byte datagrams.
        QCOMPARE(exchange("10.231.1.10", "454B010798000000", 4, 3000, 6),
                 (QStringList{"10.231.1.10 8 454b01079800", "10.231.1.10 700 0000e8030c94", "10.231.1.10 700 930094009500",
                              "10.231.1.10 600 930094009500"}));
    }

    void lateAnswerFault() {
        // Device B answers its first clock read 400 ms late, the next one at once.
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(exchange("10.231.1.11", "454B010A9B000000", 1, 3000, 4), QStringList{"10.231.1.11 17 454b010a"});
        QVERIFY2(timer.elapsed() >= 350, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(exchange("10.231.1.11", "454B010A9B000000", 1, 300, 4), QStringList{"10.231.1.11 17 454b010a"});
    }

    // A PROG line without a line end makes the device store a second remote, 01-02-03, Somfy.
    void commandLineOverTcpStoresRemote() {
        QTcpSocket tcp;
        tcp.connectToHost("10.231.1.10", 4998);
        QVERIFY(tcp.waitForConnected(3000));
        tcp.write("sendrf_rc,3767,160,128,1,2,3");
        QByteArray reply;
        for (QDeadlineTimer deadline(3000); !reply.contains("\r\n") && !deadline.hasExpired();)
            if (tcp.waitForReadyRead(int(deadline.remainingTime()))) reply += tcp.readAll();
        QCOMPARE(reply, QByteArray("OK\r\n"));
        QCOMPARE(exchange("10.231.1.10", "454B010899000000", 1, 3000, 26),
                 QStringList{"10.231.1.10 30 454b0108140002000000" "00003412a70aff00" "0000010001010203"});
    }

    void announcementAndRunTimeBound() {
        QProcess second;
        QElapsedTimer timer;
        timer.start();
        second.start("ip", inDeviceNamespace({"--address", "10.231.1.12", "--tcp-port", "5001", "--announce", "300",
                                              "--run-for", "1.5", "--log", dir_.filePath("second.log")}));
        QVERIFY(second.waitForStarted(5000));
        QCOMPARE(exchange("", "", 1, 3000, 4), QStringList{"10.231.1.12 50 454b010c"});
        QVERIFY(second.waitForFinished(5000) && second.exitStatus() == QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(timer.elapsed() >= 1400);
    }

    void badConfigurationExits_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad address in the file") << QByteArray(R"({"devices": [{"ip": "10.231.1.300"}]})") << QStringList()
                                                 << 2 << "devices[0].ip";
        QTest::newRow("bad quick address") << QByteArray() << QStringList{"--address", "10.231.1"} << 2 << "--address";
        QTest::newRow("address not on this network") << QByteArray() << QStringList{"--address", "10.99.0.1"} << 3
                                                     << "cannot bind UDP 10.99.0.1:4040";
    }
    void badConfigurationExits() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        if (!json.isEmpty()) {
            QFile file(dir_.filePath("bad.json"));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(json) == json.size());
            args = QStringList{"--config", file.fileName()};
        }
        QProcess p;
        p.start("ip", inDeviceNamespace(args + QStringList{"--run-for", "3", "--log", dir_.filePath("bad.log")}));
        QVERIFY(p.waitForFinished(10000));
        QTEST(p.exitCode(), "exitCode");
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestSim test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_sim.moc"
