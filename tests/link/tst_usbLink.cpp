// The USB link object and its reader thread against the fake cable, without a window.
#include "linkTests.h"

#include "link/frames.h"
#include "link/serialPortUnit.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/fakehid/fakehid.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(fakehid::Bytes)

namespace {

fakehid::Bytes pattern(int length, uint8_t seed)
{
    fakehid::Bytes bytes(static_cast<size_t>(length), 0);
    for (int i = 0; i < length; ++i)
        bytes[size_t(i)] = uint8_t(seed + i * 7);
    return bytes;
}

QByteArray toQt(const fakehid::Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

fakehid::Bytes lengthReport(int length)
{
    return {uint8_t(length & 0xFF), uint8_t(length >> 8)};
}

}  // namespace

class TestUsbLink : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opening_data();
    void opening();
    void framesReassembled_data();
    void framesReassembled();
    void oversizeRefused_data();
    void oversizeRefused();
    void missingDataReportDropsFrame();
    void detachEndsReader();
    void destructionStopsReader_data();
    void destructionStopsReader();

private:
    void open();
    std::unique_ptr<TSerialPort> port;
    QList<QByteArray> received;
};

void TestUsbLink::init()
{
    fakehid::reset();
    received.clear();
}

void TestUsbLink::cleanup()
{
    port.reset();
}

void TestUsbLink::open()
{
    port = std::make_unique<TSerialPort>();
    port->connect(0x1FC9, 0x0090, [this](const QByteArray& frame) { received.append(frame); });
}

void TestUsbLink::opening_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("connected");
    QTest::newRow("device with empty serial") << true << QString() << 0x0090 << true;
    QTest::newRow("no device") << false << QString() << 0x0090 << false;
    QTest::newRow("device with a serial number") << true << QStringLiteral("A1") << 0x0090 << false;
    QTest::newRow("other product") << true << QString() << 0x0091 << false;
}

void TestUsbLink::opening()
{
    QFETCH(bool, present);
    QFETCH(QString, serial);
    QFETCH(int, product);
    QFETCH(bool, connected);
    if (present)
        fakehid::plug(0x1FC9, uint16_t(product), serial.toStdWString());
    open();
    QCOMPARE(bool(port->connected), connected);
    QCOMPARE(port->handle != nullptr, connected);
    QCOMPARE(port->usbThread != nullptr, connected);
    QCOMPARE(port->reportSize, connected ? 32u : 0u);
    QVERIFY(fakehid::stats().lastSerialWasEmpty);
}

void TestUsbLink::framesReassembled_data()
{
    QTest::addColumn<int>("length");
    for (int length : {0, 1, 32, 33, 50, 64, 10000})
        QTest::addRow("L=%d", length) << length;
}

void TestUsbLink::framesReassembled()
{
    QFETCH(int, length);
    fakehid::plug();
    open();
    const fakehid::Bytes first = pattern(length, 1);
    const fakehid::Bytes second = pattern(length, 99);
    fakehid::sendFrame(first);
    fakehid::sendFrame(second);
    QVERIFY(settleFakeHid());
    QCOMPARE(received, (QList<QByteArray>{toQt(first), toQt(second)}));
}

void TestUsbLink::oversizeRefused_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("one byte over the buffer") << 10001;
    QTest::newRow("largest length") << 65535;
}

void TestUsbLink::oversizeRefused()
{
    // The device announces more than the receive buffer holds and sends all of it: the
    // reader reads it all, delivers nothing, and takes the next frame whole.
    QFETCH(int, length);
    fakehid::plug();
    open();
    fakehid::sendReport(lengthReport(length));
    for (int r = 0; r < (length + 31) / 32; ++r)
        fakehid::sendReport(fakehid::Bytes(32, 0xEE));
    const fakehid::Bytes next = pattern(40, 5);
    fakehid::sendFrame(next);
    QVERIFY(settleFakeHid(5000));
    QCOMPARE(received, QList<QByteArray>{toQt(next)});
    QVERIFY(port->connected);
}

void TestUsbLink::missingDataReportDropsFrame()
{
    fakehid::plug();
    const fakehid::Bytes answer = pattern(50, 3);
    fakehid::setResponder([answer](const fakehid::Bytes&) {
        return std::vector<ondixsim::Output>{ondixsim::Output{0, answer, 0}};
    });
    fakehid::setFault({fakehid::UsbFault::MissingDataReport, 0, 1, 1});
    open();
    const QByteArray request = ondixframe::bodilessFrame(0x03);
    port->WriteSerial(reinterpret_cast<const uint8_t*>(request.constData()), uint16_t(request.size()));
    fakehid::advance(100);  // the second data report's wait runs out
    QVERIFY(settleFakeHid());
    QVERIFY(received.isEmpty());
    // The next answer arrives whole: nothing of the broken one is left behind.
    port->WriteSerial(reinterpret_cast<const uint8_t*>(request.constData()), uint16_t(request.size()));
    QVERIFY(settleFakeHid());
    QCOMPARE(received, QList<QByteArray>{toQt(answer)});
    QCOMPARE(int(fakehid::writtenFrames().size()), 2);
}

void TestUsbLink::detachEndsReader()
{
    fakehid::plug();
    open();
    QVERIFY(port->connected);
    fakehid::detach();
    QTRY_VERIFY_WITH_TIMEOUT(port->usbThread->isFinished(), 5000);
    QVERIFY(!port->connected);
    QVERIFY(received.isEmpty());
    const QByteArray request = ondixframe::bodilessFrame(0x03);
    QCOMPARE(port->WriteSerial(reinterpret_cast<const uint8_t*>(request.constData()), 8), 8u);
    QVERIFY(fakehid::writtenFrames().empty());
}

void TestUsbLink::destructionStopsReader_data()
{
    QTest::addColumn<bool>("frameWaiting");
    QTest::newRow("reader idle") << false;
    QTest::newRow("reader handing a frame over") << true;
}

void TestUsbLink::destructionStopsReader()
{
    QFETCH(bool, frameWaiting);
    fakehid::plug();
    open();
    if (frameWaiting) {
        // The reader takes the frame and waits for this thread, which does not serve it.
        fakehid::sendFrame(pattern(20, 1));
        QElapsedTimer elapsed;
        elapsed.start();
        while (fakehid::pendingReports() > 0 && !elapsed.hasExpired(2000))
            fakehid::waitQuiet(1);
        QCOMPARE(fakehid::pendingReports(), 0);
    }
    port.reset();  // must not wait for a hand-over that nobody serves
    const fakehid::Stats stats = fakehid::stats();
    QCOMPARE(stats.closes, 1);
    QCOMPARE(stats.exits, 1);
    QCoreApplication::processEvents();
    QVERIFY(received.isEmpty());
}

int runUsbLinkTests(int argc, char** argv)
{
    TestUsbLink test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_usbLink.moc"
