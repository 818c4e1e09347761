#pragma once
// The live channels of the measurements over time, as the trend chart shows them: the main
// window appends the values of every completed poll cycle and a gap for every poll period that
// brought none; the chart asks for a time window, thinned to its width. Holds the last 24 hours
// (the longest range the chart offers) and nothing that draws.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "trend/TrendSeries.h"

namespace ql50 {

// Live channels 1 to 5 and the temperature (channel 6).
inline constexpr std::size_t kTrendChannels = 6;
using TrendValues = std::array<float, kTrendChannels>;

// The time ranges the chart offers, shortest first: 1 min, 10 min, 1 h, 6 h, 24 h.
inline constexpr std::array<TrendTime, 5> kTrendRanges{60'000, 600'000, 3'600'000, 21'600'000,
                                                       86'400'000};
inline constexpr std::size_t kDefaultTrendRange = 1;
inline constexpr TrendTime kTrendHistory = kTrendRanges.back();

struct TrendWindow {
    TrendTime from;
    TrendTime to;
};

// A channel the measurement type labels, with its label and unit (UTF-8) in one language and
// the decimals the main window shows it with.
struct TrendChannel {
    std::size_t index;  // 0 to 5
    std::string label;
    std::string unit;
    int decimals;
};
std::vector<TrendChannel> TrendChannels(int typeIndex, int language);

class TrendModel {
public:
    // At the start of a measurement. A module of another type than the one of the history
    // starts the history anew: its channels are other quantities.
    void Begin(int typeIndex);
    // The values of a completed poll cycle.
    void Append(TrendTime time, const TrendValues& values);
    // A poll period without fresh values, or the end of a measurement: no line joins the values
    // before and after it.
    void AppendGap(TrendTime time);

    // The type index of the history; -1 before the first measurement.
    int typeIndex() const { return type_; }
    const TrendSeries& channel(std::size_t index) const { return series_[index]; }
    std::optional<TrendTime> Newest() const { return newest_; }
    // Counts every change, so a window redraws only what moved.
    std::uint64_t revision() const { return revision_; }
    // Counts the histories begun anew, so a window knows when what it kept is gone.
    std::uint64_t history() const { return history_; }
    // The last `span` of the history: up to the newest sample, or up to `now` when there is none.
    TrendWindow Latest(TrendTime span, TrendTime now) const;

private:
    void Add(TrendTime time, const TrendValues& values);

    std::array<TrendSeries, kTrendChannels> series_;
    int type_ = -1;
    std::optional<TrendTime> newest_;
    std::uint64_t revision_ = 0;
    std::uint64_t history_ = 0;
};

}  // namespace ql50
