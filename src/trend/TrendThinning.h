#pragma once
// The thinned points of one channel, kept from poll to poll while the window moves on by whole
// pixel columns: a poll recomputes only the newest column that had values and those after it,
// drops the columns that left the window and takes the sample before the window anew. The rest
// of the points stay as they were.
#include <cstdint>
#include <vector>

#include "trend/TrendSeries.h"

namespace ql50 {

class TrendThinning {
public:
    // The points of the window of `grid` that ends at column `end`, equal to
    // series.Thin(grid, end), as long as the series keeps its samples from the window's start on
    // (the model keeps the longest range). `history` names the series' history: another one (the
    // series was started anew) thins it all again, as does another grid, an earlier end or a
    // window that some sample had passed.
    const std::vector<TrendPoint>& Update(const TrendSeries& series, std::uint64_t history,
                                          const TrendGrid& grid, std::int64_t end);
    const std::vector<TrendPoint>& points() const { return points_; }
    // The points from this index on are new since the Update before (all of them when the
    // window moved or was thinned anew); the point before it is joined to them by a new line.
    // Those before it stayed as they were.
    std::size_t firstChanged() const { return firstChanged_; }

private:
    void Extend(const TrendSeries& series, const TrendGrid& grid, std::int64_t end);
    void TakeSampleBefore(const TrendSeries& series, const TrendGrid& grid, std::int64_t end);

    std::vector<TrendPoint> points_;
    TrendGrid grid_;
    std::int64_t end_ = 0;
    std::uint64_t history_ = 0;
    bool kept_ = false;  // points_ may be extended: no sample was past the window's end
    std::size_t firstChanged_ = 0;
};

}  // namespace ql50
