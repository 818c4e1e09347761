#include "sim/DataLogger.h"

#include <algorithm>
#include <cmath>

namespace ql50::sim {

namespace {

// Rounds and clamps into [lo, hi]; NaN counts as lo.
long Clamp(double value, long lo, long hi) {
    if (!(value >= double(lo))) return lo;
    if (value >= double(hi)) return hi;
    return std::lround(value);
}

// Month, hour, percentage and the high concentration digit sit at odd offsets and so must
// stay below 0xFF; the low digit stays below 255 by construction of the two digits.
constexpr long kMaxConcentration = 254 + 255 * 254;

}  // namespace

LoggerRecordBytes EncodeLoggerRecord(const LoggerSample& s) {
    const long raw = Clamp(s.concentration * 100.0, 0, kMaxConcentration);
    const long temperature = Clamp(s.temperature, -128, 127);
    return {std::uint8_t(Clamp(s.time.day, 1, 31)),
            std::uint8_t(Clamp(s.time.month, 1, 12)),
            std::uint8_t(((s.time.year % 100) + 100) % 100),
            std::uint8_t(Clamp(s.time.hour, 0, 23)),
            std::uint8_t(Clamp(s.time.minute, 0, 59)),
            std::uint8_t(Clamp(s.percentage, 0, 254)),
            std::uint8_t(raw % 255),
            std::uint8_t(raw / 255),
            std::uint8_t(static_cast<std::int8_t>(temperature)),
            kLoggerEndMarker};
}

bool DataLogger::Append(const LoggerSample& sample) {
    if (Full()) return false;
    const LoggerRecordBytes record = EncodeLoggerRecord(sample);
    bytes_.insert(bytes_.end(), record.begin(), record.end());
    return true;
}

void DataLogger::Fill(const std::vector<LoggerSample>& samples, std::size_t count) {
    count = std::min(count, kLoggerCapacity);
    bytes_.clear();
    bytes_.reserve(count);
    for (const LoggerSample& sample : samples) {
        if (bytes_.size() >= count) break;
        const LoggerRecordBytes record = EncodeLoggerRecord(sample);
        const std::size_t take = std::min(record.size(), count - bytes_.size());
        bytes_.insert(bytes_.end(), record.begin(), record.begin() + long(take));
    }
}

}  // namespace ql50::sim
