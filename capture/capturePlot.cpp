#include "capture/capturePlot.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int sideMargin = 8;
constexpr int captionHeight = 18;
constexpr int levelInset = 6;  // mark and space levels stay this far inside the area
constexpr int tickSpacingPx = 45;  // at most one tick label this often
constexpr double wheelStep = 1.25;  // zoom per notch of the wheel

const QColor traceColor(0, 84, 160);
const QColor frameFill(255, 186, 0, 64);
const QColor frameEdge(196, 128, 0);

// Decimal comma, as the rest of the window writes numbers for people.
QString numberText(double value)
{
    return QString::number(value, 'g', 10).replace(u'.', u',');
}

}  // namespace

TCapturePlot::TCapturePlot(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pbCapturePlot"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("Roda do mouse: zoom. Arrastar: deslocar. Duplo clique: captura inteira."));
    setMouseTracking(false);
}

void TCapturePlot::setCapture(TPulseTrain train)
{
    train_ = std::move(train);
    view_ = fullView(train_);
    invalidate();
}

void TCapturePlot::clearCapture()
{
    setCapture(TPulseTrain {});
}

void TCapturePlot::setView(timeSpan_t view)
{
    view_ = panView(view, 0.0, train_.totalUnits());
    invalidate();
}

void TCapturePlot::zoomAt(double x, double factor)
{
    const QRectF area = plotArea();
    const int columns = int(area.width());
    if (train_.empty() || columns <= 0)
        return;
    const double anchor = timeOfColumn(view_, columns, x - area.left());
    view_ = zoomView(view_, anchor, factor, train_.totalUnits());
    invalidate();
}

void TCapturePlot::panByPixels(double dx)
{
    const int columns = int(plotArea().width());
    if (train_.empty() || columns <= 0)
        return;
    view_ = panView(view_, -dx * view_.length() / columns, train_.totalUnits());
    invalidate();
}

void TCapturePlot::resetView()
{
    view_ = fullView(train_);
    invalidate();
}

int TCapturePlot::axisRows() const
{
    return train_.unitMs() > 0 ? 2 : 1;
}

QRectF TCapturePlot::plotArea() const
{
    const int rowHeight = fontMetrics().height() + 2;
    const int bottom = height() - 4 - axisRows() * rowHeight;
    return QRectF(
        sideMargin, captionHeight, std::max(0, width() - 2 * sideMargin), std::max(0, bottom - captionHeight));
}

const QPolygonF& TCapturePlot::traceGeometry()
{
    if (dirty_)
        rebuild();
    return trace_;
}

QRectF TCapturePlot::frameGeometry()
{
    if (dirty_)
        rebuild();
    return frame_;
}

void TCapturePlot::invalidate()
{
    dirty_ = true;
    update();
}

QVector<TCapturePlot::TTickLabel> TCapturePlot::tickLabels(
    double unitsPerTick, double begin, double end, int columns, const QString& unitName) const
{
    // Ticks are chosen in the row's own unit (capture units or ms) and placed by capture time.
    QVector<TTickLabel> labels;
    const QFontMetrics metrics = fontMetrics();
    const double nameLeft = columns - metrics.horizontalAdvance(unitName) - 4;
    double lastRight = -1e9;
    for (double tick : axisTicks(begin, end, std::max(1, columns / tickSpacingPx))) {
        const QString text = numberText(tick);
        const double x = columnOfTime(view_, columns, tick * unitsPerTick);
        const double half = metrics.horizontalAdvance(text) / 2.0;
        if (x - half < lastRight + 6 || x + half > nameLeft)
            continue;  // would overlap its neighbour or the unit name
        labels.append({x, text});
        lastRight = x + half;
    }
    labels.append({double(columns), unitName});  // drawn right-aligned at the end of the row
    return labels;
}

void TCapturePlot::rebuild()
{
    dirty_ = false;
    trace_.clear();
    frame_ = QRectF();
    unitTicks_.clear();
    msTicks_.clear();
    caption_.clear();

    const QRectF area = plotArea();
    const int columns = int(area.width());
    if (train_.empty()) {
        caption_ = QStringLiteral("Nenhuma captura");
        return;
    }
    caption_ = train_.kind == TPulseKind::rf
        ? QStringLiteral("RF, %1 amostras, divisor %2").arg(train_.durations.size()).arg(train_.divisor)
        : QStringLiteral("IR, %1 durações, %2")
              .arg(train_.durations.size())
              .arg(train_.carrierHz ? QStringLiteral("%1 Hz").arg(train_.carrierHz)
                                    : QStringLiteral("portadora desconhecida"));
    if (train_.frameLength > 0)
        caption_ += QStringLiteral(", quadro: %1").arg(train_.frameLength);
    if (columns <= 0 || area.height() <= 2 * levelInset)
        return;

    const double high = area.top() + levelInset;
    const double low = area.bottom() - levelInset;
    const std::vector<tracePoint_t> points = traceColumns(decimateColumns(train_, view_, columns));
    trace_.reserve(qsizetype(points.size()));
    for (const tracePoint_t& p : points)
        trace_.append(QPointF(area.left() + p.x, p.level ? high : low));

    const timeSpan_t frame = frameSpan(train_);
    if (frame.length() > 0) {
        const double x0 = std::max(0.0, columnOfTime(view_, columns, frame.begin));
        const double x1 = std::min(double(columns), columnOfTime(view_, columns, frame.end));
        if (x1 > x0)
            frame_ = QRectF(area.left() + x0, area.top(), x1 - x0, area.height());
    }

    // The length of an RF unit is the device's own (it depends on the divisor and is not
    // known here): RF time stays in units. IR durations count carrier periods.
    const QString unitName = train_.kind == TPulseKind::rf ? QStringLiteral("unidades") : QStringLiteral("períodos");
    unitTicks_ = tickLabels(1.0, view_.begin, view_.end, columns, unitName);
    if (const double ms = train_.unitMs(); ms > 0)
        msTicks_ = tickLabels(1.0 / ms, view_.begin * ms, view_.end * ms, columns, QStringLiteral("ms"));
}

void TCapturePlot::paintEvent(QPaintEvent*)
{
    const QPolygonF& trace = traceGeometry();
    const QRectF frame = frameGeometry();
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRectF area = plotArea();
    const QColor text = palette().color(QPalette::Text);

    painter.setPen(text);
    painter.drawText(
        QRectF(sideMargin, 0, width() - 2 * sideMargin, captionHeight), Qt::AlignLeft | Qt::AlignVCenter, caption_);
    if (train_.empty())
        return;

    if (!frame.isEmpty()) {
        painter.fillRect(frame, frameFill);
        painter.setPen(QPen(frameEdge, 0, Qt::DashLine));
        painter.drawLine(frame.topLeft(), frame.bottomLeft());
        painter.drawLine(frame.topRight(), frame.bottomRight());
    }

    painter.setPen(QPen(traceColor, 0));
    painter.drawPolyline(trace);

    // Axis: a base line, then one row of labels per unit.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(QPointF(area.left(), area.bottom() + 1), QPointF(area.right(), area.bottom() + 1));
    painter.setPen(text);
    const int rowHeight = fontMetrics().height() + 2;
    const auto drawRow = [&](const QVector<TTickLabel>& labels, int row) {
        const double top = area.bottom() + 2 + row * rowHeight;
        for (qsizetype i = 0; i < labels.size(); ++i) {
            const TTickLabel& label = labels[i];
            const double x = area.left() + label.x;
            if (i + 1 == labels.size()) {  // the unit name, right-aligned
                painter.drawText(
                    QRectF(area.left(), top, area.width(), rowHeight), Qt::AlignRight | Qt::AlignVCenter, label.text);
                break;
            }
            painter.drawLine(QPointF(x, area.bottom() - 2), QPointF(x, area.bottom() + 1));
            painter.drawText(QRectF(x - 60, top, 120, rowHeight), Qt::AlignHCenter | Qt::AlignVCenter, label.text);
        }
    };
    drawRow(unitTicks_, 0);
    if (!msTicks_.isEmpty())
        drawRow(msTicks_, 1);
}

void TCapturePlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    invalidate();
}

void TCapturePlot::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || train_.empty()) {
        event->ignore();
        return;
    }
    zoomAt(event->position().x(), std::pow(wheelStep, notches));
    event->accept();
}

void TCapturePlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || train_.empty())
        return QWidget::mousePressEvent(event);
    dragX_ = event->position().x();
    dragView_ = view_;
    setCursor(Qt::ClosedHandCursor);
}

void TCapturePlot::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragX_)
        return QWidget::mouseMoveEvent(event);
    // From the view at the press, so that rounding never accumulates along a long drag.
    view_ = dragView_;
    panByPixels(event->position().x() - *dragX_);
}

void TCapturePlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragX_)
        return QWidget::mouseReleaseEvent(event);
    dragX_.reset();
    unsetCursor();
}

void TCapturePlot::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    resetView();
}
