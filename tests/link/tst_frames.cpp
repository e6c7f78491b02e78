// Frame bytes, checksums, answer validation and the USB report framing.
#include "linkTests.h"

#include "link/frames.h"
#include "link/usbFraming.h"

#include <QTest>

using namespace ondixframe;

static QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void requestBytes_data();
    void requestBytes();
    void longFrameChecksumUsesAllBits();
    void answerValidation_data();
    void answerValidation();
    void parameterAnswer_data();
    void parameterAnswer();
    void outputReports_data();
    void outputReports();
    void inputReports_data();
    void inputReports();
};

void TestFrames::requestBytes_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("information request") << bodilessFrame(0x03) << hex("454B0103 94000000");
    QTest::newRow("generic 0x02, zero parameters")
        << parameterFrame(0x02, QByteArray(4, '\0')) << hex("454B0102040000000000970000 00");
    QTest::newRow("empty parameter block")
        << parameterFrame(0x08, {}) << hex("454B01080000 99000000");
    // A fixed record: offsets 4-5 zero, fields from offset 6, cut to the record.
    QTest::newRow("record, fields cut")
        << recordFrame(0x05, 8, hex("0102FF")) << hex("454B010500000102 99000000");
    QTest::newRow("record, fields padded")
        << recordFrame(0x05, 9, hex("01")) << hex("454B01050000010000 97000000");
}

void TestFrames::requestBytes()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestFrames::longFrameChecksumUsesAllBits()
{
    // 400 bytes of 0xFF sum to 102000 plus the header: beyond 16 bits.
    const QByteArray frame = parameterFrame(0x15, QByteArray(400, char(0xFF)));
    QCOMPARE(frame.size(), 410);
    const uint32_t expected = 0x45 + 0x4B + 0x01 + 0x15 + 0x90 + 0x01 + 400u * 0xFF;
    QVERIFY(expected > 0xFFFF);
    QCOMPARE(readLe32(reinterpret_cast<const uint8_t*>(frame.constData()) + 406), expected);
    QVERIFY(validAnswer(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()), 410));
    QVERIFY(validParameterAnswer(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size())));
}

void TestFrames::answerValidation_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("valid");
    const QByteArray ack = bodilessFrame(0x02);
    QTest::newRow("acknowledgement") << ack << 8 << true;
    QTest::newRow("acknowledgement, rest of buffer ignored") << ack + QByteArray(40, 'x') << 8 << true;
    QTest::newRow("checksum off by one") << hex("454B0102 94000000") << 8 << false;
    QTest::newRow("zero checksum over zero bytes") << QByteArray(8, '\0') << 8 << false;
    QTest::newRow("zero checksum") << hex("454B0102 00000000") << 8 << false;
    QTest::newRow("high checksum byte differs") << hex("454B0102 93000001") << 8 << false;
    QTest::newRow("answer longer than the buffer") << ack << 50 << false;
    QTest::newRow("length shorter than a checksum") << ack << 3 << false;
}

void TestFrames::answerValidation()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, length);
    QFETCH(bool, valid);
    QCOMPARE(validAnswer(reinterpret_cast<const uint8_t*>(buffer.constData()), size_t(buffer.size()), length),
             valid);
}

void TestFrames::parameterAnswer_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("valid");
    const QByteArray dump = parameterFrame(0x15, hex("0102030405"));
    QTest::newRow("dump") << dump << true;
    QTest::newRow("dump in a larger buffer") << dump + QByteArray(100, '\x7f') << true;
    QByteArray corrupt = dump;
    corrupt[7] = char(corrupt[7] + 1);
    QTest::newRow("corrupt parameter") << corrupt << false;
    QByteArray overlong = dump;
    overlong[5] = char(0xFF);  // N = 0xFF05: its checksum would lie past the buffer
    QTest::newRow("length past the buffer") << overlong << false;
    QTest::newRow("header cut") << dump.left(5) << false;
}

void TestFrames::parameterAnswer()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, valid);
    QCOMPARE(validParameterAnswer(reinterpret_cast<const uint8_t*>(buffer.constData()), size_t(buffer.size())),
             valid);
}

void TestFrames::outputReports_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("reports");
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("14") << 14 << 1;
    QTest::newRow("30") << 30 << 1;
    QTest::newRow("31") << 31 << 2;
    QTest::newRow("62") << 62 << 2;
    QTest::newRow("63") << 63 << 3;
    QTest::newRow("50") << 50 << 2;
}

void TestFrames::outputReports()
{
    QFETCH(int, length);
    QFETCH(int, reports);
    QByteArray frame(length, '\0');
    for (int i = 0; i < length; ++i)
        frame[i] = char(0x80 + i);
    const auto writes = ondixusb::outputReports(reinterpret_cast<const uint8_t*>(frame.constData()),
                                                uint16_t(length));
    QCOMPARE(int(writes.size()), reports);
    QCOMPARE(ondixusb::outputReportCount(size_t(length)), reports);
    // The stream (length, frame) comes back from the payloads; report ids and the tail are 0.
    QByteArray stream;
    for (const auto& w : writes) {
        QCOMPARE(w[0], uint8_t(0));
        stream.append(reinterpret_cast<const char*>(w.data()) + 1, 32);
    }
    QCOMPARE(uint8_t(stream[0]), uint8_t(length & 0xFF));
    QCOMPARE(uint8_t(stream[1]), uint8_t(length >> 8));
    QCOMPARE(stream.mid(2, length), frame);
    QCOMPARE(stream.mid(2 + length), QByteArray(stream.size() - 2 - length, '\0'));
}

void TestFrames::inputReports_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("takes");
    QTest::newRow("empty frame: one report, nothing taken") << 0 << QList<int>{0};
    QTest::newRow("32") << 32 << QList<int>{32};
    QTest::newRow("33") << 33 << QList<int>{32, 1};
    QTest::newRow("50") << 50 << QList<int>{32, 18};
    QTest::newRow("10000") << 10000 << QList<int>(312, 32) + QList<int>{16};
}

void TestFrames::inputReports()
{
    QFETCH(int, length);
    QFETCH(QList<int>, takes);
    QCOMPARE(ondixusb::inputDataReportCount(size_t(length)), int(takes.size()));
    size_t filled = 0;
    for (int take : takes) {
        QCOMPARE(ondixusb::bytesFromReport(size_t(length), filled), take);
        filled += size_t(take);
    }
    QCOMPARE(filled, size_t(length));
}

int runFrameTests(int argc, char** argv)
{
    TestFrames test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frames.moc"
