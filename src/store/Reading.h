#pragma once
// One reading of one module as the acquisition service keeps it: when it was made, where it came
// from (a live poll or the module's data logger), the module's measurement type and the value
// of each channel with its label and unit. A channel whose value no poll brought holds no value,
// never an old one.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ql50::store {

enum class Source : int { Live = 0, Logger = 1 };

struct Channel {
    int index = 0;      // the module's live channel 0..5 (value registers 1 to 6)
    std::string label;  // UTF-8
    std::string unit;   // UTF-8
    int decimals = 0;   // the resolution the value is kept at
    std::optional<double> value;
};

struct Reading {
    std::int64_t id = 0;      // the store's row, 0 before it is stored
    std::string module;       // the configured name
    std::int64_t seq = 0;     // per module from 1, given by the store, never reused
    std::int64_t timeMs = 0;  // UTC, milliseconds since 1970
    Source source = Source::Live;
    int type = -1;  // measurement-type index 0..7; -1 while the module never answered
    std::vector<Channel> channels;

    // At least one channel holds a value.
    bool HasValues() const;
};

// "live" or "logger".
const char* SourceName(Source source);
// ISO 8601 local time with milliseconds and the offset from UTC: 2024-05-01T10:00:02.345+02:00.
std::string IsoTime(std::int64_t utcMs);
// A civil time as UTC milliseconds: local time, or at `utcOffsetSeconds` east of UTC when given;
// nothing for a date or time that does not exist.
std::optional<std::int64_t> LocalTimeMs(int year, int month, int day, int hour, int minute,
                                        int second,
                                        std::optional<long> utcOffsetSeconds = std::nullopt);

}  // namespace ql50::store
