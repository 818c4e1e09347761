#pragma once
// Where the virtual module takes the time from. Tests inject their own source so they can
// advance the module's clock deterministically; everything else uses the system clock.
#include <chrono>
#include <functional>

namespace ql50::sim {

using TimeSource = std::function<std::chrono::system_clock::time_point()>;

inline std::chrono::system_clock::time_point SystemTime() {
    return std::chrono::system_clock::now();
}

}  // namespace ql50::sim
