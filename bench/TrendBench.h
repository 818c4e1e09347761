#pragma once
// What the trend costs per poll: with its window open (the model takes the poll's values, the
// window thins the shown range to its width, moves its axes and paints), and with its window
// closed (the model alone). The history holds 24 hours of polls every 2 s before it starts.
#include <cstddef>

namespace ql50::bench {

struct TrendRun {
    double cpuSecondsPerPoll = 0.0;  // the GUI thread
    std::size_t pointsPerChannel = 0;
    std::size_t pointsDrawn = 0;  // after thinning, all channels, at the last poll
};

// `rangeIndex` into the window's ranges (4: 24 h, 1: 10 min).
TrendRun TrendWindowOpen(std::size_t rangeIndex, int polls);
TrendRun TrendWindowClosed(int polls);
// Thinning alone: the 24-hour range of one channel to 800 pixel columns.
double ThinSeconds24h(int repeats);

}  // namespace ql50::bench
