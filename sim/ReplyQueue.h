#pragma once
// The bytes on their way from the module to the line. Each batch of replies becomes due after
// the module's reply delay; with line-rate pacing the bytes leave no faster than a real serial
// line of that rate would carry them. Writes never block: a full terminal is retried when it
// reports room again.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace ql50::sim {

class ReplyQueue {
public:
    using Clock = std::chrono::steady_clock;

    void Push(std::vector<std::uint8_t> bytes, Clock::time_point due);

    // Writes to the non-blocking descriptor what is due at `now`; bytesPerSecond 0 means
    // as fast as the descriptor takes it.
    void Flush(int fd, unsigned bytesPerSecond, Clock::time_point now);

    // The descriptor took less than offered: wait until it is writable.
    bool Blocked() const { return blocked_; }
    bool Empty() const { return chunks_.empty(); }
    std::size_t PendingBytes() const;

    // Milliseconds until something is due (-1: nothing), also counting the time until the
    // module has unsolicited bytes, which is rechecked at least every second.
    int PollTimeout(Clock::time_point now,
                    std::optional<std::chrono::milliseconds> unsolicited) const;

private:
    struct Chunk {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
    };
    std::size_t Allowed(unsigned bytesPerSecond, Clock::time_point now);

    std::deque<Chunk> chunks_;
    Clock::time_point nextByte_{};
    unsigned bytesPerSecond_ = 0;
    bool blocked_ = false;
};

}  // namespace ql50::sim
