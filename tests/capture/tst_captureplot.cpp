// The capture plot as the installer sees it: the marked frame shaded where it lies, the trace's
// edges in their columns (a short space still drawn), a crowded capture kept to a bounded
// number of points, and zoom, pan and reset through real mouse events (offscreen).
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

namespace {

TWords repeated(const TWords& part, int copies, TWords head = {})
{
    for (int i = 0; i < copies; ++i)
        head.insert(head.end(), part.begin(), part.end());
    return head;
}

// 12400, then four copies of a 26-sample frame (twelve pairs of 1600, 400, the 12400 gap).
TWords rfExample()
{
    TWords frame = repeated({1200, 400, 400, 1200}, 6);
    frame.insert(frame.end(), {400, 12400});
    return repeated(frame, 4, {12400});
}

}  // namespace

class TestCapturePlot : public QObject {
    Q_OBJECT
private slots:
    void markedFrame()
    {
        TWords rfNoFrame = rfExample();
        rfNoFrame.resize(30);  // two long pulses only: no frame length wins
        // ir, words, the frame's end in capture units (0: nothing marked), unitMs
        const std::tuple<bool, TWords, double, double> rows[] = {{false, rfExample(), 32000.0, 0.0},
            {false, rfNoFrame, 0.0, 0.0},
            {true, repeated({342, 171, 21, 21, 21, 64, 21, 64, 21, 1520}, 3, {37900}), 2266.0, 1000.0 / 37900}};
        for (const auto& [ir, words, frameEnd, unitMs] : rows) {
            const QByteArray capture = capturedata::message(words);
            const auto* bytes = reinterpret_cast<const uint8_t*>(capture.constData());
            const size_t size = size_t(capture.size());
            const auto train = ir
                ? irPulseTrain(bytes, size, selectIrCapture(bytes, size, TIrCaptureMode::automatic).frameLength)
                : rfPulseTrain(bytes, size, 16, analyseRfCapture(bytes, size, TRfCaptureMode::smart, 16).frameLength);
            QVERIFY(train);
            QCOMPARE(train->unitMs(), unitMs);
            // In a widget 400 wide the plot area starts at x 8 and is 384 columns wide.
            TCapturePlot plot;
            plot.resize(400, 200);
            plot.setCapture(*train);
            const QRectF frame = plot.frameGeometry();
            if (frameEnd == 0) {
                QVERIFY(frame.isEmpty());
                continue;
            }
            QCOMPARE(frame.left(), 8.0);
            QVERIFY(qAbs(frame.width() - 384.0 * frameEnd / train->totalUnits()) < 1e-6);
            QCOMPARE(frame.top(), plot.plotArea().top());
            QCOMPARE(frame.height(), plot.plotArea().height());
        }
    }

    void trace()
    {
        const auto traced = [](const TWords& durations, int columns) {
            const TPulseTrain train = makePulseTrain(TPulseKind::rf, durations, 0, 0, 16);
            return traceColumns(decimateColumns(train, fullView(train), columns));
        };
        // One unit per column: every edge is drawn in the column it falls in, at its middle.
        QCOMPARE(traced({2, 2, 4, 2}, 10),
            (TTrace {{0, 1}, {2.5, 1}, {2.5, 0}, {4.5, 0}, {4.5, 1}, {8.5, 1}, {8.5, 0}, {10, 0}}));
        // A space shorter than a column: one stroke down and back up.
        QCOMPARE(traced({10, 1, 9}, 2), (TTrace {{0, 1}, {1.5, 1}, {1.5, 0}, {1.5, 1}, {2, 1}}));
        QCOMPARE(traced({}, 10), TTrace {});
        // 10000 alternating units in 100 columns: each column one stroke, at most 3 points.
        const TTrace crowded = traced(TWords(10000, 1), 100);
        QVERIFY(crowded.size() <= size_t(3 * 100 + 2));
        QCOMPARE(crowded.front(), (tracePoint_t {0, 1}));
        QCOMPARE(crowded.back(), (tracePoint_t {100, 0}));
    }

    void zoomPanReset()
    {
        TCapturePlot plot;
        plot.resize(416, 200);  // plot area: x 8 .. 408, 400 columns
        plot.setCapture(makePulseTrain(TPulseKind::rf, TWords(1000, 4), 0, 0, 16));  // 4000 units
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const auto wheel = [&](double x, int delta) {
            QWheelEvent event(QPointF(x, 50), plot.mapToGlobal(QPointF(x, 50)), QPoint(), QPoint(0, delta),
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&plot, &event);
        };
        // One notch up at x 108 (time 1000): the range narrows by 1.25 and 1000 stays under the cursor.
        wheel(108, 120);
        QCOMPARE(plot.view(), (timeSpan_t {200, 3400}));
        const QPolygonF zoomed = plot.traceGeometry();
        for (const QPointF& p : zoomed)
            QVERIFY(plot.plotArea().adjusted(-0.5, -0.5, 0.5, 0.5).contains(p));
        // Dragging 20 px to the right shows earlier times: 20 columns of 8 units; no further than the start.
        QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(200, 80));
        QTest::mouseMove(&plot, QPoint(220, 80));
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(220, 80));
        QCOMPARE(plot.view(), (timeSpan_t {40, 3240}));
        plot.panByPixels(1000);
        QCOMPARE(plot.view(), (timeSpan_t {0, 3200}));
        QCOMPARE(plot.traceGeometry().size(), zoomed.size());
        // Zooming in stops at 4 units, out at the whole capture; a double-click shows it all again.
        for (int i = 0; i < 60; ++i)
            wheel(208, 120);
        QCOMPARE(plot.view().length(), 4.0);
        wheel(208, -120 * 80);
        QCOMPARE(plot.view(), (timeSpan_t {0, 4000}));
        wheel(300, 360);
        QTest::mouseDClick(&plot, Qt::LeftButton, {}, QPoint(150, 80));
        QCOMPARE(plot.view(), (timeSpan_t {0, 4000}));
    }
};

QTEST_MAIN(TestCapturePlot)
#include "tst_captureplot.moc"
