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
    struct Line {
        QColor color;
        const QValueAxis* axis;
        std::vector<TrendPoint> points;
    };

    explicit TrendPlot(QChart* chart);

    // The lines against the window [from, to] (milliseconds since the epoch, not always whole).
    void SetLines(std::vector<Line> lines, double from, double to);
    const std::vector<Line>& lines() const { return lines_; }
    // The plot area moved or changed size (the axes' labels need another width).
    void PlotAreaChanged();

    QRectF boundingRect() const override { return area_; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QChart* chart_;
    QRectF area_;
    std::vector<Line> lines_;
    double from_ = 0;
    double to_ = 1;
};

}  // namespace ql50
