// ql50-cli export as functions on a real store: times of the command line, and CSV with a
// column per channel label and unit (shared by live values and logger fields that agree) and
// empty cells where no value came.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/ExportCommand.h"
#include "store/Store.h"
#include "support/Files.h"

namespace ql50::cli {
namespace {

TEST(ExportTime, TakesDatesTimesAndOffsets) {
    const std::int64_t utc = 1714550400000;  // 2024-05-01T08:00:00Z
    EXPECT_EQ(ParseExportTime("2024-05-01T08:00Z"), utc);
    EXPECT_EQ(ParseExportTime("2024-05-01T10:00:30+02:00"), utc + 30'000);
    EXPECT_EQ(ParseExportTime("2024-05-01 03:00-05:00"), utc);
    EXPECT_TRUE(ParseExportTime("2024-05-01"));
    for (const char* bad : {"2024-5-1", "2024-05-01T8:00", "2024-02-30", "2024-05-01T24:00",
                            "2024-05-01T10:00+2", "yesterday"})
        EXPECT_FALSE(ParseExportTime(bad)) << bad;
}

TEST(Export, WritesOneColumnPerChannelAndUnit) {
    test::TempDir dir;
    store::Store store;
    ASSERT_TRUE(store.Open(dir.File("readings.db")));
    const auto add = [&](std::int64_t t, store::Source source, std::vector<store::Channel> c) {
        store::Reading r;
        r.module = "t,1";
        r.timeMs = t;
        r.source = source;
        r.type = 7;
        r.channels = std::move(c);
        ASSERT_EQ(store.Add(r, false), store::Store::Added::Stored);
    };
    add(1000, store::Source::Live,
        {{0, "Saturation", "%", 1, 98.4}, {1, "Concentration", "mg/l", 2, {}}});
    add(2000, store::Source::Logger,
        {{0, "Saturation", "%", 0, 97}, {5, "temperature", "C", 0, 21}});
    add(9000, store::Source::Live,
        {{0, "Saturation", "%", 1, 1}, {1, "Concentration", "mg/l", 2, 2}});
    std::FILE* out = std::tmpfile();
    ASSERT_TRUE(WriteCsv(store, "t,1", 0, 9000, out));
    std::rewind(out);
    char buffer[1024] = {};
    const std::string csv(buffer, std::fread(buffer, 1, sizeof buffer, out));
    std::fclose(out);
    const std::string t1 = store::IsoTime(1000), t2 = store::IsoTime(2000);
    EXPECT_EQ(csv, "time,source,Saturation [%],Concentration [mg/l],temperature [C]\r\n" + t1 +
                       ",live,98.4,,\r\n" + t2 + ",logger,97,,21\r\n");
}

}  // namespace
}  // namespace ql50::cli
