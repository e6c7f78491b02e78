// Learning RF and IR codes in the window over the fake cable (virtual clock): the request
// each choice of controls sends, the acknowledgement and capture waits, the lines left in
// the log, and the network path with answers handed to the listener on chosen polls.
// Nothing leaves this host: network requests go to 127.0.0.9, where nobody answers.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include <cstring>

#include "app/dialogs.h"
#include "capture/capturePlot.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

namespace {

using TWords = std::vector<uint16_t>;
const QString logBefore = QStringLiteral("linha anterior");
const QString rawBefore = QStringLiteral("dados anteriores");
const QString rfPrompt = QStringLiteral("Pressione qualquer tecla do seu transmissor de RF...");
const QString irPrompt = QStringLiteral("Pressione qualquer tecla do seu controle remoto...");
const TWords irFrame {342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};
constexpr uint16_t irValue = 37900;

// RF: a long pulse, then four copies of a 26-sample frame (twelve bit pairs, a short mark,
// the long gap that closes the frame). IR: three copies of one frame.
TWords capture(bool ir)
{
    TWords s;
    for (int copy = 0; ir && copy < 3; ++copy)
        s.insert(s.end(), irFrame.begin(), irFrame.end());
    if (ir)
        return s;
    s.push_back(12400);
    for (int copy = 0; copy < 4; ++copy) {
        for (int bit = 0; bit < 12; ++bit)
            s.insert(s.end(), {uint16_t(bit % 3 ? 1200 : 400), uint16_t(bit % 3 ? 400 : 1200)});
        s.insert(s.end(), {400, 12400});
    }
    return s;
}

QString joined(const TWords& values, QChar separator = u',', size_t count = SIZE_MAX)
{
    QStringList parts;
    for (size_t i = 0; i < std::min(count, values.size()); ++i)
        parts.append(QString::number(values[i]));
    return parts.join(separator);
}

// The capture message as the device sends it: word 0, word count, (IR value), durations.
QByteArray message(bool ir)
{
    TWords words {0, 0};
    if (ir)
        words.push_back(irValue);
    const TWords durations = capture(ir);
    words.insert(words.end(), durations.begin(), durations.end());
    words[1] = uint16_t(words.size());
    QByteArray bytes;
    for (uint16_t w : words)
        bytes.append(char(w & 0xFF)).append(char(w >> 8));
    return bytes;
}

QByteArray bytesOf(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

}  // namespace

class TestLearning : public QObject {
    Q_OBJECT
    std::unique_ptr<ondixsim::Device> device;
    std::unique_ptr<TfmPrincipal> window;

    void build(bool plugged = true)
    {
        if (plugged)
            fakehid::plug();
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
    void fromNetwork(const QByteArray& datagram)
    {
        window->udpServerUDPRead(datagram, QHostAddress(QStringLiteral("127.0.0.9")));
    }

private slots:
    void init()
    {
        TDialogs::setScripted(true);
        fakehid::reset();
        ondixsim::DeviceConfig config;
        // The capture leaves 2 s after the request: over the cable the acknowledgement comes first.
        config.rfCapture = ondixsim::Capture {capture(false), 0, 2000};
        config.irCapture = ondixsim::Capture {capture(true), irValue, 2000};
        device = std::make_unique<ondixsim::Device>(config);
        fakehid::attachDevice(*device);
    }

    void cleanup()
    {
        window.reset();
        fakehid::setResponder(nullptr);
        device.reset();
    }

    void learn_data();
    void learn();
    void protocolAndPlot_data();
    void protocolAndPlot();
    void largeRawCapture();
    void countdownUntilCapture();
    void closeDuringCapture();
};

// `setup`: radio buttons to check and what the device, the cable or the test does
// differently. `request`: the frame written to the cable, if any. `elapsedMs` < 0: not checked.
void TestLearning::learn_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("polls");
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<QString>("rawData");
    const auto row = [](const char* name, bool ir, const char* setup, const char* request, const QStringList& log,
                         int polls, int elapsedMs = -1, const QString& rawData = QString()) {
        QTest::newRow(name) << ir << QString::fromLatin1(setup) << QByteArray::fromHex(request) << log << polls
                            << elapsedMs << rawData;
    };
    const char* rf16 = "454B0106040001001000AC000000";
    const char* irReq = "454B010798000000";
    const QString rfAll = joined(capture(false)), rfRaw = joined(capture(false), u'\n');
    const QString rfAuto = "sendrf,2,5,1," + joined(capture(false), u',', 26);
    const QString irAuto = "sendir,1:8,1,37900,3,1," + joined(irFrame);
    const QStringList noAnswer {logBefore, "Sem resposta!"};
    const QStringList bad {logBefore, "Falha na leitura dos parâmetros!"};
    const QStringList rfError {"Erro na captura! Aproxime o transmissor de RF a Ondix", "e tente novamente.",
        "Se o erro percistir, use a captura \"Bruta\" ou \"Raw\"..."};
    const QStringList irError {"Erro na captura! Aproxime o controle remoto a Ondix", "e tente novamente."};
    const QStringList noKey {"10ms", "0ms", "Sem resposta!"};
    row("RF automatic, 16", false, "rbSmartCapture rb16", rf16, {rfAuto}, 200);
    row("RF raw, 16", false, "rbRawCapture rb16", rf16, {"sendrf,2,1,1," + rfAll}, 200, -1, rfRaw);
    row("RF raw, 32", false, "rbRawCapture rb32", "454B0106040001002000BC000000", {"sendrf,3,1,1," + rfAll}, 200, -1,
        rfRaw);
    row("RF RTS, 8", false, "rbRCCapture rb8", "454B0106040002000800A5000000", {"sendrf_rc," + rfAll}, 200);
    row("IR automatic", true, "rbIR_Auto", irReq, {irAuto}, 200, -1, "");
    row("IR raw", true, "rbIR_Raw", irReq, {"sendir,1:8,1,37900,1,1," + joined(capture(true))}, 200, -1, "");
    row("RF no acknowledgement", false, "no-answer", rf16, noAnswer, 100);
    row("IR no acknowledgement", true, "no-answer", irReq, noAnswer, 100);
    row("RF acknowledgement on poll 99", false, "late-990", rf16, {rfAuto}, 200);
    row("RF acknowledgement on poll 100", false, "late-1000", rf16, noAnswer, 100);
    row("RF checksum off by one", false, "bad-checksum", rf16, bad, 1);
    row("IR checksum off by one", true, "bad-checksum", irReq, bad, 1);
    row("RF zero checksum", false, "zero-checksum", rf16, bad, 1);
    row("RF all-zero acknowledgement", false, "zero-ack", rf16, bad, 3);
    row("RF no key pressed", false, "no-key", rf16, QStringList {"CMD OK", rfPrompt} + noKey, 1 + 1000);
    // The acknowledgement again on poll 5 is no capture: the wait goes on, its countdown and
    // its 1000 polls unbroken.
    row("RF acknowledgement repeated", false, "repeat", rf16, {rfAuto}, 200);
    row("IR acknowledgement repeated, no key", true, "repeat no-key", irReq, QStringList {"CMD OK", irPrompt} + noKey,
        1 + 1000);
    row("IR no key pressed", true, "no-key", irReq, QStringList {"CMD OK", irPrompt} + noKey, 1 + 1000);
    // Automatic analysis: two long pulses only, no frame length can be voted.
    row("RF refused by the analysis", false, "two-pulses", rf16, rfError, 200);
    // The message announces more words than arrive: nothing past the received bytes may be
    // read (an earlier, longer capture still lies there).
    row("RF capture cut short", false, "cut rbRawCapture", rf16, rfError, 200);
    row("IR capture cut short", true, "cut rbIR_Raw", irReq, irError, 200, -1, "");
    // 6000 durations do not fit the cable's 10000-byte frame: the frame arrives cut, and the
    // message announcing more than arrived is refused at once instead of timing out.
    row("RF capture longer than the cable's frame", false, "long rbRawCapture", rf16, rfError, 200);
    row("IR capture longer than the cable's frame", true, "long rbIR_Raw", irReq, irError, 200, -1, "");
    // Without a usable link nothing is sent, nothing waits, nothing changes (not even rfDivisor).
    row("RF, no device found", false, "usb-off rb32", "", {logBefore}, 0, 0, rawBefore);
    row("IR, no device found", true, "usb-off", "", {logBefore}, 0, 0, rawBefore);
    row("RF, USB link closed", false, "unplugged rb32", "", {logBefore}, 0, 0, rawBefore);
    row("IR, USB link closed", true, "unplugged", "", {logBefore}, 0, 0, rawBefore);
    // Network: acknowledgement on poll 3 ("ack"), the capture in three datagrams ("split"):
    // the first two on poll 9, the last on poll 12. The network wins when both links are found.
    row("network RF, both links found", false, "net ack split rbRawCapture", "", {"sendrf,2,1,1," + rfAll}, 12, -1,
        rfRaw);
    row("network IR, network only", true, "net usb-off ack split", "", {irAuto}, 12);
    row("network IR, acknowledgement repeated on poll 6", true, "net usb-off ack repeat split", "", {irAuto}, 12);
    // Waits over the network: the acknowledgement 1000 polls (RF 1 ms, IR 10 ms), the capture
    // 1000 polls of 10 ms, with no 0ms line.
    row("network IR, an address box above 255", true, "net bad-box", "",
        {logBefore, "Valor inválido em Endereço IP, 1º campo: \"300\" (use um número de 0 a 255)."}, 0, 0, rawBefore);
    row("network RF no acknowledgement", false, "net", "", noAnswer, 1000, 1000);
    row("network IR no acknowledgement", true, "net", "", noAnswer, 1000, 10000);
    row("network RF no key pressed", false, "net ack", "", {"CMD OK", rfPrompt, "10ms", "Sem resposta!"}, 3 + 1000,
        2 + 10000);
}

void TestLearning::learn()
{
    QFETCH(bool, ir);
    QFETCH(QString, setup);
    QFETCH(QByteArray, request);
    QFETCH(int, elapsedMs);
    const QStringList does = setup.split(u' ');
    using F = fakehid::UsbFault;
    const QHash<QString, fakehid::UsbFaultSpec> usbFaults {{"no-answer", {F::NoAnswer, 0, 0, 1}},
        {"late-990", {F::Late, 990, 0, 1}}, {"late-1000", {F::Late, 1000, 0, 1}},
        {"bad-checksum", {F::BadChecksum, 0, 0, 1}}, {"zero-checksum", {F::ZeroChecksum, 0, 0, 1}}};
    fakehid::setFault(usbFaults.value(does[0]));
    ondixsim::DeviceConfig& config = device->config();
    if (does.contains(u"zero-ack"))
        config.faults[ondixsim::cmdLearnRf] = ondixsim::Fault {ondixsim::FaultKind::NoAnswer};
    if (does.contains(u"no-key"))
        config.rfCapture->present = config.irCapture->present = false;
    if (does.contains(u"two-pulses"))
        config.rfCapture->durations = {12400, 400, 1200, 400, 1200, 12400, 400};
    if (does.contains(u"long"))
        config.rfCapture->durations = config.irCapture->durations = TWords(6000, 500);
    if (does.contains(u"cut"))
        config.faults[ondixsim::cmdLearnRf] = config.faults[ondixsim::cmdLearnIr] =
            ondixsim::Fault {ondixsim::FaultKind::Truncated, 0, 12, -1, 1};
    build(!does.contains(u"unplugged"));
    window->usbDeviceFound = !does.contains(u"usb-off");
    window->netDeviceFound = does.contains(u"net");
    if (window->netDeviceFound) {
        // The device answers from 127.0.0.9; the requests the window sends there come back to
        // its own listener from another address and are not taken for answers.
        window->deviceIP = QStringLiteral("127.0.0.9");
        const QStringList octets =
            does.contains(u"bad-box") ? QStringList {"300", "0", "0", "9"} : QStringList {"127", "0", "0", "09"};
        const std::array<QLineEdit*, 4> boxes {window->IP_4, window->IP_3, window->IP_2, window->IP_1};
        for (int i = 0; i < 4; ++i)
            boxes[size_t(i)]->setText(octets[i]);
    }
    for (const QString& name : does)
        if (name.startsWith(u"rb"))
            window->findChild<QRadioButton*>(name)->setChecked(true);
    TFakeHidWaiter& waiter = fakeWaiter(*window);
    const QByteArray message = ::message(ir);
    if (does.contains(u"zero-ack"))
        waiter.atPoll(3, [] { fakehid::sendFrame(fakehid::Bytes(8, 0)); });
    const QByteArray ack = bytesOf(ondixsim::acknowledgement(ir ? 7 : 6));
    if (does.contains(u"repeat") && !does.contains(u"net"))
        waiter.atPoll(5, [&] { fakehid::sendFrame(ondixsim::acknowledgement(ir ? 7 : 6)); });
    const std::function<void()> split = [&] {
        if (does.contains(u"split"))
            waiter.atPoll(9, [&] {
                fromNetwork(message.left(20));
                fromNetwork(message.mid(20, 20));
                QCOMPARE(window->answerReady, 0);
                waiter.atPoll(12, [&] { fromNetwork(message.mid(40)); });
            });
    };
    if (does.contains(u"ack"))
        waiter.atPoll(3, [&] {  // each action schedules the next
            fromNetwork(ack);
            if (does.contains(u"repeat"))
                waiter.atPoll(6, [&] { fromNetwork(ack), split(); });
            else
                split();
        });
    if (does.contains(u"cut"))
        std::memcpy(window->answerBuf.data(), message.constData(), size_t(message.size()));

    ir ? window->bbLearningIRClick() : window->bbLearningRFClick();

    const auto frames = fakehid::writtenFrames();
    QCOMPARE(frames.empty() ? QByteArray() : bytesOf(frames[0]), request);
    QCOMPARE(int(frames.size()), request.isEmpty() ? 0 : 1);
    QTEST(window->logLines(), "log");
    QTEST(window->mmRawData->toPlainText(), "rawData");
    QTEST(waiter.polls(), "polls");
    if (elapsedMs >= 0)
        QCOMPARE(fakehid::now(), (long long)elapsedMs);
    // The divisor kept for later sending is the one the RF request carried (16 when none went).
    QCOMPARE(window->rfDivisor, !ir && request.size() > 8 ? int(uint8_t(request[8])) : 16);
    QVERIFY(window->TabControl1->isEnabled());
    QVERIFY(request.isEmpty() || (ir ? window->bbLearningIR : window->bbLearningRF)->isEnabled());
}

// An NEC key press at 38 kHz in carrier periods (address 0x04, command 0x08) and a repeat code.
TWords necPress()
{
    TWords d {342, 171};
    for (uint8_t byte : {0x04, 0xFB, 0x08, 0xF7})
        for (int bit = 0; bit < 8; ++bit)
            d.insert(d.end(), {21, uint16_t((byte >> bit) & 1 ? 64 : 21)});
    d.insert(d.end(), {21, 1520, 342, 86, 21});
    return d;
}

// Beside the log: the protocol label and the plot after each learning. Both start with what
// an earlier learning left; the log shows exactly what it shows without them.
void TestLearning::protocolAndPlot_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("plotted");  // durations in the plot
    QTest::addColumn<int>("frame");  // the marked frame's length
    QTest::addColumn<int>("memoLines");  // lines in "Raw Data": only a raw RF capture fills it
    const QString earlier = QStringLiteral("Protocolo IR: anterior");
    QTest::newRow("IR, NEC") << true << "nec"
                             << "sendir,1:8,1,38000,1,1," + joined(necPress())
                             << "Protocolo IR: NEC  endereço 0x04  comando 0x08" << 71 << 0 << 0;
    QTest::newRow("IR, no known protocol")
        << true << ""
        << "sendir,1:8,1,37900,3,1," + joined(irFrame) << "Protocolo IR: desconhecido" << 30 << 10 << 0;
    // The raw line keeps every duration; the plot still marks the repeated frame.
    QTest::newRow("IR raw") << true << "rbIR_Raw"
                            << "sendir,1:8,1,37900,1,1," + joined(capture(true)) << "Protocolo IR: desconhecido" << 30
                            << 10 << 0;
    QTest::newRow("RF automatic") << false << ""
                                  << "sendrf,2,5,1," + joined(capture(false), u',', 26) << "" << 105 << 26 << 0;
    QTest::newRow("RF raw: the frame the automatic analysis would take")
        << false << "rbRawCapture"
        << "sendrf,2,1,1," + joined(capture(false)) << "" << 105 << 26 << 105;
    // Refused by the analysis: drawn all the same, nothing marked.
    QTest::newRow("RF refused") << false << "two-pulses"
                                << "Erro na captura! Aproxime o transmissor de RF a Ondix"
                                << "" << 7 << 0 << 0;
    QTest::newRow("IR capture cut short") << true << "cut"
                                          << "Erro na captura! Aproxime o controle remoto a Ondix"
                                          << "" << 0 << 0 << 0;
    QTest::newRow("IR, no key pressed") << true << "no-key"
                                        << "CMD OK"
                                        << "" << 0 << 0 << 0;
    // Nothing sent, nothing changed.
    QTest::newRow("IR, USB link closed") << true << "unplugged" << logBefore << earlier << 3 << 0 << 1;
}

void TestLearning::protocolAndPlot()
{
    QFETCH(bool, ir);
    QFETCH(QString, setup);
    ondixsim::DeviceConfig& config = device->config();
    if (setup == u"nec")
        config.irCapture = ondixsim::Capture {necPress(), 38000, 2000};
    if (setup == u"two-pulses")
        config.rfCapture->durations = {12400, 400, 1200, 400, 1200, 12400, 400};
    if (setup == u"no-key")
        config.irCapture->present = false;
    if (setup == u"cut")
        config.faults[ondixsim::cmdLearnIr] = ondixsim::Fault {ondixsim::FaultKind::Truncated, 0, 12, -1, 1};
    build(setup != u"unplugged");
    if (setup.startsWith(u"rb"))
        window->findChild<QRadioButton*>(setup)->setChecked(true);
    auto* label = window->findChild<QLabel*>(QStringLiteral("lbIRProtocol"));
    auto* plot = window->findChild<TCapturePlot*>(QStringLiteral("pbCapturePlot"));
    QVERIFY(label && plot);
    label->setText(QStringLiteral("Protocolo IR: anterior"));
    plot->setCapture(makePulseTrain(TPulseKind::ir, TWords {1, 2, 3}, 0, 38000));

    ir ? window->bbLearningIRClick() : window->bbLearningRFClick();

    QTEST(window->logLines().value(0), "logLine");
    QTEST(label->text(), "label");
    QTEST(int(plot->train().durations.size()), "plotted");
    QTEST(int(plot->train().frameLength), "frame");
    const QString memo = window->mmRawData->toPlainText();
    QTEST(memo.isEmpty() ? 0 : int(memo.count(u'\n')) + 1, "memoLines");
    if (!plot->train().empty())
        QCOMPARE(plot->train().kind, ir ? TPulseKind::ir : TPulseKind::rf);
}

// The largest raw capture the cable carries: every sample on its own line of "Raw Data",
// twice in a row (the second replaces the first), and "Limpar" still empties the memo.
void TestLearning::largeRawCapture()
{
    TWords samples;
    for (int i = 0; i < 4900; ++i)
        samples.push_back(uint16_t(i % 7 == 0 ? 930 : 30 + i % 5));
    device->config().rfCapture->durations = samples;
    build();
    window->rbRawCapture->setChecked(true);
    for (int round = 0; round < 2; ++round) {
        window->bbLearningRFClick();
        QCOMPARE(window->mmRawData->toPlainText(), joined(samples, u'\n'));
        QCOMPARE(window->mmRawData->blockCount(), 4900);
        QVERIFY(window->logLines().value(0).startsWith(
            round ? u"sendrf,2,1,1,931,31,32,33,34,30,31,930," : u"sendrf,2,1,1,930,31,32,33,34,30,31,930,"));
        samples[0] = 931;
        device->config().rfCapture->durations = samples;
    }
    window->Button1->click();
    QCOMPARE(window->mmRawData->toPlainText(), QString());

    // An IR learning after a raw RF one: the memo no longer lists the RF samples beside the
    // IR plot.
    window->bbLearningRFClick();
    QCOMPARE(window->mmRawData->blockCount(), 4900);
    window->bbLearningIRClick();
    QCOMPARE(window->logLines().value(0).left(11), QStringLiteral("sendir,1:8,"));
    QCOMPARE(window->mmRawData->toPlainText(), QString());
}

void TestLearning::countdownUntilCapture()
{
    device->config().rfCapture->delayMs = 2500;
    build();
    QList<int> countdown;
    QObject watching;  // ends the connection with this test
    connect(window->mmInfo, &QPlainTextEdit::textChanged, &watching, [&] {
        const QStringList lines = window->logLines();
        if (lines.size() == 3 && lines[0] == u"CMD OK" && lines[1] == rfPrompt && lines[2].endsWith(u"ms")
            && (countdown.isEmpty() || countdown.last() != lines[2].chopped(2).toInt()))
            countdown.append(lines[2].chopped(2).toInt());
    });

    window->bbLearningRFClick();

    // Steps of 10 from 10000 until the capture, about 2.5 s into the wait.
    QVERIFY2(!countdown.isEmpty() && std::abs(countdown.last() - 7500) <= 30,
        qPrintable(QString::number(countdown.value(countdown.size() - 1))));
    QList<int> expected;
    for (int v = 10000; v >= countdown.last(); v -= 10)
        expected.append(v);
    QCOMPARE(countdown, expected);
    QVERIFY(window->logLines().value(0).startsWith(u"sendrf,2,5,1,12400,"));
}

void TestLearning::closeDuringCapture()
{
    device->config().rfCapture->present = false;
    build();
    window->show();
    fakeWaiter(*window).atPoll(40, [&] { window->close(); });

    window->bbLearningRFClick();

    QVERIFY2(fakeWaiter(*window).polls() < 45, "the close must end the wait at once");
    QCOMPARE(window->logLines().value(0), QStringLiteral("CMD OK"));
    QVERIFY(!window->logLines().contains(QStringLiteral("Sem resposta!")));
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(!window->exchange.busy());
}

QTEST_MAIN(TestLearning)
#include "test_learning.moc"
