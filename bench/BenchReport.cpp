#include "BenchReport.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <ctime>

namespace ql50::bench {

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

namespace {
Switches SwitchesOf(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return {usage.ru_nvcsw, usage.ru_nivcsw};
}
}  // namespace

Switches ThreadSwitches() {
    return SwitchesOf(RUSAGE_THREAD);
}
Switches ProcessSwitches() {
    return SwitchesOf(RUSAGE_SELF);
}

Switches operator-(const Switches& a, const Switches& b) {
    return {a.voluntary - b.voluntary, a.involuntary - b.involuntary};
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2;
}

std::string Grouped(double value, int decimals) {
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.*f", decimals, std::fabs(value));
    std::string text = digits;
    const std::size_t point = std::min(text.find('.'), text.size());
    for (std::size_t pos = point; pos > 3; pos -= 3)
        text.insert(text.begin() + std::ptrdiff_t(pos - 3), ',');
    if (value < 0) text.insert(text.begin(), '-');
    return text;
}

std::string Spread(const std::vector<double>& runs, int decimals) {
    if (runs.size() < 2) return {};
    const auto [low, high] = std::minmax_element(runs.begin(), runs.end());
    return " (median of " + std::to_string(runs.size()) + ": " + Grouped(*low, decimals) + " .. " +
           Grouped(*high, decimals) + ")";
}

std::string Verdict(bool pass) {
    return pass ? "PASS" : "MISS";
}

void Print(const Figure& figure) {
    const std::string target = figure.target.empty() ? "" : "   target " + figure.target;
    const std::string verdict = figure.pass ? "   " + Verdict(*figure.pass) : "   info";
    std::printf("%-5s %s%s%s\n", figure.id.c_str(), figure.text.c_str(), target.c_str(),
                verdict.c_str());
    std::fflush(stdout);
}

}  // namespace ql50::bench
