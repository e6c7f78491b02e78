#include "captureTestSupport.h"

#include "capture/irSelection.h"

#include <QTest>

#include <string>

namespace {

using TLines = std::vector<std::string>;

const TWords sample{342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};

QString lineOf(const std::string& head, const TWords& durations, size_t count)
{
    std::string line = head;
    for (size_t i = 0; i < count; ++i)
        line += "," + std::to_string(durations[i]);
    return QString::fromStdString(line);
}

} // namespace

class TestIrSelection : public QObject {
    Q_OBJECT
private slots:
    void selection_data();
    void selection();
    void lineLimit();
    void messageBounds_data();
    void messageBounds();
};

void TestIrSelection::selection_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<TWords>("durations");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("line");

    const int automatic = int(TIrCaptureMode::automatic);
    const int raw = int(TIrCaptureMode::raw);

    QTest::newRow("three copies") << 37900 << repeated(sample, 3) << automatic
        << "sendir,1:8,1,37900,3,1,342,171,21,21,21,64,21,64,21,1520";
    const TWords two = repeated(sample, 2);
    QTest::newRow("two copies") << 37900 << two << automatic
        << lineOf("sendir,1:8,1,37900,1,1", two, 20);
    QTest::newRow("many copies") << 40000 << repeated(sample, 9) << automatic
        << lineOf("sendir,1:8,1,40000,3,1", sample, 10);
    const TWords three = repeated(sample, 3);
    QTest::newRow("raw keeps every copy") << 37900 << three << raw
        << lineOf("sendir,1:8,1,37900,1,1", three, 30);

    // The first copy is compared within 1 of each later one.
    TWords near = three;
    near[0] = 343, near[1] = 170, near[2] = 22, near[3] = 20;
    QTest::newRow("near-matching first copy") << 37900 << near << automatic
        << lineOf("sendir,1:8,1,37900,3,1", near, 10);
    TWords off = three;
    off[23] = 23; // third copy: 21 -> 23 in the compared four
    QTest::newRow("difference of 2") << 37900 << off << automatic
        << lineOf("sendir,1:8,1,37900,1,1", off, 30);
    TWords offLater = three;
    offLater[24] = 23; // outside the compared four: still a repetition
    QTest::newRow("difference after the pattern") << 37900 << offLater << automatic
        << lineOf("sendir,1:8,1,37900,3,1", offLater, 10);

    QTest::newRow("period 1") << 38000 << TWords(8, 21) << automatic << "sendir,1:8,1,38000,3,1,21";
    QTest::newRow("period 1, one match") << 38000 << TWords(5, 21) << automatic
        << "sendir,1:8,1,38000,1,1,21,21,21,21,21";
    QTest::newRow("four durations") << 38000 << TWords{9, 9, 9, 9} << automatic
        << "sendir,1:8,1,38000,1,1,9,9,9,9";
    QTest::newRow("no durations") << 38000 << TWords{} << automatic << "sendir,1:8,1,38000,1,1";
    QTest::newRow("no durations, raw") << 65535 << TWords{} << raw << "sendir,1:8,1,65535,1,1";
}

void TestIrSelection::selection()
{
    QFETCH(int, value);
    QFETCH(TWords, durations);
    QFETCH(int, mode);
    QFETCH(QString, line);

    TWords payload{uint16_t(value)};
    payload.insert(payload.end(), durations.begin(), durations.end());
    const QByteArray msg = captureBytes(payload);
    const TIrSelectionResult r = selectIrCapture(bytesOf(msg), size_t(msg.size()), TIrCaptureMode(mode));
    QCOMPARE(r.result, 0);
    QCOMPARE(r.infoLines, TLines{line.toStdString()});
}

void TestIrSelection::lineLimit()
{
    // "sendir,1:8,1,38000,1,1" and 847 tokens ",65535" make 5104 characters: ",12345" would
    // reach exactly 5110 and is left out, ",99" and ",9" still fit, ",1" no longer does.
    TWords durations(847, 65535);
    durations.insert(durations.end(), {12345, 99, 9, 1});
    const std::string head = "sendir,1:8,1,38000,1,1";
    const std::string expected = lineOf(head, durations, 847).toStdString() + ",99,9";
    QCOMPARE(expected.size(), size_t(5109));
    QCOMPARE(irLine(38000, durations, TIrCaptureMode::raw), expected);
}

void TestIrSelection::messageBounds_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("line"); // empty: refused

    const TWords payload{38000, 100, 50};
    QTest::newRow("nothing received") << QByteArray() << "";
    QTest::newRow("length word cut") << QByteArray("\x00\x00\x05", 3) << "";
    QTest::newRow("N 2: no value word") << captureBytes(payload, 2) << "";
    QTest::newRow("N 0") << captureBytes(payload, 0) << "";
    QTest::newRow("N beyond the bytes") << captureBytes(payload, 6) << "";
    QTest::newRow("N above 10000") << captureBytes(TWords(9999, 300), 10001) << "";
    QTest::newRow("N 3") << captureBytes(payload, 3) << "sendir,1:8,1,38000,1,1";
    QTest::newRow("N below the bytes") << captureBytes(payload, 4) << "sendir,1:8,1,38000,1,1,100";
    QTest::newRow("N 10000") << captureBytes(joined({{38000}, TWords(9997, 7)})) << "sendir,1:8,1,38000,3,1,7";
}

void TestIrSelection::messageBounds()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, line);

    const std::vector<uint8_t> bytes(message.begin(), message.end());
    const TIrSelectionResult r = selectIrCapture(bytes.data(), bytes.size(), TIrCaptureMode::automatic);
    if (line.isEmpty()) {
        QCOMPARE(r.result, -1);
        QCOMPARE(r.infoLines, irCaptureErrorLines());
    } else {
        QCOMPARE(r.result, 0);
        QCOMPARE(r.infoLines, TLines{line.toStdString()});
    }
}

int runIrSelectionTests(int argc, char** argv)
{
    TestIrSelection t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_irSelection.moc"
