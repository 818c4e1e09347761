// The serial channel against a pseudo-terminal: opening and line settings, bytes in both
// directions (what a read brings in one hand-over, purge before a command), stopping without
// waiting for the owner, a line that goes away, and the exact text of its error box.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "TestOwner.h"
#include "link/CComPort.h"
#include "support/CpuTime.h"
#include "support/Pty.h"

namespace ql50::porttest {
namespace {

using std::chrono::milliseconds;
using test::Bytes;
using test::Eventually;
using test::ProcessCpuTime;
using test::Pty;
using Clock = std::chrono::steady_clock;

// A pseudo-terminal, an owner and a channel on COM 3, torn down in an order that never leaves
// the serving thread with a channel that is gone.
class PortTest : public ::testing::Test {
protected:
    static constexpr int kPortNumber = 3;

    void SetUp() override { ASSERT_TRUE(pty.Ok()); }
    ~PortTest() override {
        if (port) port->StopMonitor();
        owner.Stop();
    }

    bool OpenPort(int baudRate = 9600, char parity = 'N', int dataBits = 8, int stopBits = 1,
                  std::size_t writeBufferSize = 512) {
        return port->Open(&owner, kPortNumber, pty.Path(), baudRate, parity, dataBits, stopBits,
                          0x40F, writeBufferSize);
    }
    bool OpenAndStart() { return OpenPort() && port->StartMonitor(); }
    // The module sends `bytes`; waits until the owner holds `total` bytes in all.
    bool SendAndAwait(const Bytes& bytes, std::size_t total) {
        return pty.Write(bytes) &&
               Eventually([&] { return owner.ReceivedBytes().size() >= total; });
    }
    // The module sends `first`, which the owner is handed but does not take, and then `rest`,
    // which waits in the driver meanwhile; then the owner takes them. Its hand-overs so far
    // number `notices` with the one of `first`.
    bool SendWhileTheOwnerIsBusy(const Bytes& first, const Bytes& rest, std::size_t notices) {
        owner.Hold();
        const bool waiting =
            pty.Write(first) && Eventually([&] { return owner.Notices() == notices; }) &&
            pty.Write(rest) && Eventually([&] {
                int queued = 0;
                return ioctl(pty.SlaveFd(), FIONREAD, &queued) == 0 && queued == int(rest.size());
            });
        owner.Release();
        return waiting;
    }

    Pty pty;
    TestOwner owner;
    std::unique_ptr<CComPort> port = std::make_unique<CComPort>();
};

const Bytes kFrame{0x02, 0x00, 0x01, 0x00, 0x00, 0x35, 0x00, 0x00, 0x00, 0xC8, 0x03};
const Bytes kOtherFrame{0x02, 0x01, 0x00, 0x04, 0x12, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x03};

// ---- the error box text ------------------------------------------------------------------

TEST(ComposeError, LayoutIsByteExactAndCutTo199Bytes) {
    EXPECT_EQ(CComPort::ComposeError("SetCommState()", "Invalid argument\n", 3),
              "WARNING:  SetCommState() Failed with the following error: \n"
              "Invalid argument\n\nPort: 3\n");
    // Exactly 199 bytes fit whole; one more is cut.
    const std::string fits(
        199 - std::string("WARNING:  A Failed with the following error: \n\nPort: 1\n").size(),
        'y');
    EXPECT_EQ(CComPort::ComposeError("A", fits, 1).size(), 199u);
    EXPECT_EQ(CComPort::ComposeError("A", fits, 1).back(), '\n');
    const std::string cut = CComPort::ComposeError("A", fits + "y", 1);
    EXPECT_EQ(cut.size(), 199u);
    EXPECT_EQ(cut.substr(cut.size() - 8), "\nPort: 1");
}

// ---- opening ----------------------------------------------------------------------------

TEST_F(PortTest, MissingDeviceOrOwnerFailsQuietlyAndALaterOpenWorks) {
    EXPECT_FALSE(port->Open(nullptr, 1, pty.Path(), 9600, 'N', 8, 1, 0x40F, 512));
    EXPECT_FALSE(port->OpenErrorText().empty());
    EXPECT_FALSE(port->Open(&owner, 7, "/nonexistent/ql50-tty", 9600, 'N', 8, 1, 0x40F, 512));
    EXPECT_EQ(port->OpenErrorText(), "No such file or directory");
    EXPECT_TRUE(owner.Reports().empty());  // the caller words that failure itself
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->StartMonitor());

    ASSERT_TRUE(OpenAndStart());
    EXPECT_TRUE(port->OpenErrorText().empty());
    ASSERT_TRUE(SendAndAwait({0x5A}, 1));
    // Reopening stops the old monitor; one monitor at a time, no second reader.
    ASSERT_TRUE(OpenPort());
    EXPECT_FALSE(port->MonitorRunning());
    ASSERT_TRUE(port->StartMonitor());
    EXPECT_FALSE(port->StartMonitor());
    ASSERT_TRUE(SendAndAwait({'b', 'c'}, 3));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{0x5A, 'b', 'c'}));
    EXPECT_TRUE(owner.Reports().empty());
}

// A second program on the line would take the first one's replies: it is turned away with a
// reason that says so, the first goes on undisturbed, and once the first has let the line go it
// can be opened again.
TEST_F(PortTest, SecondChannelOnTheLineIsRefusedAndTheFirstGoesOn) {
    ASSERT_TRUE(OpenAndStart());
    TestOwner otherOwner;
    CComPort other;
    EXPECT_FALSE(other.Open(&otherOwner, 1, pty.Path(), 9600, 'N', 8, 1, 0x40F, 512));
    EXPECT_EQ(other.OpenErrorText(), "port in use by another program");
    ASSERT_TRUE(SendAndAwait(kFrame, kFrame.size()));
    port->QueueWrite(kOtherFrame.data(), kOtherFrame.size());
    EXPECT_EQ(pty.Read(kOtherFrame.size()), kOtherFrame);
    EXPECT_EQ(owner.ReceivedBytes(), kFrame);
    port->Close();
    EXPECT_TRUE(other.Open(&otherOwner, 1, pty.Path(), 9600, 'N', 8, 1, 0x40F, 512));
}

TEST_F(PortTest, LineSettingsReachTheTerminal) {
    // A pseudo-terminal keeps the speed, the stop bits and the parity's sense, but always
    // reports 8 data bits without parity, so those two cannot be seen here.
    const struct {
        int baud;
        char parity;
        int dataBits;
        int stopBits;
        speed_t speed;
        tcflag_t set;
    } cases[] = {{19200, 'E', 7, 2, B19200, CSTOPB},
                 {115200, 'O', 8, 1, B115200, PARODD},
                 {9600, 'N', 8, 1, B9600, 0}};
    for (const auto& c : cases) {
        termios tio{};
        ASSERT_TRUE(OpenPort(c.baud, c.parity, c.dataBits, c.stopBits));
        ASSERT_EQ(tcgetattr(pty.SlaveFd(), &tio), 0);
        EXPECT_EQ(tio.c_cflag & (PARODD | CSTOPB | CRTSCTS), c.set) << c.baud;
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ(cfgetispeed(&tio), c.speed);
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);  // raw: nothing echoed
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    }
    EXPECT_TRUE(owner.Reports().empty());
}

// Each failure is reported once, on the caller's thread while Open runs, and Open still
// succeeds: the channel runs with whatever the device had.
TEST_F(PortTest, ConfigurationFailuresAreReportedAndOpenStillSucceeds) {
    const struct {
        int baudRate;
        char parity;
        int dataBits;
        int stopBits;
        const char* operation;
    } cases[] = {
        {1920, 'N', 8, 1, "SetCommState()"},  // a rate config.ini can hold, with no constant
        {0, 'N', 8, 1, "SetCommState()"},    {9600, 'X', 8, 1, "BuildCommDCB()"},
        {9600, 'N', 9, 1, "BuildCommDCB()"}, {9600, 'N', 8, 3, "BuildCommDCB()"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.baudRate) + c.parity + std::to_string(c.dataBits) +
                     std::to_string(c.stopBits));
        const std::size_t before = owner.Reports().size();
        ASSERT_TRUE(OpenPort(c.baudRate, c.parity, c.dataBits, c.stopBits));
        const auto reports = owner.Reports();
        ASSERT_EQ(reports.size(), before + 1);
        EXPECT_EQ(reports.back().text,
                  CComPort::ComposeError(c.operation, "Invalid argument\n", kPortNumber));
        EXPECT_FALSE(reports.back().channelClosed);
        EXPECT_EQ(reports.back().thread, std::this_thread::get_id());
        EXPECT_TRUE(port->IsOpen());
    }
}

// The terminal starts out cooked, as a serial port does: a refused rate must not leave it so,
// or bytes would wait for a line end and be echoed to the module.
TEST_F(PortTest, ChannelWithUnsupportedRateStillDeliversRaw) {
    termios cooked{};
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO;
    cooked.c_iflag |= ICRNL;
    ASSERT_EQ(tcsetattr(pty.SlaveFd(), TCSANOW, &cooked), 0);
    ASSERT_TRUE(OpenPort(1920));
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(SendAndAwait({0x02, 0x0D, 0x03}, 3));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{0x02, 0x0D, 0x03}));
    port->QueueWrite(kFrame.data(), kFrame.size());
    EXPECT_EQ(pty.Read(kFrame.size()), kFrame);
}

// ---- bytes in both directions -----------------------------------------------------------

TEST_F(PortTest, CommandLeavesExactlyAsQueuedCutToEightBitsAndTheBuffer) {
    ASSERT_TRUE(OpenAndStart());
    Bytes long_(256 + kFrame.size(), 0xEE);
    std::copy(kFrame.begin(), kFrame.end(), long_.begin());
    port->QueueWrite(long_.data(), long_.size());  // 267 taken as 8 bits is 11
    EXPECT_EQ(pty.Read(kFrame.size()), kFrame);
    // The next command follows directly: nothing was added, nothing repeated.
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
    EXPECT_TRUE(owner.Reports().empty());
}

// The owner is busy with one byte while more arrive; a command queued meanwhile purges what
// has not been handed over, so the reply that follows is read from a clean line.
TEST_F(PortTest, CommandPurgesBytesNotHandedOver) {
    ASSERT_TRUE(OpenAndStart());
    const struct {
        Bytes pending;
        std::size_t noticesBefore;
        const Bytes& command;
        std::uint8_t next;
    } rounds[] = {{{'A'}, 1, kFrame, 'E'},  // the monitor holds 'A', the rest wait in the driver
                  {{'F', 'G', 'H', 'I'}, 3, kOtherFrame, 'J'}};  // read ahead: dropped as well
    std::size_t total = 0;
    for (const auto& r : rounds) {
        owner.Hold();
        ASSERT_TRUE(pty.Write(r.pending));
        ASSERT_TRUE(Eventually([&] { return owner.Notices() == r.noticesBefore; }));
        if (r.pending.size() == 1) {
            ASSERT_TRUE(pty.Write({'B', 'C', 'D'}));  // waiting in the driver
        }
        port->QueueWrite(r.command.data(), r.command.size());
        owner.Release();
        EXPECT_EQ(pty.Read(r.command.size()), r.command);
        total += 2;
        ASSERT_TRUE(SendAndAwait({r.next}, total));
    }
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{'A', 'E', 'F', 'J'}));
    EXPECT_EQ(owner.Notices(), 4u);
}

// What waited in the driver comes in one hand-over, taken byte by byte. The reply handler sends
// the next request of a chain from inside OnPortByte: the command is written at once, and the
// rest of the hand-over is dropped, as it came before the command's reply.
TEST_F(PortTest, WaitingBytesComeInOneHandOverThatACommandFromTheHandlerEnds) {
    owner.SetByteHook([&](std::uint8_t byte) {
        if (byte == 0x03) port->QueueWrite(kOtherFrame.data(), kOtherFrame.size());
    });
    ASSERT_TRUE(OpenAndStart());
    ASSERT_TRUE(SendWhileTheOwnerIsBusy({'A'}, {'B', 'C', 0x03, 'D', 'E'}, 1));
    EXPECT_EQ(pty.Read(kOtherFrame.size()), kOtherFrame);
    ASSERT_TRUE(SendAndAwait({0x07}, 5));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{'A', 'B', 'C', 0x03, 0x07}));
    EXPECT_EQ(owner.Notices(), 3u);
}

// ---- stopping ---------------------------------------------------------------------------

TEST_F(PortTest, StopWhileAHandOverIsPendingReturnsPromptly) {
    ASSERT_TRUE(OpenAndStart());
    owner.Hold();  // the owner never serves
    ASSERT_TRUE(pty.Write({1, 2, 3}));
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 1; }));
    const Clock::time_point start = Clock::now();
    port->StopMonitor();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
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
    // Destroying the channel while a hand-over is pending returns as well.
    owner.Hold();
    ASSERT_TRUE(pty.Write({5}));
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 3; }));
    port.reset();
    owner.DropNotices();
    owner.Release();
    EXPECT_EQ(owner.ReceivedBytes(), Bytes{4});
}

// The rest of the hand-over the owner is taking is dropped as well.
TEST_F(PortTest, StopFromInsideTheByteHandler) {
    std::atomic<bool> stopped{false};
    owner.SetByteHook([&](std::uint8_t byte) {
        if (byte != 'B') return;
        port->StopMonitor();
        stopped = true;
    });
    bool started = false;
    owner.Call([&] { started = OpenAndStart(); });
    ASSERT_TRUE(started);
    ASSERT_TRUE(SendWhileTheOwnerIsBusy({'A'}, {'B', 'C'}, 1));
    ASSERT_TRUE(Eventually([&] { return stopped.load(); }));
    EXPECT_FALSE(port->MonitorRunning());
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes(), (Bytes{'A', 'B'}));
    EXPECT_EQ(owner.Notices(), 2u);
}

TEST_F(PortTest, StopAndServeWithoutAMonitorDoNothing) {
    CComPort fresh;
    fresh.StopMonitor();
    fresh.ServeDelivery();
    fresh.QueueWrite(kFrame.data(), kFrame.size());  // not open: no buffer, nothing happens
    fresh.Close();
    EXPECT_FALSE(fresh.StartMonitor());
    EXPECT_FALSE(fresh.IsOpen());
    ASSERT_TRUE(OpenAndStart());
    port->StopMonitor();
    port->StopMonitor();
    port->ServeDelivery();
    EXPECT_EQ(owner.Notices(), 0u);
}

// ---- a line that goes away --------------------------------------------------------------

// Waits a while and checks that the process used little CPU meanwhile: no thread spins.
void ExpectNoSpinning(Clock::time_point wallBefore, std::chrono::nanoseconds cpuBefore,
                      milliseconds wait) {
    std::this_thread::sleep_for(wait);
    EXPECT_LT(ProcessCpuTime() - cpuBefore, (Clock::now() - wallBefore) / 3);
}

TEST_F(PortTest, HangUpIsReportedOnceFromTheOwnersThreadAndClosesTheChannel) {
    ASSERT_TRUE(OpenAndStart());
    ASSERT_TRUE(SendAndAwait({0x11}, 1));
    owner.Hold();
    pty.Close();  // a hang-up
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 2; }));
    EXPECT_FALSE(port->IsOpen());  // given up before the owner is told
    // While the report waits for the owner, the monitor sleeps.
    ExpectNoSpinning(Clock::now(), ProcessCpuTime(), milliseconds(300));
    owner.Release();
    ASSERT_TRUE(Eventually([&] { return !port->MonitorRunning() && owner.Idle(); }));
    const auto reports = owner.Reports();
    ASSERT_EQ(reports.size(), 1u);
    const std::string& text = reports[0].text;
    const std::string head = "WARNING:  ReadFile() Failed with the following error: \n";
    EXPECT_TRUE(reports[0].channelClosed);
    EXPECT_EQ(text.rfind(head, 0), 0u) << text;
    EXPECT_GT(text.size(), head.size() + 10) << text;
    EXPECT_EQ(text.substr(text.size() - 10), "\n\nPort: 3\n");
    EXPECT_EQ(reports[0].thread, owner.ServingThread());
    EXPECT_EQ(owner.Notices(), 2u);
    EXPECT_FALSE(port->StartMonitor());  // nothing to monitor until it is opened again
}

// A device that reads end-of-file at once (not a terminal at all) is given up the same way,
// after its configuration failure was reported.
TEST_F(PortTest, EndOfFileIsReportedOnceWithoutSpinning) {
    ASSERT_TRUE(port->Open(&owner, kPortNumber, "/dev/null", 9600, 'N', 8, 1, 0x40F, 512));
    const auto cpuBefore = ProcessCpuTime();
    const Clock::time_point wallBefore = Clock::now();
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(Eventually([&] { return !port->MonitorRunning() && owner.Idle(); }));
    ExpectNoSpinning(wallBefore, cpuBefore, milliseconds(200));
    const auto reports = owner.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(
        reports[0].text,
        CComPort::ComposeError("GetCommState()", "Inappropriate ioctl for device\n", kPortNumber));
    EXPECT_EQ(reports[1].text, CComPort::ComposeError("ReadFile()", "hang-up\n", kPortNumber));
    EXPECT_TRUE(reports[1].channelClosed);
    EXPECT_FALSE(port->IsOpen());
}

}  // namespace
}  // namespace ql50::porttest
