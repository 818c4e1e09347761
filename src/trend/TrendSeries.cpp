#include "trend/TrendSeries.h"

#include <algorithm>
#include <cmath>

namespace ql50 {
namespace {

// The samples of one pixel column that survive thinning, by index.
struct Column {
    std::int64_t number = 0;
    std::size_t first = 0, min = 0, max = 0, last = 0;
    bool newRun = false;
};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Thins the samples [lo, hi) into `points`; `columnOf` gives the pixel column of a time.
// `valueBefore`: a value came before lo in the same thinning, and `missing`: values were missing
// since it.
template <class ColumnOf>
void ThinRange(const std::deque<TrendSample>& samples, std::size_t lo, std::size_t hi,
               ColumnOf columnOf, bool valueBefore, bool missing, std::vector<TrendPoint>& points) {
    const auto emit = [&](const Column& c) {
        std::size_t picked[] = {c.first, c.min, c.max, c.last};
        std::sort(std::begin(picked), std::end(picked));
        const auto end = std::unique(std::begin(picked), std::end(picked));
        for (auto* i = std::begin(picked); i != end; ++i)
            points.push_back(
                {samples[*i].time, double(samples[*i].value), i == std::begin(picked) && c.newRun});
    };
    Column column;
    bool open = false;  // a column of this call
    for (std::size_t i = lo; i < hi; ++i) {
        const float v = samples[i].value;
        if (!std::isfinite(v)) {
            missing = true;
            continue;
        }
        const std::int64_t number = columnOf(samples[i].time);
        if (open && number == column.number) {
            if (v < samples[column.min].value) column.min = i;
            if (v > samples[column.max].value) column.max = i;
            column.last = i;
        } else {
            if (open) emit(column);
            column = {number, i, i, i, i, missing || !(open || valueBefore)};
            open = true;
        }
        missing = false;
    }
    if (open) emit(column);
}

}  // namespace

std::int64_t TrendGrid::Column(TrendTime time) const {
    return FloorDiv(time * columns, span);
}

std::int64_t TrendGrid::EndAt(TrendTime time) const {
    return -FloorDiv(-time * columns, span);
}

void TrendSeries::Append(TrendTime time, float value) {
    if (!samples_.empty()) time = std::max(time, samples_.back().time);
    samples_.push_back({time, value});
}

void TrendSeries::DropBefore(TrendTime time) {
    while (samples_.size() >= 2 && samples_[1].time < time) samples_.pop_front();
}

std::vector<TrendPoint> TrendSeries::Thin(TrendTime from, TrendTime to, int columns) const {
    std::vector<TrendPoint> points;
    if (samples_.empty() || to <= from || columns < 1) return points;
    const auto byTime = [](const TrendSample& s, TrendTime t) { return s.time < t; };
    auto lo = std::size_t(std::lower_bound(samples_.begin(), samples_.end(), from, byTime) -
                          samples_.begin());
    auto hi = std::size_t(std::lower_bound(samples_.begin(), samples_.end(), to + 1, byTime) -
                          samples_.begin());
    if (lo > 0) --lo;
    if (hi < samples_.size()) ++hi;
    const auto column = [&](TrendTime t) { return FloorDiv((t - from) * columns, to - from); };
    ThinRange(samples_, lo, hi, column, false, false, points);
    return points;
}

std::vector<TrendPoint> TrendSeries::Thin(const TrendGrid& grid, std::int64_t end) const {
    std::vector<TrendPoint> points;
    if (samples_.empty() || grid.columns < 1 || grid.span < 1) return points;
    std::size_t lo = FirstAt(grid, end - grid.columns);
    std::size_t hi = FirstAfter(grid, end);
    if (lo > 0) --lo;
    if (hi < samples_.size()) ++hi;
    ThinRange(
        samples_, lo, hi, [&](TrendTime t) { return grid.Column(t); }, false, false, points);
    return points;
}

void TrendSeries::ThinTail(const TrendGrid& grid, std::int64_t first, std::int64_t end,
                           std::vector<TrendPoint>& points) const {
    if (samples_.empty() || grid.columns < 1 || grid.span < 1) return;
    const std::size_t window = FirstAt(grid, end - grid.columns);
    const std::size_t lo = std::max(window, FirstAt(grid, first));
    std::size_t hi = FirstAfter(grid, end);
    if (hi < samples_.size()) ++hi;
    // What Thin knows when it gets there: whether a value came before, from the sample before
    // the window on, and whether values were missing since the last one.
    const std::size_t start = window > 0 ? window - 1 : 0;
    bool valueBefore = false, missing = false;
    for (std::size_t i = lo; i > start && !valueBefore; --i) {
        valueBefore = std::isfinite(samples_[i - 1].value);
        missing = missing || !valueBefore;
    }
    ThinRange(
        samples_, lo, hi, [&](TrendTime t) { return grid.Column(t); }, valueBefore, missing,
        points);
}

std::optional<std::size_t> TrendSeries::Before(const TrendGrid& grid, std::int64_t end) const {
    const std::size_t window = FirstAt(grid, end - grid.columns);
    if (window == 0) return std::nullopt;
    return window - 1;
}

std::size_t TrendSeries::FirstAt(const TrendGrid& grid, std::int64_t column) const {
    const auto before = [&](const TrendSample& s) { return grid.Column(s.time) < column; };
    return std::size_t(std::partition_point(samples_.begin(), samples_.end(), before) -
                       samples_.begin());
}

// The first sample after the time column `end` starts at.
std::size_t TrendSeries::FirstAfter(const TrendGrid& grid, std::int64_t end) const {
    const auto notAfter = [&](const TrendSample& s) {
        return s.time * grid.columns <= end * grid.span;
    };
    return std::size_t(std::partition_point(samples_.begin(), samples_.end(), notAfter) -
                       samples_.begin());
}

}  // namespace ql50
