// Reply timing between module and line: delay, pacing at the line rate and a full terminal,
// driven with explicit times into a pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <numeric>

#include "sim/ReplyQueue.h"

namespace ql50::sim {
namespace {

using namespace std::chrono_literals;
using Clock = ReplyQueue::Clock;

class Pipe {
  public:
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
            read_ = fds[0];
            write_ = fds[1];
        }
    }
    ~Pipe() {
        if (read_ >= 0) close(read_);
        if (write_ >= 0) close(write_);
    }
    int WriteEnd() const { return write_; }
    std::vector<std::uint8_t> Drain() {
        std::vector<std::uint8_t> out;
        std::uint8_t buf[4096];
        ssize_t n;
        while ((n = read(read_, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
        return out;
    }

  private:
    int read_ = -1;
    int write_ = -1;
};

std::vector<std::uint8_t> Counting(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), std::uint8_t{0});
    return v;
}

TEST(ReplyQueue, UnpacedBytesLeaveAtOnceAndInOrder) {
    Pipe pipe;
    ReplyQueue queue;
    const Clock::time_point t0{};
    queue.Push(Counting(11), t0);
    queue.Push({0xAA, 0xBB}, t0);
    EXPECT_EQ(queue.PollTimeout(t0, std::nullopt), 0);
    queue.Flush(pipe.WriteEnd(), 0, t0);
    std::vector<std::uint8_t> expected = Counting(11);
    expected.insert(expected.end(), {0xAA, 0xBB});
    EXPECT_EQ(pipe.Drain(), expected);
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.PollTimeout(t0, std::nullopt), -1) << "nothing to do: sleep until woken";
}

TEST(ReplyQueue, DelayedRepliesWaitUntilDue) {
    Pipe pipe;
    ReplyQueue queue;
    const Clock::time_point t0{};
    queue.Push(Counting(11), t0 + 300ms);
    queue.Flush(pipe.WriteEnd(), 0, t0);
    EXPECT_TRUE(pipe.Drain().empty());
    EXPECT_EQ(queue.PollTimeout(t0, std::nullopt), 300);
    queue.Flush(pipe.WriteEnd(), 0, t0 + 299ms);
    EXPECT_TRUE(pipe.Drain().empty());
    queue.Flush(pipe.WriteEnd(), 0, t0 + 300ms);
    EXPECT_EQ(pipe.Drain().size(), 11u);
}

TEST(ReplyQueue, PacedBytesFollowTheLineRate) {
    Pipe pipe;
    ReplyQueue queue;
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    queue.Push(Counting(100), t0);
    struct Step {
        std::chrono::milliseconds at;
        std::size_t total;  // bytes on the line by then at 100 bytes per second
        int timeout;
    };
    // A server that wakes late catches up the missed bytes (up to a short burst).
    const Step steps[] = {{0ms, 1, 10}, {5ms, 1, 5}, {10ms, 2, 10}, {30ms, 4, 10}};
    std::size_t total = 0;
    for (const Step& s : steps) {
        queue.Flush(pipe.WriteEnd(), 100, t0 + s.at);
        total += pipe.Drain().size();
        EXPECT_EQ(total, s.total) << "at " << s.at.count() << " ms";
        EXPECT_EQ(queue.PollTimeout(t0 + s.at, std::nullopt), s.timeout) << "at " << s.at.count();
    }
    auto at = t0 + 40ms;
    for (; !queue.Empty() && at < t0 + 2s; at += 10ms) {
        queue.Flush(pipe.WriteEnd(), 100, at);
        total += pipe.Drain().size();
    }
    EXPECT_EQ(total, 100u);
    EXPECT_EQ(at - 10ms, t0 + 990ms) << "the hundredth byte leaves after 99 byte times";
}

TEST(ReplyQueue, IdleLineDoesNotBurstAfterAPause) {
    Pipe pipe;
    ReplyQueue queue;
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    queue.Push({1}, t0);
    queue.Flush(pipe.WriteEnd(), 100, t0);
    queue.Push(Counting(50), t0 + 10s);
    queue.Flush(pipe.WriteEnd(), 100, t0 + 10s);
    EXPECT_EQ(pipe.Drain().size(), 2u) << "one byte each time, however long the pause";
}

TEST(ReplyQueue, FullDescriptorBlocksUntilWritable) {
    Pipe pipe;
    ReplyQueue queue;
    const Clock::time_point t0{};
    const std::size_t big = 1 << 20;  // more than any pipe buffer
    queue.Push(std::vector<std::uint8_t>(big, 0x55), t0);
    queue.Flush(pipe.WriteEnd(), 0, t0);
    EXPECT_TRUE(queue.Blocked());
    EXPECT_EQ(queue.PollTimeout(t0, std::nullopt), -1) << "wait for POLLOUT, not a timer";
    EXPECT_EQ(queue.PollTimeout(t0, 5000ms), 1000) << "unsolicited bytes are rechecked";
    std::size_t received = pipe.Drain().size();
    while (!queue.Empty()) {
        queue.Flush(pipe.WriteEnd(), 0, t0);
        received += pipe.Drain().size();
    }
    EXPECT_EQ(received, big);
}

TEST(ReplyQueue, UnsolicitedBytesShortenTheWait) {
    ReplyQueue queue;
    const Clock::time_point t0{};
    EXPECT_EQ(queue.PollTimeout(t0, 250ms), 250);
    queue.Push({1}, t0 + 100ms);
    EXPECT_EQ(queue.PollTimeout(t0, 250ms), 100);
}

}  // namespace
}  // namespace ql50::sim
