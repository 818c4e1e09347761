// The module's clock: set by time then date, read back in the module's byte order, running
// with its time source.
#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace ql50::sim::test {
namespace {

DataBytes ReadDate(VirtualModule& module) {
    return FrameData(Ask(module, Request(kReadValue, 3, kValueDate)));
}
DataBytes ReadTime(VirtualModule& module) {
    return FrameData(Ask(module, Request(kReadValue, 3, kValueTime)));
}

TEST(Clock, SetAndReadBackAsTheProgramDoes) {
    FakeTime time;
    VirtualModule module(time.Source());
    SetClock(module, 2005, 12, 31, 23, 59, 58);
    EXPECT_EQ(ReadTime(module), (DataBytes{23, 59, 58, 0}));
    EXPECT_EQ(ReadDate(module), (DataBytes{5, 31, 12, 0}));  // year, day, month
    time.Advance(3s);
    EXPECT_EQ(ReadTime(module), (DataBytes{0, 0, 1, 0}));
    EXPECT_EQ(ReadDate(module), (DataBytes{6, 1, 1, 0}));
}

TEST(Clock, RunsWithItsTimeSource) {
    FakeTime time;
    VirtualModule module(time.Source());
    SetClock(module, 2024, 2, 28, 12, 0, 0);
    struct Step {
        std::chrono::seconds advance;
        DataBytes date;
        DataBytes time;
    };
    const Step steps[] = {
        {0s, {24, 28, 2, 0}, {12, 0, 0, 0}},
        {65s, {24, 28, 2, 0}, {12, 1, 5, 0}},
        {12h, {24, 29, 2, 0}, {0, 1, 5, 0}},  // a leap year
        {24h, {24, 1, 3, 0}, {0, 1, 5, 0}},
    };
    for (const Step& s : steps) {
        time.Advance(s.advance);
        EXPECT_EQ(ReadDate(module), s.date);
        EXPECT_EQ(ReadTime(module), s.time);
    }
}

TEST(Clock, InvalidSettingsAreAcknowledgedAndIgnored) {
    FakeTime time;
    VirtualModule module(time.Source());
    SetClock(module, 2023, 6, 15, 8, 30, 0);
    const DataBytes badTimes[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {255, 255, 255, 0}};
    for (const DataBytes& t : badTimes) {
        EXPECT_EQ(Ask(module, Request(kWriteValue, 3, kValueTime, t)),
                  BuildFrame(1, kWriteValue, 3, kValueTime, t));
    }
    const DataBytes badDates[] = {{23, 31, 2, 0}, {23, 0, 5, 0}, {23, 10, 13, 0}, {23, 10, 0, 0}};
    for (const DataBytes& d : badDates) {
        EXPECT_EQ(Ask(module, Request(kWriteValue, 3, kValueDate, d)),
                  BuildFrame(1, kWriteValue, 3, kValueDate, d));
    }
    EXPECT_EQ(ReadDate(module), (DataBytes{23, 15, 6, 0}));
    EXPECT_EQ(ReadTime(module), (DataBytes{8, 30, 0, 0}));
}

TEST(Clock, NextAlarmIsTheNextLoggerIntervalBoundary) {
    FakeTime time;
    VirtualModule module(time.Source());
    SetClock(module, 2024, 3, 5, 10, 7, 30);
    struct Case {
        std::uint16_t interval;
        DataBytes alarm;
    };
    const Case cases[] = {{15, {10, 15, 0, 0}},
                          {60, {11, 0, 0, 0}},
                          {1, {10, 8, 0, 0}},
                          {1440, {0, 0, 0, 0}},
                          {0, {0, 0, 0, 0}}};  // no interval, no alarm
    for (const Case& c : cases) {
        Ask(module, Request(kWriteParam, 2, 76, EncodeUint16(c.interval)));
        EXPECT_EQ(FrameData(Ask(module, Request(kReadValue, 4, kValueNextAlarm))), c.alarm)
            << "interval " << c.interval;
    }
}

}  // namespace
}  // namespace ql50::sim::test
