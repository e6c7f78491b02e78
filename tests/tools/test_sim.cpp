// ondix-sim's own command line in the device namespace of a private test network: refused
// options, and a configuration file served at another address, asked from the tool
// namespace with real datagrams. What the tool sees of the emulator is checked in the
// end-to-end, learning and discovery suites.
#include <QtNetwork>
#include <QtTest>

#include "link/udpPort.h"
#include "tests/support/testNetwork.h"

class TestSim : public QObject {
    Q_OBJECT
    TTestNetwork net_ {QStringLiteral("sim%1").arg(QCoreApplication::applicationPid())};
    QTemporaryDir dir_;
    QUdpSocket* udp_ = nullptr;

    // Sends the request and returns the datagrams that arrive within the time, up to
    // `count`, each as "sender size first-`shown`-bytes-in-hex".
    QStringList exchange(const char* to, const char* hex, int count, int timeoutMs, int shown)
    {
        const QByteArray request = QByteArray::fromHex(hex);
        if (udp_->writeDatagram(request, QHostAddress(to), 4040) != request.size())
            return {"unsent"};
        QStringList got;
        for (const QDeadlineTimer deadline(timeoutMs); got.size() < count && !deadline.hasExpired();) {
            if (!udp_->hasPendingDatagrams() && !udp_->waitForReadyRead(int(deadline.remainingTime())))
                continue;
            while (udp_->hasPendingDatagrams()) {
                const QNetworkDatagram d = udp_->receiveDatagram(70000);
                got << QStringLiteral("%1 %2 %3")
                           .arg(d.senderAddress().toString())
                           .arg(d.data().size())
                           .arg(QString::fromLatin1(d.data().left(shown).toHex()));
            }
        }
        return got;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid() && net_.up(2));
        QVERIFY(net_.enterToolNamespace());  // this thread's sockets live there from now on
        udp_ = new QUdpSocket(this);
        QVERIFY(udpport::bindForUser(*udp_, QHostAddress::AnyIPv4, 4040));  // as the tool binds
    }
    void cleanupTestCase() { delete udp_, net_.down(); }

    void badConfigurationExits_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad quick address") << QStringList {"--address", "10.231.1"} << 2 << "--address";
        QTest::newRow("address not on this network")
            << QStringList {"--address", "10.99.0.1"} << 3 << "cannot bind UDP 10.99.0.1:4040";
        QTest::newRow("unknown option") << QStringList {"--adress", "10.231.1.10"} << 2 << "Unknown option 'adress'";
        QTest::newRow("file with quick options")
            << QStringList {"--config", "x.json", "--devices", "2"} << 2 << "--config cannot be combined";
    }
    void badConfigurationExits()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QProcess p;
        // The arguments under test come last, so that an option missing its value is the last.
        p.start("ip",
            QStringList {"netns", "exec", net_.namespaceName("dev"), QStringLiteral(ONDIX_SIM_PATH), "--run-for", "3",
                "--log", dir_.filePath("bad.log")}
                + args);
        QVERIFY(p.waitForFinished(10000));
        QTEST(p.exitCode(), "exitCode");
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
    }

    // The NEC demonstration file, written for 127.0.0.2, serves at the address given with
    // --address: its first device answers there with its own IR capture (irValue 38000,
    // 3 + 71 words).
    void configFileAtAnotherAddress()
    {
        QFile nec(qEnvironmentVariable("ONDIX_SOURCE_DIR") + "/docs/nec-remote.json");
        QVERIFY(nec.open(QIODevice::ReadOnly));
        QFile copy(dir_.filePath("nec.json"));
        QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(nec.readAll()) > 0);
        copy.close();
        QProcess sim;
        sim.start("ip",
            QStringList {"netns", "exec", net_.namespaceName("dev"), QStringLiteral(ONDIX_SIM_PATH), "--config",
                copy.fileName(), "--address", "10.231.1.11", "--run-for", "10", "--log", dir_.filePath("nec.log")});
        QVERIFY(sim.waitForStarted(5000));
        const auto simLog = [this] {
            QFile log(dir_.filePath("nec.log"));
            return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(simLog().contains(" READY "), 10000);
        QCOMPARE(exchange("10.231.1.11", "454B010394000000", 1, 2000, 10),
            QStringList {"10.231.1.11 50 454b0103000"
                         "00ae7010b"});
        QCOMPARE(exchange("10.231.1.11", "454B010798000000", 2, 4000, 6),
            (QStringList {"10.231.1.11 8 454b01079800", "10.231.1.11 148 00004a007094"}));
        sim.kill();
        sim.waitForFinished(3000);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestSim test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_sim.moc"
