// ondix-sim's own command line in the device namespace of a private test network: refused
// options, and a configuration file served at another address, asked from the tool
// namespace with real datagrams. What the tool sees of the emulator is checked in the
// end-to-end, learning and discovery suites.
#include <QtNetwork>
#include <QtTest>

#include "tests/support/testNetwork.h"

class TestSim : public QObject {
    Q_OBJECT
    TTestNetwork net_ {QStringLiteral("sim%1").arg(QCoreApplication::applicationPid())};
    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid() && net_.up(2));
        QVERIFY(net_.enterToolNamespace());  // this thread's sockets live there from now on
    }
    void cleanupTestCase() { net_.down(); }

    // A bad quick address, an address not on this network, an unknown option, a file with
    // quick options.
    void badConfigurationExits()
    {
        const std::tuple<QStringList, int, QString> cases[] = {{{"--address", "10.231.1"}, 2, "--address"},
            {{"--address", "10.99.0.1"}, 3, "cannot bind UDP 10.99.0.1:4040"},
            {{"--adress", "10.231.1.10"}, 2, "Unknown option 'adress'"},
            {{"--config", "x.json", "--devices", "2"}, 2, "--config cannot be combined"}};
        for (const auto& [args, exitCode, message] : cases) {
            QProcess p;
            // The arguments under test come last, so that an option missing its value is the last.
            p.start("ip",
                QStringList {"netns", "exec", net_.namespaceName("dev"), QStringLiteral(ONDIX_SIM_PATH), "--run-for",
                    "3", "--log", dir_.filePath("bad.log")}
                    + args);
            QVERIFY(p.waitForFinished(10000));
            const QString err = QString::fromLocal8Bit(p.readAllStandardError());
            QCOMPARE(p.exitCode(), exitCode);
            QVERIFY2(err.contains(message), qPrintable(err));
        }
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
            return log.open(QIODevice::ReadOnly) ? QString::fromLatin1(log.readAll()) : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(simLog().contains(" READY "), 10000);
        // What it sends back to port 4040 of the tool's address: the record, then the
        // acknowledgement and the capture in one datagram.
        QUdpSocket udp;
        udp.writeDatagram(QByteArray::fromHex("454B010394000000"), QHostAddress("10.231.1.11"), 4040);
        const QString tx = QStringLiteral("TX UDP 10.231.1.11 -> 10.231.1.1:4040 ");
        QTRY_VERIFY_WITH_TIMEOUT(simLog().contains(tx + "45 4B 01 03 00 00 0A E7 01 0B"), 2000);
        udp.writeDatagram(QByteArray::fromHex("454B010798000000"), QHostAddress("10.231.1.11"), 4040);
        const QRegularExpression capture(QRegularExpression::escape(tx) + "(00 00 4A 00 70 94[0-9A-F ]*)\n");
        QTRY_VERIFY_WITH_TIMEOUT(capture.match(simLog()).hasMatch(), 4000);
        QVERIFY(simLog().contains(tx + "45 4B 01 07 98 00 00 00\n"));
        QCOMPARE((capture.match(simLog()).captured(1).size() + 1) / 3, 148);
        sim.kill();
        sim.waitForFinished(3000);
    }
};

ONDIX_NETWORK_TEST_MAIN(QCoreApplication, TestSim)

#include "test_sim.moc"
