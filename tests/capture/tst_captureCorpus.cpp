// Real remote-control captures (see shared/captures/README.md) through every mode.
#include "captureTestSupport.h"

#include "capture/irSelection.h"
#include "capture/rfAnalysis.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <string>

namespace {

using TLines = std::vector<std::string>;

QString corpusDir()
{
    const QByteArray source = qgetenv("ONDIX_SOURCE_DIR");
    if (!source.isEmpty()) {
        const QString dir = QDir(QString::fromLocal8Bit(source)).filePath("../shared/captures");
        if (QFile::exists(dir + "/rf.json"))
            return dir;
    }
    return "/work/shared/captures";
}

QJsonArray corpus(const char* file)
{
    QFile f(corpusDir() + "/" + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).array();
}

TWords durationsOf(const QJsonObject& entry, double scale)
{
    TWords out;
    for (const auto& v : entry.value("durations").toArray())
        out.push_back(uint16_t(std::min(65535.0, std::round(v.toDouble() * scale))));
    return out;
}

std::vector<long> fieldsOf(const std::string& line, size_t skip)
{
    std::vector<long> fields;
    const QStringList parts = QString::fromStdString(line).split(',');
    for (qsizetype i = skip; i < parts.size(); ++i)
        fields.push_back(parts[i].toLong());
    return fields;
}

std::string allSamples(const std::string& head, const TWords& values)
{
    std::string line = head;
    for (uint16_t v : values)
        line += "," + std::to_string(v);
    return line;
}

TRfAnalysisResult analyse(const TWords& samples, TRfCaptureMode mode)
{
    const QByteArray msg = captureBytes(samples);
    return analyseRfCapture(bytesOf(msg), size_t(msg.size()), mode, 16);
}

// Frame length of an accepted automatic line, after checking that it is well formed and that
// it lists the first samples of the capture; 0 for a refusal.
int checkedFrame(const TRfAnalysisResult& r, const TWords& samples)
{
    if (r.result != 0) {
        if (r.infoLines != rfCaptureErrorLines())
            return -1;
        return 0;
    }
    if (r.infoLines.size() != 1 || r.infoLines[0].rfind("sendrf,2,", 0) != 0)
        return -1;
    const std::vector<long> fields = fieldsOf(r.infoLines[0], 2);
    if (fields.size() < 2 || fields[0] < 3 || fields[1] != 1)
        return -1;
    const size_t frame = fields.size() - 2;
    if (frame % 2 != 0 || frame < 8 || frame > samples.size())
        return -1;
    for (size_t i = 0; i < frame; ++i) {
        if (fields[i + 2] != samples[i])
            return -1;
    }
    return int(frame);
}

} // namespace

class TestCaptureCorpus : public QObject {
    Q_OBJECT
private slots:
    void rfCaptures_data();
    void rfCaptures();
    void pressesCutAtIdle_data();
    void pressesCutAtIdle();
    void irCaptures_data();
    void irCaptures();
};

void TestCaptureCorpus::rfCaptures_data()
{
    // Frame length found in the whole capture; every other capture is refused, most of them
    // because an idle level between key presses is taken for the long pulse. The accepted
    // ones are not all sound: magellan and marantec give a stretch of receiver noise.
    const QHash<QString, int> wholeFrames{{"rf_ansonic_raw", 26}, {"rf_gate_tx_raw", 750},
        {"rf_magellan_raw", 164}, {"rf_marantec_raw", 252}, {"rf_marantec24_raw", 54}};
    QTest::addColumn<TWords>("samples");
    QTest::addColumn<int>("wholeFrame");
    const QJsonArray all = corpus("rf.json");
    if (all.isEmpty())
        QSKIP("the RF captures are not available");
    for (const auto& v : all) {
        const QJsonObject e = v.toObject();
        const QString name = e.value("name").toString();
        QTest::newRow(qPrintable(name)) << durationsOf(e, 1.0) << wholeFrames.value(name, 0);
    }
}

void TestCaptureCorpus::rfCaptures()
{
    QFETCH(TWords, samples);
    QFETCH(int, wholeFrame);

    const TRfAnalysisResult rts = analyse(samples, TRfCaptureMode::rts);
    QCOMPARE(rts.infoLines, TLines{allSamples("sendrf_rc", samples)});

    const TRfAnalysisResult raw = analyse(samples, TRfCaptureMode::raw);
    QCOMPARE(raw.result, 0);
    QVERIFY(raw.rawLines.has_value());
    QCOMPARE(raw.rawLines->size(), samples.size());
    QCOMPARE(raw.infoLines.size(), size_t(1));
    QVERIFY(raw.infoLines[0].starts_with("sendrf,2,1,1,"));
    QVERIFY(raw.infoLines[0].size() < 5110);

    const TRfAnalysisResult smart = analyse(samples, TRfCaptureMode::smart);
    const int frame = checkedFrame(smart, samples);
    QCOMPARE(frame, wholeFrame);
}

void TestCaptureCorpus::pressesCutAtIdle_data()
{
    QTest::addColumn<TWords>("samples");
    QTest::addColumn<int>("frameDurations"); // from the capture's notes; 0 when not given
    const QJsonArray all = corpus("rf.json");
    if (all.isEmpty())
        QSKIP("the RF captures are not available");
    const QRegularExpression framesOf("frames of (\\d+) durations");
    for (const auto& v : all) {
        const QJsonObject e = v.toObject();
        const auto m = framesOf.match(e.value("notes").toString());
        QTest::newRow(qPrintable(e.value("name").toString()))
            << durationsOf(e, 1.0) << (m.hasMatch() ? m.captured(1).toInt() : 0);
    }
}

void TestCaptureCorpus::pressesCutAtIdle()
{
    QFETCH(TWords, samples);
    QFETCH(int, frameDurations);

    // Cut at the idle levels (32700 and above) between key presses. A press that the
    // analysis accepts must give one frame and its gap: the frame length in the notes plus 1.
    std::vector<TWords> presses(1);
    for (uint16_t s : samples) {
        if (s >= 30000)
            presses.emplace_back();
        else
            presses.back().push_back(s);
    }
    int accepted = 0;
    for (const TWords& press : presses) {
        if (press.size() < 100)
            continue;
        const int frame = checkedFrame(analyse(press, TRfCaptureMode::smart), press);
        QVERIFY(frame >= 0);
        if (frame > 0 && frameDurations > 0)
            QCOMPARE(frame, frameDurations + 1);
        accepted += frame > 0;
    }
    if (QByteArray(QTest::currentDataTag()) == "rf_princeton_raw") {
        // Four buttons, each press: 24 bits as 48 durations, a closing mark, the ~16.4 ms gap.
        QCOMPARE(accepted, 4);
        QVERIFY(analyse(presses[1], TRfCaptureMode::smart).infoLines[0].ends_with(",613,16342"));
    }
}

void TestCaptureCorpus::irCaptures_data()
{
    QTest::addColumn<int>("carrier");
    QTest::addColumn<TWords>("durations");
    QTest::addColumn<int>("firstFrame"); // durations kept by the automatic selection; 0: all

    // Sony SIRC repeats its frame: 12 bits give 26 durations (leader pair, 12 pairs, the gap
    // after the last mark), 20 bits give 42. The IRDB Sony capture varies by more than one
    // carrier period between frames and is kept whole. Where the first durations come back
    // within one period inside the frame (the 17,16 wake-up of the Daikin, bi-phase RC5 on the
    // Grundig, the Logik PWM), only that short piece is kept.
    const QHash<QString, int> firstFrames{{"SIRC", 26}, {"SIRC20", 42},
        {"ir_irdb_grundig_androidtv_guide", 6}, {"ir_irdb_daikin_ftxm95pvma_power", 1},
        {"ir_irdb_logik_hlf_20r_power", 6}};
    const QJsonArray all = corpus("ir.json");
    if (all.isEmpty())
        QSKIP("the IR captures are not available");
    for (const auto& v : all) {
        const QJsonObject e = v.toObject();
        // Durations in periods of the carrier, as the Ondix measures them.
        const int carrier = e.value("frequency").toInt();
        const QString name = e.value("name").toString();
        const int firstFrame =
            firstFrames.value(name, firstFrames.value(e.value("protocol").toString(), 0));
        QTest::newRow(qPrintable(name)) << carrier << durationsOf(e, carrier / 1e6) << firstFrame;
    }
}

void TestCaptureCorpus::irCaptures()
{
    QFETCH(int, carrier);
    QFETCH(TWords, durations);
    QFETCH(int, firstFrame);
    QVERIFY(carrier > 0 && carrier <= 65535);

    TWords payload{uint16_t(carrier)};
    payload.insert(payload.end(), durations.begin(), durations.end());
    const QByteArray msg = captureBytes(payload);
    const std::string head = "sendir,1:8,1," + std::to_string(carrier);

    const TIrSelectionResult raw = selectIrCapture(bytesOf(msg), size_t(msg.size()), TIrCaptureMode::raw);
    QCOMPARE(raw.result, 0);
    QCOMPARE(raw.infoLines, TLines{allSamples(head + ",1,1", durations)});

    const TIrSelectionResult automatic =
        selectIrCapture(bytesOf(msg), size_t(msg.size()), TIrCaptureMode::automatic);
    QCOMPARE(automatic.result, 0);
    QCOMPARE(automatic.infoLines.size(), size_t(1));
    const std::string& line = automatic.infoLines[0];
    const std::vector<long> fields = fieldsOf(line, 4);
    QVERIFY(fields.size() >= 2);
    const size_t frame = fields.size() - 2;
    if (fields[0] == 1) {
        QCOMPARE(firstFrame, 0);
        QCOMPARE(line, allSamples(head + ",1,1", durations));
    } else {
        // A selected frame starts the capture and is followed by the same start.
        QCOMPARE(fields[0], 3L);
        QCOMPARE(int(frame), firstFrame);
        QVERIFY(frame >= 1 && frame + 4 <= durations.size());
        TWords first(durations.begin(), durations.begin() + long(frame));
        QCOMPARE(line, allSamples(head + ",3,1", first));
        for (size_t k = 0; k < 4; ++k)
            QVERIFY(std::abs(int(durations[frame + k]) - int(durations[k])) <= 1);
    }
}

int runCaptureCorpusTests(int argc, char** argv)
{
    TestCaptureCorpus t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_captureCorpus.moc"
