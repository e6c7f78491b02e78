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
Q_DECLARE_METATYPE(TWords)
Q_DECLARE_METATYPE(TTrace)

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
    void markedFrame_data()
    {
        QTest::addColumn<bool>("ir");
        QTest::addColumn<TWords>("words");
        QTest::addColumn<double>("frameEnd");  // capture units; 0: nothing marked
        QTest::addColumn<double>("unitMs");
        TWords rf = rfExample();
        QTest::newRow("RF example") << false << rf << 32000.0 << 0.0;
        rf.resize(30);  // two long pulses only: no frame length wins
        QTest::newRow("RF without a frame") << false << rf << 0.0 << 0.0;
        QTest::newRow("IR, three copies") << true << repeated({342, 171, 21, 21, 21, 64, 21, 64, 21, 1520}, 3, {37900})
                                          << 2266.0 << 1000.0 / 37900;
    }
    void markedFrame()
    {
        QFETCH(bool, ir);
        QFETCH(TWords, words);
        QFETCH(double, frameEnd);
        const QByteArray capture = capturedata::message(words);
        const auto* bytes = reinterpret_cast<const uint8_t*>(capture.constData());
        const size_t size = size_t(capture.size());
        const auto train = ir ? irPulseTrain(bytes, size, selectIrCapture(bytes, size, TIrCaptureMode::automatic).frameLength)
                              : rfPulseTrain(bytes, size, 16, analyseRfCapture(bytes, size, TRfCaptureMode::smart, 16).frameLength);
        QVERIFY(train);
        QTEST(train->unitMs(), "unitMs");
        // In a widget 400 wide the plot area starts at x 8 and is 384 columns wide.
        TCapturePlot plot;
        plot.resize(400, 200);
        plot.setCapture(*train);
        const QRectF frame = plot.frameGeometry();
        if (frameEnd == 0) {
            QVERIFY(frame.isEmpty());
            return;
        }
        QCOMPARE(frame.left(), 8.0);
        QVERIFY(qAbs(frame.width() - 384.0 * frameEnd / train->totalUnits()) < 1e-6);
        QCOMPARE(frame.top(), plot.plotArea().top());
        QCOMPARE(frame.height(), plot.plotArea().height());
    }

    void trace_data()
    {
        QTest::addColumn<TWords>("durations");
        QTest::addColumn<int>("columns");  // over the whole capture
        QTest::addColumn<TTrace>("trace");
        // One unit per column: every edge is drawn in the column it falls in, at its middle.
        QTest::newRow("whole capture") << TWords {2, 2, 4, 2} << 10
                                       << TTrace {{0, 1}, {2.5, 1}, {2.5, 0}, {4.5, 0}, {4.5, 1}, {8.5, 1}, {8.5, 0}, {10, 0}};
        // A space shorter than a column: one stroke down and back up.
        QTest::newRow("space within a column")
            << TWords {10, 1, 9} << 2 << TTrace {{0, 1}, {1.5, 1}, {1.5, 0}, {1.5, 1}, {2, 1}};
        QTest::newRow("empty capture") << TWords {} << 10 << TTrace {};
        // 10000 alternating units in 100 columns: each column one stroke, at most 3 points.
        QTest::newRow("crowded") << TWords(10000, 1) << 100 << TTrace {};
    }
    void trace()
    {
        QFETCH(TWords, durations);
        QFETCH(int, columns);
        QFETCH(TTrace, trace);
        const TPulseTrain train = makePulseTrain(TPulseKind::rf, durations, 0, 0, 16);
        const TTrace got = traceColumns(decimateColumns(train, fullView(train), columns));
        if (QByteArray(QTest::currentDataTag()) != "crowded") {
            QCOMPARE(got, trace);
            return;
        }
        QVERIFY(got.size() <= size_t(3 * columns + 2));
        QCOMPARE(got.front(), (tracePoint_t {0, 1}));
        QCOMPARE(got.back(), (tracePoint_t {100, 0}));
    }

    void zoomPanReset()
    {
        TCapturePlot plot;
        plot.resize(416, 200);  // plot area: x 8 .. 408, 400 columns
        plot.setCapture(makePulseTrain(TPulseKind::rf, TWords(1000, 4), 0, 0, 16));  // 4000 units
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const auto wheel = [&](double x, int delta) {
            QWheelEvent event(QPointF(x, 50), plot.mapToGlobal(QPointF(x, 50)), QPoint(), QPoint(0, delta), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
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
