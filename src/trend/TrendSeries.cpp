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

}  // namespace

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

    const auto emit = [&](const Column& c) {
        std::size_t picked[] = {c.first, c.min, c.max, c.last};
        std::sort(std::begin(picked), std::end(picked));
        const auto end = std::unique(std::begin(picked), std::end(picked));
        for (auto* i = std::begin(picked); i != end; ++i)
            points.push_back({samples_[*i].time, double(samples_[*i].value),
                              i == std::begin(picked) && c.newRun});
    };
    Column column;
    bool open = false;
    bool missing = false;  // a missing value since the last value
    for (std::size_t i = lo; i < hi; ++i) {
        const float v = samples_[i].value;
        if (!std::isfinite(v)) {
            missing = true;
            continue;
        }
        const std::int64_t number = FloorDiv((samples_[i].time - from) * columns, to - from);
        if (open && number == column.number) {
            if (v < samples_[column.min].value) column.min = i;
            if (v > samples_[column.max].value) column.max = i;
            column.last = i;
        } else {
            if (open) emit(column);
            column = {number, i, i, i, i, missing || !open};
            open = true;
        }
        missing = false;
    }
    if (open) emit(column);
    return points;
}

}  // namespace ql50
