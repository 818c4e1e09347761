// Stopping the monitor never waits for a hand-over the owner does not serve: not when the owner
// is busy elsewhere, not when the stop comes from inside the byte handler itself.
#include <atomic>
#include <chrono>

#include "port_harness.h"

namespace ql50::porttest {
namespace {

TEST_F(PortTest, StopWhileAHandOverIsPendingReturnsPromptly) {
    ASSERT_TRUE(OpenAndStart());
    owner.Hold();  // the owner never serves
    ASSERT_TRUE(pty.Write({1, 2, 3}));
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 1; }));

    const Clock::time_point start = Clock::now();
    port->StopMonitor();
    EXPECT_LT(Clock::now() - start, kLimit);
    EXPECT_FALSE(port->MonitorRunning());
    EXPECT_TRUE(port->IsOpen());  // stopping keeps the device

    // The notice served late finds nothing: the stopped hand-over is dropped.
    owner.Release();
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_TRUE(owner.ReceivedBytes().empty());

    // A new monitor starts on a purged line.
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(SendAndAwait({4}, 1));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), Bytes{4});
}

TEST_F(PortTest, DestroyingWhileAHandOverIsPendingReturns) {
    ASSERT_TRUE(OpenAndStart());
    owner.Hold();
    ASSERT_TRUE(pty.Write({1}));
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 1; }));
    port.reset();
    owner.DropNotices();
    owner.Release();
    EXPECT_TRUE(owner.ReceivedBytes().empty());
}

TEST_F(PortTest, StopFromInsideTheByteHandler) {
    std::atomic<bool> stopped{false};
    owner.SetByteHook([&](std::uint8_t) {
        port->StopMonitor();
        stopped = true;
    });
    bool started = false;
    owner.Call([&] { started = OpenAndStart(); });
    ASSERT_TRUE(started);
    ASSERT_TRUE(pty.Write({'A', 'B', 'C'}));
    ASSERT_TRUE(Eventually([&] { return stopped.load(); }));
    EXPECT_FALSE(port->MonitorRunning());
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), Bytes{'A'});
    EXPECT_EQ(owner.Notices(), 1u);
    port->StopMonitor();  // again: nothing to do
}

TEST_F(PortTest, StopAndServeWithoutAMonitorDoNothing) {
    CComPort fresh;
    fresh.StopMonitor();
    fresh.StopMonitor();
    fresh.ServeDelivery();
    const Bytes frame{1, 2, 3};
    fresh.QueueWrite(frame.data(), frame.size());  // not open: no buffer, nothing happens
    fresh.Close();
    EXPECT_FALSE(fresh.StartMonitor());
    EXPECT_FALSE(fresh.IsOpen());

    ASSERT_TRUE(OpenAndStart());
    port->StopMonitor();
    const Clock::time_point start = Clock::now();
    port->StopMonitor();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    port->ServeDelivery();
    EXPECT_EQ(owner.Notices(), 0u);
}

}  // namespace
}  // namespace ql50::porttest
