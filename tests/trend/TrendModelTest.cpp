// The trend's model: one sample per channel and poll, gaps that break the lines, the time
// window of a range, and thinning to pixel columns that keeps every column's extremes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "trend/TrendModel.h"
#include "trend/TrendThinning.h"

namespace ql50 {

// "|" before a point that starts a run, then its time after the start of the tests and value.
void PrintTo(const TrendPoint& p, std::ostream* out) {
    *out << (p.newRun ? "|" : "") << (p.time - 1'767'225'600'000) << ":" << p.value;
}

namespace {

constexpr TrendTime kStart = 1'767'225'600'000;  // 2026-01-01 00:00 UTC
constexpr TrendTime kPoll = 2000;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TrendValues Values(float v) {
    return {v, v + 10, v + 20, v + 30, v + 40, v + 50};
}

// The values of the points, one list per run of joined points.
std::vector<std::vector<double>> Runs(const std::vector<TrendPoint>& points) {
    std::vector<std::vector<double>> runs;
    for (const TrendPoint& p : points) {
        if (p.newRun || runs.empty()) runs.emplace_back();
        runs.back().push_back(p.value);
    }
    return runs;
}

TEST(TrendModel, MissingValuesBreakTheLinesOfTheirChannels) {
    TrendModel m;
    m.Begin(7);
    m.Append(kStart, Values(1));
    m.Append(kStart + kPoll, Values(2));
    m.AppendGap(kStart + 2 * kPoll);  // a poll period without replies
    m.Append(kStart + 3 * kPoll, Values(4));
    TrendValues noNumber = Values(5);
    noNumber[1] = kNaN;  // the module sent no number for channel 2
    m.Append(kStart + 4 * kPoll, noNumber);
    m.Append(kStart + 5 * kPoll, Values(6));
    for (std::size_t c = 0; c < kTrendChannels; ++c) EXPECT_EQ(m.channel(c).size(), 6u);
    const TrendTime end = kStart + 5 * kPoll;
    using Expected = std::vector<std::vector<double>>;
    EXPECT_EQ(Runs(m.channel(0).Thin(kStart, end, 1000)), (Expected{{1, 2}, {4, 5, 6}}));
    EXPECT_EQ(Runs(m.channel(1).Thin(kStart, end, 1000)), (Expected{{11, 12}, {14}, {16}}));
    // A break narrower than a pixel column cannot be seen; one between columns must be.
    EXPECT_EQ(Runs(m.channel(0).Thin(kStart, end, 2)).size(), 2u);
    EXPECT_EQ(Runs(m.channel(0).Thin(kStart, end, 1)).size(), 1u);
}

// 24 hours at a 2-s poll drawn 800 pixels wide: every column keeps its first, last, smallest
// and largest sample.
TEST(TrendModel, ThinningKeepsFirstLastAndExtremesOfEveryColumn) {
    TrendModel m;
    m.Begin(7);
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.f, 1.f);
    const TrendTime span = kTrendRanges.back(), end = kStart + span;
    float level = 50.f;
    for (TrendTime t = kStart; t <= end; t += kPoll) {
        level += noise(random);
        m.Append(t, Values(level + 5 * noise(random)));
    }
    const int columns = 800;
    const std::vector<TrendPoint> thin = m.channel(0).Thin(kStart, end, columns);
    EXPECT_LE(thin.size(), std::size_t(4 * columns));
    const auto column = [&](TrendTime t) { return (t - kStart) * columns / span; };
    std::map<TrendTime, std::vector<TrendSample>> raw;  // by column
    for (std::size_t i = 0; i < m.channel(0).size(); ++i)
        raw[column(m.channel(0)[i].time)].push_back(m.channel(0)[i]);
    std::set<std::pair<TrendTime, double>> drawn;
    for (const TrendPoint& p : thin) drawn.insert({p.time, p.value});
    const auto byValue = [](const TrendSample& a, const TrendSample& b) {
        return a.value < b.value;
    };
    for (const auto& [col, samples] : raw) {
        for (const TrendSample& s : {samples.front(), samples.back(),
                                     *std::min_element(samples.begin(), samples.end(), byValue),
                                     *std::max_element(samples.begin(), samples.end(), byValue)})
            EXPECT_TRUE(drawn.contains({s.time, double(s.value)})) << col;
    }
}

// A thinning kept from poll to poll has the points of the whole window thinned anew at every
// poll: through gaps, equal times (a clock set back), long pauses that move the window by many
// columns, and windows that samples have passed (the chart paused). Where a window starts and
// ends on whole milliseconds, these are the points of Thin(from, to, columns).
TEST(TrendModel, KeptThinningEqualsThinningTheWholeWindow) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> dice(0, 99);
    for (const TrendGrid grid :
         {TrendGrid{600'000, 560}, TrendGrid{86'400'000, 800}, TrendGrid{60'000, 7}}) {
        TrendSeries series;
        TrendThinning kept;
        TrendTime t = kStart;
        bool silent = false;
        for (int poll = 0; poll < 4000; ++poll) {
            const int roll = dice(random);
            t += roll < 3 ? 0 : roll < 5 ? 40 * kPoll + roll : roll < 6 ? grid.span / 3 : kPoll;
            silent = roll < 8 ? !silent : silent;
            series.Append(t, silent || roll % 13 == 0 ? kNaN : float(roll % 17));
            series.DropBefore(t - kTrendHistory);
            std::int64_t end = grid.EndAt(t);
            // Paused a while ago, on a window that the history still holds.
            if (poll % 300 == 299 && grid.Start(end - 3 - grid.columns) > double(t - kTrendHistory))
                end -= 3;
            const std::vector<TrendPoint> whole = series.Thin(grid, end);
            ASSERT_EQ(kept.Update(series, 1, grid, end), whole) << grid.columns << " " << poll;
            const double from = grid.Start(end - grid.columns);
            if (from == std::floor(from)) {
                ASSERT_EQ(whole,
                          series.Thin(TrendTime(from), TrendTime(from) + grid.span, grid.columns));
            }
        }
    }
}

TEST(TrendModel, RangesEndAtTheNewestSampleAndHistoryKeeps24Hours) {
    TrendModel m;
    m.Begin(7);
    EXPECT_EQ(m.Latest(kTrendRanges[0], kStart).to, kStart);  // nothing yet: up to now
    const TrendTime end = kStart + 2 * kTrendHistory;
    for (TrendTime t = kStart; t <= end; t += kPoll) m.Append(t, Values(1));
    m.Append(end - 5000, Values(2));  // the clock was set back: counts as the newest time
    for (const TrendTime span : kTrendRanges) {
        const TrendWindow w = m.Latest(span, 0);
        EXPECT_EQ(w.to, end);
        std::size_t inside = 0;
        for (const TrendPoint& p : m.channel(0).Thin(w.from, w.to, 1'000'000))
            inside += p.time >= w.from && p.time <= w.to;
        EXPECT_EQ(inside, std::size_t(span / kPoll + 2)) << span;
    }
    // One sample before the 24 hours stays, for the line that enters the window.
    EXPECT_EQ(m.channel(0).size(), std::size_t(kTrendHistory / kPoll + 3));
}

// The same type again keeps the history (the stop's gap included); another starts it anew.
TEST(TrendModel, AnotherModuleTypeStartsTheHistoryAnew) {
    TrendModel m;
    m.Begin(7);
    m.Append(kStart, Values(1));
    m.AppendGap(kStart + kPoll);
    m.Begin(7);
    EXPECT_EQ(m.channel(0).size(), 2u);
    m.Begin(0);
    EXPECT_TRUE(m.channel(0).empty() && !m.Newest());
}

// The channels are those the type labels, the temperature last (the CSV test shows the names).
TEST(TrendModel, ChannelsAreThoseTheTypeLabels) {
    EXPECT_EQ(TrendChannels(7, 1).size(), 6u);
    EXPECT_EQ(TrendChannels(6, 0).size(), 2u);
    EXPECT_EQ(TrendChannels(6, 0).back().label, "Temperatur");
    EXPECT_EQ(TrendChannels(6, 0).back().index, 5u);
    EXPECT_TRUE(TrendChannels(-1, 0).empty());
}

}  // namespace
}  // namespace ql50
