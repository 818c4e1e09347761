// Faults on demand: silence, a silenced register, bad checksums, a stray byte and watchdog
// notices, each checked on the reply bytes.
#include <gtest/gtest.h>

#include <atomic>

#include "SimTestSupport.h"

namespace ql50::sim::test {
namespace {

const Frame kRead28 = Request(kReadParam, 1, 28);
const Frame kReply28 = BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0});

std::vector<std::uint8_t> Bytes(const Frame& f) {
    return {f.begin(), f.end()};
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const std::vector<std::uint8_t> kNotice(kWatchdogNotice.begin(), kWatchdogNotice.end());

TEST(Faults, WatchdogNoticeIsNineBytesStartingWithWD) {
    EXPECT_EQ(kWatchdogNotice.size(), 9u);
    EXPECT_EQ(kWatchdogNotice[0], 'W');
    EXPECT_EQ(kWatchdogNotice[1], 'D');
}

struct OneShotCase {
    const char* name;
    void (*arm)(VirtualModule&);
    std::vector<std::uint8_t> firstReply;
};

// One-shot faults change the next reply only.
TEST(Faults, OneShotFaultsAffectOnlyTheNextReply) {
    const OneShotCase cases[] = {
        {"stray byte", [](VirtualModule& m) { m.InjectStrayByte(); },
         Concat({{kStrayByte}, Bytes(kReply28)})},
        {"watchdog notice before the reply", [](VirtualModule& m) { m.QueueWatchdogNotice(); },
         Concat({kNotice, Bytes(kReply28)})},
    };
    for (const OneShotCase& c : cases) {
        FakeTime time;
        VirtualModule module(time.Source());
        c.arm(module);
        EXPECT_TRUE(Send(module, Request(kReadParam, 1, 28, {}, 9)).empty())
            << c.name << ": a request for another module does not use it up";
        EXPECT_EQ(Send(module, kRead28), c.firstReply) << c.name;
        EXPECT_EQ(Send(module, kRead28), Bytes(kReply28)) << c.name;
    }
}

TEST(Faults, BadChecksumCorruptsEveryReplyWhileSet) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.SetBadChecksum(true);
    for (int i = 0; i < 2; ++i) {
        const Frame reply = Ask(module, kRead28);
        EXPECT_FALSE(FrameIsValid(reply));
        EXPECT_EQ(reply[kPosChecksum], kReply28[kPosChecksum] ^ 0xFF);
    }
    module.FillLoggerRecords(3);
    for (const Frame& f : Frames(Send(module, Request(kReadValue, 4, kValueLoggerData))))
        EXPECT_FALSE(FrameIsValid(f));
    module.SetBadChecksum(false);
    EXPECT_EQ(Ask(module, kRead28), kReply28);
}

TEST(Faults, SilentModuleNeitherAnswersNorActs) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.SetSilent(true);
    EXPECT_TRUE(Send(module, kRead28).empty());
    EXPECT_TRUE(Send(module, Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0})).empty());
    module.SendWatchdogNoticeNow();
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    module.SetSilent(false);
    EXPECT_GT(module.LoggerByteCount(), 0u) << "the clear command was acted upon";
    EXPECT_EQ(Ask(module, kRead28), kReply28);
}

TEST(Faults, SilencedRegisterIsIgnoredForItsOperationOnly) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.SilenceRegister(kReadParam, 28);
    module.SilenceRegister(kWriteValue, kValueLoggerLevel);
    EXPECT_TRUE(Send(module, kRead28).empty());
    EXPECT_EQ(Ask(module, Request(kReadParam, 1, 30)),
              BuildFrame(1, kReadParam, 1, 30, {1, 0, 0, 0}));
    EXPECT_EQ(Ask(module, Request(kReadValue, 1, 28)), BuildFrame(1, kReadValue, 1, 28, {}));
    EXPECT_TRUE(Send(module, Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0})).empty());
    EXPECT_GT(module.LoggerByteCount(), 0u);
    module.ClearSilencedRegisters();
    EXPECT_EQ(Ask(module, kRead28), kReply28);
}

TEST(Faults, WatchdogNoticeNowWakesTheServerSide) {
    FakeTime time;
    VirtualModule module(time.Source());
    std::atomic<int> wakes{0};
    module.SetNotifier([&] { ++wakes; });
    EXPECT_FALSE(module.TimeUntilUnsolicited().has_value());
    module.SendWatchdogNoticeNow();
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(module.TimeUntilUnsolicited(), std::chrono::milliseconds{0});
    EXPECT_EQ(module.TakeUnsolicited(), kNotice);
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    module.SetNotifier(nullptr);
}

TEST(Faults, PeriodicWatchdogNoticeFollowsTheTimeSource) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.SetWatchdogPeriod(30s);
    EXPECT_EQ(module.TimeUntilUnsolicited(), std::chrono::milliseconds{30000});
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    time.Advance(29s);
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    time.Advance(1s);
    EXPECT_EQ(module.TakeUnsolicited(), kNotice);
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    time.Advance(30s);
    EXPECT_EQ(module.TakeUnsolicited(), kNotice);
    module.SetWatchdogPeriod(0s);
    time.Advance(1h);
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    EXPECT_FALSE(module.TimeUntilUnsolicited().has_value());
}

TEST(Faults, TimingSettingsAreKept) {
    FakeTime time;
    VirtualModule module(time.Source());
    EXPECT_EQ(module.BytesPerSecond(), 0u) << "unpaced by default";
    EXPECT_EQ(module.ReplyDelay(), std::chrono::milliseconds{0});
    struct Case {
        unsigned baud;
        unsigned bytesPerSecond;
    };
    for (const Case c : {Case{4800, 480}, Case{9600, 960}, Case{110, 11}, Case{5, 1}, Case{0, 0}}) {
        module.SetLineRate(c.baud);
        EXPECT_EQ(module.BytesPerSecond(), c.bytesPerSecond) << c.baud << " baud";
    }
    module.SetReplyDelay(std::chrono::milliseconds{250});
    EXPECT_EQ(module.ReplyDelay(), std::chrono::milliseconds{250});
}

}  // namespace
}  // namespace ql50::sim::test
