// The CSV lines of a live recording: quoting and the time stamp's offset.
#include <gtest/gtest.h>

#include "formats/CsvLines.h"

namespace ql50 {
namespace {

TEST(CsvLines, FieldsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<const char*, const char*> cases[] = {
        {"Temperatur [°C]", "Temperatur [°C]"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
    };
    for (const auto& [text, field] : cases) EXPECT_EQ(CsvField(text), field);
}

TEST(CsvLines, StampCarriesSecondsAndTheOffsetFromUtc) {
    std::tm t{};
    t.tm_year = 126, t.tm_mon = 0, t.tm_mday = 2, t.tm_hour = 3, t.tm_min = 4, t.tm_sec = 5;
    CModulDaten m;
    m.moduleType = 1;  // Redox: two channels and the temperature
    m.value1 = 230.4f, m.value2 = 437.0f, m.temperature = 19.96f;
    const std::pair<long, const char*> cases[] = {
        {0, "2026-01-02T03:04:05+00:00,230,437,20.0\r\n"},
        {3600 + 1800, "2026-01-02T03:04:05+01:30,230,437,20.0\r\n"},
        {-5 * 3600, "2026-01-02T03:04:05-05:00,230,437,20.0\r\n"},
    };
    for (const auto& [offset, line] : cases) EXPECT_EQ(CsvDataLine(t, offset, m), line);
}

}  // namespace
}  // namespace ql50
