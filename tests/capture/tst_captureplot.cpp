// The capture plot: where the drawn train's edges and the marked frame fall for known
// captures, what a crowded pixel column shows, and zoom, pan and reset through real mouse
// events (offscreen).
#include "capture/capturePlot.h"
#include "capture/irSelection.h"
#include "capture/pulseTrain.h"
#include "capture/rfAnalysis.h"
#include "tests/capture/captureData.h"

#include <QTest>
#include <QWheelEvent>

#include <vector>

using TWords = std::vector<uint16_t>;
using TTrace = std::vector<tracePoint_t>;
Q_DECLARE_METATYPE(TWords)
Q_DECLARE_METATYPE(TTrace)

namespace {

using capturedata::message;

TWords repeated(const TWords& part, int copies, TWords head = {})
{
    for (int i = 0; i < copies; ++i)
        head.insert(head.end(), part.begin(), part.end());
    return head;
}

const TWords rfFrame = repeated({1200, 400, 400, 1200}, 6, {}), irFrame {342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};

// The RF capture of the automatic-analysis example: 12400, then four copies of a 26-sample frame.
TWords rfExample()
{
    TWords frame = rfFrame;
    frame.insert(frame.end(), {400, 12400});
    return repeated(frame, 4, {12400});
}

}  // namespace

class TestCapturePlot : public QObject {
    Q_OBJECT
private slots:
    void markedFrame_data();
    void markedFrame();
    void trace_data();
    void trace();
    void crowdedColumns();
    void zoomPanReset();
};

// The frame the analysis chose, as the plot marks it, in every mode.
void TestCapturePlot::markedFrame_data()
{
    QTest::addColumn<bool>("ir");
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<int>("frameLength");
    QTest::addColumn<double>("frameEnd");  // capture units
    QTest::addColumn<double>("unitMs");
    QTest::addColumn<double>("totalUnits");
    const QByteArray rf = message(rfExample());
    // 12400 + twelve pairs of 1600 + 400
    QTest::newRow("RF example") << false << rf << 26 << 32000.0 << 0.0 << 140400.0;
    TWords noFrame = rfExample();
    noFrame.resize(30);  // two long pulses only: no frame length wins
    QTest::newRow("RF without a frame") << false << message(noFrame) << 0 << 0.0 << 0.0 << 46400.0;
    TWords ir {37900};
    ir = repeated(irFrame, 3, ir);
    QTest::newRow("IR example, three copies") << true << message(ir) << 10 << 2266.0 << 1000.0 / 37900 << 6798.0;
    TWords slow {5000};  // not a carrier: the unit is not known
    slow = repeated(irFrame, 3, slow);
    QTest::newRow("IR, value below 10 kHz") << true << message(slow) << 10 << 2266.0 << 0.0 << 6798.0;
}

void TestCapturePlot::markedFrame()
{
    QFETCH(bool, ir);
    QFETCH(QByteArray, capture);
    QFETCH(int, frameLength);
    QFETCH(double, frameEnd);
    const auto* bytes = reinterpret_cast<const uint8_t*>(capture.constData());
    const size_t size = size_t(capture.size());
    std::vector<uint32_t> found;
    if (ir) {
        for (auto mode : {TIrCaptureMode::automatic, TIrCaptureMode::raw})
            found.push_back(selectIrCapture(bytes, size, mode).frameLength);
    } else {
        for (auto mode : {TRfCaptureMode::smart, TRfCaptureMode::raw, TRfCaptureMode::rts})
            found.push_back(analyseRfCapture(bytes, size, mode, 16).frameLength);
    }
    for (uint32_t f : found)
        QCOMPARE(int(f), frameLength);

    const auto train = ir ? irPulseTrain(bytes, size, found[0]) : rfPulseTrain(bytes, size, 16, found[0]);
    QVERIFY(train);
    QTEST(double(train->totalUnits()), "totalUnits");
    QCOMPARE(frameSpan(*train), (timeSpan_t {0.0, frameEnd}));
    QTEST(train->unitMs(), "unitMs");

    // In a widget 400 wide the plot area starts at x 8 and is 384 columns wide.
    TCapturePlot plot;
    plot.resize(400, 200);
    plot.setCapture(*train);
    const QRectF frame = plot.frameGeometry();
    if (frameLength == 0) {
        QVERIFY(frame.isEmpty());
        return;
    }
    QCOMPARE(frame.left(), 8.0);
    QVERIFY(qAbs(frame.width() - 384.0 * frameEnd / train->totalUnits()) < 1e-6);
    QCOMPARE(frame.top(), plot.plotArea().top());
    QCOMPARE(frame.height(), plot.plotArea().height());
}

void TestCapturePlot::trace_data()
{
    QTest::addColumn<TWords>("durations");
    QTest::addColumn<double>("begin");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("columns");
    QTest::addColumn<TTrace>("trace");
    // One unit per column: every edge is drawn in the column it falls in, at its middle.
    QTest::newRow("whole capture") << TWords {2, 2, 4,
        2} << 0.0 << 10.0 << 10 << TTrace {{0, 1}, {2.5, 1}, {2.5, 0}, {4.5, 0}, {4.5, 1}, {8.5, 1}, {8.5, 0}, {10, 0}};
    // Zoomed to units 3 .. 7: starts inside the first space.
    QTest::newRow("zoomed") << TWords {2, 2, 4, 2} << 3.0 << 7.0 << 8 << TTrace {{0, 0}, {2.5, 0}, {2.5, 1}, {8, 1}};
    // A space shorter than a column: one stroke down and back up.
    QTest::newRow("space within a column")
        << TWords {10, 1, 9} << 0.0 << 20.0 << 2 << TTrace {{0, 1}, {1.5, 1}, {1.5, 0}, {1.5, 1}, {2, 1}};
    QTest::newRow("empty capture") << TWords {} << 0.0 << 10.0 << 10 << TTrace {};
}

void TestCapturePlot::trace()
{
    QFETCH(TWords, durations);
    const TPulseTrain train = makePulseTrain(TPulseKind::rf, durations, 0, 0, 16);
    QFETCH(double, begin);
    QFETCH(double, end);
    QFETCH(int, columns);
    QTEST(traceColumns(decimateColumns(train, {begin, end}, columns)), "trace");
}

// 10000 alternating unit durations in 100 columns: each column holds both levels and is one
// stroke; the trace stays within 3 points per column.
void TestCapturePlot::crowdedColumns()
{
    const TPulseTrain train = makePulseTrain(TPulseKind::rf, TWords(10000, 1), 0, 0, 16);
    const auto columns = decimateColumns(train, fullView(train), 100);
    for (const plotColumn_t& c : columns)
        QCOMPARE(c, (plotColumn_t {true, 0, 1, 1, 0}));
    const TTrace trace = traceColumns(columns);
    QVERIFY(trace.size() <= 302);
    QCOMPARE(trace.front(), (tracePoint_t {0, 1}));
    QCOMPARE(trace.back(), (tracePoint_t {100, 0}));
}

void TestCapturePlot::zoomPanReset()
{
    TCapturePlot plot;
    plot.resize(416, 200);  // plot area: x 8 .. 408, 400 columns
    plot.setCapture(makePulseTrain(TPulseKind::rf, TWords(1000, 4), 0, 0, 16));  // 4000 units
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QCOMPARE(plot.view(), (timeSpan_t {0, 4000}));

    // One notch up at x 108 (time 1000): the range narrows by 1.25 and 1000 stays under the cursor.
    const auto wheel = [&](double x, int delta) {
        QWheelEvent event(QPointF(x, 50), plot.mapToGlobal(QPointF(x, 50)), QPoint(), QPoint(0, delta), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plot, &event);
    };
    wheel(108, 120);
    QCOMPARE(plot.view(), (timeSpan_t {200, 3400}));
    const size_t zoomedPoints = size_t(plot.traceGeometry().size());

    // Dragging 20 px to the right shows earlier times: 20 columns of 8 units.
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(200, 80));
    QTest::mouseMove(&plot, QPoint(220, 80));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(220, 80));
    QCOMPARE(plot.view(), (timeSpan_t {40, 3240}));
    // Further than the start stops at the start.
    plot.panByPixels(1000);
    QCOMPARE(plot.view(), (timeSpan_t {0, 3200}));
    QCOMPARE(size_t(plot.traceGeometry().size()), zoomedPoints);

    // Zooming in as far as it goes stops at 4 units; zooming out stops at the whole capture.
    for (int i = 0; i < 60; ++i)
        wheel(208, 120);
    QCOMPARE(plot.view().length(), 4.0);
    wheel(208, -120 * 80);
    QCOMPARE(plot.view(), (timeSpan_t {0, 4000}));

    // A double-click shows the whole capture again.
    wheel(300, 360);
    QVERIFY(plot.view().length() < 4000);
    QTest::mouseDClick(&plot, Qt::LeftButton, {}, QPoint(150, 80));
    QCOMPARE(plot.view(), (timeSpan_t {0, 4000}));
}

QTEST_MAIN(TestCapturePlot)
#include "tst_captureplot.moc"
