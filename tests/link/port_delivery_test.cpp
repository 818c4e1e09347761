// Bytes in both directions: every received byte reaches the owner on its own, in order, and a
// command leaves exactly as queued, after the stale input has been purged.
#include <random>
#include <thread>

#include "port_harness.h"

namespace ql50::porttest {
namespace {

const Bytes kFrame{0x02, 0x00, 0x01, 0x00, 0x00, 0x35, 0x00, 0x00, 0x00, 0xC8, 0x03};
const Bytes kOtherFrame{0x02, 0x01, 0x00, 0x04, 0x12, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x03};

TEST_F(PortTest, LongRandomStreamArrivesInOrderOneHandOverPerByte) {
    constexpr std::size_t kCount = 6000;
    std::mt19937 random(20240611);
    Bytes stream(kCount);
    for (std::uint8_t& byte : stream) byte = static_cast<std::uint8_t>(random());
    ASSERT_TRUE(OpenAndStart());

    bool wroteAll = false;
    std::thread module([&] { wroteAll = pty.Write(stream, std::chrono::seconds(60)); });
    const bool arrived = Eventually([&] { return owner.ReceivedBytes().size() >= kCount; },
                                    std::chrono::seconds(60));
    module.join();
    ASSERT_TRUE(wroteAll);
    ASSERT_TRUE(arrived);
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), stream);
    EXPECT_EQ(owner.Notices(), kCount);
    EXPECT_EQ(owner.Served(), kCount);
    EXPECT_TRUE(owner.Reports().empty());
}

TEST_F(PortTest, CommandLeavesExactlyAsQueued) {
    ASSERT_TRUE(OpenAndStart());
    port->QueueWrite(kFrame.data(), kFrame.size());
    EXPECT_EQ(pty.Read(kFrame.size()), kFrame);
    // The next command follows directly: nothing was added, nothing repeated.
    port->QueueWrite(kOtherFrame.data(), kOtherFrame.size());
    EXPECT_EQ(pty.Read(kOtherFrame.size()), kOtherFrame);
    EXPECT_TRUE(owner.Reports().empty());
}

TEST_F(PortTest, WriteLengthIsTakenAsEightBitsAndLimitedByTheBuffer) {
    ASSERT_TRUE(OpenAndStart());
    Bytes long_(256 + kFrame.size(), 0xEE);
    std::copy(kFrame.begin(), kFrame.end(), long_.begin());
    port->QueueWrite(long_.data(), long_.size());  // 267 taken as 8 bits is 11
    EXPECT_EQ(pty.Read(kFrame.size()), kFrame);
    port->QueueWrite(kOtherFrame.data(), kOtherFrame.size());
    EXPECT_EQ(pty.Read(kOtherFrame.size()), kOtherFrame);

    // A four-byte buffer takes the first four bytes only.
    ASSERT_TRUE(OpenPort(9600, 'N', 8, 1, 4));
    ASSERT_TRUE(port->StartMonitor());
    port->QueueWrite(kFrame.data(), kFrame.size());
    EXPECT_EQ(pty.Read(4), Bytes(kFrame.begin(), kFrame.begin() + 4));
    port->QueueWrite(nullptr, 9);  // nothing to copy: nothing is sent
    const Bytes tail{0x0A, 0x0B};
    port->QueueWrite(tail.data(), tail.size());
    EXPECT_EQ(pty.Read(2), tail);
}

// The owner is busy with one byte while more arrive; a command queued meanwhile purges what
// has not been handed over, so the reply that follows is read from a clean line.
TEST_F(PortTest, CommandPurgesBytesNotHandedOver) {
    ASSERT_TRUE(OpenAndStart());
    owner.Hold();
    ASSERT_TRUE(pty.Write({'A'}));
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 1; }));  // the monitor holds 'A'
    ASSERT_TRUE(pty.Write({'B', 'C', 'D'}));                        // waiting in the driver
    port->QueueWrite(kFrame.data(), kFrame.size());
    owner.Release();
    EXPECT_EQ(pty.Read(kFrame.size()), kFrame);
    ASSERT_TRUE(SendAndAwait({'E'}, 2));

    // Several bytes in one go: whatever the monitor had read ahead is dropped as well.
    owner.Hold();
    ASSERT_TRUE(pty.Write({'F', 'G', 'H', 'I'}));
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 3; }));
    port->QueueWrite(kOtherFrame.data(), kOtherFrame.size());
    owner.Release();
    EXPECT_EQ(pty.Read(kOtherFrame.size()), kOtherFrame);
    ASSERT_TRUE(SendAndAwait({'J'}, 4));

    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{'A', 'E', 'F', 'J'}));
    EXPECT_EQ(owner.Notices(), 4u);
}

TEST_F(PortTest, CommandQueuedFromTheByteHandlerIsWritten) {
    // The reply handler sends the next request of a chain from inside OnPortByte.
    owner.SetByteHook([&](std::uint8_t byte) {
        if (byte == 0x03) port->QueueWrite(kOtherFrame.data(), kOtherFrame.size());
    });
    ASSERT_TRUE(OpenAndStart());
    ASSERT_TRUE(SendAndAwait({0x02, 0x03}, 2));
    EXPECT_EQ(pty.Read(kOtherFrame.size()), kOtherFrame);
    ASSERT_TRUE(SendAndAwait({0x07}, 3));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{0x02, 0x03, 0x07}));
}

}  // namespace
}  // namespace ql50::porttest
