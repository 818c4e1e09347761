#pragma once
// The nested message pump under every wait of the conversation.
//
// A wait ends at a whole-second wall-clock deadline (the module's protocol is paced in whole
// seconds), or earlier when its condition holds. While it waits it blocks on the event queue
// (no busy loop) and still handles every event: received bytes, timers, paints and clicks.
#include <chrono>
#include <functional>

namespace ql50 {

class ReplyPump {
public:
    // Waits until `done` returns true or the wall clock reaches `deadlineSeconds` (seconds since
    // the epoch). Returns whether `done` held. A backwards jump of the wall clock cannot stretch
    // the wait beyond `maxSeconds` of steady time.
    static bool PumpUntil(const std::function<bool()>& done, long long deadlineSeconds,
                          int maxSeconds);
    // Waits until `done` returns true or `limit` of steady time has passed: the short waits that
    // a frame's time on the line measures, not the protocol's whole seconds.
    static bool PumpFor(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // Makes every running pump re-check its condition now (called when a reply clears the flag).
    static void WakeAll();
    static long long NowSeconds();
    // How many pumps are running (nested waits).
    static int Depth();

private:
    // Serves events until `done` holds (true) or `msLeft` says no time is left (false).
    static bool Pump(const std::function<bool()>& done, const std::function<long long()>& msLeft);
};

}  // namespace ql50
