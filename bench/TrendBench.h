#pragma once
// What the trend costs per poll: with its window open (the model takes the poll's values, the
// window thins the shown range to its width, moves its axes and paints), and with its window
// closed (the model alone). The history holds 24 hours of polls every 2 s before it starts.
#include <QString>
#include <cstddef>
#include <optional>

namespace ql50::bench {

struct TrendRun {
    double cpuSecondsPerPoll = 0.0;  // the GUI thread
    std::size_t pointsPerChannel = 0;
    std::size_t pointsDrawn = 0;  // after thinning, all channels, at the last poll
    // With a picture: whether the screen after the polls equals the chart drawn anew.
    std::optional<bool> screenMatches;
};

// `rangeIndex` into the window's ranges (4: 24 h, 1: 10 min). With `picture`, the chart after
// the first poll is saved there as PNG (the poll ends the day exactly, so the window is the same
// whether or not the chart scrolls by whole pixel columns), and after the last poll the screen is
// compared with the chart drawn anew.
TrendRun TrendWindowOpen(std::size_t rangeIndex, int polls, const QString& picture = {});
TrendRun TrendWindowClosed(int polls);
// Thinning alone: the 24-hour range of one channel to 800 pixel columns.
double ThinSeconds24h(int repeats);

}  // namespace ql50::bench
