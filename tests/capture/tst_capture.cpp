// RF analysis and IR selection: synthetic captures, malformed messages, and the real
// remote-control captures of tests/data/captures (see its README.md).
#include "capture/irSelection.h"
#include "capture/rfAnalysis.h"
#include "tests/capture/captureData.h"

#include <QTest>

#include <string>
#include <vector>

using TWords = std::vector<uint16_t>;
using TLines = std::vector<std::string>;

// What the log shows when a capture is refused.
const TLines rfErrorLines {"Erro na captura! Aproxime o transmissor de RF a Ondix", "e tente novamente.",
    "Se o erro percistir, use a captura \"Bruta\" ou \"Raw\"..."};
const TLines irErrorLines {"Erro na captura! Aproxime o controle remoto a Ondix", "e tente novamente."};

namespace {

QByteArray captureBytes(const TWords& payload, int countWord = -1)
{
    return capturedata::message(payload, countWord);
}

TWords joined(std::initializer_list<TWords> parts, int copies = 1)
{
    TWords all;
    for (int i = 0; i < copies; ++i)
        for (const auto& p : parts)
            all.insert(all.end(), p.begin(), p.end());
    return all;
}

// head followed by ",value" for the first count values (all of them by default).
std::string csvLine(std::string head, const TWords& values, size_t count = SIZE_MAX)
{
    for (size_t i = 0; i < std::min(count, values.size()); ++i)
        head += "," + std::to_string(values[i]);
    return head;
}

// `analyse` of an exactly sized copy, so that a read past the message is caught by the sanitizers.
template <class F, class... A> auto ofCopy(F analyse, const QByteArray& msg, A... args)
{
    const std::vector<uint8_t> bytes(msg.begin(), msg.end());
    return analyse(bytes.data(), bytes.size(), args...);
}
TRfAnalysisResult analyseRf(const QByteArray& msg, TRfCaptureMode mode, int divisor = 16)
{
    return ofCopy(analyseRfCapture, msg, mode, divisor);
}

// Twelve short pairs, alternating 1200,400 and 400,1200, then 400 and the 12400 gap.
const TWords frame26 = joined({joined({{1200, 400, 400, 1200}}, 6), {400, 12400}});

// A frame of `length` samples: short ones and a 9000 gap at the end.
TWords gapFrame(int length)
{
    TWords f = joined({{300, 900}}, length / 2);
    f.resize(length - 1);
    f.push_back(9000);
    return f;
}

// One IR frame: leader pair, three bits, closing mark and gap.
const TWords irFrame {342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};

QByteArray irMessage(uint16_t value, const TWords& durations)
{
    return captureBytes(joined({{value}, durations}));
}

// Frame length of an accepted automatic line that is well formed and lists the first samples
// of the capture; 0 for a refusal, -1 for anything else.
int checkedFrame(const TRfAnalysisResult& r, const TWords& samples)
{
    if (r.result != 0 || r.infoLines.size() != 1)
        return r.result != 0 && r.infoLines == rfErrorLines ? 0 : -1;
    const QStringList fields = QString::fromStdString(r.infoLines[0]).split(',');
    const int frame = int(fields.size()) - 4;
    if (frame < 8 || frame % 2 != 0 || fields[2].toInt() < 3)
        return -1;
    return r.infoLines[0] == csvLine("sendrf,2," + fields[2].toStdString() + ",1", samples, frame) ? frame : -1;
}

}  // namespace

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void getMode()
    {
        // Empty; a tie goes to the first; a leading odd one.
        const std::pair<std::vector<int32_t>, int> rows[] = {{{}, 0}, {{3, 3, 5, 5}, 3}, {{1, 26, 26, 26, 26}, 26}};
        for (const auto& [v, expected] : rows)
            QCOMPARE(get_mode(v.data(), uint32_t(v.size())), expected);
    }

    void rfThresholds()
    {
        // Input; short limit, long limit, long bounds low and high. 0.85 and 1.15 are
        // single-precision values, slightly above and below: 34 not 33, 115 not 114. The short
        // and long limits wrap around 65536; the upper bound is capped instead.
        const std::pair<int, QList<int>> rows[] = {{100, {170, 255, 85, 115}}, {12400, {21080, 31620, 10540, 14260}},
            {40000, {68000 - 65536, 102000 - 65536, 34000, 46000}},
            {56987, {96877 - 65536, 145316 - 131072, 48438, 65535}}};
        for (const auto& [input, limits] : rows) {
            const rfLongBounds_t b = rfLongBounds(input);
            QCOMPARE((QList<int> {rfShortLimit(input), rfLongLimit(input), b.low, b.high}), limits);
        }
    }

    // RF analysis ("smart", "raw", "rts") and IR selection ("ir", "ir raw") of one message.
    void analysis_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QStringList>("modes");
        QTest::addColumn<QString>("line");  // empty: refused
        QTest::addColumn<int>("divisor");
        const auto row = [](const char* name, const QByteArray& msg, const QStringList& modes, const std::string& line,
                             int divisor = 16) {
            QTest::newRow(name) << msg << modes << QString::fromStdString(line) << divisor;
        };

        const TWords worked = joined({{12400}, frame26, frame26, frame26, frame26});
        row("worked example", captureBytes(worked), {"smart"}, csvLine("sendrf,2,5,1", worked, 26));
        TWords changed = worked;
        changed[40] = 0;
        row("zero sample", captureBytes(changed), {"smart"}, "");
        row("no long pulse", captureBytes(joined({{400, 1200}}, 20)), {"smart"}, "");
        row("two long pulses", captureBytes(joined({frame26}, 2)), {"smart"}, "");
        row("entries 26,26,26", captureBytes(joined({frame26}, 3)), {"smart"}, csvLine("sendrf,1,3,1", frame26), 8);
        // Entries 27, 26, 26: the line still starts at the very first sample.
        const TWords lead = joined({{1200}, frame26, frame26, frame26});
        row("entries 27,26,26", captureBytes(lead), {"smart"}, csvLine("sendrf,3,3,1", lead, 26), 32);
        row("frame length 6", captureBytes(joined({gapFrame(6)}, 5)), {"smart"}, "");
        row("frame length 8", captureBytes(joined({gapFrame(8)}, 5)), {"smart"}, csvLine("sendrf,2,5,1", gapFrame(8)));
        row("frame length 9", captureBytes(joined({gapFrame(9)}, 5)), {"smart"}, "");
        // More long pulses than a fixed table of 1024 would hold.
        row("1200 long pulses", captureBytes(joined({gapFrame(8)}, 1200)), {"smart"},
            csvLine("sendrf,2,1200,1", gapFrame(8)));
        // The lower bound is inclusive: 10540 counts as a long pulse next to 12400, 10539 does not.
        changed = worked, changed[13] = 10540;
        row("sample on the lower bound", captureBytes(changed), {"smart"}, csvLine("sendrf,2,6,1", changed, 26));
        changed[13] = 10539;
        row("sample below the lower bound", captureBytes(changed), {"smart"}, csvLine("sendrf,2,5,1", changed, 26));

        const QByteArray three = captureBytes({500, 1500, 500});
        row("raw, divisor 32", three, {"raw"}, "sendrf,3,1,1,500,1500,500", 32);
        row("raw, unknown divisor", three, {"raw"}, "", 0);
        row("rts", three, {"rts"}, "sendrf_rc,500,1500,500", 8);
        row("N 0", captureBytes({500, 1500, 500}, 0), {"raw"}, "sendrf,2,1,1");
        row("N below the bytes", captureBytes({500, 1500, 500}, 4), {"raw"}, "sendrf,2,1,1,500,1500");
        row("N 10000", captureBytes(TWords(9998, 7)), {"rts"}, csvLine("sendrf_rc", TWords(9998, 7)));
        // "sendrf,2,1,1" and 848 tokens ",65535" make 5100 characters. Then ",9999" fits (5105),
        // ",65535" would reach 5111 and ",1234" exactly 5110: both are left out; ",123" still fits.
        const TWords full = joined({TWords(848, 65535), {9999, 65535, 1234, 123, 5}});
        row("line limit", captureBytes(full), {"raw"}, csvLine("sendrf,2,1,1", full, 848) + ",9999,123");
        row("rts has no line limit", captureBytes(full), {"rts"}, csvLine("sendrf_rc", full));

        const std::string head = "sendir,1:8,1,37900";
        const TWords copies = joined({irFrame}, 3), two = joined({irFrame}, 2);
        row("three copies", irMessage(37900, copies), {"ir"},
            "sendir,1:8,1,37900,3,1,342,171,21,21,21,64,21,64,21,1520");
        row("two copies", irMessage(37900, two), {"ir"}, csvLine(head + ",1,1", two));
        row("raw keeps every copy", irMessage(37900, copies), {"ir raw"}, csvLine(head + ",1,1", copies));
        // The first copy is compared within 1 of each later one, on its first four durations.
        changed = copies, changed[0] = 343, changed[1] = 170, changed[2] = 22, changed[3] = 20;
        row("near-matching first copy", irMessage(37900, changed), {"ir"}, csvLine(head + ",3,1", changed, 10));
        changed = copies, changed[23] = 23;
        row("difference of 2", irMessage(37900, changed), {"ir"}, csvLine(head + ",1,1", changed));
        changed = copies, changed[24] = 23;
        row("difference after the pattern", irMessage(37900, changed), {"ir"}, csvLine(head + ",3,1", changed, 10));
        row("period 1", irMessage(38000, TWords(8, 21)), {"ir"}, "sendir,1:8,1,38000,3,1,21");
        row("no durations, raw", irMessage(65535, {}), {"ir raw"}, "sendir,1:8,1,65535,1,1");
        // "sendir,1:8,1,38000,1,1" and 847 tokens ",65535" make 5104 characters: ",12345" would
        // reach exactly 5110 and is left out, ",99" and ",9" still fit, ",1" no longer does.
        row("ir line limit", irMessage(38000, joined({TWords(847, 65535), {12345, 99, 9, 1}})), {"ir raw"},
            csvLine("sendir,1:8,1,38000,1,1", TWords(847, 65535)) + ",99,9");
        const TWords payload {38000, 100, 50};
        row("N 2: no value word", captureBytes(payload, 2), {"ir"}, "");
        row("ir, N 10000", irMessage(38000, TWords(9997, 7)), {"ir"}, "sendir,1:8,1,38000,3,1,7");

        const QStringList every {"smart", "raw", "rts", "ir", "ir raw"};
        row("nothing received", QByteArray(), every, "");
        row("length word cut", QByteArray("\x00\x00\x05", 3), every, "");
        row("N beyond the bytes", captureBytes(payload, 6), every, "");
        row("N above 10000", captureBytes(TWords(9999, 300), 10001), every, "");
        row("N 65535", captureBytes(payload, 65535), every, "");
    }

    void analysis()
    {
        QFETCH(QByteArray, message);
        QFETCH(QStringList, modes);
        QFETCH(QString, line);
        QFETCH(int, divisor);
        const bool refused = line.isEmpty();
        for (const QString& mode : modes) {
            if (mode.startsWith("ir")) {
                const auto r =
                    ofCopy(selectIrCapture, message, mode == "ir" ? TIrCaptureMode::automatic : TIrCaptureMode::raw);
                QCOMPARE(r.result, refused ? -1 : 0);
                QCOMPARE(r.infoLines, refused ? irErrorLines : TLines {line.toStdString()});
                continue;
            }
            const auto m = mode == "raw" ? TRfCaptureMode::raw
                : mode == "rts"          ? TRfCaptureMode::rts
                                         : TRfCaptureMode::smart;
            const TRfAnalysisResult r = analyseRf(message, m, divisor);
            QCOMPARE(r.result, refused ? -1 : 0);
            QCOMPARE(r.infoLines, refused ? rfErrorLines : TLines {line.toStdString()});
            QCOMPARE(r.rawLines.has_value(), !refused && m == TRfCaptureMode::raw);
        }
    }

    // Every real capture in every mode: a refusal or a well-formed line, never a fault.
    void realCaptures_data()
    {
        QTest::addColumn<QJsonObject>("entry");
        for (const char* file : {"rf.json", "ir.json"}) {
            const QJsonArray all = capturedata::corpus(file);
            if (all.isEmpty())
                QFAIL(qPrintable(QStringLiteral("no captures in tests/data/captures/") + file));
            for (const auto& v : all)
                QTest::newRow(qPrintable(v.toObject().value("name").toString())) << v.toObject();
        }
    }

    void realCaptures()
    {
        QFETCH(QJsonObject, entry);
        const QString name = entry["name"].toString();
        if (name.startsWith("rf_")) {
            // Frame length found in a whole capture; the others are refused, mostly because an idle
            // level between key presses is taken for the long pulse (magellan and marantec give noise).
            static const QHash<QString, int> wholeFrames {{"rf_ansonic_raw", 26}, {"rf_gate_tx_raw", 750},
                {"rf_magellan_raw", 164}, {"rf_marantec_raw", 252}, {"rf_marantec24_raw", 54}};
            const TWords samples = capturedata::durations(entry);
            const QByteArray msg = captureBytes(samples);
            QCOMPARE(checkedFrame(analyseRf(msg, TRfCaptureMode::smart), samples), wholeFrames.value(name));
            const TRfAnalysisResult raw = analyseRf(msg, TRfCaptureMode::raw);
            QCOMPARE(raw.rawLines.value_or(TLines()).size(), samples.size());
            QVERIFY(raw.infoLines.size() == 1 && raw.infoLines[0].starts_with("sendrf,2,1,1,")
                && raw.infoLines[0].size() < 5110);
            QCOMPARE(analyseRf(msg, TRfCaptureMode::rts).infoLines, TLines {csvLine("sendrf_rc", samples)});

            // Cut at the idle levels (32700 and above) between key presses.
            std::vector<TWords> presses(1);
            for (uint16_t s : samples)
                s >= 30000 ? void(presses.emplace_back()) : presses.back().push_back(s);
            QList<int> frames;
            for (const TWords& p : presses)
                if (p.size() >= 100)
                    frames << checkedFrame(analyseRf(captureBytes(p), TRfCaptureMode::smart), p);
            QVERIFY(!frames.contains(-1));
            if (name == "rf_princeton_raw") {
                // Four buttons, each press: 24 bits as 48 durations, a closing mark, the ~16.4 ms gap.
                QCOMPARE(frames, QList<int>(4, 50));
                QVERIFY(
                    analyseRf(captureBytes(presses[1]), TRfCaptureMode::smart).infoLines.at(0).ends_with(",613,16342"));
            }
        } else {
            // Durations kept by the automatic selection (all otherwise). SIRC repeats its frame: 12 bits
            // give 26 (leader pair, 12 pairs, the gap), 20 bits 42; the others repeat a short piece.
            static const QHash<QString, int> firstFrames {{"SIRC", 26}, {"SIRC20", 42},
                {"ir_irdb_grundig_androidtv_guide", 6}, {"ir_irdb_daikin_ftxm95pvma_power", 1},
                {"ir_irdb_logik_hlf_20r_power", 6}};
            const int carrier = entry["frequency"].toInt();
            const TWords durations = capturedata::durations(entry, carrier / 1e6);  // in periods of the carrier
            const QByteArray msg = irMessage(uint16_t(carrier), durations);
            const std::string all = csvLine("sendir,1:8,1," + std::to_string(carrier) + ",1,1", durations);
            const int first = firstFrames.value(name, firstFrames.value(entry["protocol"].toString()));
            QCOMPARE(ofCopy(selectIrCapture, msg, TIrCaptureMode::automatic).infoLines,
                TLines {
                    first == 0 ? all : csvLine("sendir,1:8,1," + std::to_string(carrier) + ",3,1", durations, first)});
            QCOMPARE(ofCopy(selectIrCapture, msg, TIrCaptureMode::raw).infoLines, TLines {all});
        }
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
