#include <gtest/gtest.h>

#include "formats/LoggerRecords.h"

namespace ql50 {
namespace {

// 1235 = 215 + 255 * 4: the factor lies just below 0.01, so 12.3 and not 12.4.
TEST(LoggerRecordLine, IsWrittenByteExact) {
    const std::pair<LoggerRecord, const char*> cases[] = {
        {LoggerRecord{0x05, 0x06, 0x07, 0x0E, 0x1E, 0x62, 0x5B, 0x03, 0x15, 0xFF},
         "05.06.07\t14:30\t98\t8,6\t21\t\n"},
        {LoggerRecord{31, 12, 99, 23, 59, 200, 215, 4, 0xF6, 0xFF},
         "31.12.99\t23:59\t200\t12,3\t-10\t\n"},
        {LoggerRecord{1, 1, 0, 0, 0, 0, 5, 0, 0, 0xFF}, "01.01.00\t00:00\t0\t0,0\t0\t\n"},
        {LoggerRecord{1, 2, 3, 4, 5, 255, 254, 254, 0x80, 0xFF},
         "01.02.03\t04:05\t255\t650,2\t-128\t\n"}};
    for (const auto& [record, line] : cases) EXPECT_EQ(LoggerRecordLine(record), line);
}

TEST(LoggerFormat, HeaderAndPositions) {
    EXPECT_EQ(LoggerExportHeader(),
              "date\ttime\t[%]\t[mg/l]\t[\xB0"
              "C]\n");
    EXPECT_EQ(LoggerBytePosition(10, 2), 520u);
    EXPECT_EQ(LoggerBytePosition(254, 255), 65279u);
}

// A record ends at its end marker; a record whose last frame was lost costs the next one too.
TEST(LoggerAssembler, EndMarkerClosesARecordAndALostOneCostsTheNext) {
    const std::vector<std::uint8_t> good{5, 6, 7, 14, 30, 98, 91, 3, 21, 0xFF};
    std::vector<std::uint8_t> stream(good.begin(), good.end() - 2);  // its last frame lost
    for (int i = 0; i < 2; ++i) stream.insert(stream.end(), good.begin(), good.end());
    LoggerRecordAssembler a;
    std::vector<LoggerRecord> records;
    for (std::size_t i = 0; i < stream.size(); i += 2)
        if (auto r = a.Push(stream[i], stream[i + 1])) records.push_back(*r);
    EXPECT_EQ(records, (std::vector{LoggerRecord{5, 6, 7, 14, 30, 98, 91, 3, 21, 0xFF}}));
}

// The logger's information in both languages; whole records only, released or not.
TEST(LoggerSummary, FormatsBothLanguages) {
    const LoggerInfo info{"05.06.07", "14:30:00", "14:45", 15, 25, true};
    EXPECT_EQ(LoggerInfoSummary(info, 0),
              "Aktuelle Uhrzeit: 05.06.07 14:30:00\n\rN\xE4"
              "chster Alarm: 14:45\n\r"
              "Datenlogger Intervall:: 15 min Vorhandene Datens\xE4tze:: 2\n\r"
              "Datenlogger ist freigegeben.");
    EXPECT_EQ(LoggerInfoSummary(LoggerInfo{"", "", "", 0, 9, false}, 1),
              "Actual time:  \n\rNext alarm time: \n\r"
              "data logging interval in minutes: 0 min Sets of data:: 0\n\r"
              "Data logger is disable.");
}

}  // namespace
}  // namespace ql50
