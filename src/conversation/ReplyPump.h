#pragma once
// The nested message pump under every wait of the conversation.
//
// A wait ends at a whole-second wall-clock deadline (the module's protocol is paced in whole
// seconds), or earlier when its condition holds. While it waits it blocks on the event queue
// (no busy loop) and still handles every event: received bytes, timers, paints and clicks.
#include <functional>

namespace ql50 {

class ReplyPump {
public:
    // Waits until `done` returns true or the wall clock reaches `deadlineSeconds` (seconds since
    // the epoch). Returns whether `done` held. A backwards jump of the wall clock cannot stretch
    // the wait beyond `maxSeconds` of steady time.
    static bool PumpUntil(const std::function<bool()>& done, long long deadlineSeconds,
                          int maxSeconds);
    // Makes every running pump re-check its condition now (called when a reply clears the flag).
    static void WakeAll();
    static long long NowSeconds();
    // How many pumps are running (nested waits).
    static int Depth();
};

}  // namespace ql50
