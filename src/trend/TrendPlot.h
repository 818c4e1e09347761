#pragma once
// The lines of the trend chart, drawn into the chart's plot area. The chart's own line series
// join every point to the next; a trend must break where values are missing, so the chart keeps
// its axes, grid and legend and this item draws the thinned runs against those axes.
#include <QColor>
#include <QGraphicsItem>
#include <vector>

#include "trend/TrendModel.h"

class QChart;
class QValueAxis;

namespace ql50 {

class TrendPlot : public QGraphicsItem {
public:
    // The points stay with their owner (the window's thinning), which keeps them while shown.
    struct Line {
        QColor color;
        const QValueAxis* axis;
        const std::vector<TrendPoint>* points;
    };

    explicit TrendPlot(QChart* chart);

    // The lines against the window [from, to] (milliseconds since the epoch, not always whole).
    void SetLines(std::vector<Line> lines, double from, double to);
    // The same window and axes: each line's points from firstChanged[i] on are new. Only the
    // plot from the point before the earliest of them to the right edge is drawn again.
    void SetNewestPoints(std::vector<Line> lines, const std::vector<std::size_t>& firstChanged);
    const std::vector<Line>& lines() const { return lines_; }
    bool Shows(double from, double to) const { return from == from_ && to == to_; }
    // The plot area moved or changed size (the axes' labels need another width).
    void PlotAreaChanged();

    QRectF boundingRect() const override { return area_; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    double X(TrendTime time) const;
    void PaintLine(QPainter* painter, const Line& line, double left, double right) const;

    QChart* chart_;
    QRectF area_;
    std::vector<Line> lines_;
    double from_ = 0;
    double to_ = 1;
};

}  // namespace ql50
