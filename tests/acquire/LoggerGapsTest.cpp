// Which logger records fill a gap: inside it only, on this computer's clock, oldest first.
#include <gtest/gtest.h>

#include "acquire/LoggerGaps.h"

namespace ql50::acquire {
namespace {

LoggerRecord At(int hour, int minute) {
    return {1, 3, 24, std::uint8_t(hour), std::uint8_t(minute), 50, 0, 1, 20, 0xFF};
}

TEST(LoggerGaps, TakesTheRecordsStrictlyInsideAGapOnThisComputersClock) {
    const std::int64_t t1000 = *LocalTimeMs(2024, 3, 1, 10, 0, 0);
    const std::int64_t minute = 60'000;
    // The module's clock runs two minutes ahead (and 20 s, which the minute rounding drops).
    const std::int64_t offset = ClockOffsetMs(t1000 + 2 * minute + 20'000, t1000);
    EXPECT_EQ(offset, 2 * minute);
    const std::vector<store::Store::Gap> gaps{{t1000, t1000 + 3 * minute}};
    LoggerRecord broken = At(10, 3);
    broken[1] = 13;  // no such month
    const auto inside = RecordsInGaps(
        {At(10, 5), At(10, 2), At(10, 3), broken, At(10, 4), At(10, 6)}, gaps, offset);
    ASSERT_EQ(inside.size(), 2u);  // 10:02 and 10:05 are its ends: stored by the live polls
    EXPECT_EQ(inside[0].first, t1000 + minute);
    EXPECT_EQ(inside[1].first, t1000 + 2 * minute);
}

}  // namespace
}  // namespace ql50::acquire
