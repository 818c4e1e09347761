#include "trend/TrendPlot.h"

#include <QChart>
#include <QPainter>
#include <QPolygonF>
#include <QValueAxis>

namespace ql50 {
namespace {

// Above the chart's grid and axes, where its own series would be, below its legend.
constexpr qreal kPlotZ = 4.5;
// One-pixel lines: the painter draws them directly, where any wider line goes through its
// stroker, which costs several times more for the thousands of points of a long range.
constexpr qreal kDotRadius = 2.0;

}  // namespace

TrendPlot::TrendPlot(QChart* chart) : QGraphicsItem(chart), chart_(chart) {
    setZValue(kPlotZ);
    area_ = chart_->plotArea();
}

void TrendPlot::SetLines(std::vector<Line> lines, double from, double to) {
    lines_ = std::move(lines);
    from_ = from;
    to_ = to;
    update();
}

void TrendPlot::PlotAreaChanged() {
    prepareGeometryChange();
    area_ = chart_->plotArea();
    update();
}

void TrendPlot::paint(QPainter* painter, const QStyleOptionGraphicsItem* /*option*/,
                      QWidget* /*widget*/) {
    const double span = to_ - from_;
    if (area_.isEmpty() || span <= 0) return;
    painter->save();
    painter->setClipRect(area_);
    painter->setRenderHint(QPainter::Antialiasing);
    const double xScale = area_.width() / span;
    QPolygonF run;
    for (const Line& line : lines_) {
        const double low = line.axis->min();
        const double yScale = area_.height() / std::max(line.axis->max() - low, 1e-12);
        QPen pen(line.color, 1);
        pen.setCosmetic(true);
        painter->setPen(pen);
        painter->setBrush(line.color);
        // A run of one point is a value with missing ones on both sides: a dot, not a line.
        const auto draw = [&] {
            if (run.size() == 1) {
                painter->drawEllipse(run.front(), kDotRadius, kDotRadius);
            } else if (run.size() > 1) {
                painter->drawPolyline(run);
            }
            run.clear();
        };
        for (const TrendPoint& p : line.points) {
            if (p.newRun) draw();
            run.append({area_.left() + (double(p.time) - from_) * xScale,
                        area_.bottom() - (p.value - low) * yScale});
        }
        draw();
    }
    painter->restore();
}

}  // namespace ql50
