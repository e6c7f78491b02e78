// The window's USB side through the fake cable and the emulated device: opening at start,
// taking frames, and the generic command through the exchange helper.
#include "linkTests.h"

#include "app/mainUnit.h"
#include "link/frames.h"
#include "link/serialPortUnit.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cstring>
#include <memory>

Q_DECLARE_METATYPE(fakehid::UsbFault)

namespace {

const QString logBefore = QStringLiteral("linha anterior");

QByteArray genericRequest()
{
    return QByteArray::fromHex("454B0102040000000000970000 00");
}

}  // namespace

class TestUsbWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startup_data();
    void startup();
    void genericCommand_data();
    void genericCommand();
    void genericCommandLinkClosed();
    void controlsDuringExchange();
    void closingWindowEndsWait();
    void framesReachAnswerBuffer_data();
    void framesReachAnswerBuffer();
    void detachedDevice();
    void oversizeLengthIgnored();

private:
    void build();
    QList<QWidget*> exchangeControls() const;
    std::unique_ptr<ondixsim::Device> device;
    std::unique_ptr<TfmPrincipal> window;
};

void TestUsbWindow::init()
{
    fakehid::reset();
    device = std::make_unique<ondixsim::Device>();
    fakehid::attachDevice(*device);
}

void TestUsbWindow::cleanup()
{
    window.reset();
    fakehid::setResponder(nullptr);
    device.reset();
}

void TestUsbWindow::build()
{
    window = makeTestWindow();
}

QList<QWidget*> TestUsbWindow::exchangeControls() const
{
    return {window->bbFindDevice, window->bbSendComd, window->GroupBox1, window->GroupBox2,
            window->TabControl1};
}

void TestUsbWindow::startup_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("status");
    QTest::newRow("device on the cable") << true << QString() << true << QStringLiteral("Ondix Conectada a USB!");
    QTest::newRow("no device") << false << QString() << false << QStringLiteral("Ondix não conectada!");
    QTest::newRow("device with a serial number")
        << true << QStringLiteral("0001") << false << QStringLiteral("Ondix não conectada!");
}

void TestUsbWindow::startup()
{
    QFETCH(bool, present);
    QFETCH(QString, serial);
    QFETCH(bool, connected);
    QFETCH(QString, status);
    if (present)
        fakehid::plug(0x1FC9, 0x0090, serial.toStdWString());
    build();
    QCOMPARE(bool(window->serialPort->connected), connected);
    QCOMPARE(window->lbStatusBar->text(), status);
    QCOMPARE(window->userConnect(), connected ? 0 : -1);  // the link opens once per run
    QCOMPARE(fakehid::stats().opens, connected ? 1 : 0);
}

void TestUsbWindow::genericCommand_data()
{
    QTest::addColumn<fakehid::UsbFault>("fault");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("log");
    const QStringList noAnswer{logBefore, QStringLiteral("Sem resposta!")};
    const QStringList badAnswer{logBefore, QStringLiteral("Falha na leitura dos parâmetros!")};
    using F = fakehid::UsbFault;
    QTest::newRow("acknowledged") << F::None << 0 << true << QStringList{QStringLiteral("CMD OK")};
    QTest::newRow("no answer") << F::NoAnswer << 0 << false << noAnswer;
    QTest::newRow("checksum off by one") << F::BadChecksum << 0 << false << badAnswer;
    QTest::newRow("zero checksum") << F::ZeroChecksum << 0 << false << badAnswer;
    QTest::newRow("answer on poll 99") << F::Late << 990 << true << QStringList{QStringLiteral("CMD OK")};
    QTest::newRow("answer on poll 100") << F::Late << 1000 << false << noAnswer;
    // An earlier valid acknowledgement is still in answerBuf: a frame with a lost report
    // must not be completed from it.
    QTest::newRow("data report lost") << F::MissingDataReport << 0 << false << noAnswer;
}

void TestUsbWindow::genericCommand()
{
    QFETCH(fakehid::UsbFault, fault);
    QFETCH(int, delayMs);
    QFETCH(bool, result);
    QFETCH(QStringList, log);
    fakehid::plug();
    fakehid::setFault({fault, delayMs, 0, 1});
    build();
    const QByteArray stale = ondixframe::bodilessFrame(0x02);
    std::memcpy(window->answerBuf.data(), stale.constData(), size_t(stale.size()));
    window->answerReady = 1;
    window->logLine(logBefore);

    QCOMPARE(window->genericUSB_CMD_CMD(0x02), result);

    QCOMPARE(window->logLines(), log);
    const auto frames = fakehid::writtenFrames();
    QCOMPARE(int(frames.size()), 1);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(frames[0].data()), qsizetype(frames[0].size())),
             genericRequest());
    QCOMPARE(device->firmwareTriggers(), 1);
    if (result)
        QCOMPARE(window->answerReady, 0);
    for (QWidget* control : exchangeControls())
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    for (QWidget* control : {(QWidget*)window->GroupBox1, (QWidget*)window->mmInfo,
                             (QWidget*)window->bbFindDevice, (QWidget*)window->TabControl1})
        QVERIFY2(!control->testAttribute(Qt::WA_SetCursor), qPrintable(control->objectName()));
}

void TestUsbWindow::genericCommandLinkClosed()
{
    build();  // nothing on the cable
    QVERIFY(!window->bbSendComd->isEnabled());
    QVERIFY(!window->genericUSB_CMD_CMD(0x02));
    QVERIFY(window->logLines().isEmpty());
    QVERIFY(window->bbSendComd->isEnabled());
    QCOMPARE(fakehid::stats().writes, 0);
    QCOMPARE(fakeWaiter(*window).polls(), 0);
}

void TestUsbWindow::controlsDuringExchange()
{
    fakehid::plug();
    fakehid::setFault({fakehid::UsbFault::Late, 50, 0, 1});
    build();
    QList<bool> enabledDuring;
    QList<Qt::CursorShape> cursorsDuring;
    TExchangeOutcome second = TExchangeOutcome::Valid;
    fakeWaiter(*window).atPoll(2, [&] {
        for (QWidget* control : exchangeControls())
            enabledDuring.append(control->isEnabled());
        for (QWidget* control : {(QWidget*)window->bbFindDevice, (QWidget*)window->GroupBox1,
                                 (QWidget*)window->mmInfo})
            cursorsDuring.append(control->cursor().shape());
        TExchangeSpec other;
        other.frame = ondixframe::bodilessFrame(0x03);
        second = window->exchange.run(other);
    });
    QVERIFY(window->genericUSB_CMD_CMD(0x02));
    QCOMPARE(enabledDuring, QList<bool>(5, false));
    QCOMPARE(cursorsDuring, QList<Qt::CursorShape>(3, Qt::WaitCursor));
    QCOMPARE(second, TExchangeOutcome::Busy);
    QCOMPARE(int(fakehid::writtenFrames().size()), 1);
    QCOMPARE(fakeWaiter(*window).polls(), 5);
}

void TestUsbWindow::closingWindowEndsWait()
{
    fakehid::plug();
    fakehid::setFault({fakehid::UsbFault::NoAnswer, 0, 0, -1});
    build();
    fakeWaiter(*window).atPoll(3, [this] { window->exchange.abort(); });
    QVERIFY(!window->genericUSB_CMD_CMD(0x02));
    QCOMPARE(fakeWaiter(*window).polls(), 3);
    QVERIFY(window->logLines().isEmpty());
    for (QWidget* control : exchangeControls())
        QVERIFY(control->isEnabled());
}

void TestUsbWindow::framesReachAnswerBuffer_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("throughReader");
    QTest::newRow("empty frame") << 0 << true;
    QTest::newRow("50 bytes") << 50 << true;
    QTest::newRow("10000 bytes") << 10000 << true;
    QTest::newRow("longer than answerBuf") << answerBufSize + 1 << false;
}

void TestUsbWindow::framesReachAnswerBuffer()
{
    QFETCH(int, length);
    QFETCH(bool, throughReader);
    fakehid::plug();
    build();
    window->answerBuf.fill(0xA5);
    QByteArray frame(length, '\0');
    for (int i = 0; i < length; ++i)
        frame[i] = char(i % 251);
    if (throughReader) {
        fakehid::sendFrame(fakehid::Bytes(frame.begin(), frame.end()));
        QVERIFY(settleFakeHid());
    } else {
        window->OnUSBReceive(frame);
    }
    QCOMPARE(window->answerReady, 1);
    QCOMPARE(window->answerLen, length);
    const int copied = std::min(length, answerBufSize);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(window->answerBuf.data()), copied), frame.left(copied));
    if (copied < answerBufSize)
        QCOMPARE(window->answerBuf[size_t(copied)], uint8_t(0xA5));
}

void TestUsbWindow::detachedDevice()
{
    fakehid::plug();
    build();
    fakehid::detach();
    QTRY_VERIFY_WITH_TIMEOUT(!window->serialPort->connected, 5000);
    QVERIFY(!window->genericUSB_CMD_CMD(0x02));
    QVERIFY(window->logLines().isEmpty());
    QCOMPARE(fakehid::stats().writes, 0);
}

void TestUsbWindow::oversizeLengthIgnored()
{
    fakehid::plug();
    build();
    fakehid::sendReport({0xFF, 0xFF});  // announces 65535 bytes, then nothing
    fakehid::advance(100);
    QVERIFY(settleFakeHid());
    QCOMPARE(window->answerReady, 0);
    QVERIFY(window->serialPort->connected);
    QVERIFY(window->genericUSB_CMD_CMD(0x02));
    QCOMPARE(window->logLines(), QStringList{QStringLiteral("CMD OK")});
}

int runUsbWindowTests(int argc, char** argv)
{
    TestUsbWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_usbWindow.moc"
