// The range of a value axis: the values shown with a margin and at least ten steps of the
// channel's last decimal, rounded outwards to ticks 1, 2 or 5 times a power of ten apart,
// starting from the ticks the axis had.
#include <gtest/gtest.h>

#include <cmath>

#include "trend/TrendScale.h"

namespace ql50 {
namespace {

TEST(TrendScale, RoundsTheShownValuesOutwardsToNiceTicks) {
    const struct {
        double low, high;
        int decimals, ticks;
        TrendScale expected;
    } cases[] = {
        {91.7, 98.3, 1, 6, {90, 100, 6, 0}},
        {91.7, 98.3, 1, 11, {91, 99, 9, 0}},         // more ticks before: a finer step
        {HUGE_VAL, -HUGE_VAL, 1, 6, {-1, 1, 5, 1}},  // nothing shown: one unit around zero
        {8.231, 8.236, 2, 6, {8.15, 8.3, 4, 2}},     // noise: ten steps of 0.01 at least
    };
    for (const auto& c : cases) {
        const TrendScale s = ScaleTrendAxis(c.low, c.high, c.decimals, c.ticks);
        EXPECT_DOUBLE_EQ(s.min, c.expected.min) << c.low;
        EXPECT_DOUBLE_EQ(s.max, c.expected.max) << c.low;
        EXPECT_EQ(s.ticks, c.expected.ticks) << c.low;
        EXPECT_EQ(s.labelDecimals, c.expected.labelDecimals) << c.low;
    }
}

}  // namespace
}  // namespace ql50
