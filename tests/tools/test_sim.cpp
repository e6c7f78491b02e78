// ondix-sim end to end: the simulator runs in the device namespace of a private test
// network, this test talks to it from the tool namespace with real datagrams and TCP.
#include <QtNetwork>
#include <QtTest>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

const QString simPath = QStringLiteral(ONDIX_SIM_PATH);
const QString testnetPath = QStringLiteral(ONDIX_TESTNET_PATH);
const QHostAddress toolAddress("10.231.1.1");
const QHostAddress deviceA("10.231.1.10");
const QHostAddress deviceB("10.231.1.11");
const QHostAddress spareAddress("10.231.1.12");
const QHostAddress broadcast("10.231.1.255");

struct Datagram {
    QHostAddress sender;
    QByteArray bytes;
};

QByteArray frame(const char* hex) { return QByteArray::fromHex(hex); }

int runTestnet(const QStringList& args, QString* output = nullptr) {
    QProcess p;
    p.start(testnetPath, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(1000);
        return -1;
    }
    if (output) *output = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace

class TestSim : public QObject {
    Q_OBJECT
public:
    TestSim() : name_(QStringLiteral("sim%1").arg(QCoreApplication::applicationPid())) {}
    ~TestSim() override { tearDown(); }

private slots:
    void initTestCase();
    void cleanupTestCase() { tearDown(); }
    void unicastInformation();
    void broadcastAnsweredByEveryDevice();
    void settingsWrittenAreReadBack();
    void captureSplitIntoDatagrams();
    void lateAnswerFault();
    void commandLineOverTcpIsKeptAndLogged();
    void announcementAndRunTimeBound();
    void badConfigurationExits_data();
    void badConfigurationExits();

private:
    QString ns(const char* which) const { return QStringLiteral("ondix-%1-%2").arg(name_, which); }
    QStringList inDeviceNamespace(const QStringList& simArgs) const {
        return QStringList{"netns", "exec", ns("dev"), simPath} + simArgs;
    }
    QString logText() const;
    std::vector<Datagram> exchange(const QHostAddress& to, const QByteArray& request, int count,
                                   int timeoutMs = 3000);
    std::vector<Datagram> receive(int count, int timeoutMs);
    void tearDown();

    QString name_;
    QTemporaryDir dir_;
    QProcess sim_;
    QUdpSocket* udp_ = nullptr;
    int homeNs_ = -1;
    bool up_ = false;
};

void TestSim::initTestCase() {
    QVERIFY(dir_.isValid());
    QString out;
    QCOMPARE(runTestnet({"up", name_, "--devices", "3"}, &out), 0);
    up_ = true;
    QVERIFY2(out.contains("DEVICE_ADDRESSES=\"10.231.1.10 10.231.1.11 10.231.1.12\""), qPrintable(out));

    QJsonArray durations;
    for (int i = 0; i < 997; ++i) durations.append(100 + i % 50);
    const QJsonObject config{
        {"devices",
         QJsonArray{
             QJsonObject{{"ip", "10.231.1.10"},
                         {"gateway", "10.231.1.1"},
                         {"rts", QJsonArray{QJsonObject{{"rollingCode", 4660}, {"keyCode", 167}, {"remoteId", "0A-FF-00"}}}},
                         {"irCapture", QJsonObject{{"durations", durations}, {"irValue", 37900}, {"delayMs", 50}, {"datagramSize", 700}}}},
             QJsonObject{{"ip", "10.231.1.11"},
                         {"ident", "ONDX2"},
                         {"faults", QJsonObject{{"0x0A", QJsonObject{{"kind", "late"}, {"delayMs", 400}, {"times", 1}}}}}},
         }}};
    QFile file(dir_.filePath("devices.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(config).toJson());
    file.close();

    sim_.setProcessChannelMode(QProcess::ForwardedChannels);
    sim_.start("ip", inDeviceNamespace({"--config", file.fileName(), "--log", dir_.filePath("sim.log"),
                                        "--run-for", "90"}));
    QVERIFY(sim_.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(logText().contains("READY 2 devices"), 10000);

    // From here on this thread's sockets live in the tool namespace.
    homeNs_ = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int toolNs = open(qPrintable("/run/netns/" + ns("tool")), O_RDONLY | O_CLOEXEC);
    QVERIFY(homeNs_ >= 0 && toolNs >= 0);
    QCOMPARE(setns(toolNs, CLONE_NEWNET), 0);
    close(toolNs);
    udp_ = new QUdpSocket(this);
    QVERIFY(udp_->bind(QHostAddress::AnyIPv4, 4040, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
}

void TestSim::tearDown() {
    delete udp_;
    udp_ = nullptr;
    if (sim_.state() != QProcess::NotRunning) {
        sim_.terminate();
        if (!sim_.waitForFinished(3000)) {
            sim_.kill();
            sim_.waitForFinished(3000);
        }
    }
    if (homeNs_ >= 0) {
        setns(homeNs_, CLONE_NEWNET);
        close(homeNs_);
        homeNs_ = -1;
    }
    if (up_) {
        runTestnet({"down", name_});
        up_ = false;
    }
}

QString TestSim::logText() const {
    QFile file(dir_.filePath("sim.log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

std::vector<Datagram> TestSim::receive(int count, int timeoutMs) {
    std::vector<Datagram> got;
    QElapsedTimer timer;
    timer.start();
    while (int(got.size()) < count && timer.elapsed() < timeoutMs) {
        if (!udp_->hasPendingDatagrams() && !udp_->waitForReadyRead(int(timeoutMs - timer.elapsed())))
            continue;
        while (udp_->hasPendingDatagrams()) {
            const QNetworkDatagram d = udp_->receiveDatagram(70000);
            if (d.senderAddress().isEqual(toolAddress)) continue;  // our own broadcast
            got.push_back({d.senderAddress(), d.data()});
        }
    }
    return got;
}

std::vector<Datagram> TestSim::exchange(const QHostAddress& to, const QByteArray& request, int count,
                                        int timeoutMs) {
    while (udp_->hasPendingDatagrams()) udp_->receiveDatagram();
    if (udp_->writeDatagram(request, to, 4040) != request.size()) return {};
    return receive(count, timeoutMs);
}

void TestSim::unicastInformation() {
    const auto got = exchange(deviceA, frame("454B010394000000"), 1);
    QCOMPARE(got.size(), size_t(1));
    QVERIFY(got[0].sender.isEqual(deviceA));
    QCOMPARE(got[0].bytes.size(), 50);
    QCOMPARE(got[0].bytes.left(4), frame("454B0103"));
    QCOMPARE(got[0].bytes.mid(6, 4), frame("0AE7010A"));
    QVERIFY(logText().contains("RX UDP 10.231.1.10 <- 10.231.1.1:4040 45 4B 01 03 94 00 00 00"));
}

void TestSim::broadcastAnsweredByEveryDevice() {
    auto got = exchange(broadcast, frame("454B010394000000"), 2);
    const auto extra = receive(1, 200);  // nobody answers twice
    QCOMPARE(got.size(), size_t(2));
    QVERIFY(extra.empty());
    QSet<QString> senders;
    for (const Datagram& d : got) {
        senders.insert(d.sender.toString());
        QCOMPARE(d.bytes.size(), 50);
        QCOMPARE(quint8(d.bytes[3]), quint8(0x0C));
        QCOMPARE(d.bytes.mid(6, 4), QByteArray::fromHex(d.sender.toString() == "10.231.1.10" ? "0AE7010A" : "0AE7010B"));
    }
    QCOMPARE(senders, (QSet<QString>{"10.231.1.10", "10.231.1.11"}));
}

void TestSim::settingsWrittenAreReadBack() {
    // 192.168.0.60 / 255.255.255.0 / 192.168.0.1, DHCP off, port 5000, then the sum.
    QByteArray write = frame("454B01040000C0A8003CFFFFFF00C0A80001000000000000008813") + QByteArray(19, 0);
    quint32 sum = 0;
    for (char c : write) sum += quint8(c);
    for (int i = 0; i < 4; ++i) write.append(char(sum >> (8 * i)));
    auto ack = exchange(deviceB, write, 1);
    QCOMPARE(ack.size(), size_t(1));
    QCOMPARE(ack[0].bytes, frame("454B010495000000"));
    // The device keeps answering where it was started and reports what it stored.
    auto info = exchange(deviceB, frame("454B010394000000"), 1);
    QCOMPARE(info.size(), size_t(1));
    QCOMPARE(info[0].bytes.mid(6, 12), frame("C0A8003CFFFFFF00C0A80001"));
    QCOMPARE(info[0].bytes.mid(25, 2), frame("8813"));
    // Its TCP server moved to the new port.
    QTcpSocket tcp;
    tcp.connectToHost(deviceB, 5000);
    QVERIFY(tcp.waitForConnected(3000));
}

void TestSim::captureSplitIntoDatagrams() {
    auto got = exchange(deviceA, frame("454B010798000000"), 4);
    QCOMPARE(got.size(), size_t(4));
    QCOMPARE(got[0].bytes, frame("454B010798000000"));
    QCOMPARE(got[1].bytes.size(), 700);
    QCOMPARE(got[2].bytes.size(), 700);
    QCOMPARE(got[3].bytes.size(), 600);
    const QByteArray message = got[1].bytes + got[2].bytes + got[3].bytes;
    QCOMPARE(quint16(quint8(message[2]) | quint8(message[3]) << 8), quint16(1000));
    QCOMPARE(quint16(quint8(message[4]) | quint8(message[5]) << 8), quint16(37900));
}

void TestSim::lateAnswerFault() {
    // Device B answers its first clock read 400 ms late, the next one at once.
    QElapsedTimer timer;
    timer.start();
    auto late = exchange(deviceB, frame("454B010A9B000000"), 1);
    QCOMPARE(late.size(), size_t(1));
    QVERIFY2(timer.elapsed() >= 350, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(late[0].bytes.size(), 17);
    auto prompt = exchange(deviceB, frame("454B010A9B000000"), 1, 300);
    QCOMPARE(prompt.size(), size_t(1));
}

void TestSim::commandLineOverTcpIsKeptAndLogged() {
    QTcpSocket tcp;
    tcp.connectToHost(deviceA, 4998);
    QVERIFY(tcp.waitForConnected(3000));
    const QByteArray line("sendrf_rc,3767,160,128,1,2,3");  // sent without a line end
    tcp.write(line);
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    while (!reply.contains("\r\n") && timer.elapsed() < 3000)
        if (tcp.waitForReadyRead(int(3000 - timer.elapsed()))) reply += tcp.readAll();
    QCOMPARE(reply, QByteArray("OK\r\n"));
    tcp.disconnectFromHost();

    const QString log = logText();
    QVERIFY(log.contains(QRegularExpression("RX TCP 10\\.231\\.1\\.10:4998 <- 10\\.231\\.1\\.1:\\d+ 73 65 6E 64")));
    QVERIFY(log.contains("LINE 10.231.1.10 sendrf_rc,3767,160,128,1,2,3"));

    // The PROG line made the device store a second remote, 01-02-03, Somfy.
    auto table = exchange(deviceA, frame("454B010899000000"), 1);
    QCOMPARE(table.size(), size_t(1));
    QCOMPARE(table[0].bytes.mid(4, 6), frame("140002000000"));
    QCOMPARE(table[0].bytes.mid(10, 8), frame("00003412A70AFF00"));
    QCOMPARE(table[0].bytes.mid(18, 8).toHex(), QByteArray("0000010001010203"));
}

void TestSim::announcementAndRunTimeBound() {
    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer timer;
    timer.start();
    second.start("ip", inDeviceNamespace({"--address", "10.231.1.12", "--tcp-port", "5001", "--announce", "300",
                                          "--run-for", "1.5", "--log", dir_.filePath("second.log")}));
    QVERIFY(second.waitForStarted(5000));
    while (udp_->hasPendingDatagrams()) udp_->receiveDatagram();
    const auto got = receive(1, 3000);
    QCOMPARE(got.size(), size_t(1));
    QVERIFY(got[0].sender.isEqual(spareAddress));
    QCOMPARE(quint8(got[0].bytes[3]), quint8(0x0C));
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(timer.elapsed() >= 1400);
}

void TestSim::badConfigurationExits_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad address in the file") << QByteArray(R"({"devices": [{"ip": "10.231.1.300"}]})")
                                             << QStringList() << 2 << "devices[0].ip";
    QTest::newRow("unknown key in the file") << QByteArray(R"({"devices": [{"ip": "10.231.1.10", "colour": 1}]})")
                                             << QStringList() << 2 << "unknown key \"colour\"";
    QTest::newRow("bad quick address") << QByteArray() << QStringList{"--address", "10.231.1"} << 2 << "--address";
    QTest::newRow("address not on this network") << QByteArray() << QStringList{"--address", "10.99.0.1"} << 3
                                                 << "cannot bind UDP 10.99.0.1:4040";
}

void TestSim::badConfigurationExits() {
    QFETCH(QByteArray, json);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    if (!json.isEmpty()) {
        QFile file(dir_.filePath("bad.json"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        file.close();
        args = QStringList{"--config", file.fileName()};
    }
    QProcess p;
    p.start("ip", inDeviceNamespace(args + QStringList{"--run-for", "3", "--log", dir_.filePath("bad.log")}));
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), exitCode);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString why;
    const int check = runTestnet({"check"}, &why);
    if (check != 0) {
        std::fprintf(stderr, "test_sim skipped: %s\n", qPrintable(why.trimmed()));
        return 77;
    }
    TestSim test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_sim.moc"
