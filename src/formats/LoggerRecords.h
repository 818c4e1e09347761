#pragma once
// The module's data-logger records and the export file's lines.
//
// A read-out streams the logger two bytes per frame (d2, d3). A record is ten bytes: three
// date fields, hour, minute, percentage, concentration low and high digit (the high digit
// weighs 255), temperature as signed byte, and the end marker 0xFF, which therefore always
// arrives as d3 of the record's fifth frame.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/ModulDaten.h"

namespace ql50 {

inline constexpr std::size_t kLoggerRecordSize = 10;
inline constexpr std::uint8_t kLoggerEndMarker = 0xFF;
using LoggerRecord = std::array<std::uint8_t, kLoggerRecordSize>;

// "date\ttime\t[%]\t[mg/l]\t[°C]\n" in Windows-1252.
std::string LoggerExportHeader();
// One export line: "DD.MM.YY\tHH:MM\t<percent>\t<mg/l, one decimal comma>\t<°C>\t\n".
std::string LoggerRecordLine(const LoggerRecord& record);
// The raw concentration (hundredths of mg/l) times the single-precision 0.01, which lies
// slightly below 0.01: 1235 gives 12.3, not 12.4.
float LoggerConcentration(std::uint8_t low, std::uint8_t high);
// The module's running byte position d0 + 255 * d1, shown as "Byte: %u ".
unsigned LoggerBytePosition(std::uint8_t d0, std::uint8_t d1);

// Collects records from the two data bytes of each stream frame. Only a record whose end marker
// arrives exactly as its tenth byte is complete. A record that ends early (a frame was lost) or
// runs past ten bytes (an end marker was lost) is dropped, and collection starts again after
// the next end marker, so a broken record never reaches the file.
class LoggerRecordAssembler {
public:
    std::optional<LoggerRecord> Push(std::uint8_t d2, std::uint8_t d3);
    void Reset();
    std::size_t index() const { return index_; }
    unsigned droppedRecords() const { return dropped_; }

private:
    LoggerRecord buffer_{};
    std::size_t index_ = 0;
    bool resync_ = false;
    unsigned dropped_ = 0;
};

struct LoggerInfo {
    std::string clockDateText, clockTimeText, alarmTimeText;
    unsigned loggerInterval = 0;
    unsigned loggerByteCount = 0;
    bool loggerEnabled = false;
};
// The logger information the module data holds: clock, date and alarm as two digits each.
LoggerInfo LoggerInfoOf(const CModulDaten& modul);
// The status summary of the logger information, Windows-1252, lines ended by LF CR.
std::string LoggerInfoSummary(const LoggerInfo& info, int language);

}  // namespace ql50
