// Cutting the received byte stream into frames, with the module's watchdog notice in between.
#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <random>
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

Bytes NoticeAt(std::size_t offset, std::size_t total) {
    Bytes b(total, 0x20);
    b[offset] = 'W';
    b[offset + 1] = 'D';
    return b;
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
        {"AtOne", NoticeAt(1, 10), 9, RxEvent::WatchdogNotice},
        // At 2/3 the eleventh byte completes it, before the frame check: even a valid frame
        // with these bytes as operation and type counts as the notice.
        {"AtTwo", NoticeAt(2, 11), 10, RxEvent::WatchdogNotice},
        {"AtTwoOfValidFrame", ToBytes(BuildFrame(1, 'W', 'D', 4)), 10, RxEvent::WatchdogNotice},
        // Further in, the block is complete before the pair could be seen.
        {"AtThreeOfValidFrame", ToBytes(BuildFrame(1, 0, 'W', 'D')), 10, RxEvent::ValidFrame},
        {"OnlyW", {'W', 'X', 0, 0, 0, 0, 0, 0, 0, 0}, -1, RxEvent::None, 10},
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

// Random streams salted with valid frames and notice pairs: whatever arrives, the count stays
// inside the buffer, every reported frame is valid and every rejected block flags the error.
TEST(FrameAssembler, RandomStreamsKeepTheInvariants) {
    std::mt19937 random(4800);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, 99);
    FrameAssembler rx;
    int counts[4] = {};
    for (int i = 0; i < 50000; ++i) {
        Bytes chunk;
        const int kind = pick(random);
        if (kind < 10) {
            chunk = ToBytes(BuildFrame(std::uint8_t(byte(random)), std::uint8_t(byte(random) & 3),
                                       4, std::uint8_t(byte(random))));
        } else if (kind < 13) {
            chunk = {'W', 'D'};
        } else if (kind < 15) {
            rx.Reset();
        } else {
            chunk = {std::uint8_t(byte(random))};
        }
        for (const std::uint8_t b : chunk) {
            const std::uint8_t before = rx.rxCount();
            const RxEvent event = rx.Push(b);
            ++counts[int(event)];
            ASSERT_LE(rx.rxCount(), 10);
            ASSERT_EQ(rx.rxCount(), event == RxEvent::None ? before + 1 : 0);
            ASSERT_TRUE(event != RxEvent::ValidFrame || FrameIsValid(rx.rxFrame()));
            ASSERT_EQ(rx.frameError(), event == RxEvent::BadFrame);
            rx.ClearFrameError();
        }
    }
    // The stream really exercised every path.
    EXPECT_GT(counts[int(RxEvent::ValidFrame)], 100);
    EXPECT_GT(counts[int(RxEvent::BadFrame)], 100);
    EXPECT_GT(counts[int(RxEvent::WatchdogNotice)], 100);
}

TEST(FormatWatchdogLine, DayMonthFullYearHourMinuteThenLineFeedCarriageReturn) {
    const auto line = [](int mday, int mon, int year, int hour, int min) {  // as in std::tm
        std::tm t{};
        t.tm_mday = mday, t.tm_mon = mon, t.tm_year = year, t.tm_hour = hour, t.tm_min = min;
        return FormatWatchdogLine(t);
    };
    EXPECT_EQ(line(5, 2, 105, 14, 7), "05.03.2005\t14:07\tWD-RESET \n\r");
    EXPECT_EQ(line(31, 11, 99, 23, 59), "31.12.1999\t23:59\tWD-RESET \n\r");
    EXPECT_EQ(line(1, 0, 200, 0, 0), "01.01.2100\t00:00\tWD-RESET \n\r");
    // A nonsense time still gives a line.
    EXPECT_EQ(line(INT_MIN, INT_MAX, INT_MAX, -1, INT_MAX),
              "-2147483648.2147483648.2147485547\t-1:2147483647\tWD-RESET \n\r");
}

}  // namespace
}  // namespace ql50
