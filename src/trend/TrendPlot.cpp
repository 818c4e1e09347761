#include "trend/TrendPlot.h"

#include <QChart>
#include <QPainter>
#include <QPolygonF>
#include <QStyleOptionGraphicsItem>
#include <QValueAxis>
#include <algorithm>

namespace ql50 {
namespace {

// Above the chart's grid and axes, where its own series would be, below its legend.
constexpr qreal kPlotZ = 4.5;
// One-pixel lines: the painter draws them directly, where any wider line goes through its
// stroker, which costs several times more for the thousands of points of a long range.
constexpr qreal kDotRadius = 2.0;
// What a line or dot drawn at a point may cover beyond it, in pixels.
constexpr qreal kMargin = kDotRadius + 1;

}  // namespace

TrendPlot::TrendPlot(QChart* chart) : QGraphicsItem(chart), chart_(chart) {
    setZValue(kPlotZ);
    setFlag(ItemUsesExtendedStyleOption);  // paint() learns the part to draw again
    area_ = chart_->plotArea();
}

void TrendPlot::SetLines(std::vector<Line> lines, double from, double to) {
    lines_ = std::move(lines);
    from_ = from;
    to_ = to;
    update();
}

void TrendPlot::SetNewestPoints(std::vector<Line> lines,
                                const std::vector<std::size_t>& firstChanged) {
    lines_ = std::move(lines);
    double left = area_.right() + kMargin;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::vector<TrendPoint>& points = *lines_[i].points;
        if (firstChanged[i] >= points.size()) continue;
        left = std::min(left, X(points[firstChanged[i] > 0 ? firstChanged[i] - 1 : 0].time));
    }
    if (left > area_.right()) return;
    update(QRectF(QPointF(left - kMargin, area_.top()), area_.bottomRight()));
}

void TrendPlot::PlotAreaChanged() {
    prepareGeometryChange();
    area_ = chart_->plotArea();
    update();
}

double TrendPlot::X(TrendTime time) const {
    return area_.left() + (double(time) - from_) * (area_.width() / (to_ - from_));
}

void TrendPlot::paint(QPainter* painter, const QStyleOptionGraphicsItem* option,
                      QWidget* /*widget*/) {
    if (area_.isEmpty() || to_ <= from_) return;
    painter->save();
    painter->setClipRect(area_);
    painter->setRenderHint(QPainter::Antialiasing);
    // Only what may reach into the part to draw again: each line joins its points in time order.
    const QRectF exposed = option->exposedRect;
    for (const Line& line : lines_)
        PaintLine(painter, line, exposed.left() - kMargin, exposed.right() + kMargin);
    painter->restore();
}

// Draws the runs of points that lie between `left` and `right` (and two points beyond on
// either side, so every line and join that reaches in is drawn as a whole drawing draws it).
void TrendPlot::PaintLine(QPainter* painter, const Line& line, double left, double right) const {
    const std::vector<TrendPoint>& points = *line.points;
    const auto xBelow = [&](double x) {
        return [this, x](const TrendPoint& p) { return X(p.time) < x; };
    };
    const auto lo = std::size_t(std::max<std::ptrdiff_t>(
        std::partition_point(points.begin(), points.end(), xBelow(left)) - points.begin() - 2, 0));
    const std::size_t hi = std::min(
        points.size(),
        std::size_t(std::partition_point(points.begin(), points.end(), xBelow(right + 1e-9)) -
                    points.begin()) +
            2);
    const double low = line.axis->min();
    const double yScale = area_.height() / std::max(line.axis->max() - low, 1e-12);
    QPen pen(line.color, 1);
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->setBrush(line.color);
    QPolygonF run;
    std::size_t runStart = lo;
    // A run of one point is a value with missing ones on both sides: a dot, not a line.
    const auto draw = [&](std::size_t runEnd) {
        const bool alone = points[runStart].newRun &&
                           (runStart + 1 == points.size() || points[runStart + 1].newRun);
        if (run.size() == 1 && alone) {
            painter->drawEllipse(run.front(), kDotRadius, kDotRadius);
        } else if (run.size() > 1) {
            painter->drawPolyline(run);
        }
        run.clear();
        runStart = runEnd;
    };
    for (std::size_t i = lo; i < hi; ++i) {
        if (points[i].newRun && i > lo) draw(i);
        run.append({X(points[i].time), area_.bottom() - (points[i].value - low) * yScale});
    }
    if (!run.isEmpty()) draw(hi);
}

}  // namespace ql50
