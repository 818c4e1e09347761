#pragma once
// The range of a value axis of the trend chart, worked out away from the chart so that the chart
// is touched only when what an axis shows changes: the values shown with a margin, at least ten
// steps of the last decimal the main window shows, and rounded outwards to ticks 1, 2 or 5 times
// a power of ten apart, as the chart's value axes round a range.
namespace ql50 {

struct TrendScale {
    double min = 0;
    double max = 0;
    int ticks = 0;
    int labelDecimals = 0;  // what the tick step needs
    bool operator==(const TrendScale&) const = default;
};

// `low` and `high`: the smallest and largest value shown (low > high: none); `decimals`: those
// the main window shows the values with. The rounding starts from `ticks`, the axis's ticks so
// far, and may end with another number of them.
TrendScale ScaleTrendAxis(double low, double high, int decimals, int ticks);

}  // namespace ql50
