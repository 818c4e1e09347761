// The virtual module behind a pseudo-terminal, seen by a plain serial client.
#include <gtest/gtest.h>

#include "SerialClient.h"
#include "SimTestSupport.h"
#include "sim/PtyServer.h"

namespace ql50::sim::test {
namespace {

using Steady = std::chrono::steady_clock;

class PtyServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
        ASSERT_FALSE(server.SlavePath().empty());
    }

    VirtualModule module;
    PtyServer server{module};
};

std::vector<std::uint8_t> Bytes(const Frame& f) {
    return {f.begin(), f.end()};
}

TEST_F(PtyServerTest, AnswersLiveValuesTypeAndAcknowledgements) {
    SerialClient client(server.SlavePath());
    ASSERT_TRUE(client.IsOpen());
    // One poll chain in the program's order; oxygen values in their plausible ranges.
    const struct {
        std::uint8_t reg;
        float min;
        float max;
    } live[] = {{1, 80, 110}, {2, 6, 11}, {5, 990, 1030}, {4, 150, 230}, {3, 80, 170}, {6, 15, 30}};
    for (const auto& l : live) {
        const Frame reply = client.Ask(Request(kReadValue, l.reg == 1 ? 3 : 4, l.reg));
        ASSERT_TRUE(FrameIsValid(reply)) << "register " << int(l.reg);
        EXPECT_EQ(reply[kPosOp], kReadValue);
        EXPECT_EQ(reply[kPosRegister], l.reg);
        EXPECT_GE(DecodeFloat32(FrameData(reply)), l.min) << "register " << int(l.reg);
        EXPECT_LE(DecodeFloat32(FrameData(reply)), l.max) << "register " << int(l.reg);
    }
    EXPECT_EQ(client.Ask(Request(kReadParam, 1, 28)),
              BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0}));
    const DataBytes tenth{0xCC, 0xCC, 0x3D, 0x00};
    EXPECT_EQ(client.Ask(Request(kWriteParam, 4, 34, tenth)),
              BuildFrame(1, kWriteParam, 4, 34, tenth));
    EXPECT_EQ(client.Ask(Request(kReadParam, 4, 34)), BuildFrame(1, kReadParam, 4, 34, tenth));
    for (std::uint8_t reg : {67, 65, 68}) {
        EXPECT_EQ(client.Ask(Request(kReadValue, 4, reg, tenth)),
                  BuildFrame(1, kReadValue, 4, reg, tenth));
    }
    EXPECT_EQ(client.Ask(Request(kWriteValue, 2, 55, {2, 0, 0, 0})),
              BuildFrame(1, kWriteValue, 2, 55, {2, 0, 0, 0}));
    EXPECT_EQ(client.Ask(Request(kReadValue, 2, 55)),
              BuildFrame(1, kReadValue, 2, 55, {0, 0, 0, 0}));
}

TEST_F(PtyServerTest, StreamsTheLoggerAfterAnAcknowledgement) {
    module.FillLoggerRecords(300);
    const std::vector<std::uint8_t> logger = module.LoggerBytes();
    ASSERT_EQ(logger.size(), 3000u);
    SerialClient client(server.SlavePath());
    ASSERT_TRUE(client.Write(Request(kReadValue, 4, kValueLoggerData)));
    const std::vector<Frame> frames = client.ReadFrames(1 + 1500);
    ASSERT_EQ(frames.size(), 1501u);
    EXPECT_EQ(frames[0], BuildFrame(1, kReadValue, 4, kValueLoggerData, {0, 0, 0, 0}));
    std::vector<std::uint8_t> received;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        ASSERT_TRUE(FrameIsValid(frames[i]));
        EXPECT_EQ(frames[i][kPosD0] + 255 * frames[i][kPosD1], int(2 * i));
        received.push_back(frames[i][kPosD2]);
        received.push_back(frames[i][kPosD3]);
    }
    EXPECT_EQ(received, logger);
    EXPECT_TRUE(client.Read(1, std::chrono::milliseconds{200}).empty())
        << "nothing after the stream";
}

TEST_F(PtyServerTest, FindsItsWayBackAfterLineNoiseAndServesAReopenedLine) {
    {
        SerialClient client(server.SlavePath());
        std::vector<std::uint8_t> noisy{0x00, 0x29, 0x28, 0x01};
        const Frame request = Request(kReadParam, 1, 30);
        noisy.insert(noisy.end(), request.begin(), request.end());
        ASSERT_TRUE(client.Write(noisy));
        EXPECT_EQ(client.Read(kFrameSize), Bytes(BuildFrame(1, kReadParam, 1, 30, {1, 0, 0, 0})));
    }
    // The client closed the line; the server keeps its own end open and serves the next one.
    SerialClient again(server.SlavePath());
    EXPECT_EQ(again.Ask(Request(kReadParam, 1, 30)),
              BuildFrame(1, kReadParam, 1, 30, {1, 0, 0, 0}));
}

TEST_F(PtyServerTest, ReplyDelayHoldsTheReplyBack) {
    module.SetReplyDelay(std::chrono::milliseconds{300});
    SerialClient client(server.SlavePath());
    const auto start = Steady::now();
    EXPECT_EQ(client.Ask(Request(kReadParam, 1, 28)),
              BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0}));
    EXPECT_GE(Steady::now() - start, std::chrono::milliseconds{300});
}

TEST_F(PtyServerTest, PacingSpacesTheBytesAtTheLineRate) {
    module.SetLineRate(1200);  // 120 bytes per second
    SerialClient client(server.SlavePath());
    const auto start = Steady::now();
    ASSERT_TRUE(client.Write(Request(kReadParam, 1, 28)));
    EXPECT_EQ(client.Read(kFrameSize).size(), kFrameSize);
    // After the first byte ten more take ten byte times, less the short catch-up a late
    // server may take; a slow machine only makes it longer.
    EXPECT_GE(Steady::now() - start, std::chrono::milliseconds{10 * 1000 / 120 - 20});
}

TEST_F(PtyServerTest, StopReturnsPromptlyDuringALongPacedStream) {
    module.SetLineRate(110);  // the full logger would take about an hour
    module.FillLoggerBytes(65530);
    SerialClient client(server.SlavePath());
    ASSERT_TRUE(client.Write(Request(kReadValue, 4, kValueLoggerData)));
    ASSERT_EQ(client.Read(2).size(), 2u) << "the stream has begun";
    const auto start = Steady::now();
    server.Stop();
    EXPECT_LT(Steady::now() - start, std::chrono::seconds{5});
    EXPECT_EQ(client.Poll(POLLHUP, std::chrono::milliseconds{0}) & POLLHUP, 0)
        << "stopping is not a hang-up";
}

TEST_F(PtyServerTest, WatchdogNoticesArriveOnTheirOwn) {
    SerialClient client(server.SlavePath());
    module.SendWatchdogNoticeNow();
    const std::vector<std::uint8_t> notice(kWatchdogNotice.begin(), kWatchdogNotice.end());
    EXPECT_EQ(client.Read(notice.size()), notice);
    module.SetWatchdogPeriod(std::chrono::seconds{1});
    EXPECT_EQ(client.Read(notice.size()), notice);
    module.SetWatchdogPeriod(std::chrono::seconds{0});
}

TEST_F(PtyServerTest, HangUpIsSeenByTheClient) {
    SerialClient client(server.SlavePath());
    ASSERT_TRUE(client.IsOpen());
    server.HangUp();
    EXPECT_NE(client.Poll(POLLIN, std::chrono::seconds{10}) & POLLHUP, 0);
    std::uint8_t byte = 0;
    const ssize_t n = read(client.Fd(), &byte, 1);
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << "read returned " << n;
    EXPECT_LT(write(client.Fd(), &byte, 1), 0);
    EXPECT_EQ(errno, EIO);
}

TEST(PtyServer, StartsOnce) {
    VirtualModule module;
    PtyServer server(module);
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    EXPECT_FALSE(server.Start(&error));
    EXPECT_FALSE(error.empty());
    server.Stop();
    server.Stop();  // a second stop is harmless
}

}  // namespace
}  // namespace ql50::sim::test
