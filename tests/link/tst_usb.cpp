// The USB link, its reader thread and the window's USB side through the fake cable and the
// emulated device: opening, taking frames, the generic command through the exchange helper.
#include "app/mainUnit.h"
#include "link/frames.h"
#include "link/serialPortUnit.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

#include <QTest>
#include <QtWidgets>

#include <cstring>
#include <memory>

static QByteArray pattern(int length, uint8_t seed)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = char((seed + i * 7) % 251);
    return bytes;
}
static fakehid::Bytes toFake(const QByteArray& b)
{
    return fakehid::Bytes(b.begin(), b.end());
}

class TestUsb : public QObject {
    Q_OBJECT
    std::unique_ptr<ondixsim::Device> device;
    std::unique_ptr<TfmPrincipal> window;
    std::unique_ptr<TSerialPort> port;
    QList<QByteArray> received;

    void openPort()
    {
        fakehid::plug();
        port = std::make_unique<TSerialPort>();
        port->connect(0x1FC9, 0x0090, [this](const QByteArray& frame) { received.append(frame); });
    }
    QList<QWidget*> exchangeControls() const
    {
        return {window->bbFindDevice, window->bbSendComd, window->GroupBox1, window->GroupBox2, window->TabControl1};
    }
    void verifyControlsFree() const
    {
        const QList<QWidget*> controls = exchangeControls() << window->mmInfo;
        for (QWidget* control : controls)
            QVERIFY2((control == window->mmInfo || control->isEnabled()) && !control->testAttribute(Qt::WA_SetCursor),
                qPrintable(control->objectName()));
    }

private slots:
    void init()
    {
        fakehid::reset();
        received.clear();
        device = std::make_unique<ondixsim::Device>();
        fakehid::attachDevice(*device);
    }
    void cleanup()
    {
        port.reset();
        window.reset();
        fakehid::setResponder(nullptr);
        device.reset();
    }

    // Frames of any length arrive whole, one longer than the receive buffer cut to its first
    // 10000 bytes (none when its data never comes: length -1, the largest length announced);
    // the link stays up and the next frame arrives whole.
    void framesReassembled()
    {
        for (int length : {0, 1, 32, 33, 10000, 10001, 65535, -1}) {
            cleanup();
            init();
            openPort();
            const QByteArray frame = pattern(std::max(length, 0), 1), next = pattern(40, 99);
            if (length < 0)
                fakehid::sendReport({0xFF, 0xFF});
            else
                fakehid::sendFrame(toFake(frame));
            fakehid::advance(100);  // a data report that never comes is waited for no longer
            QVERIFY(settleFakeHid(5000));
            fakehid::sendFrame(toFake(next));
            QVERIFY(settleFakeHid());
            QCOMPARE(received, length < 0 ? QList<QByteArray>({next}) : QList<QByteArray>({frame.left(10000), next}));
            QVERIFY(port->connected);
        }
    }

    void destructionWhileHandingOver()
    {
        // The reader takes a frame and waits for this thread, which does not serve it.
        openPort();
        fakehid::sendFrame(toFake(pattern(20, 1)));
        for (int i = 0; i < 2000 && fakehid::pendingReports() > 0; ++i)
            fakehid::waitQuiet(1);
        QCOMPARE(fakehid::pendingReports(), 0);
        port.reset();  // must not wait for a hand-over that nobody serves
        QCOMPARE(fakehid::stats().closes, 1);
        QCOMPARE(fakehid::stats().exits, 1);
        QCoreApplication::processEvents();
        QVERIFY(received.isEmpty());
    }

    // Device on the cable, none, one with a serial number, another product.
    void startup()
    {
        const std::tuple<bool, QString, int> rows[] = {
            {true, QString(), 0x0090}, {false, QString(), 0x0090}, {true, "0001", 0x0090}, {true, QString(), 0x0091}};
        for (const auto& [present, serial, product] : rows) {
            cleanup();
            init();
            if (present)
                fakehid::plug(0x1FC9, uint16_t(product), serial.toStdWString());
            window = makeTestWindow();
            const bool connected = present && serial.isEmpty() && product == 0x0090;
            QCOMPARE(bool(window->serialPort->connected), connected);
            QCOMPARE(window->lbStatusBar->text(),
                connected ? QStringLiteral("Ondix Conectada a USB!") : QStringLiteral("Ondix não conectada!"));
            QCOMPARE(window->userConnect(), connected ? 0 : -1);  // the link opens once per run
            QCOMPARE(fakehid::stats().opens, connected ? 1 : 0);
            QVERIFY(fakehid::stats().lastSerialWasEmpty);
            // The generic command goes out only on an open link; a closed one fails silently.
            QCOMPARE(window->genericUSB_CMD_CMD(0x02), connected);
            QCOMPARE(window->logLines(), connected ? QStringList {QStringLiteral("CMD OK")} : QStringList {});
            QCOMPARE(fakehid::stats().writes, connected ? 1 : 0);
            verifyControlsFree();
        }
    }

    void genericCommand()
    {
        const QStringList ok {QStringLiteral("CMD OK")};
        const QStringList noAnswer {QStringLiteral("antes"), QStringLiteral("Sem resposta!")};
        using F = fakehid::UsbFault;
        // fault, the poll on which the window closes (0: never), polls, the log; a frame with a
        // lost report must not be completed from the stale acknowledgement in answerBuf.
        const std::tuple<F, int, int, QStringList> rows[] = {{F::None, 0, 1, ok}, {F::NoAnswer, 0, 100, noAnswer},
            {F::MissingDataReport, 0, 100, noAnswer}, {F::NoAnswer, 3, 3, {"antes"}}};
        for (const auto& [fault, abortAt, polls, log] : rows) {
            cleanup();
            init();
            fakehid::plug();
            fakehid::setFault({fault, 0, 0, 1});  // the first answer only
            window = makeTestWindow();
            const QByteArray stale = ondixframe::bodilessFrame(0x02);
            std::memcpy(window->answerBuf.data(), stale.constData(), size_t(stale.size()));
            window->answerReady = 1;
            window->logLine(QStringLiteral("antes"));
            if (abortAt)
                fakeWaiter(*window).atPoll(abortAt, [&] { window->exchange.abort(); });

            const bool result = window->genericUSB_CMD_CMD(0x02);
            QCOMPARE(result, log == ok);
            QCOMPARE(window->logLines(), log);
            QCOMPARE(fakeWaiter(*window).polls(), polls);
            const QByteArray request = QByteArray::fromHex("454B0102040000000000970000 00");
            QCOMPARE(fakehid::writtenFrames(), std::vector<fakehid::Bytes> {toFake(request)});
            QCOMPARE(device->firmwareTriggers(), 1);
            if (result)
                QCOMPARE(window->answerReady, 0);
            verifyControlsFree();
            // Nothing of a broken answer is left behind; a closing window waits no more.
            QCOMPARE(window->genericUSB_CMD_CMD(0x02), !abortAt);
        }
    }

    // The cable follows the device: plugged in after start, unplugged, plugged in again,
    // unplugged in the middle of a wait.
    void hotPlug()
    {
        window = makeTestWindow();
        QCOMPARE(window->lbStatusBar->text(), QStringLiteral("Ondix não conectada!"));
        fakehid::plug();
        window->session.usbArrival();  // what a new device node in /dev sets off
        QCOMPARE(window->lbStatusBar->text(), QStringLiteral("Ondix Conectada a USB!"));
        QVERIFY(window->genericUSB_CMD_CMD(0x02));

        fakehid::detach();
        QTRY_COMPARE_WITH_TIMEOUT(window->lbStatusBar->text(), QStringLiteral("Ondix não conectada!"), 5000);
        fakehid::plug();
        window->clearLog();
        window->bbFindDeviceClick();  // "Localizar Ondix" opens the cable again
        QVERIFY(window->serialPort->connected);
        QVERIFY(window->usbDeviceFound);
        QCOMPARE(window->logLines(), QStringList {"Encontrado dispositivo na porta USB!"});

        window->clearLog();
        fakeWaiter(*window).atPoll(5, [] { fakehid::detach(); });
        QVERIFY(!window->genericUSB_CMD_CMD(0x7F));  // a code the device ignores: it waits
        QCOMPARE(window->logLines(), QStringList {"Sem resposta!"});
        verifyControlsFree();
        QTRY_COMPARE_WITH_TIMEOUT(window->lbStatusBar->text(), QStringLiteral("Ondix não conectada!"), 5000);
    }

    void framesReachAnswerBuffer()
    {
        for (int length : {0, 10000, answerBufSize, answerBufSize + 1}) {
            window.reset();
            window = makeTestWindow();
            window->answerBuf.fill(0xA5);
            const QByteArray frame = pattern(length, 0);
            window->OnUSBReceive(frame);  // nobody waits on the cable: not an answer
            QCOMPARE(window->answerReady, 0);
            window->session.expectAnswer(TLinkKind::Usb);
            window->OnUSBReceive(frame);
            QCOMPARE(window->answerReady, 1);
            QCOMPARE(window->answerLen, length);
            const int copied = std::min(length, answerBufSize);
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(window->answerBuf.data()), copied), frame.left(copied));
            if (copied < answerBufSize)
                QCOMPARE(window->answerBuf[size_t(copied)], uint8_t(0xA5));  // nothing written past the frame
        }
    }
};

int runUsbTests(int argc, char** argv)
{
    TestUsb test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_usb.moc"
