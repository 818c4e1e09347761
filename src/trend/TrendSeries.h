#pragma once
// One live channel over time: a value for every completed poll cycle, and no value (NaN) where
// a poll period brought none (the module silent, a reply lost, the line gone, the measurement
// stopped) or the module reported something that is no number. A chart draws it as lines that
// break at every missing value, thinned to what its pixel columns can show.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace ql50 {

// Milliseconds since 1970-01-01 00:00 UTC.
using TrendTime = std::int64_t;

struct TrendSample {
    TrendTime time;
    float value;  // NaN: no value at this time
};

// A point to draw. `newRun` starts a new line: it is the first point, or values were missing
// between it and the point before.
struct TrendPoint {
    TrendTime time;
    double value;
    bool newRun;
    bool operator==(const TrendPoint&) const = default;
};

// The pixel columns of a time range `span` drawn `columns` pixels wide, laid out from the start
// of the epoch: column c covers [c * span / columns, (c + 1) * span / columns). A window that
// moves on by whole columns keeps the columns it had.
struct TrendGrid {
    TrendTime span = 1;
    int columns = 1;

    std::int64_t Column(TrendTime time) const;
    // The time column c starts at (milliseconds, not always whole ones).
    double Start(std::int64_t column) const { return double(column) * double(span) / columns; }
    // The first column that starts at or after `time`: the end of the window that shows it.
    std::int64_t EndAt(TrendTime time) const;
    bool operator==(const TrendGrid&) const = default;
};

class TrendSeries {
public:
    // Times never go back: an earlier time (the clock was set back) counts as the newest one.
    void Append(TrendTime time, float value);
    // Forgets samples older than `time` except the last of them, from which a line still
    // enters a window that starts at `time`.
    void DropBefore(TrendTime time);
    void Clear() { samples_.clear(); }

    bool empty() const { return samples_.empty(); }
    std::size_t size() const { return samples_.size(); }
    const TrendSample& operator[](std::size_t i) const { return samples_[i]; }

    // The points of [from, to] for a plot `columns` pixel columns wide: of the values in each
    // column the first, the smallest, the largest and the last, in time order, so every extreme
    // stays visible and the lines between columns run as those of the raw values would. One
    // sample on either side of the window comes along, so lines run on to its edges. A missing
    // value starts a new run with the next value, unless both lie in the same column, where the
    // break would be narrower than a pixel.
    std::vector<TrendPoint> Thin(TrendTime from, TrendTime to, int columns) const;
    // The same for the window of `grid` that ends where column `end` starts: the columns
    // end - columns to end - 1, the samples at its end and one sample on either side. Equal to
    // Thin(from, to, columns) when the window starts and ends on whole milliseconds.
    std::vector<TrendPoint> Thin(const TrendGrid& grid, std::int64_t end) const;

    // The points that the columns from `first` on add to those before them in Thin(grid, end),
    // for a window whose end no sample has passed; appended to `points`. What a kept thinning
    // (TrendThinning) recomputes at a poll.
    void ThinTail(const TrendGrid& grid, std::int64_t first, std::int64_t end,
                  std::vector<TrendPoint>& points) const;
    // The index of the last sample before the window of `grid` ending at `end`, if there is one.
    std::optional<std::size_t> Before(const TrendGrid& grid, std::int64_t end) const;

private:
    std::size_t FirstAt(const TrendGrid& grid, std::int64_t column) const;
    std::size_t FirstAfter(const TrendGrid& grid, std::int64_t end) const;

    std::deque<TrendSample> samples_;
};

}  // namespace ql50
