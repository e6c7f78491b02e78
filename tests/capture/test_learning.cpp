// Learning RF and IR codes in the window: the request each choice of controls sends, the
// acknowledgement and capture waits over the fake cable (virtual clock), the lines that
// end in the log, the network path with answers handed to the listener on chosen polls.
// Nothing leaves this host: network cases use an empty destination address.
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QtTest>

#include <cstring>
#include <optional>

#include "app/dialogs.h"
#include "link/frames.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

Q_DECLARE_METATYPE(fakehid::UsbFault)

namespace {

using TWords = std::vector<uint16_t>;

const QString logBefore = QStringLiteral("linha anterior");
const QString rawBefore = QStringLiteral("dados anteriores");
const QString rfPrompt = QStringLiteral("Pressione qualquer tecla do seu transmissor de RF...");
const QString irPrompt = QStringLiteral("Pressione qualquer tecla do seu controle remoto...");

// A long pulse, then four copies of a 26-sample frame: twelve bit pairs, a short mark and
// the long gap that closes the frame.
TWords rfCapture()
{
    TWords s{12400};
    for (int copy = 0; copy < 4; ++copy) {
        for (int bit = 0; bit < 12; ++bit) {
            s.push_back(bit % 3 == 0 ? 400 : 1200);
            s.push_back(bit % 3 == 0 ? 1200 : 400);
        }
        s.push_back(400);
        s.push_back(12400);
    }
    return s;
}

const TWords irFrame{342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};
constexpr uint16_t irValue = 37900;

TWords irCapture()
{
    TWords s;
    for (int copy = 0; copy < 3; ++copy)
        s.insert(s.end(), irFrame.begin(), irFrame.end());
    return s;
}

QString joined(const TWords& values, QLatin1Char separator = QLatin1Char(','))
{
    QStringList parts;
    for (uint16_t v : values)
        parts.append(QString::number(v));
    return parts.join(separator);
}

TWords firstOf(const TWords& values, size_t count)
{
    return TWords(values.begin(), values.begin() + qsizetype(std::min(count, values.size())));
}

// The capture message as the device sends it: word 0, word count, (IR value), durations.
QByteArray message(const TWords& durations, std::optional<uint16_t> value = {})
{
    TWords words{0, uint16_t(durations.size() + (value ? 3 : 2))};
    if (value)
        words.push_back(*value);
    words.insert(words.end(), durations.begin(), durations.end());
    QByteArray bytes;
    for (uint16_t w : words) {
        bytes.append(char(w & 0xFF));
        bytes.append(char(w >> 8));
    }
    return bytes;
}

QByteArray bytesOf(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

}  // namespace

class TestLearning : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void requestAndLine_data();
    void requestAndLine();
    void usbOutcome_data();
    void usbOutcome();
    void countdownUntilCapture();
    void nothingHappens_data();
    void nothingHappens();
    void networkPath_data();
    void networkPath();
    void networkTimeout_data();
    void networkTimeout();
    void closeDuringCapture();

private:
    void build();
    QRadioButton* radio(const QString& name) const;
    void click(bool ir);
    std::unique_ptr<ondixsim::Device> device;
    std::unique_ptr<TfmPrincipal> window;
};

void TestLearning::init()
{
    TDialogs::setScripted(true);
    fakehid::reset();
    ondixsim::DeviceConfig config;
    config.rfCapture = ondixsim::Capture{rfCapture(), 0, 500};
    config.irCapture = ondixsim::Capture{irCapture(), irValue, 500};
    device = std::make_unique<ondixsim::Device>(config);
    fakehid::attachDevice(*device);
}

void TestLearning::cleanup()
{
    window.reset();
    fakehid::setResponder(nullptr);
    device.reset();
}

void TestLearning::build()
{
    window = makeTestWindow();
    window->usbDeviceFound = true;
    window->GroupBox2->setEnabled(true);
    window->logLine(logBefore);
    window->mmRawData->setPlainText(rawBefore);
    // Network cases must not send anywhere: no destination in either place.
    window->deviceIP.clear();
    for (QLineEdit* box : {window->IP_4, window->IP_3, window->IP_2, window->IP_1})
        box->clear();
}

QRadioButton* TestLearning::radio(const QString& name) const
{
    return window->findChild<QRadioButton*>(name);
}

void TestLearning::click(bool ir)
{
    if (ir)
        window->bbLearningIRClick();
    else
        window->bbLearningRFClick();
}

void TestLearning::requestAndLine_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("divisor");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("rawData");
    QTest::addColumn<int>("rfDivisor");

    const TWords rf = rfCapture();
    const QString rfAll = joined(rf);
    const QByteArray rf16 = QByteArray::fromHex("454B0106040001001000AC000000");
    QTest::newRow("RF automatic, 16")
        << false << "rbSmartCapture" << "rb16" << rf16 << "sendrf,2,5,1," + joined(firstOf(rf, 26))
        << rawBefore << 16;
    QTest::newRow("RF raw, 16") << false << "rbRawCapture" << "rb16" << rf16 << "sendrf,2,1,1," + rfAll
                                << joined(rf, QLatin1Char('\n')) << 16;
    QTest::newRow("RF raw, 32") << false << "rbRawCapture" << "rb32"
                                << QByteArray::fromHex("454B0106040001002000BC000000") << "sendrf,3,1,1," + rfAll
                                << joined(rf, QLatin1Char('\n')) << 32;
    QTest::newRow("RF RTS, 8") << false << "rbRCCapture" << "rb8"
                               << QByteArray::fromHex("454B0106040002000800A5000000") << "sendrf_rc," + rfAll
                               << rawBefore << 8;

    const QByteArray irRequest = QByteArray::fromHex("454B010798000000");
    QTest::newRow("IR automatic") << true << "rbIR_Auto" << "" << irRequest
                                  << "sendir,1:8,1,37900,3,1," + joined(irFrame) << "" << 16;
    QTest::newRow("IR raw") << true << "rbIR_Raw" << "" << irRequest
                            << "sendir,1:8,1,37900,1,1," + joined(irCapture()) << "" << 16;
}

void TestLearning::requestAndLine()
{
    QFETCH(bool, ir);
    QFETCH(QString, mode);
    QFETCH(QString, divisor);
    QFETCH(QByteArray, request);
    QFETCH(QString, line);
    QFETCH(QString, rawData);
    QFETCH(int, rfDivisor);
    fakehid::plug();
    build();
    radio(mode)->setChecked(true);
    if (!divisor.isEmpty())
        radio(divisor)->setChecked(true);

    click(ir);

    const auto frames = fakehid::writtenFrames();
    QCOMPARE(int(frames.size()), 1);
    QCOMPARE(bytesOf(frames[0]), request);
    QCOMPARE(window->logLines(), QStringList{line});
    QCOMPARE(window->mmRawData->toPlainText(), rawData);
    QCOMPARE(window->rfDivisor, rfDivisor);
    QVERIFY(window->TabControl1->isEnabled());
    QVERIFY((ir ? window->bbLearningIR : window->bbLearningRF)->isEnabled());
}

void TestLearning::usbOutcome_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<fakehid::UsbFault>("fault");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<QString>("behaviour");  // what the emulated device does differently
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("rawData");
    QTest::addColumn<int>("polls");

    using F = fakehid::UsbFault;
    const QStringList noAnswer{logBefore, QStringLiteral("Sem resposta!")};
    const QStringList bad{logBefore, QStringLiteral("Falha na leitura dos parâmetros!")};
    const QStringList rfLine{"sendrf,2,5,1," + joined(firstOf(rfCapture(), 26))};
    const QStringList rfError{"Erro na captura! Aproxime o transmissor de RF a Ondix", "e tente novamente.",
                              "Se o erro percistir, use a captura \"Bruta\" ou \"Raw\"..."};
    const QStringList irError{"Erro na captura! Aproxime o controle remoto a Ondix", "e tente novamente."};
    // The capture leaves 2 s after the request: the acknowledgement always comes first.
    QTest::newRow("RF no answer") << false << F::NoAnswer << 0 << "" << noAnswer << rawBefore << 100;
    QTest::newRow("IR no answer") << true << F::NoAnswer << 0 << "" << noAnswer << rawBefore << 100;
    QTest::newRow("RF answer on poll 99") << false << F::Late << 990 << "" << rfLine << rawBefore << 200;
    QTest::newRow("RF answer on poll 100") << false << F::Late << 1000 << "" << noAnswer << rawBefore << 100;
    QTest::newRow("RF checksum off by one") << false << F::BadChecksum << 0 << "" << bad << rawBefore << 1;
    QTest::newRow("IR checksum off by one") << true << F::BadChecksum << 0 << "" << bad << rawBefore << 1;
    QTest::newRow("RF zero checksum") << false << F::ZeroChecksum << 0 << "" << bad << rawBefore << 1;
    QTest::newRow("RF all-zero acknowledgement") << false << F::None << 0 << "zero ack" << bad << rawBefore << 3;
    QTest::newRow("RF no key pressed") << false << F::None << 0 << "no key"
                                       << QStringList{"CMD OK", rfPrompt, "10ms", "0ms", "Sem resposta!"}
                                       << rawBefore << 1 + 1000;
    QTest::newRow("IR no key pressed") << true << F::None << 0 << "no key"
                                       << QStringList{"CMD OK", irPrompt, "10ms", "0ms", "Sem resposta!"}
                                       << rawBefore << 1 + 1000;
    // Automatic analysis: two long pulses only, no frame length can be voted.
    QTest::newRow("RF refused by the analysis") << false << F::None << 0 << "two long pulses" << rfError
                                                << rawBefore << 200;
    // The message announces more words than arrive: nothing past the received bytes may be
    // read (an earlier, longer capture still lies there).
    QTest::newRow("RF capture cut short") << false << F::None << 0 << "cut" << rfError << rawBefore << 200;
    QTest::newRow("IR capture cut short") << true << F::None << 0 << "cut" << irError << "" << 200;
}

void TestLearning::usbOutcome()
{
    QFETCH(bool, ir);
    QFETCH(fakehid::UsbFault, fault);
    QFETCH(int, delayMs);
    QFETCH(QString, behaviour);
    QFETCH(QStringList, log);
    QFETCH(QString, rawData);
    QFETCH(int, polls);
    ondixsim::DeviceConfig& config = device->config();
    config.rfCapture->delayMs = 2000;
    config.irCapture->delayMs = 2000;
    if (behaviour == QStringLiteral("zero ack"))
        config.faults[ondixsim::cmdLearnRf] = ondixsim::Fault{ondixsim::FaultKind::NoAnswer};
    if (behaviour == QStringLiteral("no key"))
        config.rfCapture->present = config.irCapture->present = false;
    if (behaviour == QStringLiteral("two long pulses"))
        config.rfCapture->durations = {12400, 400, 1200, 400, 1200, 12400, 400};
    if (behaviour == QStringLiteral("cut")) {
        const ondixsim::Fault cut{ondixsim::FaultKind::Truncated, 0, 12, -1, 1};
        config.faults[ondixsim::cmdLearnRf] = cut;
        config.faults[ondixsim::cmdLearnIr] = cut;
    }
    fakehid::plug();
    fakehid::setFault({fault, delayMs, 0, 1});
    build();
    if (behaviour == QStringLiteral("zero ack"))
        fakeWaiter(*window).atPoll(3, [] { fakehid::sendFrame(fakehid::Bytes(8, 0)); });
    if (behaviour == QStringLiteral("cut")) {
        const QByteArray earlier = message(ir ? irCapture() : rfCapture(), ir ? std::optional<uint16_t>(irValue) : std::nullopt);
        std::memcpy(window->answerBuf.data(), earlier.constData(), size_t(earlier.size()));
        window->rbRawCapture->setChecked(true);
        window->rbIR_Raw->setChecked(true);
    }

    click(ir);

    QCOMPARE(window->logLines(), log);
    QCOMPARE(window->mmRawData->toPlainText(), rawData);
    QCOMPARE(fakeWaiter(*window).polls(), polls);
    QVERIFY(window->TabControl1->isEnabled());
    QVERIFY((ir ? window->bbLearningIR : window->bbLearningRF)->isEnabled());
}

void TestLearning::countdownUntilCapture()
{
    device->config().rfCapture->delayMs = 2500;
    fakehid::plug();
    build();
    QList<int> countdown;
    static const QRegularExpression countdownLine(QStringLiteral("^(\\d+)ms$"));
    QObject watching;  // ends the connection with this test
    connect(window->mmInfo, &QPlainTextEdit::textChanged, &watching, [&] {
        const QStringList lines = window->logLines();
        if (lines.size() != 3 || lines[0] != QStringLiteral("CMD OK") || lines[1] != rfPrompt)
            return;
        const auto match = countdownLine.match(lines[2]);
        if (match.hasMatch() && (countdown.isEmpty() || countdown.last() != match.captured(1).toInt()))
            countdown.append(match.captured(1).toInt());
    });

    window->bbLearningRFClick();

    QVERIFY(countdown.size() > 2);
    QCOMPARE(countdown.first(), 10000);
    for (int i = 1; i < countdown.size(); ++i)
        QCOMPARE(countdown[i], countdown[i - 1] - 10);
    // The last value shown before the line replaced the log: about 2.5 s into the wait.
    QVERIFY2(std::abs(countdown.last() - 7500) <= 30, qPrintable(QString::number(countdown.last())));
    QVERIFY(window->logLines().value(0).startsWith(QStringLiteral("sendrf,2,5,1,12400,")));
}

void TestLearning::nothingHappens_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<bool>("plugged");
    QTest::addColumn<bool>("usbFound");
    QTest::newRow("RF, no device found") << false << true << false;
    QTest::newRow("IR, no device found") << true << true << false;
    QTest::newRow("RF, USB link closed") << false << false << true;
    QTest::newRow("IR, USB link closed") << true << false << true;
}

void TestLearning::nothingHappens()
{
    QFETCH(bool, ir);
    QFETCH(bool, plugged);
    QFETCH(bool, usbFound);
    if (plugged)
        fakehid::plug();
    build();
    window->usbDeviceFound = usbFound;
    window->rb32->setChecked(true);

    click(ir);

    QCOMPARE(window->logLines(), QStringList{logBefore});
    QCOMPARE(window->mmRawData->toPlainText(), rawBefore);
    QCOMPARE(fakehid::stats().writes, 0);
    QCOMPARE(fakeWaiter(*window).polls(), 0);
    QCOMPARE(window->rfDivisor, 16);  // nothing was sent with 32
    QVERIFY(window->TabControl1->isEnabled());
}

void TestLearning::networkPath_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<bool>("usbFound");
    QTest::addColumn<QString>("line");
    QTest::newRow("RF, both links found") << false << true << "sendrf,2,1,1," + joined(rfCapture());
    QTest::newRow("IR, network only") << true << false << "sendir,1:8,1,37900,3,1," + joined(irFrame);
}

void TestLearning::networkPath()
{
    QFETCH(bool, ir);
    QFETCH(bool, usbFound);
    QFETCH(QString, line);
    fakehid::plug();
    build();
    window->usbDeviceFound = usbFound;
    window->netDeviceFound = true;
    window->rbRawCapture->setChecked(true);
    const QByteArray capture = message(ir ? irCapture() : rfCapture(), ir ? std::optional<uint16_t>(irValue) : std::nullopt);
    const QHostAddress sender(QStringLiteral("127.0.0.9"));
    TFakeHidWaiter& waiter = fakeWaiter(*window);
    // One action per poll at a time: each one schedules the next.
    const auto lastPart = [&] { window->udpServerUDPRead(capture.mid(40), sender); };
    const auto firstParts = [&] {
        // The capture in three datagrams, the first two on one poll, the last on a later one.
        window->udpServerUDPRead(capture.left(20), sender);
        window->udpServerUDPRead(capture.mid(20, 20), sender);
        QCOMPARE(window->answerReady, 0);
        waiter.atPoll(12, lastPart);
    };
    waiter.atPoll(4, [&] {
        window->udpServerUDPRead(bytesOf(ondixsim::acknowledgement(ir ? 7 : 6)), sender);
        waiter.atPoll(9, firstParts);
    });

    click(ir);

    QCOMPARE(window->logLines(), QStringList{line});
    QCOMPARE(fakehid::stats().writes, 0);  // nothing went over the cable
    QCOMPARE(waiter.polls(), 12);
    // Only the USB variant empties the raw data memo.
    QCOMPARE(window->mmRawData->toPlainText(), ir ? rawBefore : joined(rfCapture(), QLatin1Char('\n')));
}

void TestLearning::networkTimeout_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<bool>("acknowledged");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("polls");
    QTest::addColumn<int>("elapsedMs");
    const QStringList noAnswer{logBefore, "Sem resposta!"};
    QTest::newRow("RF acknowledgement: 1000 polls of 1 ms") << false << false << noAnswer << 1000 << 1000;
    QTest::newRow("IR acknowledgement: 1000 polls of 10 ms") << true << false << noAnswer << 1000 << 10000;
    QTest::newRow("RF capture: no 0ms line") << false << true
                                             << QStringList{"CMD OK", rfPrompt, "10ms", "Sem resposta!"}
                                             << 3 + 1000 << 2 + 10000;
}

void TestLearning::networkTimeout()
{
    QFETCH(bool, ir);
    QFETCH(bool, acknowledged);
    QFETCH(QStringList, log);
    QFETCH(int, polls);
    QFETCH(int, elapsedMs);
    fakehid::plug();
    build();
    window->netDeviceFound = true;
    // The acknowledgement, when there is one, comes on the third poll (2 ms into the wait).
    if (acknowledged)
        fakeWaiter(*window).atPoll(3, [&] {
            window->udpServerUDPRead(bytesOf(ondixsim::acknowledgement(ir ? 7 : 6)), QHostAddress(QStringLiteral("127.0.0.9")));
        });

    click(ir);

    QCOMPARE(window->logLines(), log);
    QCOMPARE(fakeWaiter(*window).polls(), polls);
    QCOMPARE(fakehid::now(), (long long)elapsedMs);
}

void TestLearning::closeDuringCapture()
{
    device->config().rfCapture->present = false;
    fakehid::plug();
    build();
    window->show();
    fakeWaiter(*window).atPoll(40, [&] { window->close(); });

    window->bbLearningRFClick();

    QVERIFY2(fakeWaiter(*window).polls() < 45, "the close must end the wait at once");
    const QStringList log = window->logLines();
    QVERIFY(!log.contains(QStringLiteral("Sem resposta!")));
    QCOMPARE(log.value(0), QStringLiteral("CMD OK"));
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(!window->exchange.busy());
}

QTEST_MAIN(TestLearning)
#include "test_learning.moc"
