// What subscribers get: the JSON of a reading byte for byte, times with their offset, and
// the channels a poll and a logger record bring.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "acquire/Channels.h"
#include "acquire/Payload.h"

namespace ql50::acquire {
namespace {

TEST(Payload, ReadingIsOneJsonObjectWithNullForMissingValues) {
    setenv("TZ", "Europe/Berlin", 1);  // no other test here depends on the zone
    tzset();
    store::Reading r;
    r.module = "tank \"1\"";
    r.seq = 17;
    r.timeMs = 1714550402345;  // 2024-05-01 08:00:02.345 UTC
    r.type = 0;
    r.channels = LiveLayout(0);
    r.channels[0].value = 7.0;
    EXPECT_EQ(ReadingJson(r),
              R"({"module":"tank \"1\"","seq":17,"time":"2024-05-01T10:00:02.345+02:00",)"
              R"("source":"live","type":0,"values":[{"label":"pH value","value":7.00,"unit":"pH"},)"
              R"({"label":"voltage","value":null,"unit":"mV"},)"
              R"({"label":"temperature","value":null,"unit":"°C"}]})");
    EXPECT_EQ(StatusText(LineState::LineLost, 1704067200000),
              "line lost since 2024-01-01T01:00:00.000+01:00");
}

TEST(Channels, LoggerRecordCarriesItsThreeFields) {
    const LoggerRecord record{5, 6, 24, 14, 30, 98, 0x5B, 3, 0xF6, 0xFF};
    const auto oxygen = LoggerChannels(7, record);
    ASSERT_EQ(oxygen.size(), 3u);
    EXPECT_EQ(oxygen[0].label, "Saturation");
    EXPECT_DOUBLE_EQ(*oxygen[0].value, 98);
    EXPECT_DOUBLE_EQ(*oxygen[1].value, 8.56);
    EXPECT_DOUBLE_EQ(*oxygen[2].value, -10);
    EXPECT_EQ(oxygen[2].index, 5);
    EXPECT_EQ(LoggerChannels(0, record)[0].label, "percentage");
}

}  // namespace
}  // namespace ql50::acquire
