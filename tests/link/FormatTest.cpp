// Locale-independent number formatting: must print exactly what C-locale printf prints.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "link/Format.h"

namespace ql50 {
namespace {

// The reference: glibc's own "%.*f". The test process never changes its locale from "C".
std::string CFormat(double value, int decimals) {
    static char buffer[4096];
    const int length = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (length < 0 || std::size_t(length) >= sizeof buffer) return "(too long)";
    return std::string(buffer, std::size_t(length));
}

struct FixedCase {
    double value;
    int decimals;
    const char* expected;
};

// Ordinary values are left to the random values below.
TEST(FormatFixed, MatchesCLocalePrintf) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    for (const FixedCase& c :
         {// Negative zero and negative values that round to zero keep their sign.
          FixedCase{-0.0, 1, "-0.0"}, FixedCase{-0.04, 1, "-0.0"},
          // Exact binary ties round to the even digit.
          FixedCase{0.125, 2, "0.12"}, FixedCase{3.5, 0, "4"}, FixedCase{2.5, 0, "2"},
          // A negative precision means the default of six digits.
          FixedCase{3.14159265, -1, "3.141593"}, FixedCase{-kInf, 0, "-inf"},
          FixedCase{kNaN, 1, "nan"}, FixedCase{-kNaN, 1, "-nan"}}) {
        EXPECT_EQ(FormatFixed(c.value, c.decimals), c.expected) << c.value << " " << c.decimals;
        EXPECT_EQ(FormatFixed(c.value, c.decimals), CFormat(c.value, c.decimals));
    }
}

TEST(FormatFixed, ExtremesMatchPrintfAndAbsurdPrecisionIsCut) {
    for (const double value : {DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, double(FLT_MAX)}) {
        for (const int decimals : {0, 1, 17, 400, 1074})
            EXPECT_EQ(FormatFixed(value, decimals), CFormat(value, decimals)) << value << decimals;
    }
    EXPECT_EQ(FormatFixed(1.5, INT_MAX), CFormat(1.5, kMaxFixedDecimals));
    EXPECT_EQ(FormatFixed(1.5, INT_MAX).size(), std::size_t(2 + kMaxFixedDecimals));
}

TEST(FormatFixed, RandomValuesMatchPrintf) {
    std::mt19937_64 random(20050305);
    std::uniform_int_distribution<int> exponent(-12, 25);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> decimals(0, 20);
    for (int i = 0; i < 20000; ++i) {
        const double value = mantissa(random) * std::pow(10.0, exponent(random));
        const int places = decimals(random);
        ASSERT_EQ(FormatFixed(value, places), CFormat(value, places)) << value << " " << places;
        const float single = float(value);
        ASSERT_EQ(FormatFixed(single, places), CFormat(single, places)) << single << " " << places;
    }
}

TEST(FormatUnsigned, PadsLikePrintfZeroFlag) {
    EXPECT_EQ(FormatUnsigned(5, 2), "05");
    EXPECT_EQ(FormatUnsigned(255, 2), "255");
    EXPECT_EQ(FormatUnsigned(7, -3), "7");
    EXPECT_EQ(FormatUnsigned(UINT_MAX, 1), "4294967295");
    EXPECT_EQ(FormatUnsigned(1, INT_MAX).size(), 64u);
}

TEST(WithDecimalComma, ReplacesEveryPoint) {
    EXPECT_EQ(WithDecimalComma("98.5\t7.25\t21.0\t\n"), "98,5\t7,25\t21,0\t\n");
    EXPECT_EQ(WithDecimalComma("no digits"), "no digits");
}

}  // namespace
}  // namespace ql50
