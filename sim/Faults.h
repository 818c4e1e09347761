#pragma once
// The virtual module's misbehaviour on demand: silence, a silent register, bad checksums, a stray
// byte, watchdog notices, reply delay and line-rate pacing. The module holds one Faults and calls
// it under its own lock; the pty server carries out the timing (delay, pacing).
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "link/Frame.h"

namespace ql50::sim {

// After a watchdog reset the module announces itself with this text, nine bytes starting with
// "WD", sent between replies or on its own.
inline constexpr std::array<std::uint8_t, 9> kWatchdogNotice{'W', 'D', '-', 'R', 'E',
                                                             'S', 'E', 'T', '\r'};
// The byte that the stray-byte fault puts before a reply.
inline constexpr std::uint8_t kStrayByte = 0x00;

class Faults {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    // A silent module neither answers nor acts on anything it receives.
    bool silent = false;
    // Every reply goes out with a wrong checksum while set.
    bool badChecksum = false;
    std::chrono::milliseconds replyDelay{0};
    unsigned bytesPerSecond = 0;  // 0: unpaced
    // A module set to this rate hears nothing while the line runs at another one; 0: any rate.
    unsigned strictRate = 0;

    // Requests for this operation and register are neither executed nor answered.
    void SilenceRegister(std::uint8_t op, std::uint8_t reg) { silenced_.insert(Key(op, reg)); }
    void ClearSilencedRegisters() {
        silenced_.clear();
        unkept_.clear();
    }
    bool Ignores(std::uint8_t op, std::uint8_t reg) const {
        return silenced_.contains(Key(op, reg));
    }
    // Requests for this operation and register are answered as usual but not carried out (a
    // write the module acknowledges and does not keep).
    void AcknowledgeOnly(std::uint8_t op, std::uint8_t reg) { unkept_.insert(Key(op, reg)); }
    bool Keeps(std::uint8_t op, std::uint8_t reg) const { return !unkept_.contains(Key(op, reg)); }

    void InjectStrayByte() { strayPending_ = true; }
    void QueueWatchdogNotice() { noticeBeforeReply_ = true; }
    void SendWatchdogNoticeNow() { noticeNow_ = true; }
    void SetWatchdogPeriod(std::chrono::seconds period, TimePoint now);
    // Bytes per second = baud / 10, at least 1 for any baud above 0.
    void SetLineRate(unsigned baud);

    // Appends the replies to `out` with the faults that are due before and in them.
    void Emit(const std::vector<Frame>& replies, std::vector<std::uint8_t>& out);
    // The watchdog notice the module sends on its own now, if one is due.
    std::vector<std::uint8_t> TakeUnsolicited(TimePoint now);
    std::optional<std::chrono::milliseconds> TimeUntilUnsolicited(TimePoint now) const;

private:
    static std::uint16_t Key(std::uint8_t op, std::uint8_t reg) {
        return std::uint16_t(op << 8 | reg);
    }

    std::set<std::uint16_t> silenced_;
    std::set<std::uint16_t> unkept_;
    bool strayPending_ = false;
    bool noticeBeforeReply_ = false;
    bool noticeNow_ = false;
    std::chrono::seconds watchdogPeriod_{0};
    TimePoint nextWatchdog_{};
};

}  // namespace ql50::sim
