#pragma once
// How a figure is printed: one line with its value, the spread of the runs, its target and
// PASS/MISS (or "info" for a break-down figure that has no target of its own).
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace ql50::bench {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start);

// CPU time of the whole process (user + system) and of the calling thread, in seconds.
double ProcessCpuSeconds();
double ThreadCpuSeconds();

// Context switches so far: voluntary ones are sleeps (each needs a wake-up by another thread),
// involuntary ones are preemptions by other runnable work.
struct Switches {
    long voluntary = 0;
    long involuntary = 0;
};
Switches ThreadSwitches();
Switches ProcessSwitches();
Switches operator-(const Switches& a, const Switches& b);

// The middle value (the mean of the two middle ones for an even count); runs on a shared machine
// are noisy, so a figure is the median of its runs, never the best one.
double Median(std::vector<double> values);

// "1,234,567" style with the given decimals.
std::string Grouped(double value, int decimals = 0);

// "median of 3: 1.2 .. 1.5" (nothing for a single run).
std::string Spread(const std::vector<double>& runs, int decimals);

struct Figure {
    std::string id;      // "[3]"
    std::string text;    // the figure, with its unit
    std::string target;  // empty for a break-down figure
    std::optional<bool> pass;
};

void Print(const Figure& figure);
std::string Verdict(bool pass);

}  // namespace ql50::bench
