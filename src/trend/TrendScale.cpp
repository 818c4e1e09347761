#include "trend/TrendScale.h"

#include <algorithm>
#include <cmath>

namespace ql50 {
namespace {

// The smallest span of a value axis: ten steps of the last decimal the main window shows, so
// noise below what the window shows does not fill the whole height.
double MinimumSpan(int decimals) {
    return std::pow(10.0, 1 - decimals);
}

// 1, 2 or 5 times a power of ten: at least `x` (ceiling) or the nearest one.
double NiceNumber(double x, bool ceiling) {
    const double z = std::pow(10.0, double(int(std::floor(std::log10(x)))));
    double q = x / z;
    if (ceiling) {
        q = q <= 1.0 ? 1 : q <= 2.0 ? 2 : q <= 5.0 ? 5 : 10;
    } else {
        q = q < 1.5 ? 1 : q < 3.0 ? 2 : q < 7.0 ? 5 : 10;
    }
    return q * z;
}

// Digits after the point that a tick step needs.
int StepDecimals(double step) {
    for (int d = 0; d < 6; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (std::abs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled)) return d;
    }
    return 6;
}

}  // namespace

TrendScale ScaleTrendAxis(double low, double high, int decimals, int ticks) {
    if (low > high) low = high = 0;  // nothing in the window
    const double missing = MinimumSpan(decimals) - (high - low);
    if (missing > 0) low -= missing / 2, high += missing / 2;
    // A margin keeps the extremes off the plot's edges.
    const double margin = (high - low) * 0.05;
    double min = low - margin, max = high + margin;
    // Round outwards to a nice step for about as many ticks as before (an axis needs two).
    const double step = NiceNumber(NiceNumber(max - min, true) / (ticks - 1), false);
    min = double(int(std::floor(min / step)));
    max = double(int(std::ceil(max / step)));
    const int niceTicks = int(max - min) + 1;
    TrendScale scale{min * step, max * step, niceTicks >= 2 ? niceTicks : ticks, 0};
    scale.labelDecimals = StepDecimals((scale.max - scale.min) / (scale.ticks - 1));
    return scale;
}

}  // namespace ql50
