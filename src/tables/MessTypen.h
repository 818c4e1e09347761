#pragma once

// The eight measurement types a module can be built as, in the order of the type index
// (the module reports index + 1): pH, Redox, four conductivity ranges, turbidity, oxygen.
// Each record holds the captions, units and decimals the windows show for that type.

#include <array>
#include <cstddef>
#include <cstdint>

namespace ql50 {

inline constexpr std::size_t kMessTypCount = 8;

// Measurement-type indices that the procedures treat apart; 2 to 5 are the conductivity ranges.
enum MessTypIndex : int {
    kTypIndexPh = 0,
    kTypIndexRedox = 1,
    kTypIndexFirstConductivity = 2,
    kTypIndexLastConductivity = 5,
    kTypIndexFrei = 6,
    kTypIndexSauerstoff = 7,
};

// Fixed Windows-1252 slots, zero-terminated and zero-filled; an empty text marks a channel or
// calibration value the type does not use. Index [language]: 0 German, 1 English.
struct MessTypInfo {
    std::array<std::array<char, 20>, 2> name;
    // Live channels 1 to 6; channel 6 is always the temperature.
    std::array<std::array<std::array<char, 20>, 2>, 6> channelLabel;
    // Units of channels 1 to 5, the same in both languages (channel 6 is always "°C").
    std::array<std::array<char, 8>, 5> channelUnit;
    std::array<std::array<std::array<char, 20>, 2>, 5> calLabel;
    std::array<std::array<char, 9>, 5> calUnit;
    std::array<std::uint8_t, 5> channelDecimals;
    std::array<std::uint8_t, 5> calDecimals;
    std::uint8_t reserved;
};

static_assert(sizeof(MessTypInfo) ==
                  sizeof(MessTypInfo::name) + sizeof(MessTypInfo::channelLabel) +
                      sizeof(MessTypInfo::channelUnit) + sizeof(MessTypInfo::calLabel) +
                      sizeof(MessTypInfo::calUnit) + sizeof(MessTypInfo::channelDecimals) +
                      sizeof(MessTypInfo::calDecimals) + sizeof(MessTypInfo::reserved),
              "MessTypInfo must have nothing between its fields");

extern const std::array<MessTypInfo, kMessTypCount> kMessTypen;

}  // namespace ql50
