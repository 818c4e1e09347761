#pragma once
// The module's data logger: a byte store of 10-byte records, read out as a stream of two-byte
// frames. A record holds day, month, year % 100, hour, minute, a percentage, a concentration
// in hundredths of mg/l as a low and a high digit (the high digit weighs 255), the temperature
// in whole °C as a signed byte, and the end marker 0xFF. Only the marker may be 0xFF among the
// bytes at odd offsets, because the read-out ends a record at 0xFF in the second byte of a
// frame.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/ModuleClock.h"

namespace ql50::sim {

inline constexpr std::size_t kLoggerRecordSize = 10;
inline constexpr std::uint8_t kLoggerEndMarker = 0xFF;
// The fill level travels as an unsigned 16-bit byte count; the module stops logging before it
// would overflow, at a whole number of records.
inline constexpr std::size_t kLoggerCapacity = 65530;

struct LoggerSample {
    CivilTime time;
    double percentage = 0.0;
    double concentration = 0.0;  // mg/l
    double temperature = 0.0;    // °C
};

using LoggerRecordBytes = std::array<std::uint8_t, kLoggerRecordSize>;

// Values outside what a record can hold are clamped.
LoggerRecordBytes EncodeLoggerRecord(const LoggerSample& sample);

class DataLogger {
public:
    // Appends one record; returns false (and stores nothing) when the logger is full.
    bool Append(const LoggerSample& sample);
    void Clear() { bytes_.clear(); }

    // Replaces the contents with exactly `count` bytes taken from whole records, the last
    // one possibly cut; `count` is limited to the capacity.
    void Fill(const std::vector<LoggerSample>& samples, std::size_t count);

    std::size_t Size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    bool Full() const { return bytes_.size() + kLoggerRecordSize > kLoggerCapacity; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace ql50::sim
