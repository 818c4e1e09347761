// Between module and line: requests found in a noisy byte stream, and reply timing (delay,
// pacing at the line rate, a full terminal) driven with explicit times into a pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <numeric>

#include "SimTestSupport.h"
#include "sim/ReplyQueue.h"
#include "sim/RequestAssembler.h"

namespace ql50::sim::test {
namespace {

std::vector<Frame> Assemble(const Bytes& bytes) {
    RequestAssembler assembler;
    std::vector<Frame> frames;
    Frame frame;
    for (std::uint8_t b : bytes)
        if (assembler.Push(b, &frame)) frames.push_back(frame);
    return frames;
}

TEST(RequestAssembler, FindsRequestsInNoisyStreams) {
    const Frame a = Request(kReadValue, 3, 1);
    const Frame b = Request(kWriteParam, 4, 32, {0x28, 0x29, 0x28, 0x00});  // "()(" as data
    Frame badA = a;
    badA[kPosChecksum] ^= 0x01;
    const struct {
        const char* name;
        Bytes input;
        std::vector<Frame> expected;
    } cases[] = {
        {"two clean requests, data bytes equal to frame bytes",
         Concat({ToBytes(a), ToBytes(b)}),
         {a, b}},
        {"noise before a request", Concat({{0x00, 0xFF, 0x29}, ToBytes(a)}), {a}},
        {"bad checksum, then a good request", Concat({ToBytes(badA), ToBytes(b)}), {b}},
        {"request cut short by the next one",
         Concat({Bytes(a.begin(), a.begin() + 5), ToBytes(b)}),
         {b}},
        {"stray start byte before a request", Concat({{0x28}, ToBytes(a)}), {a}},
        {"only noise", {0x28, 0x28, 0x01, 0x02, 0x29, 0x28}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Assemble(c.input), c.expected) << c.name;
}

using Clock = ReplyQueue::Clock;

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0); }
    ~Pipe() {
        close(fds[0]);
        close(fds[1]);
    }
    std::size_t Flush(ReplyQueue& q, unsigned rate, Clock::time_point at) {
        q.Flush(fds[1], rate, at);
        std::uint8_t buf[4096];
        std::size_t total = 0;
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) total += std::size_t(n);
        return total;
    }
};

TEST(ReplyQueue, UnpacedBytesLeaveInOrderWhenDue) {
    Pipe pipe;
    ReplyQueue queue;
    const Clock::time_point t0{};
    EXPECT_EQ(queue.PollTimeout(t0, 250ms), 250) << "unsolicited bytes bound the wait";
    queue.Push({1, 2, 3}, t0);
    queue.Push({4, 5}, t0);
    queue.Push(Bytes(11, 6), t0 + 300ms);
    EXPECT_EQ(queue.PollTimeout(t0, std::nullopt), 0);
    queue.Flush(pipe.fds[1], 0, t0);
    std::uint8_t buf[16];
    ASSERT_EQ(read(pipe.fds[0], buf, sizeof buf), 5);
    EXPECT_EQ(Bytes(buf, buf + 5), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(queue.PollTimeout(t0, std::nullopt), 300);
    EXPECT_EQ(queue.PollTimeout(t0, 100ms), 100);
    EXPECT_EQ(pipe.Flush(queue, 0, t0 + 299ms), 0u);
    EXPECT_EQ(pipe.Flush(queue, 0, t0 + 300ms), 11u);
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.PollTimeout(t0, std::nullopt), -1) << "nothing to do: sleep until woken";
}

TEST(ReplyQueue, PacedBytesFollowTheLineRateWithoutBurstingAfterAPause) {
    Pipe pipe;
    ReplyQueue queue;
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    queue.Push(Bytes(100, 0x55), t0);
    // At 100 bytes per second; a server that wakes late catches up the missed bytes.
    std::size_t total = 0;
    for (const auto& [at, expected, timeout] :
         {std::tuple{0ms, 1u, 10}, {5ms, 1u, 5}, {10ms, 2u, 10}, {30ms, 4u, 10}}) {
        total += pipe.Flush(queue, 100, t0 + at);
        EXPECT_EQ(total, expected) << "at " << at.count() << " ms";
        EXPECT_EQ(queue.PollTimeout(t0 + at, std::nullopt), timeout) << "at " << at.count();
    }
    auto at = t0 + 40ms;
    for (; !queue.Empty() && at < t0 + 2s; at += 10ms) total += pipe.Flush(queue, 100, at);
    EXPECT_EQ(total, 100u);
    EXPECT_EQ(at - 10ms, t0 + 990ms) << "the hundredth byte leaves after 99 byte times";
    queue.Push(Bytes(50, 1), t0 + 10s);
    EXPECT_EQ(pipe.Flush(queue, 100, t0 + 10s), 1u) << "one byte however long the pause";
}

TEST(ReplyQueue, FullDescriptorWaitsForTheLineNotATimer) {
    Pipe pipe;
    ReplyQueue queue;
    const std::size_t big = 1 << 20;  // more than any pipe buffer
    queue.Push(Bytes(big, 0x55), {});
    std::size_t received = pipe.Flush(queue, 0, {});
    EXPECT_TRUE(queue.Blocked());
    EXPECT_EQ(queue.PollTimeout({}, std::nullopt), -1) << "wait for POLLOUT";
    EXPECT_EQ(queue.PollTimeout({}, 5000ms), 1000) << "unsolicited bytes are rechecked";
    while (!queue.Empty()) received += pipe.Flush(queue, 0, {});
    EXPECT_EQ(received, big);
}

}  // namespace
}  // namespace ql50::sim::test
