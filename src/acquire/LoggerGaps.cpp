#include "acquire/LoggerGaps.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace ql50::acquire {

std::optional<std::int64_t> ModuleClockMs(const CModulDaten& m) {
    return LocalTimeMs(2000 + m.clockDate[2], m.clockDate[1], m.clockDate[0], m.clockTime[0],
                       m.clockTime[1], m.clockTime[2]);
}

std::optional<std::int64_t> RecordTimeMs(const LoggerRecord& r) {
    return LocalTimeMs(2000 + r[2], r[1], r[0], r[3], r[4], 0);
}

std::int64_t ClockOffsetMs(std::int64_t moduleMs, std::int64_t pcMs) {
    return std::llround(double(moduleMs - pcMs) / 60'000.0) * 60'000;
}

std::vector<std::pair<std::int64_t, LoggerRecord>> RecordsInGaps(
    const std::vector<LoggerRecord>& records, const std::vector<store::Store::Gap>& gaps,
    std::int64_t offsetMs) {
    std::vector<std::pair<std::int64_t, LoggerRecord>> inside;
    for (const LoggerRecord& record : records) {
        const std::optional<std::int64_t> at = RecordTimeMs(record);
        if (!at) continue;
        const std::int64_t time = *at - offsetMs;
        if (std::any_of(gaps.begin(), gaps.end(),
                        [time](const auto& g) { return time > g.fromMs && time < g.toMs; }))
            inside.emplace_back(time, record);
    }
    std::stable_sort(inside.begin(), inside.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return inside;
}

}  // namespace ql50::acquire
