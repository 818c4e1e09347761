#include "sim/ReplyQueue.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace ql50::sim {

namespace {

using std::chrono::milliseconds;

// A paced line that was idle may catch up at most this much time in one burst.
constexpr auto kCatchUp = milliseconds{20};
constexpr auto kUnsolicitedRecheck = milliseconds{1000};

std::chrono::nanoseconds ByteTime(unsigned bytesPerSecond) {
    return std::chrono::nanoseconds{1'000'000'000LL / bytesPerSecond};
}

}  // namespace

void ReplyQueue::Push(std::vector<std::uint8_t> bytes, Clock::time_point due) {
    if (bytes.empty()) return;
    chunks_.push_back(Chunk{due, std::move(bytes), 0});
}

std::size_t ReplyQueue::PendingBytes() const {
    std::size_t total = 0;
    for (const Chunk& c : chunks_) total += c.bytes.size() - c.sent;
    return total;
}

// Number of bytes the paced line may send now; unpaced: unlimited.
std::size_t ReplyQueue::Allowed(unsigned bytesPerSecond, Clock::time_point now) {
    if (bytesPerSecond == 0) return std::numeric_limits<std::size_t>::max();
    nextByte_ = std::max(nextByte_, now - kCatchUp);
    if (nextByte_ > now) return 0;
    return 1 + std::size_t((now - nextByte_) / ByteTime(bytesPerSecond));
}

void ReplyQueue::Flush(int fd, unsigned bytesPerSecond, Clock::time_point now) {
    bytesPerSecond_ = bytesPerSecond;
    blocked_ = false;
    while (!chunks_.empty() && chunks_.front().due <= now) {
        Chunk& chunk = chunks_.front();
        nextByte_ = std::max(nextByte_, chunk.due);
        const std::size_t offer =
            std::min(chunk.bytes.size() - chunk.sent, Allowed(bytesPerSecond, now));
        if (offer == 0) return;
        const ssize_t written = write(fd, chunk.bytes.data() + chunk.sent, offer);
        if (written < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) blocked_ = true;
            // Any other failure means nobody can receive: the replies are lost on the line.
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) chunks_.clear();
            return;
        }
        chunk.sent += std::size_t(written);
        if (bytesPerSecond > 0) nextByte_ += written * ByteTime(bytesPerSecond);
        if (chunk.sent == chunk.bytes.size()) chunks_.pop_front();
        if (std::size_t(written) < offer) {
            blocked_ = true;
            return;
        }
    }
}

int ReplyQueue::PollTimeout(Clock::time_point now, std::optional<milliseconds> unsolicited) const {
    std::optional<milliseconds> wait;
    if (!chunks_.empty() && !blocked_) {
        Clock::time_point at = chunks_.front().due;
        if (bytesPerSecond_ > 0) at = std::max(at, nextByte_);
        wait = std::max(std::chrono::ceil<milliseconds>(at - now), milliseconds{0});
    }
    if (unsolicited) {
        const milliseconds recheck = std::min(*unsolicited, kUnsolicitedRecheck);
        wait = wait ? std::min(*wait, recheck) : recheck;
    }
    return wait ? int(wait->count()) : -1;
}

}  // namespace ql50::sim
