// A window of the trend as CSV: the header of the type's channels, one line per poll period
// inside the window, empty cells for missing values.
#include <gtest/gtest.h>

#include <limits>
#include <regex>

#include "trend/TrendCsv.h"

namespace ql50 {
namespace {

std::vector<std::string> Lines(const std::string& csv) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < csv.size();) {
        const std::size_t end = csv.find("\r\n", at);
        lines.push_back(csv.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST(TrendCsv, WindowOfPollsWithEmptyCellsForMissingValues) {
    constexpr TrendTime t0 = 1'767'225'600'000;
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    TrendModel m;
    EXPECT_EQ(TrendCsv(m, {t0, t0}, 1), "");
    m.Begin(1);                               // Redox: two channels and the temperature
    m.Append(t0 - 2000, {1, 2, 0, 0, 0, 3});  // before the window
    m.Append(t0, {230.4f, 437.f, 0, 0, 0, 19.96f});
    m.AppendGap(t0 + 2000);
    m.Append(t0 + 4000, {231.f, kNaN, 0, 0, 0, 20.04f});
    m.Append(t0 + 6000, {1, 2, 0, 0, 0, 3});  // after it
    const std::vector<std::string> lines = Lines(TrendCsv(m, {t0, t0 + 4000}, 1));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0],
              "time,Redox value [mV],Redox value [mV H],temperature [\xC2\xB0"
              "C]");
    const std::string stamp = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)";
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(stamp + ",230,437,20.0"))) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(stamp + ",,,"))) << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(stamp + ",231,,20.0"))) << lines[3];
}

}  // namespace
}  // namespace ql50
