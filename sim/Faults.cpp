#include "sim/Faults.h"

#include <algorithm>

namespace ql50::sim {

void Faults::SetWatchdogPeriod(std::chrono::seconds period, TimePoint now) {
    watchdogPeriod_ = std::max(period, std::chrono::seconds{0});
    nextWatchdog_ = now + watchdogPeriod_;
}

void Faults::SetLineRate(unsigned baud) {
    bytesPerSecond = baud / 10;
    if (baud > 0 && bytesPerSecond == 0) bytesPerSecond = 1;
}

void Faults::Emit(const std::vector<Frame>& replies, std::vector<std::uint8_t>& out) {
    if (replies.empty()) return;
    if (noticeBeforeReply_) {
        out.insert(out.end(), kWatchdogNotice.begin(), kWatchdogNotice.end());
        noticeBeforeReply_ = false;
    }
    if (strayPending_) {
        out.push_back(kStrayByte);
        strayPending_ = false;
    }
    out.reserve(out.size() + replies.size() * kFrameSize);
    for (Frame reply : replies) {
        if (badChecksum) reply[kPosChecksum] ^= 0xFF;
        out.insert(out.end(), reply.begin(), reply.end());
    }
}

std::vector<std::uint8_t> Faults::TakeUnsolicited(TimePoint now) {
    if (silent) return {};
    const bool periodicDue = watchdogPeriod_.count() > 0 && now >= nextWatchdog_;
    if (!noticeNow_ && !periodicDue) return {};
    noticeNow_ = false;
    if (periodicDue) nextWatchdog_ = now + watchdogPeriod_;
    return {kWatchdogNotice.begin(), kWatchdogNotice.end()};
}

std::optional<std::chrono::milliseconds> Faults::TimeUntilUnsolicited(TimePoint now) const {
    if (noticeNow_) return std::chrono::milliseconds{0};
    if (watchdogPeriod_.count() == 0) return std::nullopt;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextWatchdog_ - now);
    return std::max(left, std::chrono::milliseconds{0});
}

}  // namespace ql50::sim
