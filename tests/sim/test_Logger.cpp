// The data logger: record bytes, the read-out stream, clearing, filling and growth at the
// interval while released.
#include <gtest/gtest.h>

#include <cmath>

#include "SimTestSupport.h"

namespace ql50::sim::test {
namespace {

std::uint16_t ReadLevel(VirtualModule& module) {
    return DecodeUint16(FrameData(Ask(module, Request(kReadValue, 2, kValueLoggerLevel))));
}

// Checks the rule the read-out relies on: at the odd offsets of a record only the end marker
// is 0xFF.
void ExpectWellFormedRecords(const std::vector<std::uint8_t>& bytes, const std::string& what) {
    ASSERT_EQ(bytes.size() % kLoggerRecordSize, 0u) << what;
    for (std::size_t r = 0; r < bytes.size(); r += kLoggerRecordSize) {
        for (std::size_t odd : {1, 3, 5, 7}) ASSERT_NE(bytes[r + odd], 0xFF) << what << " @" << r;
        ASSERT_EQ(bytes[r + 9], kLoggerEndMarker) << what << " @" << r;
        ASSERT_LT(bytes[r + 6], 255) << what << " @" << r;
    }
}

TEST(LoggerRecord, EncodesAndClampsEveryField) {
    struct Case {
        const char* name;
        LoggerSample sample;
        LoggerRecordBytes expected;
    };
    const Case cases[] = {
        {"typical",
         {{2007, 6, 5, 14, 30, 0}, 98.0, 8.56, 21.0},
         {0x05, 0x06, 0x07, 0x0E, 0x1E, 0x62, 0x5B, 0x03, 0x15, 0xFF}},
        {"negative temperature",
         {{2024, 1, 31, 0, 0, 0}, 0.0, 0.0, -10.0},
         {31, 1, 24, 0, 0, 0, 0, 0, 0xF6, 0xFF}},
        {"out of range values are clamped",
         {{2099, 12, 31, 23, 59, 0}, 300.0, 1000.0, 200.0},
         {31, 12, 99, 23, 59, 254, 254, 254, 127, 0xFF}},
        {"negative and not-a-number values",
         {{2000, 2, 29, 12, 0, 0}, -5.0, std::nan(""), -200.0},
         {29, 2, 0, 12, 0, 0, 0, 0, 0x80, 0xFF}},
        {"high digit weighs 255",
         {{2010, 5, 5, 5, 5, 0}, 100.0, 2.55, -1.0},
         {5, 5, 10, 5, 5, 100, 0, 1, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) EXPECT_EQ(EncodeLoggerRecord(c.sample), c.expected) << c.name;
}

TEST(Logger, NewModuleHoldsThreeDaysOfWellFormedRecords) {
    FakeTime time;
    VirtualModule module(time.Source());
    EXPECT_EQ(ReadLevel(module), kInitialLoggerRecords * kLoggerRecordSize);
    const std::vector<std::uint8_t> bytes = module.LoggerBytes();
    ExpectWellFormedRecords(bytes, "initial");
    // Oxygen records: saturation around 96 %, concentration 7.5..9.5 mg/l, room temperature.
    for (std::size_t r = 0; r < bytes.size(); r += kLoggerRecordSize) {
        EXPECT_GE(bytes[r + 5], 90);
        EXPECT_LE(bytes[r + 5], 100);
        const int raw = bytes[r + 6] + 255 * bytes[r + 7];
        EXPECT_GE(raw, 750);
        EXPECT_LE(raw, 950);
        EXPECT_GE(std::int8_t(bytes[r + 8]), 20);
        EXPECT_LE(std::int8_t(bytes[r + 8]), 25);
        EXPECT_EQ(bytes[r + 4] % 15, 0) << "records lie on the 15-minute interval";
    }
}

TEST(Logger, FullLoggerOfEveryTypeIsWellFormed) {
    for (int type = 0; type < kTypeCount; ++type) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.SetType(type);
        module.FillLoggerRecords(100000);
        EXPECT_EQ(module.LoggerByteCount(), 65530u);
        ExpectWellFormedRecords(module.LoggerBytes(), "type " + std::to_string(type));
    }
}

TEST(Logger, ReadOutStreamsTwoBytesPerFrameAfterAnAcknowledgement) {
    struct Case {
        std::size_t bytes;
    };
    for (const Case c : {Case{0}, Case{10}, Case{25}, Case{2880}, Case{65530}}) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.FillLoggerBytes(c.bytes);
        const std::vector<std::uint8_t> logger = module.LoggerBytes();
        ASSERT_EQ(logger.size(), c.bytes);
        const Frame request = Request(kReadValue, 4, kValueLoggerData);
        const std::vector<Frame> frames = Frames(Send(module, request));
        ASSERT_EQ(frames.size(), 1 + (c.bytes + 1) / 2) << c.bytes << " bytes";
        EXPECT_EQ(frames[0], BuildFrame(1, kReadValue, 4, kValueLoggerData, {0, 0, 0, 0}));
        for (std::size_t i = 1; i < frames.size(); ++i) {
            const std::size_t pos = 2 * (i - 1);
            const std::size_t sent = std::min(pos + 2, c.bytes);
            const DataBytes expected{std::uint8_t(sent % 255), std::uint8_t(sent / 255 % 256),
                                     logger[pos],
                                     pos + 1 < c.bytes ? logger[pos + 1] : std::uint8_t{0}};
            ASSERT_EQ(frames[i], BuildFrame(1, kReadValue, 4, kValueLoggerData, expected))
                << "frame " << i << " of " << c.bytes << " bytes";
        }
    }
}

TEST(Logger, ClearCommandEmptiesTheLogger) {
    FakeTime time;
    VirtualModule module(time.Source());
    ASSERT_GT(ReadLevel(module), 0);
    for (std::uint8_t other : {0, 1, 3, 255}) {
        Ask(module, Request(kWriteValue, 2, kValueLoggerLevel, {other, 0, 0, 0}));
        EXPECT_GT(ReadLevel(module), 0) << "d0 " << int(other) << " must not clear";
    }
    EXPECT_EQ(Ask(module, Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0})),
              BuildFrame(1, kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0}));
    EXPECT_EQ(ReadLevel(module), 0);
    EXPECT_EQ(Frames(Send(module, Request(kReadValue, 4, kValueLoggerData))).size(), 1u);
}

TEST(Logger, GrowsAtEachIntervalBoundaryWhileReleased) {
    FakeTime time;
    VirtualModule module(time.Source());
    SetClock(module, 2024, 3, 5, 12, 0, 30);
    Ask(module, Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0}));

    struct Step {
        std::chrono::seconds advance;
        std::uint16_t level;
    };
    const Step steps[] = {{14min, 0}, {1min, 10}, {1h, 50}, {14min + 29s, 50}, {1s, 60}};
    for (const Step& s : steps) {
        time.Advance(s.advance);
        EXPECT_EQ(ReadLevel(module), s.level);
    }
    const std::vector<std::uint8_t> bytes = module.LoggerBytes();
    const std::uint8_t last[] = {5, 3, 24, 13, 30};  // 05.03.24 13:30
    EXPECT_TRUE(std::equal(std::begin(last), std::end(last), bytes.end() - 10));
    ExpectWellFormedRecords(bytes, "grown");
}

TEST(Logger, StaysStillWhileNotReleasedAndDoesNotBackfill) {
    FakeTime time;
    VirtualModule module(time.Source());
    SetClock(module, 2024, 3, 5, 12, 0, 30);
    Ask(module, Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0}));
    Ask(module, Request(kWriteParam, 1, 77, {0, 0, 0, 0}));
    time.Advance(2h);
    EXPECT_EQ(ReadLevel(module), 0);
    Ask(module, Request(kWriteParam, 1, 77, {1, 0, 0, 0}));
    EXPECT_EQ(ReadLevel(module), 0);
    time.Advance(15min);
    EXPECT_EQ(ReadLevel(module), 10);
}

TEST(Logger, IntervalAndClockChangesStartAfresh) {
    FakeTime time;
    VirtualModule module(time.Source());
    SetClock(module, 2024, 3, 5, 12, 0, 30);
    Ask(module, Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0}));
    Ask(module, Request(kWriteParam, 2, 76, EncodeUint16(1)));
    time.Advance(5min);
    EXPECT_EQ(ReadLevel(module), 50);
    SetClock(module, 2030, 1, 1, 0, 0, 0);  // a jump forward records nothing for the gap
    EXPECT_EQ(ReadLevel(module), 50);
    Ask(module, Request(kWriteParam, 2, 76, EncodeUint16(0)));  // no interval: no records
    time.Advance(1h);
    EXPECT_EQ(ReadLevel(module), 50);
}

TEST(Logger, StopsWhenFullAndSurvivesLongGaps) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.FillLoggerRecords(6550);
    time.Advance(24h * 365);  // a year at 15 minutes would be far more than fits
    EXPECT_EQ(ReadLevel(module), 65530);
    ExpectWellFormedRecords(module.LoggerBytes(), "full");
}

}  // namespace
}  // namespace ql50::sim::test
