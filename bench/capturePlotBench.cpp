// Drawing a 10000-sample capture in the capture plot: median milliseconds per paint into a
// QImage at the widget's size in the window (and a larger one), for a new capture (geometry
// built, then drawn), a repaint of the same view, a zoom step around the middle and a pan
// step. For comparison: the same train drawn without decimation (every edge a point).
// Goal: under 16 ms (one frame at 60 Hz) for every case.
//
//   bench_capture_plot [--runs N]      (default 51)
#include "bench/benchStats.h"
#include "capture/capturePlot.h"
#include "capture/pulseTrain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

// A noisy RF capture: bursts of a 50-sample frame between random noise.
std::vector<uint16_t> samples10000()
{
    std::mt19937 random(7);
    std::vector<uint16_t> s;
    while (s.size() < 10000) {
        if (random() % 3 == 0) {
            s.insert(s.end(), {30, 930});
            for (int bit = 0; bit < 24; ++bit)
                s.insert(s.end(), {uint16_t(bit % 3 ? 90 : 30), uint16_t(bit % 3 ? 30 : 90)});
        } else {
            s.push_back(uint16_t(5 + random() % 400));
        }
    }
    s.resize(10000);
    return s;
}

double medianMs(int runs, const std::function<void()>& before, const std::function<void()>& work)
{
    std::vector<double> times;
    QElapsedTimer clock;
    for (int i = 0; i < runs; ++i) {
        before();
        clock.start();
        work();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = benchstats::benchRuns(argc, argv, 51);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::vector<uint16_t> samples = samples10000();
    const TPulseTrain train = makePulseTrain(TPulseKind::rf, samples, 50, 0, 16);
    std::printf("10000 samples, %d runs, median ms per paint into a QImage\n", runs);
    std::printf(
        "%-11s %11s %11s %11s %11s %11s\n", "size", "new capture", "repaint", "zoom step", "pan step", "every edge");

    for (const QSize size : {QSize(330, 190), QSize(1200, 400)}) {
        TCapturePlot plot;
        plot.resize(size);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        const auto paint = [&] { plot.render(&image); };

        const double fresh = medianMs(
            runs, [&] { plot.setCapture(train); }, paint);
        plot.setCapture(train);
        paint();
        const double again = medianMs(
            runs, [] {}, paint);
        double x = 0;
        const double zoom = medianMs(
            runs,
            [&] {
                plot.resetView();
                plot.zoomAt(size.width() / 2.0, 8.0);
                x = 0;
            },
            [&] {
                plot.zoomAt(size.width() / 2.0 + x, 1.25);
                paint();
            });
        const double pan = medianMs(
            runs, [] {},
            [&] {
                plot.panByPixels(-7);
                paint();
            });

        // Without decimation: one point per edge, 20000 points.
        QPolygonF every;
        const double scale = size.width() / double(train.totalUnits());
        for (size_t i = 0; i < train.durations.size(); ++i) {
            const double y = i % 2 ? size.height() - 30.0 : 30.0;
            every.append(QPointF(train.edges[i] * scale, y));
            every.append(QPointF(train.edges[i + 1] * scale, y));
        }
        const double naive = medianMs(
            runs, [] {},
            [&] {
                QPainter painter(&image);
                painter.fillRect(image.rect(), Qt::white);
                painter.drawPolyline(every);
            });
        std::printf("%4dx%-6d %11.3f %11.3f %11.3f %11.3f %11.3f\n", size.width(), size.height(), fresh, again, zoom,
            pan, naive);
    }
    return 0;
}
