#include "trend/TrendThinning.h"

#include <algorithm>
#include <cmath>

namespace ql50 {

const std::vector<TrendPoint>& TrendThinning::Update(const TrendSeries& series,
                                                     std::uint64_t history, const TrendGrid& grid,
                                                     std::int64_t end) {
    if (kept_ && grid == grid_ && history == history_ && end >= end_) {
        Extend(series, grid, end);
    } else {
        points_ = series.Thin(grid, end);
        firstChanged_ = 0;
    }
    grid_ = grid;
    end_ = end;
    history_ = history;
    kept_ = series.empty() || series[series.size() - 1].time * grid.columns <= end * grid.span;
    return points_;
}

void TrendThinning::Extend(const TrendSeries& series, const TrendGrid& grid, std::int64_t end) {
    const auto columnBelow = [&](std::int64_t column) {
        return [&grid, column](const TrendPoint& p) { return grid.Column(p.time) < column; };
    };
    // When the window moved, the sample before it and the columns that left it go. The newest
    // column that had values is thinned again with those after it, as it may have taken values
    // since.
    const std::int64_t first = end - grid.columns;
    const bool moved = end != end_;
    const auto inWindow = std::partition_point(points_.begin(), points_.end(), columnBelow(first));
    const std::int64_t redo = inWindow == points_.end() ? first : grid.Column(points_.back().time);
    points_.erase(std::partition_point(inWindow, points_.end(), columnBelow(redo)), points_.end());
    if (moved) points_.erase(points_.begin(), inWindow);
    firstChanged_ = moved ? 0 : points_.size();
    series.ThinTail(grid, redo, end, points_);
    if (moved) TakeSampleBefore(series, grid, end);
}

// The line that enters the window comes from the sample before it. The first point inside
// keeps whether it starts a run: when no value comes before it in the window, values are
// missing before it or it is the series' first, so it started one already.
void TrendThinning::TakeSampleBefore(const TrendSeries& series, const TrendGrid& grid,
                                     std::int64_t end) {
    const auto before = series.Before(grid, end);
    if (!before || !std::isfinite(series[*before].value)) return;
    const TrendSample& s = series[*before];
    points_.insert(points_.begin(), TrendPoint{s.time, double(s.value), true});
}

}  // namespace ql50
