// Learning against ondix-sim across a private network: the window in the tool namespace
// with its real event-loop waits, the emulated devices in the device namespace.
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tests/support/simFixture.h"

namespace {

// "12400,400,1200,...": a long pulse, then four 26-sample frames each closed by a long gap
// (105 samples, 214 bytes with the header).
QJsonArray rfSamples()
{
    QJsonArray s {12400};
    for (int i = 0; i < 4 * 26; ++i)
        s.append(i % 26 == 25 ? 12400 : 400 + 800 * (i % 2));
    return s;
}
QString joined(const QJsonArray& values)
{
    return QString::fromUtf8(QJsonDocument(values).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

}  // namespace

class TestLearningEndToEnd : public QObject {
    Q_OBJECT
    TSimFixture fx {"learn", 2, 7};

private slots:
    void initTestCase() { QVERIFY(fx.up()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup() { fx.reset(); }
    void cleanupTestCase() { fx.net.down(); }

    void rfCaptureOverSeveralDatagrams()
    {
        QVERIFY(fx.startSim(
            {{{"rfCapture", QJsonObject {{"durations", rfSamples()}, {"delayMs", 1000}, {"datagramSize", 64}}}}}));
        TfmPrincipal& w = fx.networkWindow();
        w.rbRawCapture->setChecked(true);
        int shown = -1;  // the countdown under the prompt when the capture came
        connect(w.mmInfo, &QPlainTextEdit::textChanged, &w, [&] {
            const QStringList lines = w.logLines();
            if (lines.size() == 3 && lines[0] == u"CMD OK" && lines[2].endsWith(u"ms"))
                shown = lines[2].chopped(2).toInt();
        });
        w.bbLearningRFClick();
        QCOMPARE(w.logLines(), QStringList {"sendrf,2,1,1," + joined(rfSamples())});
        QVERIFY(fx.received("45 4B 01 06 04 00 01 00 10 00 AC 00 00 00"));
        // The countdown follows the real clock: about a second into its 10000 ms.
        QVERIFY2(shown >= 8500 && shown <= 9950, qPrintable(QString::number(shown)));
    }

    void irSentToAddressInBoxes()
    {
        const auto ir = [](int value) {
            return QJsonObject {{"irCapture",
                QJsonObject {
                    {"irValue", value}, {"delayMs", 200}, {"durations", QJsonArray {342, 171, 21, 21, 21, 64}}}}};
        };
        QVERIFY(fx.startSim({ir(1111), ir(2222)}));
        TfmPrincipal& w = fx.networkWindow(0, 1);  // the boxes win over the chosen device
        w.rbIR_Raw->setChecked(true);
        w.bbLearningIRClick();
        QCOMPARE(w.logLines(), QStringList {"sendir,1:8,1,2222,1,1,342,171,21,21,21,64"});
        QVERIFY(fx.received("45 4B 01 07 98 00 00 00", 1));
        QVERIFY(!fx.net.simLog().contains(QStringLiteral("RX UDP %1 <-").arg(fx.net.deviceAddress(0))));
    }

    // The acknowledgement wait polls every 1 ms whatever the waiter's period: about a second,
    // not ten. (The capture wait's 1000 polls are the device API's.)
    void acknowledgementTimeout()
    {
        QVERIFY(fx.startSim({QJsonObject {{"faults", QJsonObject {{"0x06", QJsonObject {{"kind", "noAnswer"}}}}}}}));
        TfmPrincipal& w = fx.networkWindow();
        w.logLine(QStringLiteral("antes"));
        QElapsedTimer elapsed;
        elapsed.start();
        w.bbLearningRFClick();
        const qint64 ms = elapsed.elapsed();
        QVERIFY2(ms >= 1000 && ms < 5000, qPrintable(QString::number(ms)));
        QCOMPARE(w.logLines(), (QStringList {"antes", "Sem resposta!"}));
    }
};

ONDIX_NETWORK_TEST_MAIN(QApplication, TestLearningEndToEnd)

#include "test_learning_e2e.moc"
