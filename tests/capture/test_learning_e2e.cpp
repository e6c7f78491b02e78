// Learning against ondix-sim across a private network: the window in the tool namespace
// with its real event-loop waits, the emulated devices in the device namespace.
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tests/support/testNetwork.h"

namespace {

const QString rfPrompt = QStringLiteral("Pressione qualquer tecla do seu transmissor de RF...");

QJsonArray numbers(const QList<int>& values)
{
    QJsonArray array;
    for (int v : values)
        array.append(v);
    return array;
}

QString joined(const QList<int>& values)
{
    QStringList parts;
    for (int v : values)
        parts.append(QString::number(v));
    return parts.join(QLatin1Char(','));
}

// 105 samples: a long pulse and four 26-sample frames (214 bytes with the header).
QList<int> rfSamples()
{
    QList<int> s{12400};
    for (int copy = 0; copy < 4; ++copy) {
        for (int bit = 0; bit < 12; ++bit) {
            s << (bit % 2 ? 400 : 1200) << (bit % 2 ? 1200 : 400);
        }
        s << 400 << 12400;
    }
    return s;
}

QJsonObject device(const QString& ip, QJsonObject extra = {})
{
    extra.insert(QStringLiteral("ip"), ip);
    return extra;
}

QJsonObject devices(const QJsonArray& list)
{
    return QJsonObject{{QStringLiteral("devices"), list}};
}

void typeAddress(TfmPrincipal& w, const QString& address)
{
    const QStringList octets = address.split(QLatin1Char('.'));
    w.IP_4->setText(octets.value(0));
    w.IP_3->setText(octets.value(1));
    w.IP_2->setText(octets.value(2));
    w.IP_1->setText(octets.value(3));
}

// Every countdown value the log shows under the prompt, in order.
class TCountdownWatch : public QObject {
public:
    explicit TCountdownWatch(TfmPrincipal& w) : window_(w)
    {
        connect(w.mmInfo, &QPlainTextEdit::textChanged, this, [this] { look(); });
    }
    QList<int> values;

private:
    void look()
    {
        static const QRegularExpression countdown(QStringLiteral("^(\\d+)ms$"));
        const QStringList lines = window_.logLines();
        if (lines.size() != 3 || lines[0] != QStringLiteral("CMD OK"))
            return;
        const auto match = countdown.match(lines[2]);
        if (match.hasMatch() && (values.isEmpty() || values.last() != match.captured(1).toInt()))
            values.append(match.captured(1).toInt());
    }
    TfmPrincipal& window_;
};

}  // namespace

class TestLearningEndToEnd : public QObject {
    Q_OBJECT
public:
    TestLearningEndToEnd() : net_(QStringLiteral("learn%1").arg(QCoreApplication::applicationPid())) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void rfCaptureOverSeveralDatagrams();
    void irSentToAddressInBoxes();
    void acknowledgementTimeout();
    void captureTimeout();

private:
    TfmPrincipal& window(const QString& deviceIP);
    TTestNetwork net_;
    std::unique_ptr<TfmPrincipal> window_;
};

void TestLearningEndToEnd::initTestCase()
{
    QVERIFY(net_.up(2, 7));
    QVERIFY(net_.enterToolNamespace());
}

void TestLearningEndToEnd::init()
{
    TDialogs::setScripted(true);
    TDialogs::resetScript();
}

void TestLearningEndToEnd::cleanup()
{
    window_.reset();
    net_.stopSim();
}

void TestLearningEndToEnd::cleanupTestCase()
{
    net_.down();
}

// The window as a search would leave it with one device chosen on the network.
TfmPrincipal& TestLearningEndToEnd::window(const QString& deviceIP)
{
    window_ = std::make_unique<TfmPrincipal>(nullptr, false);
    window_->netDeviceFound = true;
    window_->deviceIP = deviceIP;
    typeAddress(*window_, deviceIP);
    return *window_;
}

void TestLearningEndToEnd::rfCaptureOverSeveralDatagrams()
{
    const QJsonObject capture{{"durations", numbers(rfSamples())}, {"delayMs", 1000}, {"datagramSize", 64}};
    QVERIFY(net_.startSim(devices({device(net_.deviceAddress(0), {{"rfCapture", capture}})})));
    TfmPrincipal& w = window(net_.deviceAddress(0));
    w.rbRawCapture->setChecked(true);
    TCountdownWatch watch(w);

    w.bbLearningRFClick();

    QCOMPARE(w.logLines(), QStringList{"sendrf,2,1,1," + joined(rfSamples())});
    QCOMPARE(w.answerFill, 214);
    QVERIFY(net_.simLog().contains(QStringLiteral("RX UDP %1 <- %2:4040 45 4B 01 06 04 00 01 00 10 00 AC 00 00 00")
                                       .arg(net_.deviceAddress(0), net_.toolAddress())));
    // The countdown ran in steps of 10 from 10000 until the capture, about a second in.
    QVERIFY(watch.values.size() > 10);
    QCOMPARE(watch.values.first(), 10000);
    for (int i = 1; i < watch.values.size(); ++i)
        QCOMPARE(watch.values[i], watch.values[i - 1] - 10);
    QVERIFY2(watch.values.last() >= 8500 && watch.values.last() <= 9950,
             qPrintable(QString::number(watch.values.last())));
}

void TestLearningEndToEnd::irSentToAddressInBoxes()
{
    const auto ir = [](int value) {
        return QJsonObject{{"irValue", value}, {"durations", numbers({342, 171, 21, 21, 21, 64})}, {"delayMs", 200}};
    };
    QVERIFY(net_.startSim(devices({device(net_.deviceAddress(0), {{"irCapture", ir(1111)}}),
                                   device(net_.deviceAddress(1), {{"irCapture", ir(2222)}})})));
    TfmPrincipal& w = window(net_.deviceAddress(0));
    typeAddress(w, net_.deviceAddress(1));
    w.rbIR_Raw->setChecked(true);

    w.bbLearningIRClick();

    QCOMPARE(w.logLines(), QStringList{"sendir,1:8,1,2222,1,1,342,171,21,21,21,64"});
    const QString log = net_.simLog();
    QVERIFY(log.contains(QStringLiteral("RX UDP %1 <- %2:4040 45 4B 01 07 98 00 00 00")
                             .arg(net_.deviceAddress(1), net_.toolAddress())));
    QVERIFY(!log.contains(QStringLiteral("RX UDP %1 <-").arg(net_.deviceAddress(0))));
}

void TestLearningEndToEnd::acknowledgementTimeout()
{
    const QJsonObject silent{{"0x06", QJsonObject{{"kind", "noAnswer"}}}};
    QVERIFY(net_.startSim(devices({device(net_.deviceAddress(0), {{"faults", silent}})})));
    TfmPrincipal& w = window(net_.deviceAddress(0));
    w.logLine(QStringLiteral("antes"));
    QElapsedTimer elapsed;
    elapsed.start();

    w.bbLearningRFClick();

    // 1000 polls of 1 ms: about a second, not ten.
    QVERIFY2(elapsed.elapsed() >= 1000 && elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(w.logLines(), (QStringList{"antes", "Sem resposta!"}));
}

void TestLearningEndToEnd::captureTimeout()
{
    const QJsonObject nobody{{"durations", numbers({400, 1200})}, {"present", false}};
    QVERIFY(net_.startSim(devices({device(net_.deviceAddress(0), {{"rfCapture", nobody}})})));
    TfmPrincipal& w = window(net_.deviceAddress(0));
    // Polls of 1 ms: the 1000-poll wait for the capture lasts about a second here.
    w.exchange.setWaiter(std::make_unique<TEventLoopWaiter>(1));

    w.bbLearningRFClick();

    QCOMPARE(w.logLines(), (QStringList{"CMD OK", rfPrompt, "10ms", "Sem resposta!"}));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QString why;
    if (TTestNetwork::check(&why) != 0) {
        std::fprintf(stderr, "test_learning_e2e skipped: %s\n", qPrintable(why.trimmed()));
        return 77;
    }
    TestLearningEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_learning_e2e.moc"
