#pragma once
// Filling a gap from the module's data logger. The logger keeps records of its own clock's
// wall-clock time (the module knows no time zone) at whole minutes; the read-out always streams
// the whole logger, oldest record first. A record belongs to a gap when its time, moved by the
// module clock's offset from this computer's clock, lies strictly between the last reading
// with values before the gap and the first one after it: what the live polls stored is never
// stored again.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "formats/LoggerRecords.h"
#include "link/ModulDaten.h"
#include "store/Store.h"

namespace ql50::acquire {

using store::LocalTimeMs;

// The logger cannot fill a gap shorter than its finest interval, one minute.
inline constexpr std::int64_t kShortestGapMs = 60'000;

// The module's clock as its logger information brought it (date day, month, year - 2000).
std::optional<std::int64_t> ModuleClockMs(const CModulDaten& module);
// A record's time (day, month, year % 100, hour, minute).
std::optional<std::int64_t> RecordTimeMs(const LoggerRecord& record);
// Module clock minus this computer's clock, in whole minutes (the logger's resolution), so a
// record read twice gets the same time both times.
std::int64_t ClockOffsetMs(std::int64_t moduleMs, std::int64_t pcMs);

// The records inside one of the gaps with their times on this computer's clock, oldest first.
std::vector<std::pair<std::int64_t, LoggerRecord>> RecordsInGaps(
    const std::vector<LoggerRecord>& records, const std::vector<store::Store::Gap>& gaps,
    std::int64_t offsetMs);

}  // namespace ql50::acquire
