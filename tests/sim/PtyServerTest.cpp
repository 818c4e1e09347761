// The virtual module behind a pseudo-terminal, seen by a plain POSIX serial client that knows
// only the frame format; the ql50-sim program's options and one run as a separate process.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>

#include "SimTestSupport.h"
#include "sim/PtyServer.h"
#include "sim/SimOptions.h"
#include "support/Pty.h"

namespace ql50::sim::test {
namespace {

using Steady = std::chrono::steady_clock;

using ql50::test::LineEnd;

// A plain serial client asks and reads one reply frame (all zero if none comes).
Frame Ask(LineEnd& client, const Frame& request) {
    const std::vector<Frame> frames =
        client.Write(ToBytes(request)) ? Frames(client.Read(kFrameSize)) : std::vector<Frame>{};
    return frames.empty() ? Frame{} : frames.front();
}

class PtyServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
        EXPECT_FALSE(server.Start(&error)) << "starts once";
        EXPECT_FALSE(error.empty());
    }
    VirtualModule module;
    PtyServer server{module};
};

TEST_F(PtyServerTest, AnswersLiveValuesTypeFloat24AndAcknowledgementsOnAReopenedLine) {
    const Frame reply30 = BuildFrame(1, kReadParam, 1, 30, {1, 0, 0, 0});
    {
        LineEnd first(server.SlavePath());
        EXPECT_EQ(Ask(first, Request(kReadParam, 1, 30)), reply30);
    }
    LineEnd client(server.SlavePath());  // the server keeps its end open for the next
    EXPECT_EQ(Ask(client, Request(kReadParam, 1, 30)), reply30);
    ASSERT_GE(client.Fd(), 0) << server.SlavePath();
    // One poll chain in the program's order; oxygen values in their plausible ranges.
    for (const auto& [reg, min, max] : {std::tuple{1, 80.f, 110.f},
                                        {2, 6.f, 11.f},
                                        {5, 990.f, 1030.f},
                                        {4, 150.f, 230.f},
                                        {3, 80.f, 170.f},
                                        {6, 15.f, 30.f}}) {
        const Frame reply = Ask(client, Request(kReadValue, reg == 1 ? 3 : 4, std::uint8_t(reg)));
        ASSERT_TRUE(FrameIsValid(reply)) << "register " << reg;
        EXPECT_EQ(reply[kPosOp], kReadValue);
        EXPECT_EQ(reply[kPosRegister], reg);
        EXPECT_GE(DecodeFloat32(FrameData(reply)), min) << "register " << reg;
        EXPECT_LE(DecodeFloat32(FrameData(reply)), max) << "register " << reg;
    }
    EXPECT_EQ(Ask(client, Request(kReadParam, 1, 28)),
              BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0}));
    const DataBytes tenth{0xCC, 0xCC, 0x3D, 0x00};
    EXPECT_EQ(Ask(client, Request(kWriteParam, 4, 34, tenth)),
              BuildFrame(1, kWriteParam, 4, 34, tenth));
    EXPECT_EQ(Ask(client, Request(kReadParam, 4, 34)), BuildFrame(1, kReadParam, 4, 34, tenth));
    for (std::uint8_t reg : std::initializer_list<std::uint8_t>{67, 65, 68}) {
        EXPECT_EQ(Ask(client, Request(kReadValue, 4, reg, tenth)),
                  BuildFrame(1, kReadValue, 4, reg, tenth));
    }
    EXPECT_EQ(Ask(client, Request(kWriteValue, 2, 55, {2, 0, 0, 0})),
              BuildFrame(1, kWriteValue, 2, 55, {2, 0, 0, 0}));
    EXPECT_EQ(Ask(client, Request(kReadValue, 2, 55)),
              BuildFrame(1, kReadValue, 2, 55, {0, 0, 0, 0}));
}

// Logger read-out: an acknowledgement, then two bytes per frame after the position reached
// (low digit base 255 in d0, high digit in d1); an odd size pads the last frame with 0.
TEST_F(PtyServerTest, StreamsTheLoggerAfterAnAcknowledgement) {
    for (std::size_t size : {25, 65529}) {
        module.FillLoggerBytes(size);
        const Bytes logger = module.LoggerBytes();
        ASSERT_EQ(logger.size(), size);
        LineEnd client(server.SlavePath());
        ASSERT_TRUE(client.Write(ToBytes(Request(kReadValue, 4, kValueLoggerData))));
        const std::vector<Frame> frames =
            Frames(client.Read((1 + (size + 1) / 2) * kFrameSize, 60s));
        ASSERT_EQ(frames.size(), 1 + (size + 1) / 2);
        EXPECT_EQ(frames[0], BuildFrame(1, kReadValue, 4, kValueLoggerData, {0, 0, 0, 0}));
        for (std::size_t i = 1; i < frames.size(); ++i) {
            const std::size_t pos = 2 * (i - 1), sent = std::min(pos + 2, size);
            const DataBytes expected{std::uint8_t(sent % 255), std::uint8_t(sent / 255 % 256),
                                     logger[pos],
                                     pos + 1 < size ? logger[pos + 1] : std::uint8_t{0}};
            ASSERT_EQ(frames[i], BuildFrame(1, kReadValue, 4, kValueLoggerData, expected))
                << "frame " << i << " of " << size << " bytes";
        }
        EXPECT_TRUE(client.Read(1, 200ms).empty()) << "nothing after the stream";
    }
}

TEST_F(PtyServerTest, ReplyDelayAndPacingHoldTheReplyBack) {
    module.SetReplyDelay(300ms);
    module.SetLineRate(1200);  // 120 bytes per second
    LineEnd client(server.SlavePath());
    const auto start = Steady::now();
    EXPECT_EQ(Ask(client, Request(kReadParam, 1, 28)),
              BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0}));
    // Ten byte times after the first, less the short catch-up a late server may take; a slow
    // machine only makes it longer.
    EXPECT_GE(Steady::now() - start, 300ms + std::chrono::milliseconds{10 * 1000 / 120 - 20});
}

TEST_F(PtyServerTest, StopReturnsPromptlyDuringALongPacedStream) {
    module.SetLineRate(110);  // the full logger would take about an hour
    module.FillLoggerBytes(65530);
    LineEnd client(server.SlavePath());
    ASSERT_TRUE(client.Write(ToBytes(Request(kReadValue, 4, kValueLoggerData))));
    ASSERT_EQ(client.Read(2).size(), 2u) << "the stream has begun";
    const auto start = Steady::now();
    server.Stop();
    EXPECT_LT(Steady::now() - start, 5s);
    EXPECT_EQ(client.Poll(POLLHUP, 0ms) & POLLHUP, 0) << "stopping is not a hang-up";
    server.Stop();  // a second stop is harmless
}

TEST_F(PtyServerTest, WatchdogNoticesArriveOnTheirOwn) {
    LineEnd client(server.SlavePath());
    const Bytes notice(kWatchdogNotice.begin(), kWatchdogNotice.end());
    module.SendWatchdogNoticeNow();
    EXPECT_EQ(client.Read(notice.size()), notice);
    module.SetWatchdogPeriod(1s);
    EXPECT_EQ(client.Read(notice.size()), notice);
    module.SetWatchdogPeriod(0s);
}

TEST_F(PtyServerTest, HangUpIsSeenByTheClient) {
    LineEnd client(server.SlavePath());
    server.HangUp();
    EXPECT_NE(client.Poll(POLLIN, 10s) & POLLHUP, 0);
    std::uint8_t byte = 0;
    const ssize_t n = read(client.Fd(), &byte, 1);
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << "read returned " << n;
    EXPECT_LT(write(client.Fd(), &byte, 1), 0);
    EXPECT_EQ(errno, EIO);
}

TEST(SimOptions, ParseAndApply) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({}, &o, nullptr));
    EXPECT_EQ(std::tuple(o.type, o.address, o.baud, o.pacing, o.loggerRecords.has_value()),
              std::tuple(kTypeOxygen, 1, 4800u, true, false));
    ASSERT_TRUE(ParseSimOptions({"--no-pacing"}, &o, nullptr));
    EXPECT_FALSE(o.pacing);
    o = SimOptions{};
    ASSERT_TRUE(ParseSimOptions(
        {"--type", "0", "--address=4", "--baud", "2400", "--delay", "100", "--silent",
         "--silent-register", "2:28", "--silent-register=0:54", "--bad-checksum", "--stray-byte",
         "--watchdog-every", "30", "--logger-records", "7"},
        &o, &error))
        << error;
    EXPECT_TRUE(o.silent && o.badChecksum && o.strayByte && !o.help);
    EXPECT_EQ(o.silentRegisters,
              (std::vector<std::pair<std::uint8_t, std::uint8_t>>{{2, 28}, {0, 54}}));
    EXPECT_EQ(o.watchdogEverySeconds, 30u);
    FakeTime time;
    VirtualModule module(time.Source());
    ApplySimOptions(o, module);
    EXPECT_EQ(module.Type(), kTypePh);
    EXPECT_EQ(module.Address(), 4);
    EXPECT_EQ(module.BytesPerSecond(), 240u);
    EXPECT_EQ(module.ReplyDelay(), 100ms);
    EXPECT_EQ(module.LoggerByteCount(), 70u);
    for (const char* bad : {"--bogus", "--type", "--type 8", "--type -1", "--type x", "--type=",
                            "--address 256", "--baud 0", "--delay 1e3", "--silent-register 4:1",
                            "--silent-register 1:256", "--silent-register 12", "--watchdog-every 0",
                            "--logger-records 6554", "--help=yes", "type"}) {
        std::istringstream words(bad);
        const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        error.clear();
        EXPECT_FALSE(ParseSimOptions(args, &o, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(SimProgram, ServesOnThePrintedTerminalUntilTerminated) {
    // The shell prints its process id, then becomes the program, which prints its terminal.
    FILE* out = popen("echo $$; exec '" QL50_SIM_EXE "' --type 3 --address 5 --no-pacing", "r");
    ASSERT_NE(out, nullptr);
    setvbuf(out, nullptr, _IONBF, 0);
    const auto readLine = [&] {  // within 10 s
        char line[256] = {};
        pollfd p{fileno(out), POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0 || !fgets(line, sizeof line, out)) return std::string();
        return std::string(line, std::strcspn(line, "\n"));
    };
    const pid_t pid = std::atoi(readLine().c_str());
    const std::string path = readLine();
    ASSERT_GT(pid, 0);
    if (path.rfind("/dev/", 0) == 0) {
        LineEnd client(path);
        EXPECT_EQ(Ask(client, Request(kReadParam, 1, 28, {}, 5)),
                  BuildFrame(5, kReadParam, 1, 28, {4, 0, 0, 0}));
        EXPECT_EQ(Ask(client, Request(kReadParam, 1, 30, {}, 0)),
                  BuildFrame(5, kReadParam, 1, 30, {5, 0, 0, 0}));
        const Frame live = Ask(client, Request(kReadValue, 3, 1, {}, 5));
        EXPECT_TRUE(FrameIsValid(live));
        EXPECT_NEAR(DecodeFloat32(FrameData(live)), 1250.0f, 100.0f) << "2000 uS/cm range";
    } else {
        ADD_FAILURE() << "first line: '" << path << "'";
    }
    kill(pid, SIGTERM);
    pollfd p{fileno(out), POLLIN, 0};  // the output ends when the program does
    if (poll(&p, 1, 10000) == 0) kill(pid, SIGKILL);
    const int status = pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
}  // namespace ql50::sim::test
