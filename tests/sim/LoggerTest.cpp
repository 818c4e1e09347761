// The data logger: record bytes, the read-out stream, clearing, filling and growth at the
// interval while released.
#include <gtest/gtest.h>

#include <cmath>

#include "SimTestSupport.h"

namespace ql50::sim::test {
namespace {

std::uint16_t ReadLevel(VirtualModule& module) {
    return DecodeUint16(AskData(module, kReadValue, 2, kValueLoggerLevel));
}

void ClearLogger(VirtualModule& module) {
    EXPECT_EQ(AskData(module, kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0}),
              (DataBytes{2, 0, 0, 0}));
}

// The rule the read-out relies on: at the odd offsets of a record only the end marker is 0xFF.
void ExpectWellFormedRecords(const Bytes& bytes, const std::string& what) {
    ASSERT_EQ(bytes.size() % kLoggerRecordSize, 0u) << what;
    for (std::size_t r = 0; r < bytes.size(); r += kLoggerRecordSize) {
        for (std::size_t odd : {1, 3, 5, 7}) ASSERT_NE(bytes[r + odd], 0xFF) << what << " @" << r;
        ASSERT_EQ(bytes[r + 9], kLoggerEndMarker) << what << " @" << r;
        ASSERT_LT(bytes[r + 6], 255) << what << " @" << r;
    }
}

TEST(LoggerRecord, EncodesAndClampsEveryField) {
    const struct {
        LoggerSample sample;
        LoggerRecordBytes expected;
    } cases[] = {
        {{{2007, 6, 5, 14, 30, 0}, 98.0, 8.56, 21.0},
         {0x05, 0x06, 0x07, 0x0E, 0x1E, 0x62, 0x5B, 0x03, 0x15, 0xFF}},
        {{{2024, 1, 31, 0, 0, 0}, 0.0, 0.0, -10.0}, {31, 1, 24, 0, 0, 0, 0, 0, 0xF6, 0xFF}},
        {{{2099, 12, 31, 23, 59, 0}, 300.0, 1000.0, 200.0},  // clamped
         {31, 12, 99, 23, 59, 254, 254, 254, 127, 0xFF}},
        {{{2000, 2, 29, 12, 0, 0}, -5.0, std::nan(""), -200.0},
         {29, 2, 0, 12, 0, 0, 0, 0, 0x80, 0xFF}},
        {{{2010, 5, 5, 5, 5, 0}, 100.0, 2.55, -1.0},  // the high digit weighs 255
         {5, 5, 10, 5, 5, 100, 0, 1, 0xFF, 0xFF}},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodeLoggerRecord(c.sample), c.expected);
}

TEST_F(Sim, NewModuleHoldsThreeDaysOfPlausibleRecordsAndAFullLoggerIsWellFormed) {
    EXPECT_EQ(ReadLevel(module), kInitialLoggerRecords * kLoggerRecordSize);
    const Bytes bytes = module.LoggerBytes();
    ExpectWellFormedRecords(bytes, "initial");
    // Oxygen: saturation around 96 %, 7.5..9.5 mg/l, room temperature, on the 15-minute grid.
    for (std::size_t r = 0; r < bytes.size(); r += kLoggerRecordSize) {
        EXPECT_TRUE(bytes[r + 5] >= 90 && bytes[r + 5] <= 100) << r;
        const int raw = bytes[r + 6] + 255 * bytes[r + 7];
        EXPECT_TRUE(raw >= 750 && raw <= 950) << r;
        EXPECT_TRUE(std::int8_t(bytes[r + 8]) >= 20 && std::int8_t(bytes[r + 8]) <= 25) << r;
        EXPECT_EQ(bytes[r + 4] % 15, 0) << r;
    }
    for (int type = 0; type < kTypeCount; ++type) {
        module.SetType(type);
        module.FillLoggerRecords(100000);
        EXPECT_EQ(module.LoggerByteCount(), 65530u);
        ExpectWellFormedRecords(module.LoggerBytes(), "type " + std::to_string(type));
    }
}

TEST_F(Sim, OnlyTheClearCommandEmptiesTheLogger) {
    for (std::uint8_t other : std::initializer_list<std::uint8_t>{0, 1, 3, 255}) {
        Ask(module, Request(kWriteValue, 2, kValueLoggerLevel, {other, 0, 0, 0}));
        EXPECT_GT(ReadLevel(module), 0) << "d0 " << int(other) << " must not clear";
    }
    ClearLogger(module);
    EXPECT_EQ(ReadLevel(module), 0);
    EXPECT_EQ(Frames(Send(module, Request(kReadValue, 4, kValueLoggerData))).size(), 1u);
}

TEST_F(Sim, LoggerGrowsAtEachIntervalBoundaryWhileReleased) {
    SetClock(module, 2024, 3, 5, 12, 0, 30);
    ClearLogger(module);
    for (const auto& [advance, level] : {std::pair<std::chrono::seconds, int>{14min, 0},
                                         {1min, 10},
                                         {1h, 50},
                                         {14min + 29s, 50},
                                         {1s, 60}}) {
        time.Advance(advance);
        EXPECT_EQ(ReadLevel(module), level);
    }
    const Bytes bytes = module.LoggerBytes();
    EXPECT_EQ(Bytes(bytes.end() - 10, bytes.end() - 5), (Bytes{5, 3, 24, 13, 30}));
    ExpectWellFormedRecords(bytes, "grown");
}

TEST_F(Sim, LoggerStandsStillWhileNotReleasedAndStartsAfreshOnChanges) {
    SetClock(module, 2024, 3, 5, 12, 0, 30);
    ClearLogger(module);
    Ask(module, Request(kWriteParam, 1, 77, {0, 0, 0, 0}));
    time.Advance(2h);
    EXPECT_EQ(ReadLevel(module), 0);
    Ask(module, Request(kWriteParam, 1, 77, {1, 0, 0, 0}));
    EXPECT_EQ(ReadLevel(module), 0) << "no back-filling";
    Ask(module, Request(kWriteParam, 2, 76, EncodeUint16(1)));
    time.Advance(5min);
    EXPECT_EQ(ReadLevel(module), 50);
    SetClock(module, 2030, 1, 1, 0, 0, 0);  // a jump forward records nothing for the gap
    EXPECT_EQ(ReadLevel(module), 50);
    Ask(module, Request(kWriteParam, 2, 76, EncodeUint16(0)));  // no interval: no records
    time.Advance(1h);
    EXPECT_EQ(ReadLevel(module), 50);
}

TEST_F(Sim, LoggerStopsWhenFullAndSurvivesLongGaps) {
    module.FillLoggerRecords(6550);
    time.Advance(24h * 365);
    EXPECT_EQ(ReadLevel(module), 65530);
    ExpectWellFormedRecords(module.LoggerBytes(), "full");
}

}  // namespace
}  // namespace ql50::sim::test
