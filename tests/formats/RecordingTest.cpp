#include <gtest/gtest.h>

#include <limits>

#include "formats/Recording.h"
#include "formats/TextFile.h"
#include "support/Files.h"

namespace ql50 {
namespace {

std::tm At(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
    t.tm_hour = hour, t.tm_min = minute, t.tm_sec = 42;
    return t;
}

// One header for every type, ended by LF; data lines with comma decimals in the oxygen columns'
// order, zeros for values no reply brought yet, lines ended by CR LF.
TEST(RecordingFile, HeaderAndDataLinesInTheColumnOrder) {
    EXPECT_EQ(RecordHeaderLine(),
              "date\ttime\t[%]\t[\xB0"
              "C]\t[nA]\t[hPa]\t[mg/l]\t[hPa]\n");
    CModulDaten m;
    m.moduleType = 7, m.value1 = 98.5f, m.value2 = 9.12f, m.value3 = 150.f, m.value4 = 210.f,
    m.value5 = 1013.f;
    m.temperature = 21.3f;
    EXPECT_EQ(RecordDataLine(At(2005, 3, 5, 14, 7), m),
              "05.03.2005\t14:07\t98,5\t21,3\t150\t210\t9,12\t1013\r\n");
    CModulDaten ph;
    ph.moduleType = 0, ph.value1 = 7.04f, ph.value2 = -12.345f;
    EXPECT_EQ(RecordDataLine(At(2026, 12, 31, 23, 59), ph),
              "31.12.2026\t23:59\t7,0\t0,0\t0\t0\t-12,35\t0\r\n");
}

// Values no poll cycle brought are never written as numbers: a gap line keeps the date, the
// time and the tabs; a value that is not finite leaves its own cell empty.
TEST(RecordingFile, GapLinesAndValuesThatAreNoNumbersLeaveEmptyCells) {
    EXPECT_EQ(RecordGapLine(At(2005, 3, 5, 14, 7)), "05.03.2005\t14:07\t\t\t\t\t\t\r\n");
    CModulDaten m;
    m.value1 = std::numeric_limits<float>::quiet_NaN();
    m.temperature = 21.3f;
    m.value3 = std::numeric_limits<float>::infinity();
    m.value2 = -std::numeric_limits<float>::infinity();
    EXPECT_EQ(RecordDataLine(At(2005, 3, 5, 14, 7), m), "05.03.2005\t14:07\t\t21,3\t\t0\t\t0\r\n");
}

TEST(RecordingFile, CalibrationSummaryListsLabelledValuesWithTheTypesDecimals) {
    const struct {
        int type, language;
        float values[4];
        const char* expected;
    } cases[] = {
        {0, 0, {-3.25f, 58.1f, 9, 9}, "Asymmetrie: -3.2  Steilheit: 58.1  "},
        {0, 1, {1, 2, 3, 4}, "asymmetrie: 1.0  slope: 2.0  "},
        {2, 1, {0.5f, 2, 1.25f, 7}, "cell const.: 0.50  temp. coef.: 2.00  cable offset: 1.25  "},
        // The turbidity type has no labels at all: value 1 still shows, behind an empty label.
        {6, 0, {1.5f, 2, 3, 4}, ": 1.5  "},
        {7,
         0,
         {35.2f, 2, 3, 1.5f},
         "Anstieg: 35.2  B < 20\xB0"
         "C: 2  B > 20\xB0"
         "C: 3  Salinit\xE4t: 1.50  "},
    };
    for (const auto& c : cases) {
        CModulDaten m;
        m.moduleType = std::uint8_t(c.type), m.calValue1 = c.values[0], m.calValue2 = c.values[1];
        m.calValue3 = c.values[2], m.calValue4 = c.values[3];
        EXPECT_EQ(CalibrationSummary(m, c.language), c.expected);
    }
}

// The recording timer follows the interval and never floods: at least a second.
TEST(RecordingFile, TimerPeriodFollowsTheInterval) {
    EXPECT_EQ(RecordTimerMs(1, 30, 15), 5415000);
    EXPECT_EQ(RecordTimerMs(0, 0, 0), 1000);
    EXPECT_EQ(RecordTimerMs(0, 0, -5), 1000);  // from a hand-made file
    EXPECT_EQ(RecordTimerMs(99, 99, 99), 362439000);
}

// Truncating, appending and failures are in FileCasesTest.
TEST(TextFileTest, EachWriteReachesTheFileAtOnceUntranslated) {
    test::TempDir dir;
    TextFile f;
    ASSERT_TRUE(f.Create(dir.File("messung.txt")));
    ASSERT_TRUE(f.Write("a\r\nb\n\r"));
    EXPECT_EQ(test::Slurp(dir.File("messung.txt")), "a\r\nb\n\r");
    EXPECT_EQ(f.FileName(), "messung.txt");
}

}  // namespace
}  // namespace ql50
