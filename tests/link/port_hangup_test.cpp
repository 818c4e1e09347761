// A line that goes away (the module's adapter unplugged, the pseudo-terminal's other end
// closed) is reported once; the channel closes itself, its monitor ends without spinning, and
// the next open works again.
#include <chrono>
#include <thread>

#include "port_harness.h"

namespace ql50::porttest {
namespace {

using std::chrono::milliseconds;

bool ClosedReadReport(const TestOwner::Report& report) {
    const std::string head = "WARNING:  ReadFile() Failed with the following error: \n";
    const std::string tail = "\n\nPort: 3\n";
    return report.channelClosed && report.text.compare(0, head.size(), head) == 0 &&
           report.text.size() > head.size() + tail.size() &&
           report.text.compare(report.text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(PortTest, HangUpIsReportedOnceAndClosesTheChannel) {
    ASSERT_TRUE(OpenAndStart());
    ASSERT_TRUE(SendAndAwait({0x11}, 1));
    owner.Hold();
    pty.CloseMaster();
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 2; }));
    EXPECT_FALSE(port->IsOpen());  // given up before the owner is told

    // While the report waits for the owner, the monitor sleeps: no CPU goes anywhere.
    const auto cpuBefore = ProcessCpuTime();
    const Clock::time_point wallBefore = Clock::now();
    Eventually([] { return false; }, milliseconds(300));
    EXPECT_LT(ProcessCpuTime() - cpuBefore, (Clock::now() - wallBefore) / 3);

    owner.Release();
    ASSERT_TRUE(Eventually([&] { return !port->MonitorRunning(); }));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    const auto reports = owner.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(ClosedReadReport(reports[0])) << reports[0].text;
    EXPECT_EQ(reports[0].thread, owner.ServingThread());
    EXPECT_EQ(owner.Notices(), 2u);
    EXPECT_FALSE(port->StartMonitor());  // nothing to monitor until it is opened again

    // The owner's next operation reopens the channel.
    const Bytes frame{9, 8, 7};
    port->QueueWrite(frame.data(), frame.size());
    Pty replacement;
    ASSERT_TRUE(replacement.Ok());
    ASSERT_TRUE(port->Open(&owner, kPortNumber, replacement.Path(), 9600, 'N', 8, 1, 0x40F, 512));
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(replacement.Write({0x22}));
    ASSERT_TRUE(Eventually([&] { return owner.ReceivedBytes().size() == 2; }));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{0x11, 0x22}));
    port->QueueWrite(frame.data(), frame.size());
    EXPECT_EQ(replacement.Read(frame.size()), frame);
    EXPECT_EQ(owner.Reports().size(), 1u);
    port->StopMonitor();
}

// A device that reads end-of-file at once (not a terminal at all) is given up the same way,
// after its configuration failure was reported.
TEST_F(PortTest, EndOfFileIsReportedOnceWithoutSpinning) {
    ASSERT_TRUE(port->Open(&owner, kPortNumber, "/dev/null", 9600, 'N', 8, 1, 0x40F, 512));
    ASSERT_EQ(owner.Reports().size(), 1u);
    EXPECT_EQ(
        owner.Reports()[0].text,
        CComPort::ComposeError("GetCommState()", "Inappropriate ioctl for device\n", kPortNumber));

    const auto cpuBefore = ProcessCpuTime();
    const Clock::time_point wallBefore = Clock::now();
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(Eventually([&] { return !port->MonitorRunning(); }));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    Eventually([] { return false; }, milliseconds(200));  // would show a thread left spinning
    EXPECT_LT(ProcessCpuTime() - cpuBefore, (Clock::now() - wallBefore) / 3);

    const auto reports = owner.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].text, CComPort::ComposeError("ReadFile()", "hang-up\n", kPortNumber));
    EXPECT_TRUE(reports[1].channelClosed);
    EXPECT_FALSE(port->IsOpen());
}

}  // namespace
}  // namespace ql50::porttest
