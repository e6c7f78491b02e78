// The last RF or IR capture as a pulse train beside the "Raw Data" memo: marks up, spaces
// down, the frame the analysis chose shaded, a time axis in the capture's unit (and in
// milliseconds for IR, whose durations count carrier periods). Mouse wheel: zoom around the
// cursor; drag: pan; double-click: the whole capture again.
//
// The geometry (decimated trace, frame, ticks) is built once per capture, view or size
// and only drawn by paintEvent, so a paint costs a few hundred points whatever the capture.
#pragma once

#include <QPolygonF>
#include <QString>
#include <QVector>
#include <QWidget>

#include <optional>

#include "capture/pulseTrain.h"

class TCapturePlot : public QWidget {
    Q_OBJECT
public:
    explicit TCapturePlot(QWidget* parent = nullptr);

    // Shows `train` whole; an empty train shows "Nenhuma captura".
    void setCapture(TPulseTrain train);
    void clearCapture();
    const TPulseTrain& train() const { return train_; }

    // The time range on screen, in capture units.
    timeSpan_t view() const { return view_; }
    void setView(timeSpan_t view);
    // Zooms by `factor` (> 1: closer) keeping the time under widget x where it is.
    void zoomAt(double x, double factor);
    // Moves the content by dx pixels (positive: the content follows the mouse to the right).
    void panByPixels(double dx);
    void resetView();

    // Geometry as drawn, in widget coordinates (built on demand).
    QRectF plotArea() const;
    const QPolygonF& traceGeometry();
    QRectF frameGeometry();  // the shaded frame within the plot area; empty when none is in view

    QSize sizeHint() const override { return {360, 180}; }
    QSize minimumSizeHint() const override { return {160, 110}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct TTickLabel {
        double x = 0;
        QString text;
    };
    void invalidate();
    void rebuild();
    int axisRows() const;
    QVector<TTickLabel> tickLabels(
        double unitsPerTick, double begin, double end, int columns, const QString& unitName) const;

    TPulseTrain train_;
    timeSpan_t view_;
    bool dirty_ = true;
    QPolygonF trace_;
    QRectF frame_;
    QString caption_;
    QVector<TTickLabel> unitTicks_;
    QVector<TTickLabel> msTicks_;
    std::optional<double> dragX_;  // where the drag started
    timeSpan_t dragView_;
};
