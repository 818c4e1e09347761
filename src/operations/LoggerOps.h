#pragma once
// The data logger's one-shot operations: its information, the module's clock and clearing it.
// The read-out is LoggerReadout.
#include "operations/Session.h"

namespace ql50 {

// The fill level must answer; the alarm, clock, date, interval and release follow, and missing
// replies keep the values held. The values are in module() (LoggerInfoOf makes the summary).
Outcome ReadLoggerInfo(Session& session);

// A date and time for the module's clock.
struct ClockSetting {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
// The years the module's clock can hold: it keeps the year as one byte after 2000.
inline constexpr int kFirstClockYear = 2000;
inline constexpr int kLastClockYear = 2255;
bool ClockYearFits(int year);
// Sets the module's clock: the time, then the date (year - 2000, day, month). Both must
// answer. Refused, with nothing sent, when the year lies outside the module's years.
Outcome SetModuleClock(Session& session, const ClockSetting& clock);

// Clears the data logger.
Outcome ClearLogger(Session& session);

}  // namespace ql50
