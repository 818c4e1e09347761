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

TEST(FormatFixed, MatchesCLocalePrintf) {
    for (const FixedCase& c :
         {FixedCase{7.0f, 2, "7.00"}, FixedCase{98.5f, 1, "98.5"}, FixedCase{1234.0, 0, "1234"},
          FixedCase{-12.345, 1, "-12.3"}, FixedCase{0.0, 1, "0.0"}, FixedCase{0.0, 0, "0"},
          // Negative zero and negative values that round to zero keep their sign.
          FixedCase{-0.0, 1, "-0.0"}, FixedCase{-0.04, 1, "-0.0"}, FixedCase{-0.4, 0, "-0"},
          // Exact binary ties round to the even digit; near-ties follow the binary value.
          FixedCase{0.125, 2, "0.12"}, FixedCase{0.375, 2, "0.38"}, FixedCase{2.5, 0, "2"},
          FixedCase{3.5, 0, "4"}, FixedCase{21.25f, 1, "21.2"}, FixedCase{1.005, 2, "1.00"},
          FixedCase{0.05, 1, "0.1"}, FixedCase{9.995, 2, "9.99"}, FixedCase{99.96, 1, "100.0"},
          // A float widened to double shows its binary value.
          FixedCase{0.1f, 10, "0.1000000015"}, FixedCase{0.0999984741f, 2, "0.10"},
          FixedCase{1e20, 2, "100000000000000000000.00"}, FixedCase{1e-7, 6, "0.000000"},
          FixedCase{5e-7, 6, "0.000000"}, FixedCase{5.000001e-7, 6, "0.000001"},
          // A negative precision means the default of six digits.
          FixedCase{3.14159265, -1, "3.141593"},
          FixedCase{std::numeric_limits<double>::infinity(), 2, "inf"},
          FixedCase{-std::numeric_limits<double>::infinity(), 0, "-inf"},
          FixedCase{std::numeric_limits<double>::quiet_NaN(), 1, "nan"},
          FixedCase{-std::numeric_limits<double>::quiet_NaN(), 1, "-nan"}}) {
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
    struct Case {
        unsigned value;
        int width;
        const char* expected;
    };
    for (const Case& c :
         {Case{5, 2, "05"}, Case{0, 2, "00"}, Case{59, 2, "59"}, Case{255, 2, "255"},
          Case{7, 1, "7"}, Case{7, 0, "7"}, Case{7, -3, "7"}, Case{UINT_MAX, 1, "4294967295"}}) {
        EXPECT_EQ(FormatUnsigned(c.value, c.width), c.expected) << c.value << " " << c.width;
    }
    EXPECT_EQ(FormatUnsigned(1, INT_MAX).size(), 64u);
}

TEST(WithDecimalComma, ReplacesEveryPoint) {
    EXPECT_EQ(WithDecimalComma("98.5\t7.25\t21.0\t\n"), "98,5\t7,25\t21,0\t\n");
    EXPECT_EQ(WithDecimalComma("no digits"), "no digits");
}

}  // namespace
}  // namespace ql50
