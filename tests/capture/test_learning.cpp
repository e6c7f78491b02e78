// Learning RF and IR in the window over the fake cable (virtual clock): the request each
// choice of controls sends, the controls held while the device is awaited, and what the log,
// "Raw Data" (and "Limpar"), the protocol label and the plot show; the network path with
// answers handed to the listener on chosen polls. The waits and answers of every outcome are the device API's.
// Nothing leaves this host: network requests go to 127.0.0.9, where nobody answers.
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "capture/capturePlot.h"
#include "tests/capture/captureData.h"
#include "tests/support/fakeHidWaiter.h"
#include "tests/support/windowOnFakeCable.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

namespace {

using TWords = std::vector<uint16_t>;
const QString logBefore = QStringLiteral("linha anterior");
const QString rawBefore = QStringLiteral("dados anteriores");
const QString rfPrompt = QStringLiteral("Pressione qualquer tecla do seu transmissor de RF...");
const TWords irFrame {342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};
constexpr uint16_t irValue = 37900;

// RF: a long pulse, then four copies of a 26-sample frame (twelve bit pairs, a short mark,
// the long gap that closes the frame). IR: three copies of one frame.
TWords capture(bool ir)
{
    TWords s = ir ? TWords {} : TWords {12400}, frame = ir ? irFrame : TWords {400, 12400};
    for (int bit = 0; !ir && bit < 12; ++bit)  // the RF frame's bit pairs go before its closing mark and gap
        frame.insert(frame.end() - 2, {uint16_t(bit % 3 ? 1200 : 400), uint16_t(bit % 3 ? 400 : 1200)});
    for (int copy = 0; copy < (ir ? 3 : 4); ++copy)
        s.insert(s.end(), frame.begin(), frame.end());
    return s;
}

QString joined(const TWords& values, QChar separator = u',', size_t count = SIZE_MAX)
{
    QStringList parts;
    for (size_t i = 0; i < std::min(count, values.size()); ++i)
        parts.append(QString::number(values[i]));
    return parts.join(separator);
}

// The capture message as the device sends it: (IR value), durations.
QByteArray message(bool ir)
{
    TWords words = capture(ir);
    if (ir)
        words.insert(words.begin(), irValue);
    return capturedata::message(words);
}

}  // namespace

class TestLearning : public QObject, TWindowOnFakeCable {
    Q_OBJECT

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
        setAddressBoxes(*window, QString());
    }
    void fromNetwork(const QByteArray& datagram)
    {
        window->udpServerUDPRead(datagram, QHostAddress(QStringLiteral("127.0.0.9")));
    }

private slots:
    void init()
    {
        ondixsim::DeviceConfig config;
        // The capture leaves 2 s after the request: over the cable the acknowledgement comes first.
        config.rfCapture = ondixsim::Capture {capture(false), 0, 2000};
        config.irCapture = ondixsim::Capture {capture(true), irValue, 2000};
        attachUnit(config);
    }
    void cleanup() { detachUnit(); }

    void learn_data();
    void learn();
    void closeDuringCapture();
};

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

// `setup`: radio buttons to check and what the device, the cable or the test does
// differently. `request`: the frame written to the cable, if any. The label and the plot start
// with what an earlier learning left, "Raw Data" with rawBefore.
void TestLearning::learn_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("rawData");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("plotted");  // durations in the plot
    QTest::addColumn<int>("frame");  // the marked frame's length
    const auto row = [](const char* name, bool ir, const char* setup, const char* request, const QStringList& log,
                         const QString& rawData, const QString& label, int plotted, int frame) {
        QTest::newRow(name) << ir << QString::fromLatin1(setup) << QByteArray::fromHex(request) << log << rawData
                            << label << plotted << frame;
    };
    const char* rf16 = "454B0106040001001000AC000000";
    const char* irReq = "454B010798000000";
    const QString rfAll = joined(capture(false)), rfRaw = joined(capture(false), u'\n');
    const QString rfAuto = "sendrf,2,5,1," + joined(capture(false), u',', 26);
    const QString irAuto = "sendir,1:8,1,37900,3,1," + joined(irFrame);
    const QString unknown = QStringLiteral("Protocolo IR: desconhecido");
    const QStringList rfError {"Erro na captura! Aproxime o transmissor de RF a Ondix", "e tente novamente.",
        "Se o erro percistir, use a captura \"Bruta\" ou \"Raw\"..."};
    row("RF automatic, 16", false, "rbSmartCapture rb16", rf16, {rfAuto}, "", "", 105, 26);
    row("RF raw, 32", false, "rbRawCapture rb32", "454B0106040001002000BC000000", {"sendrf,3,1,1," + rfAll}, rfRaw, "",
        105, 26);
    row("RF RTS, 8", false, "rbRCCapture rb8", "454B0106040002000800A5000000", {"sendrf_rc," + rfAll}, "", "", 105, 26);
    row("IR automatic, NEC", true, "nec rbIR_Auto", irReq, {"sendir,1:8,1,38000,1,1," + joined(necPress())}, "",
        "Protocolo IR: NEC  endereço 0x04  comando 0x08", 71, 0);
    // The raw line keeps every duration; the plot still marks the repeated frame.
    row("IR raw", true, "rbIR_Raw", irReq, {"sendir,1:8,1,37900,1,1," + joined(capture(true))}, "", unknown, 30, 10);
    // The countdown counts down on the log's last line; the cable's ends at 0ms, the network's
    // stops where it was.
    row("RF no key", false, "no-key", rf16, {"CMD OK", rfPrompt, "10ms", "0ms", "Sem resposta!"}, "", "", 0, 0);
    row("network RF no key", false, "net ack", "", {"CMD OK", rfPrompt, "10ms", "Sem resposta!"}, "", "", 0, 0);
    // Refused by the analysis (two long pulses only): drawn all the same, nothing marked.
    row("RF refused by the analysis", false, "two-pulses", rf16, rfError, "", "", 7, 0);
    // Without a usable link nothing is sent and nothing changes (not even rfDivisor).
    row("RF, USB link closed", false, "unplugged rb32", "", {logBefore}, rawBefore, "Protocolo IR: anterior", 3, 0);
    // Network: acknowledgement on poll 3 ("ack"), the capture in three datagrams ("split"):
    // the first two on poll 9, the last on poll 12. The network wins when both links are found.
    row("network RF, both links found", false, "net ack split rbRawCapture", "", {"sendrf,2,1,1," + rfAll}, rfRaw, "",
        105, 26);
    row("network IR, network only", true, "net usb-off ack split", "", {irAuto}, "", unknown, 30, 10);
}

void TestLearning::learn()
{
    QFETCH(bool, ir);
    QFETCH(QString, setup);
    QFETCH(QByteArray, request);
    const QStringList does = setup.split(u' ');
    ondixsim::DeviceConfig& config = device->config();
    if (does.contains(u"nec"))
        config.irCapture = ondixsim::Capture {necPress(), 38000, 2000};
    if (does.contains(u"no-key"))
        config.rfCapture->present = config.irCapture->present = false;
    if (does.contains(u"two-pulses"))
        config.rfCapture->durations = {12400, 400, 1200, 400, 1200, 12400, 400};
    build(!does.contains(u"unplugged"));
    window->usbDeviceFound = !does.contains(u"usb-off");
    window->netDeviceFound = does.contains(u"net");
    if (window->netDeviceFound) {
        // The device answers from 127.0.0.9; the requests the window sends there come back to
        // its own listener from another address and are not taken for answers.
        window->deviceIP = QStringLiteral("127.0.0.9");
        setAddressBoxes(*window, "127.0.0.09");
    }
    for (const QString& name : does)
        if (name.startsWith(u"rb"))
            window->findChild<QRadioButton*>(name)->setChecked(true);
    auto* label = window->findChild<QLabel*>(QStringLiteral("lbIRProtocol"));
    auto* plot = window->findChild<TCapturePlot*>(QStringLiteral("pbCapturePlot"));
    QVERIFY(label && plot);
    label->setText(QStringLiteral("Protocolo IR: anterior"));
    plot->setCapture(makePulseTrain(TPulseKind::ir, TWords {1, 2, 3}, 0, 38000));
    TFakeHidWaiter& waiter = fakeWaiter(*window);
    const QByteArray message = ::message(ir);
    if (does.contains(u"ack"))
        waiter.atPoll(3, [&] {  // each action schedules the next
            const std::vector<uint8_t> ack = ondixsim::acknowledgement(ir ? 7 : 6);
            fromNetwork(QByteArray(reinterpret_cast<const char*>(ack.data()), qsizetype(ack.size())));
            if (does.contains(u"split"))
                waiter.atPoll(9, [&] {
                    fromNetwork(message.left(20));
                    fromNetwork(message.mid(20, 20));
                    QCOMPARE(window->answerReady, 0);
                    waiter.atPoll(12, [&] { fromNetwork(message.mid(40)); });
                });
        });
    // Whenever the log changes during the learning, the tabs and the button are off.
    QPushButton* button = ir ? window->bbLearningIR : window->bbLearningRF;
    bool enabledMeanwhile = false;
    QObject watching;  // ends the connection with this test
    connect(window->mmInfo, &QPlainTextEdit::textChanged, &watching,
        [&] { enabledMeanwhile = enabledMeanwhile || window->TabControl1->isEnabled() || button->isEnabled(); });

    ir ? window->bbLearningIRClick() : window->bbLearningRFClick();

    QList<QByteArray> frames;
    for (const fakehid::Bytes& f : fakehid::writtenFrames())
        frames << QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
    QCOMPARE(frames, request.isEmpty() ? QList<QByteArray> {} : QList<QByteArray> {request});
    QTEST(window->logLines(), "log");
    QTEST(window->mmRawData->toPlainText(), "rawData");
    QTEST(label->text(), "label");
    QTEST(int(plot->train().durations.size()), "plotted");
    QTEST(int(plot->train().frameLength), "frame");
    if (!plot->train().empty() && plot->train().durations.size() != 3)
        QCOMPARE(plot->train().kind, ir ? TPulseKind::ir : TPulseKind::rf);
    // The divisor kept for later sending is the one the RF request carried (16 when none went).
    QCOMPARE(window->rfDivisor, !ir && request.size() > 8 ? int(uint8_t(request[8])) : 16);
    QVERIFY(!enabledMeanwhile);
    QVERIFY(window->TabControl1->isEnabled() && button->isEnabled());
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
