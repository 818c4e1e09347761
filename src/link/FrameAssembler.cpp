#include "link/FrameAssembler.h"

#include <algorithm>
#include <cstdio>

namespace ql50 {

namespace {

// The module's watchdog notice starts with these two bytes. The pair is looked for eight and
// nine bytes back from the newest byte, so a notice that starts a block is seen on its ninth
// byte and one that starts two bytes into a block on the eleventh, before the frame check.
constexpr std::uint8_t kWatchdogFirst = 'W';
constexpr std::uint8_t kWatchdogSecond = 'D';
constexpr std::uint8_t kWatchdogLookBack = 9;

}  // namespace

RxEvent FrameAssembler::Push(std::uint8_t byte) {
    // The count never exceeds 10 between calls, so the store stays inside the 11 bytes.
    rxFrame_[rxCount_] = byte;
    ++rxCount_;
    if (WatchdogPairHeld()) {
        rxCount_ = 0;
        return RxEvent::WatchdogNotice;
    }
    if (rxCount_ < kFrameSize) return RxEvent::None;
    rxCount_ = 0;
    return CheckBlock();
}

bool FrameAssembler::WatchdogPairHeld() const {
    if (rxCount_ < kWatchdogLookBack) return false;
    const std::size_t first = rxCount_ - kWatchdogLookBack;
    return rxFrame_[first] == kWatchdogFirst && rxFrame_[first + 1] == kWatchdogSecond;
}

RxEvent FrameAssembler::CheckBlock() {
    if (FrameIsValid(rxFrame_)) return RxEvent::ValidFrame;
    frameError_ = true;
    return RxEvent::BadFrame;
}

std::string FormatWatchdogLine(const std::tm& localTime) {
    // Widened before the offsets are added, so even a nonsensical time cannot overflow.
    char line[128];
    const int length =
        std::snprintf(line, sizeof line, "%02lld.%02lld.%02lld\t%02lld:%02lld\tWD-RESET \n\r",
                      static_cast<long long>(localTime.tm_mday), localTime.tm_mon + 1LL,
                      localTime.tm_year + 1900LL, static_cast<long long>(localTime.tm_hour),
                      static_cast<long long>(localTime.tm_min));
    if (length < 0) return {};
    return std::string(line, std::min(std::size_t(length), sizeof line - 1));
}

}  // namespace ql50
