// Cutting the received byte stream into frames, with the module's watchdog notice in between.
#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "link/FrameAssembler.h"
#include "support/Bytes.h"

namespace ql50 {
namespace {

using test::Bytes;
using test::ToBytes;

// Pushes every byte and returns the event of each.
std::vector<RxEvent> PushAll(FrameAssembler& rx, const Bytes& bytes) {
    std::vector<RxEvent> events;
    for (const std::uint8_t b : bytes) events.push_back(rx.Push(b));
    return events;
}

// The index of the only event other than None, or -1 when there is none or more than one.
int OnlyEventAt(const std::vector<RxEvent>& events) {
    int found = -1;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i] == RxEvent::None) continue;
        if (found >= 0) return -1;
        found = int(i);
    }
    return found;
}

const Frame kReply = BuildFrame(5, kReadValue, 4, 2, {0x00, 0x00, 0xC5, 0x42});

// A block with a bad start, end or checksum byte is rejected and flags the error; the next
// eleven bytes are assembled afresh, and the flag stays until the live poll clears it.
TEST(FrameAssembler, ValidBlockIsAFrameABrokenOneIsRejectedAndTheNextIsAFrame) {
    FrameAssembler rx;
    auto events = PushAll(rx, ToBytes(kReply));
    EXPECT_EQ(OnlyEventAt(events), 10);
    EXPECT_EQ(events.back(), RxEvent::ValidFrame);
    EXPECT_EQ(rx.rxFrame(), kReply);
    EXPECT_EQ(rx.rxCount(), 0);
    EXPECT_FALSE(rx.frameError());
    for (const std::size_t pos : {kPosStart, kPosEnd, kPosChecksum, kPosD1}) {
        Frame bad = kReply;
        bad[pos] ^= 0x40;
        events = PushAll(rx, ToBytes(bad));
        EXPECT_EQ(OnlyEventAt(events), 10) << pos;
        EXPECT_EQ(events.back(), RxEvent::BadFrame) << pos;
        EXPECT_TRUE(rx.frameError());
        EXPECT_EQ(PushAll(rx, ToBytes(kReply)).back(), RxEvent::ValidFrame) << pos;
        EXPECT_EQ(rx.rxFrame(), kReply);
        EXPECT_TRUE(rx.frameError());
        rx.ClearFrameError();
        EXPECT_FALSE(rx.frameError());
    }
}

TEST(FrameAssembler, StrayByteKeepsTheReceiverOutOfStepUntilReset) {
    FrameAssembler rx;
    const Bytes reply = ToBytes(kReply);
    Bytes stream{0x55};
    stream.insert(stream.end(), reply.begin(), reply.end());
    const auto first = PushAll(rx, stream);
    // The block is the stray byte and ten reply bytes: byte 10 is the checksum, not 0x29.
    EXPECT_EQ(OnlyEventAt(first), 10);
    EXPECT_EQ(first[10], RxEvent::BadFrame);
    // The reply's end byte now opens the next block, so the next reply is lost as well.
    EXPECT_EQ(rx.rxCount(), 1);
    EXPECT_EQ(rx.rxFrame()[0], kFrameEnd);
    const auto second = PushAll(rx, reply);
    EXPECT_EQ(OnlyEventAt(second), 9);
    EXPECT_EQ(second[9], RxEvent::BadFrame);
    rx.Reset();  // the next command; it also drops a partial block
    PushAll(rx, Bytes(kReply.begin(), kReply.begin() + 6));
    rx.Reset();
    EXPECT_EQ(PushAll(rx, reply).back(), RxEvent::ValidFrame);
}

// While a stream runs, the receiver finds its step again: a stray byte costs no frame, a lost
// byte only the frame it was in, a start byte among data bytes only one more bad block.
TEST(FrameAssembler, StreamFindsItsStepAgainAfterABadBlock) {
    const Frame withStartByte = BuildFrame(5, kReadValue, 4, 54, {0x28, 0x00, 0x28, 0x29});
    const struct {
        const char* what;
        Bytes stream;
        std::size_t frames;
    } cases[] = {
        {"stray byte", test::Concat({{0x55}, ToBytes(kReply), ToBytes(kReply)}), 2},
        {"stray start byte", test::Concat({{0x28}, ToBytes(withStartByte), ToBytes(kReply)}), 2},
        {"lost byte", test::Concat({Bytes(kReply.begin(), kReply.end() - 1), ToBytes(kReply)}), 1},
        {"lost byte before data with start bytes",
         test::Concat(
             {Bytes(kReply.begin() + 1, kReply.end()), ToBytes(withStartByte), ToBytes(kReply)}),
         2},
    };
    for (const auto& c : cases) {
        FrameAssembler rx;
        rx.SetResync(true);
        std::size_t frames = 0;
        for (const RxEvent e : PushAll(rx, c.stream)) frames += e == RxEvent::ValidFrame;
        EXPECT_EQ(frames, c.frames) << c.what;
        EXPECT_EQ(rx.rxFrame(), kReply) << c.what;
    }
}

TEST(Watchdog, PairIsSeenNineBytesAfterItStarts) {
    const struct {
        const char* name;
        Bytes stream;
        int detectedAt;  // index of the byte that completes the detection, -1 for none
        RxEvent last;
        std::uint8_t countAfter = 0;
    } cases[] = {
        // "WD" at 0/1: seen on the ninth byte; those nine bytes never form a frame.
        {"AtStart", {'W', 'D', '-', 'R', 'E', 'S', 'E', 'T', ' '}, 8, RxEvent::WatchdogNotice},
        // At 2/3 the eleventh byte completes it, before the frame check: even a valid frame
        // with these bytes as operation and type counts as the notice.
        {"AtTwoOfValidFrame", ToBytes(BuildFrame(1, 'W', 'D', 4)), 10, RxEvent::WatchdogNotice},
        // Further in, the block is complete before the pair could be seen.
        {"AtThreeOfValidFrame", ToBytes(BuildFrame(1, 0, 'W', 'D')), 10, RxEvent::ValidFrame},
        {"Reversed", {'D', 'W', 0, 0, 0, 0, 0, 0, 0, 0}, -1, RxEvent::None, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FrameAssembler rx;
        const auto events = PushAll(rx, c.stream);
        EXPECT_EQ(OnlyEventAt(events), c.detectedAt);
        EXPECT_EQ(events.back(), c.last);
        EXPECT_EQ(rx.rxCount(), c.countAfter);
        EXPECT_FALSE(rx.frameError());
        if (c.last == RxEvent::WatchdogNotice) {
            EXPECT_EQ(PushAll(rx, ToBytes(kReply)).back(), RxEvent::ValidFrame)
                << "count restarted";
        }
    }
}

TEST(FormatWatchdogLine, DayMonthFullYearHourMinuteThenLineFeedCarriageReturn) {
    std::tm t{};
    t.tm_mday = 1, t.tm_mon = 0, t.tm_year = 200, t.tm_hour = 0, t.tm_min = 7;  // as in std::tm
    EXPECT_EQ(FormatWatchdogLine(t), "01.01.2100\t00:07\tWD-RESET \n\r");
}

}  // namespace
}  // namespace ql50
