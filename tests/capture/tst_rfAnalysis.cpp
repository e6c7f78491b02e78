#include "captureTestSupport.h"

#include "capture/rfAnalysis.h"

#include <QRandomGenerator>
#include <QTest>

#include <string>

namespace {

using TLines = std::vector<std::string>;

// The mode rule written out step by step: later equal values counted for each position,
// candidates kept with the best count, 0 when every position but the last is a candidate.
int32_t modeByCounting(const std::vector<int32_t>& v)
{
    const uint32_t n = uint32_t(v.size());
    if (n == 0)
        return 0;
    uint32_t best = 0;
    std::vector<int32_t> candidates;
    for (uint32_t i = 0; i + 1 < n; ++i) {
        uint32_t c = 0;
        for (uint32_t j = i + 1; j < n; ++j)
            c += v[j] == v[i];
        if (c > best) {
            candidates = {v[i]};
            best = c;
        } else if (c == best) {
            candidates.push_back(v[i]);
        }
    }
    if (candidates.size() == n - 1 && std::equal(candidates.begin(), candidates.end(), v.begin()))
        return 0;
    return candidates.front();
}

std::string joinedLine(const std::string& head, const TWords& samples, size_t count)
{
    std::string line = head;
    for (size_t i = 0; i < count; ++i)
        line += "," + std::to_string(samples[i]);
    return line;
}

// Twelve short pairs, alternating 1200,400 and 400,1200, then 400 and the 12400 gap.
TWords workedFrame()
{
    TWords f;
    for (int k = 0; k < 12; ++k) {
        if (k % 2 == 0)
            f.insert(f.end(), {1200, 400});
        else
            f.insert(f.end(), {400, 1200});
    }
    f.insert(f.end(), {400, 12400});
    return f;
}

// A frame of `length` samples: short ones and a 9000 gap at the end.
TWords gapFrame(int length)
{
    TWords f;
    for (int k = 0; k + 1 < length; ++k)
        f.push_back(k % 2 ? 900 : 300);
    f.push_back(9000);
    return f;
}

} // namespace

class TestRfAnalysis : public QObject {
    Q_OBJECT
private slots:
    void getMode_data();
    void getMode();
    void getModeMatchesCountingRule();
    void thresholds_data();
    void thresholds();
    void smart_data();
    void smart();
    void manyLongPulses();
    void rawAndRts_data();
    void rawAndRts();
    void rawLineLimit();
    void messageBounds_data();
    void messageBounds();
};

void TestRfAnalysis::getMode_data()
{
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QList<int>{} << 0;
    QTest::newRow("one") << QList<int>{7} << 0;
    QTest::newRow("two equal") << QList<int>{5, 5} << 0;
    QTest::newRow("all differ") << QList<int>{3, 1, 2} << 0;
    QTest::newRow("tie goes to first") << QList<int>{3, 3, 5, 5} << 3;
    QTest::newRow("three equal") << QList<int>{26, 26, 26} << 26;
    QTest::newRow("leading odd one") << QList<int>{1, 26, 26, 26, 26} << 26;
    QTest::newRow("run entries 27,26,26") << QList<int>{27, 26, 26} << 26;
    QTest::newRow("pair at the end") << QList<int>{1, 2, 9, 9} << 9;
    QTest::newRow("later value more often") << QList<int>{4, 4, 8, 8, 8} << 8;
    QTest::newRow("negative values") << QList<int>{-2, 0, -2} << -2;
}

void TestRfAnalysis::getMode()
{
    QFETCH(QList<int>, values);
    QFETCH(int, expected);
    const std::vector<int32_t> v(values.begin(), values.end());
    QCOMPARE(get_mode(v.data(), uint32_t(v.size())), expected);
}

void TestRfAnalysis::getModeMatchesCountingRule()
{
    QRandomGenerator rng(20260);
    for (int round = 0; round < 5000; ++round) {
        std::vector<int32_t> v(rng.bounded(12));
        const int range = 1 + rng.bounded(5);
        for (auto& x : v)
            x = rng.bounded(range);
        QCOMPARE(get_mode(v.data(), uint32_t(v.size())), modeByCounting(v));
    }
}

void TestRfAnalysis::thresholds_data()
{
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("shortLimit");
    QTest::addColumn<int>("longLimit");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    // 0.85 and 1.15 are single-precision values, slightly above and below: 34 not 33, 115 not 114.
    QTest::newRow("20") << 20 << 34 << 51 << 17 << 23;
    QTest::newRow("100") << 100 << 170 << 255 << 85 << 115;
    QTest::newRow("400") << 400 << 680 << 1020 << 340 << 460;
    QTest::newRow("12400") << 12400 << 21080 << 31620 << 10540 << 14260;
    // The short and long limits wrap around 65536; the upper bound is capped instead.
    QTest::newRow("40000") << 40000 << 68000 - 65536 << 102000 - 65536 << 34000 << 46000;
    QTest::newRow("56986") << 56986 << 96876 - 65536 << 145314 - 131072 << 48438 << 65533;
    QTest::newRow("56987") << 56987 << 96877 - 65536 << 145316 - 131072 << 48438 << 65535;
    QTest::newRow("65535") << 65535 << 111409 - 65536 << 167114 - 131072 << 55704 << 65535;
}

void TestRfAnalysis::thresholds()
{
    QFETCH(int, input);
    QFETCH(int, shortLimit);
    QFETCH(int, longLimit);
    QFETCH(int, low);
    QFETCH(int, high);
    QCOMPARE(int(rfShortLimit(input)), shortLimit);
    QCOMPARE(int(rfLongLimit(input)), longLimit);
    const rfLongBounds_t b = rfLongBounds(input);
    QCOMPARE(int(b.low), low);
    QCOMPARE(int(b.high), high);
}

void TestRfAnalysis::smart_data()
{
    QTest::addColumn<TWords>("samples");
    QTest::addColumn<int>("divisor");
    QTest::addColumn<QString>("expected"); // empty: refused

    const TWords frame = workedFrame();
    const TWords worked = joined({{12400}, repeated(frame, 4)});
    QTest::newRow("worked example") << worked << 16
        << QString::fromStdString(joinedLine("sendrf,2,5,1", worked, 26));
    QVERIFY(joinedLine("", worked, 5) == ",12400,1200,400,400,1200");

    TWords zeroInside = worked;
    zeroInside[40] = 0;
    QTest::newRow("zero sample") << zeroInside << 16 << QString();
    QTest::newRow("no samples") << TWords{} << 16 << QString();
    QTest::newRow("no long pulse") << repeated({400, 1200}, 20) << 16 << QString();
    QTest::newRow("two long pulses") << repeated(frame, 2) << 16 << QString();
    QTest::newRow("three frames, entries 26,26,26") << repeated(frame, 3) << 8
        << QString::fromStdString(joinedLine("sendrf,1,3,1", frame, 26));

    // Entries 27, 26, 26: the line still starts at the very first sample.
    const TWords lead = joined({{1200}, repeated(frame, 3)});
    QTest::newRow("entries 27,26,26") << lead << 32
        << QString::fromStdString(joinedLine("sendrf,3,3,1", lead, 26));

    QTest::newRow("frame length 6") << repeated(gapFrame(6), 5) << 16 << QString();
    const TWords eight = repeated(gapFrame(8), 5);
    QTest::newRow("frame length 8") << eight << 16
        << QString::fromStdString(joinedLine("sendrf,2,5,1", eight, 8));
    QTest::newRow("frame length 9") << repeated(gapFrame(9), 5) << 16 << QString();

    // The lower bound is inclusive: 10540 counts as a long pulse next to 12400, 10539 does not.
    TWords atLow = worked;
    atLow[13] = 10540;
    QTest::newRow("sample on the lower bound") << atLow << 16
        << QString::fromStdString(joinedLine("sendrf,2,6,1", atLow, 26));
    TWords belowLow = worked;
    belowLow[13] = 10539;
    QTest::newRow("sample below the lower bound") << belowLow << 16
        << QString::fromStdString(joinedLine("sendrf,2,5,1", belowLow, 26));

    QTest::newRow("unknown divisor") << worked << 12 << QString();
}

void TestRfAnalysis::smart()
{
    QFETCH(TWords, samples);
    QFETCH(int, divisor);
    QFETCH(QString, expected);

    const QByteArray msg = captureBytes(samples);
    const TRfAnalysisResult r =
        analyseRfCapture(bytesOf(msg), size_t(msg.size()), TRfCaptureMode::smart, divisor);
    QVERIFY(!r.rawLines.has_value());
    if (expected.isEmpty()) {
        QCOMPARE(r.result, -1);
        QCOMPARE(r.infoLines, rfCaptureErrorLines());
    } else {
        QCOMPARE(r.result, 0);
        QCOMPARE(r.infoLines, TLines{expected.toStdString()});
    }
}

void TestRfAnalysis::manyLongPulses()
{
    // 1200 frames of 8 samples: more long pulses than a fixed table of 1024 would hold.
    const TWords samples = repeated(gapFrame(8), 1200);
    const QByteArray msg = captureBytes(samples);
    const TRfAnalysisResult r =
        analyseRfCapture(bytesOf(msg), size_t(msg.size()), TRfCaptureMode::smart, 16);
    QCOMPARE(r.result, 0);
    QCOMPARE(r.infoLines, TLines{joinedLine("sendrf,2,1200,1", samples, 8)});
}

void TestRfAnalysis::rawAndRts_data()
{
    QTest::addColumn<TWords>("samples");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("divisor");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("result");

    const int raw = int(TRfCaptureMode::raw);
    const int rts = int(TRfCaptureMode::rts);
    const TWords three{500, 1500, 500};
    QTest::newRow("raw, divisor 8") << three << raw << 8 << "sendrf,1,1,1,500,1500,500" << 0;
    QTest::newRow("raw, divisor 32") << three << raw << 32 << "sendrf,3,1,1,500,1500,500" << 0;
    QTest::newRow("raw keeps zero samples") << TWords{0, 7} << raw << 16 << "sendrf,2,1,1,0,7" << 0;
    QTest::newRow("raw, no samples") << TWords{} << raw << 16 << "sendrf,2,1,1" << 0;
    QTest::newRow("raw, unknown divisor") << three << raw << 0 << "" << -1;
    QTest::newRow("rts") << three << rts << 8 << "sendrf_rc,500,1500,500" << 0;
    QTest::newRow("rts, no samples") << TWords{} << rts << 16 << "sendrf_rc" << 0;
    QTest::newRow("rts ignores the divisor") << three << rts << 0 << "sendrf_rc,500,1500,500" << 0;
}

void TestRfAnalysis::rawAndRts()
{
    QFETCH(TWords, samples);
    QFETCH(int, mode);
    QFETCH(int, divisor);
    QFETCH(QString, line);
    QFETCH(int, result);

    const QByteArray msg = captureBytes(samples);
    const auto m = TRfCaptureMode(mode);
    const TRfAnalysisResult r = analyseRfCapture(bytesOf(msg), size_t(msg.size()), m, divisor);
    QCOMPARE(r.result, result);
    if (result != 0) {
        QCOMPARE(r.infoLines, rfCaptureErrorLines());
        QVERIFY(!r.rawLines.has_value());
        return;
    }
    QCOMPARE(r.infoLines, TLines{line.toStdString()});
    QCOMPARE(r.rawLines.has_value(), m == TRfCaptureMode::raw);
    if (r.rawLines) {
        TLines expected;
        for (uint16_t s : samples)
            expected.push_back(std::to_string(s));
        QCOMPARE(*r.rawLines, expected);
    }
}

void TestRfAnalysis::rawLineLimit()
{
    // "sendrf,2,1,1" and 848 tokens ",65535" make 5100 characters. Then ",9999" fits (5105),
    // ",65535" would reach 5111 and ",1234" exactly 5110: both are left out; ",123" still fits.
    TWords samples(848, 65535);
    samples.insert(samples.end(), {9999, 65535, 1234, 123, 5});
    const QByteArray msg = captureBytes(samples);
    const TRfAnalysisResult r =
        analyseRfCapture(bytesOf(msg), size_t(msg.size()), TRfCaptureMode::raw, 16);
    const std::string expected = joinedLine("sendrf,2,1,1", samples, 848) + ",9999,123";
    QCOMPARE(r.infoLines, TLines{expected});
    QCOMPARE(expected.size(), size_t(5109));
    QVERIFY(r.rawLines.has_value());
    QCOMPARE(r.rawLines->size(), samples.size());
    QCOMPARE(r.rawLines->back(), std::string("5"));

    // The RTS line has no limit.
    const TRfAnalysisResult rts =
        analyseRfCapture(bytesOf(msg), size_t(msg.size()), TRfCaptureMode::rts, 16);
    QCOMPARE(rts.infoLines, TLines{joinedLine("sendrf_rc", samples, samples.size())});
}

void TestRfAnalysis::messageBounds_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("rawLine"); // raw line when accepted, divisor 16

    const TWords three{500, 1500, 500};
    QTest::newRow("nothing received") << QByteArray() << false << "";
    QTest::newRow("length word cut") << QByteArray("\x00\x00\x05", 3) << false << "";
    QTest::newRow("N beyond the bytes") << captureBytes(three, 6) << false << "";
    QTest::newRow("N above 10000") << captureBytes(TWords(9999, 300), 10001) << false << "";
    QTest::newRow("N 65535") << captureBytes(three, 65535) << false << "";
    QTest::newRow("N 0") << captureBytes(three, 0) << true << "sendrf,2,1,1";
    QTest::newRow("N 2") << captureBytes(three, 2) << true << "sendrf,2,1,1";
    QTest::newRow("N below the bytes") << captureBytes(three, 4) << true << "sendrf,2,1,1,500,1500";
    QTest::newRow("odd trailing byte") << captureBytes(three) + QByteArray(1, '\x07') << true
                                       << "sendrf,2,1,1,500,1500,500";
    QTest::newRow("N 10000") << captureBytes(TWords(9998, 7)) << true << "";
}

void TestRfAnalysis::messageBounds()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, accepted);
    QFETCH(QString, rawLine);

    // An exactly sized copy, so that a read past the message is caught by the sanitizers.
    const std::vector<uint8_t> bytes(message.begin(), message.end());
    for (auto mode : {TRfCaptureMode::smart, TRfCaptureMode::raw, TRfCaptureMode::rts}) {
        const TRfAnalysisResult r = analyseRfCapture(bytes.data(), bytes.size(), mode, 16);
        if (!accepted) {
            QCOMPARE(r.result, -1);
            QCOMPARE(r.infoLines, rfCaptureErrorLines());
            QVERIFY(!r.rawLines.has_value());
        } else if (mode == TRfCaptureMode::raw && !rawLine.isEmpty()) {
            QCOMPARE(r.infoLines, TLines{rawLine.toStdString()});
        } else if (mode == TRfCaptureMode::raw) {
            QCOMPARE(r.rawLines->size(), size_t(9998));
        }
    }
}

int runRfAnalysisTests(int argc, char** argv)
{
    TestRfAnalysis t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_rfAnalysis.moc"
