#include <gtest/gtest.h>

#include "formats/LoggerRecords.h"
#include "support/Bytes.h"

namespace ql50 {
namespace {

LoggerRecord Rec(std::initializer_list<std::uint8_t> bytes) {
    LoggerRecord r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}

struct LineCase {
    LoggerRecord record;
    const char* line;
};

class RecordLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(RecordLine, IsWrittenByteExact) {
    EXPECT_EQ(LoggerRecordLine(GetParam().record), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordLine,
    ::testing::Values(
        LineCase{Rec({0x05, 0x06, 0x07, 0x0E, 0x1E, 0x62, 0x5B, 0x03, 0x15, 0xFF}),
                 "05.06.07\t14:30\t98\t8,6\t21\t\n"},
        // 1235 = 215 + 255 * 4: the factor lies just below 0.01, so 12.3 and not 12.4.
        LineCase{Rec({31, 12, 99, 23, 59, 200, 215, 4, 0xF6, 0xFF}),
                 "31.12.99\t23:59\t200\t12,3\t-10\t\n"},
        LineCase{Rec({1, 1, 0, 0, 0, 0, 5, 0, 0, 0xFF}), "01.01.00\t00:00\t0\t0,0\t0\t\n"},
        LineCase{Rec({1, 2, 3, 4, 5, 255, 254, 254, 0x80, 0xFF}),
                 "01.02.03\t04:05\t255\t650,2\t-128\t\n"}));

TEST(LoggerFormat, HeaderAndPositions) {
    EXPECT_EQ(LoggerExportHeader(),
              "date\ttime\t[%]\t[mg/l]\t[\xB0"
              "C]\n");
    EXPECT_EQ(LoggerBytePosition(10, 2), 520u);
    EXPECT_EQ(LoggerBytePosition(254, 255), 65279u);
}

// Feeds a byte sequence as (d2, d3) pairs and returns the records completed.
std::vector<LoggerRecord> Feed(LoggerRecordAssembler& a, const std::vector<std::uint8_t>& bytes) {
    std::vector<LoggerRecord> out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (auto r = a.Push(bytes[i], bytes[i + 1])) out.push_back(*r);
    return out;
}

const std::vector<std::uint8_t> kGood{5, 6, 7, 14, 30, 98, 91, 3, 21, 0xFF};

TEST(LoggerAssembler, CompleteRecordsPassInOrder) {
    LoggerRecordAssembler a;
    auto second = kGood;
    second[4] = 45;
    const auto records = Feed(a, test::Concat({kGood, second}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1][4], 45);
    EXPECT_EQ(a.index(), 0u);
}

TEST(LoggerAssembler, LostEndMarkerNeverOverrunsAndResynchronisesAfterTheNextMarker) {
    LoggerRecordAssembler a;
    auto broken = kGood;
    broken.pop_back();
    broken.pop_back();  // the frame with the end marker was lost
    // The next record's bytes would run past ten bytes: it is dropped up to its end marker.
    const auto records = Feed(a, test::Concat({broken, kGood, kGood}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], Rec({5, 6, 7, 14, 30, 98, 91, 3, 21, 0xFF}));
    EXPECT_GE(a.droppedRecords(), 1u);
}

TEST(LoggerAssembler, RecordEndingEarlyIsDropped) {
    LoggerRecordAssembler a;
    const std::vector<std::uint8_t> shortRecord{5, 6, 7, 14, 30, 98, 21, 0xFF};
    const auto records = Feed(a, test::Concat({shortRecord, kGood}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(a.droppedRecords(), 1u);
}

TEST(LoggerAssembler, NoiseNeverLeavesTheBuffer) {
    LoggerRecordAssembler a;
    std::uint32_t x = 12345;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1664525u + 1013904223u;
        a.Push(std::uint8_t(x >> 8), std::uint8_t(x >> 24));
        ASSERT_LT(a.index(), kLoggerRecordSize);
    }
}

struct SummaryCase {
    int language;
    const char* expected;
};

class Summary : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(Summary, FormatsBothLanguages) {
    LoggerInfo info{"05.06.07", "14:30:00", "14:45", 15, 25, true};
    EXPECT_EQ(LoggerInfoSummary(info, GetParam().language), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, Summary,
    ::testing::Values(SummaryCase{0,
                                  "Aktuelle Uhrzeit: 05.06.07 14:30:00\n\rN\xE4"
                                  "chster Alarm: 14:45\n\r"
                                  "Datenlogger Intervall:: 15 min Vorhandene Datens\xE4tze:: 2\n\r"
                                  "Datenlogger ist freigegeben."},
                      SummaryCase{1,
                                  "Actual time: 05.06.07 14:30:00\n\rNext alarm time: 14:45\n\r"
                                  "data logging interval in minutes: 15 min Sets of data:: 2\n\r"
                                  "Data logger is enable."}));

TEST(LoggerSummary, CountsWholeRecordsAndShowsNotReleased) {
    LoggerInfo info;
    info.loggerByteCount = 9;
    const std::string s = LoggerInfoSummary(info, 1);
    EXPECT_NE(s.find("Sets of data:: 0\n\r"), std::string::npos);
    EXPECT_TRUE(s.ends_with("Data logger is disable."));
}

}  // namespace
}  // namespace ql50
