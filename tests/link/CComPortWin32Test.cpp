// The Win32 serial channel against the virtual module on COM1: a round trip, the logger stream,
// the purge before a command, a stop during a hand-over, opening failures and a line that hangs
// up.
//
// tools/test-wine.sh runs this under Wine with COM1 pointed at ql50-sim's pseudo-terminal
// (replies unpaced, so each reply reaches the line in one piece). The test asks with a line of
// its own, "ql50-test: cue NAME", for the module to be killed ("hang-up") or for a new one on
// COM1 ("plug-in"); the script does it and then creates the file NAME in the folder that
// QL50_CUE_DIR names.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "TestOwner.h"
#include "gtest/gtest.h"
#include "link/CComPort.h"
#include "link/Encoding.h"
#include "link/Frame.h"
#include "support/Wait.h"

namespace ql50::porttest {
namespace {

using test::Eventually;
using Clock = std::chrono::steady_clock;
constexpr auto kLimit = test::kWaitLimit;

constexpr int kPortNumber = 1;
constexpr const char* kDevice = R"(\\.\COM1)";

// The module's address and the value registers the tests read.
constexpr std::uint8_t kAddress = 1;
constexpr std::uint8_t kLiveValue1 = 1;
constexpr std::uint8_t kLoggerData = 54;   // the read-out: a stream of frames
constexpr std::uint8_t kLoggerLevel = 55;  // bytes in the logger

const Frame kReadLive = BuildFrame(kAddress, kReadValue, 4, kLiveValue1);
const Frame kReadLevel = BuildFrame(kAddress, kReadValue, 2, kLoggerLevel);
const Frame kReadLogger = BuildFrame(kAddress, kReadValue, 2, kLoggerData);

// Asks tools/test-wine.sh for `name` and waits until it is done.
bool Cue(const std::string& name) {
    std::printf("ql50-test: cue %s\n", name.c_str());
    std::fflush(stdout);
    const char* folder = std::getenv("QL50_CUE_DIR");
    if (folder == nullptr) return false;
    const std::string done = std::string("Z:") + folder + "/" + name;
    return Eventually([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

Frame FrameAt(const Bytes& bytes, std::size_t offset) {
    Frame frame{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), kFrameSize, frame.begin());
    return frame;
}

// The module's answer to `request`: a valid frame for the same operation and register.
::testing::AssertionResult AnswersTo(const Frame& reply, const Frame& request) {
    if (!FrameIsValid(reply)) return ::testing::AssertionFailure() << "not a valid frame";
    if (reply[kPosOp] != request[kPosOp] || reply[kPosRegister] != request[kPosRegister]) {
        return ::testing::AssertionFailure() << "answers another request";
    }
    return ::testing::AssertionSuccess();
}

class ComPortTest : public ::testing::Test {
protected:
    ~ComPortTest() override {
        if (port) port->StopMonitor();
        owner.Stop();
        if (HasFailure()) {
            for (const auto& report : owner.Reports()) {
                std::printf("report: %s", report.text.c_str());
            }
        }
    }

    bool Open() { return port->Open(&owner, kPortNumber, kDevice, 9600, 'N', 8, 1, 0x40F, 512); }
    bool OpenAndStart() { return Open() && port->StartMonitor(); }

    // Sends `request` and waits until the owner holds `total` bytes in all.
    bool Ask(const Frame& request, std::size_t total) {
        port->QueueWrite(request.data(), request.size());
        return Eventually([&] { return owner.ReceivedBytes().size() >= total; });
    }

    TestOwner owner;
    std::unique_ptr<CComPort> port = std::make_unique<CComPort>();
};

TEST_F(ComPortTest, RoundTripsOneFrameAtATime) {
    ASSERT_TRUE(OpenAndStart()) << port->OpenErrorText();
    for (std::size_t round = 1; round <= 3; ++round) {
        ASSERT_TRUE(Ask(kReadLive, round * kFrameSize));
        EXPECT_TRUE(AnswersTo(FrameAt(owner.ReceivedBytes(), (round - 1) * kFrameSize), kReadLive));
    }
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_EQ(owner.ReceivedBytes().size(), 3 * kFrameSize);
    EXPECT_TRUE(owner.Reports().empty());
}

// The read-out answers once, then sends one frame per two logger bytes, each counting the bytes
// sent so far.
TEST_F(ComPortTest, LoggerStreamArrivesWholeAndInOrder) {
    ASSERT_TRUE(OpenAndStart()) << port->OpenErrorText();
    ASSERT_TRUE(Ask(kReadLevel, kFrameSize));
    const Frame level = FrameAt(owner.ReceivedBytes(), 0);
    ASSERT_TRUE(AnswersTo(level, kReadLevel));
    const std::size_t loggerBytes = DecodeUint16(FrameData(level));
    ASSERT_GT(loggerBytes, 100u);
    const std::size_t frames = 1 + (loggerBytes + 1) / 2;
    ASSERT_TRUE(Ask(kReadLogger, (1 + frames) * kFrameSize));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    const Bytes bytes = owner.ReceivedBytes();
    ASSERT_EQ(bytes.size(), (1 + frames) * kFrameSize);
    EXPECT_EQ(FrameData(FrameAt(bytes, kFrameSize)), (DataBytes{0, 0, 0, 0}));
    for (std::size_t i = 1; i < frames; ++i) {
        const Frame frame = FrameAt(bytes, (1 + i) * kFrameSize);
        ASSERT_TRUE(AnswersTo(frame, kReadLogger)) << "frame " << i;
        const std::size_t sent = std::min(2 * i, loggerBytes);
        ASSERT_EQ(frame[kPosD0] + 255u * frame[kPosD1], sent) << "frame " << i;
    }
    EXPECT_TRUE(owner.Reports().empty());
}

// The owner has been handed the start of a reply but not taken it when the next command is
// queued: it takes the first byte, the rest of that reply is dropped before the command leaves,
// and the next reply arrives whole and alone.
TEST_F(ComPortTest, CommandPurgesTheRestOfAReplyNotHandedOver) {
    ASSERT_TRUE(OpenAndStart()) << port->OpenErrorText();
    owner.Hold();
    port->QueueWrite(kReadLive.data(), kReadLive.size());
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 1; }));
    port->QueueWrite(kReadLevel.data(), kReadLevel.size());
    owner.Release();
    ASSERT_TRUE(Eventually([&] { return owner.ReceivedBytes().size() >= 1 + kFrameSize; }));
    ASSERT_TRUE(Ask(kReadLive, 1 + 2 * kFrameSize));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    const Bytes bytes = owner.ReceivedBytes();
    ASSERT_EQ(bytes.size(), 1 + 2 * kFrameSize);
    EXPECT_EQ(bytes[0], kFrameStart);
    EXPECT_TRUE(AnswersTo(FrameAt(bytes, 1), kReadLevel));
    EXPECT_TRUE(AnswersTo(FrameAt(bytes, 1 + kFrameSize), kReadLive));
    EXPECT_TRUE(owner.Reports().empty());
}

TEST_F(ComPortTest, StopDuringAHandOverReturnsPromptlyAndDropsIt) {
    ASSERT_TRUE(OpenAndStart()) << port->OpenErrorText();
    owner.Hold();  // the owner never serves
    port->QueueWrite(kReadLive.data(), kReadLive.size());
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == 1; }));
    const Clock::time_point start = Clock::now();
    port->StopMonitor();
    EXPECT_LT(Clock::now() - start, kLimit);
    EXPECT_FALSE(port->MonitorRunning());
    EXPECT_TRUE(port->IsOpen());  // stopping keeps the device
    owner.Release();
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_TRUE(owner.ReceivedBytes().empty());
    // A new monitor starts on a purged line.
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(Ask(kReadLive, kFrameSize));
    ASSERT_TRUE(Eventually([&] { return owner.Idle(); }));
    EXPECT_TRUE(AnswersTo(FrameAt(owner.ReceivedBytes(), 0), kReadLive));
    EXPECT_EQ(owner.ReceivedBytes().size(), kFrameSize);
    // Destroying the channel while a hand-over is pending returns as well.
    const std::size_t notices = owner.Notices();
    owner.Hold();
    port->QueueWrite(kReadLive.data(), kReadLive.size());
    ASSERT_TRUE(Eventually([&] { return owner.Notices() == notices + 1; }));
    port.reset();
    owner.DropNotices();
    owner.Release();
    EXPECT_EQ(owner.ReceivedBytes().size(), kFrameSize);
}

// A port that does not exist fails quietly with the system's reason; a line setting the driver
// cannot take is reported once, on the caller's thread, and the channel still runs.
TEST_F(ComPortTest, OpenFailuresAndRefusedSettings) {
    EXPECT_FALSE(port->Open(&owner, 9, R"(\\.\COM9)", 9600, 'N', 8, 1, 0x40F, 512));
    EXPECT_FALSE(port->OpenErrorText().empty());
    EXPECT_NE(port->OpenErrorText().back(), '\n');
    EXPECT_FALSE(port->Open(nullptr, kPortNumber, kDevice, 9600, 'N', 8, 1, 0x40F, 512));
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->StartMonitor());
    EXPECT_TRUE(owner.Reports().empty());

    ASSERT_TRUE(port->Open(&owner, kPortNumber, kDevice, 9600, 'X', 8, 1, 0x40F, 512));
    const auto reports = owner.Reports();
    ASSERT_EQ(reports.size(), 1u);
    const std::string head = "WARNING:  BuildCommDCB() Failed with the following error: \n";
    EXPECT_EQ(reports[0].text.rfind(head, 0), 0u) << reports[0].text;
    EXPECT_GT(reports[0].text.size(), head.size() + 10) << reports[0].text;
    EXPECT_EQ(reports[0].text.substr(reports[0].text.size() - 9), "\nPort: 1\n");
    EXPECT_FALSE(reports[0].channelClosed);
    EXPECT_EQ(reports[0].thread, std::this_thread::get_id());
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(Ask(kReadLive, kFrameSize));
    EXPECT_TRUE(AnswersTo(FrameAt(owner.ReceivedBytes(), 0), kReadLive));
}

// The module is killed: the line hangs up. Reported once, on the owner's thread; the channel
// has closed itself and its monitor has ended; the next operation opens COM1 again, here once a
// new module is there.
TEST_F(ComPortTest, HangUpIsReportedOnceAndTheNextOpenWorksAgain) {
    ASSERT_TRUE(OpenAndStart()) << port->OpenErrorText();
    ASSERT_TRUE(Ask(kReadLive, kFrameSize));
    ASSERT_TRUE(Cue("hang-up"));
    ASSERT_TRUE(Eventually(
        [&] { return !owner.Reports().empty() && !port->MonitorRunning() && owner.Idle(); }));
    EXPECT_FALSE(port->IsOpen());  // given up before the owner is told
    const auto reports = owner.Reports();
    ASSERT_EQ(reports.size(), 1u);
    const std::string& text = reports[0].text;
    EXPECT_TRUE(reports[0].channelClosed);
    EXPECT_EQ(text.rfind("WARNING:  ", 0), 0u) << text;
    EXPECT_NE(text.find(" Failed with the following error: \n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 9), "\nPort: 1\n");
    EXPECT_EQ(reports[0].thread, owner.ServingThread());
    EXPECT_FALSE(port->StartMonitor());  // nothing to monitor until it is opened again

    ASSERT_TRUE(Cue("plug-in"));
    ASSERT_TRUE(Open()) << port->OpenErrorText();
    ASSERT_TRUE(port->StartMonitor());
    ASSERT_TRUE(Ask(kReadLive, 2 * kFrameSize));
    EXPECT_TRUE(AnswersTo(FrameAt(owner.ReceivedBytes(), kFrameSize), kReadLive));
    EXPECT_EQ(owner.Reports().size(), 1u);
}

}  // namespace
}  // namespace ql50::porttest
