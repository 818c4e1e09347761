// Waits of the tests for something another thread or the event loop brings about. Every wait
// ends at a limit far above what it should ever take, so a busy machine only makes it slower.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace ql50::test {

inline constexpr int kWaitLimitMs = 20000;
inline constexpr std::chrono::milliseconds kWaitLimit{kWaitLimitMs};

// On a thread with a Qt event loop: serves events until condition holds (true) or timeoutMs
// pass (false). Posted events are taken at once, so a serial channel that hands bytes over one
// at a time goes at its own pace.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kWaitLimitMs);

// On a plain thread without an event loop: polls condition every millisecond until it holds
// (true) or limit passes (false).
template <class Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = kWaitLimit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace ql50::test
