// Frame bytes, checksums, answer validation and the USB report framing.
#include "link/frames.h"
#include "link/usbFraming.h"
#include "tests/support/bytesText.h"

#include <QTest>

using namespace ondixframe;

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void requestBytes()
    {
        // Record frames: offsets 4-5 zero, fields from offset 6, cut or padded to the record size.
        const QList<QByteArray> frames {bodilessFrame(0x03), parameterFrame(0x02, QByteArray(4, '\0')),
            parameterFrame(0x08, {}), recordFrame(0x05, 8, hex("0102FF")), recordFrame(0x05, 9, hex("01"))};
        QCOMPARE(frames,
            (QList<QByteArray> {hex("454B0103 94000000"), hex("454B0102040000000000970000 00"),
                hex("454B01080000 99000000"), hex("454B010500000102 99000000"), hex("454B01050000010000 97000000")}));
        // 400 bytes of 0xFF plus the header: a sum past 16 bits, written whole.
        const QByteArray longFrame = parameterFrame(0x15, QByteArray(400, char(0xFF)));
        QCOMPARE(readLe32(u8(longFrame) + 406), 0x45u + 0x4B + 0x01 + 0x15 + 0x90 + 0x01 + 400u * 0xFF);
    }

    void answerValidation()
    {
        const QByteArray ack = bodilessFrame(0x02);
        const QByteArray dump = parameterFrame(0x15, hex("0102030405"));
        QByteArray corrupt = dump, overlong = dump;
        corrupt[7] = char(corrupt[7] + 1);
        overlong[5] = char(0xFF);  // N = 0xFF05: its checksum would lie past the buffer
        // The buffer, its answer's length (-1: a parameter answer, length taken from its header).
        const std::pair<QByteArray, int> buffers[] = {{ack + QByteArray(40, 'x'), 8},
            {hex("454B0102 94000000"), 8},  // checksum off by one
            {QByteArray(8, '\0'), 8},  // zero checksum over zero bytes
            {hex("454B0102 93000001"), 8},  // high checksum byte differs
            {ack, 50}, {ack, 3},  // longer than the buffer; shorter than a checksum
            {parameterFrame(0x15, QByteArray(400, char(0xFF))), -1},  // a sum past 16 bits
            {dump + QByteArray(100, '\x7f'), -1}, {corrupt, -1}, {overlong, -1}, {dump.left(5), -1}};
        QList<bool> valid;
        for (const auto& [buffer, length] : buffers) {
            const size_t size = size_t(buffer.size());
            valid << (length < 0 ? validParameterAnswer(u8(buffer), size) : validAnswer(u8(buffer), size, length));
        }
        QCOMPARE(valid, (QList<bool> {true, false, false, false, false, false, true, true, false, false, false}));
    }

    // Reading is covered end to end by the USB suite; this checks the written reports.
    void usbReports()
    {
        for (const auto& [length, outReports] : {std::pair {0, 1}, {30, 1}, {31, 2}, {62, 2}, {63, 3}, {10000, 313}}) {
            QByteArray frame(length, '\0');
            for (int i = 0; i < length; ++i)
                frame[i] = char(0x80 + i);
            // Report id 0, then the stream (16-bit length, frame) split over the payloads, zero tail.
            QCOMPARE(ondixusb::outputReportCount(size_t(length)), outReports);
            QByteArray stream;
            for (const auto& w : ondixusb::outputReports(u8(frame), uint16_t(length))) {
                QCOMPARE(w[0], uint8_t(0));
                stream.append(reinterpret_cast<const char*>(w.data()) + 1, 32);
            }
            const QByteArray header = QByteArray(1, char(length & 0xFF)) + char(length >> 8);
            QCOMPARE(stream, (header + frame).leftJustified(32 * outReports, '\0'));
        }
    }
};

int runFrameTests(int argc, char** argv)
{
    TestFrames test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frames.moc"
