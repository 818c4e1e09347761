// Cutting the received byte stream into frames, with the module's watchdog notice in between:
// exact streams and where each event comes. The fuzz target rx_stream holds the rules for any
// stream (a valid frame is the last eleven bytes, where a stream finds its step again, where a
// notice is seen) and the watchdog notice's line.
#include <gtest/gtest.h>

#include <vector>

#include "link/FrameAssembler.h"
#include "support/Bytes.h"

namespace ql50 {
namespace {

using test::Bytes;
using test::Concat;
using test::ToBytes;
using Events = std::vector<std::pair<std::size_t, RxEvent>>;

constexpr RxEvent kValid = RxEvent::ValidFrame, kBad = RxEvent::BadFrame;

TEST(FrameAssembler, ReportsFramesBadBlocksAndNoticesWhereTheyEnd) {
    const Bytes reply = ToBytes(BuildFrame(5, kReadValue, 4, 2, {0x00, 0x00, 0xC5, 0x42}));
    const Bytes withStart = ToBytes(BuildFrame(5, kReadValue, 4, 54, {0x28, 0x00, 0x28, 0x29}));
    Bytes badSum = reply, badEnd = reply;
    badSum[kPosChecksum] ^= 0x40;
    badEnd[kPosEnd] ^= 0x40;
    const struct {
        const char* name;
        bool stream;  // a logger read-out runs
        Bytes bytes;
        Events events;
    } cases[] = {
        {"a reply", false, reply, {{10, kValid}}},
        {"bad checksum", false, Concat({badSum, reply}), {{10, kBad}, {21, kValid}}},
        {"bad end byte", false, Concat({badEnd, reply}), {{10, kBad}, {21, kValid}}},
        // The block is the stray byte and ten reply bytes; the reply's end byte then opens the
        // next block, so the next reply is lost as well.
        {"stray byte", false, Concat({{0x55}, reply, reply}), {{10, kBad}, {21, kBad}}},
        // In a stream a stray byte costs no frame, a lost byte only the frame it was in, a
        // start byte among data bytes only one more bad block.
        {"stray byte in a stream",
         true,
         Concat({{0x55}, reply, reply}),
         {{10, kBad}, {11, kValid}, {22, kValid}}},
        {"stray start byte in a stream",
         true,
         Concat({{0x28}, withStart, reply}),
         {{10, kBad}, {11, kValid}, {22, kValid}}},
        {"lost byte in a stream",
         true,
         Concat({Bytes(reply.begin(), reply.end() - 1), reply}),
         {{10, kBad}, {20, kValid}}},
        {"lost byte before start bytes",
         true,
         Concat({Bytes(reply.begin() + 1, reply.end()), withStart, reply}),
         {{10, kBad}, {20, kValid}, {31, kValid}}},
        // "WD" is seen on the ninth byte after it starts, even as operation and type of a valid
        // frame; further in, the block is complete first.
        {"notice",
         false,
         {'W', 'D', '-', 'R', 'E', 'S', 'E', 'T', ' '},
         {{8, RxEvent::WatchdogNotice}}},
        {"notice in a frame",
         false,
         ToBytes(BuildFrame(1, 'W', 'D', 4)),
         {{10, RxEvent::WatchdogNotice}}},
        {"notice too late", false, ToBytes(BuildFrame(1, 0, 'W', 'D')), {{10, kValid}}},
        {"reversed", false, {'D', 'W', 0, 0, 0, 0, 0, 0, 0, 0}, {}},
    };
    for (const auto& c : cases) {
        FrameAssembler rx;
        rx.SetResync(c.stream);
        Events events;
        for (std::size_t i = 0; i < c.bytes.size(); ++i)
            if (const RxEvent e = rx.Push(c.bytes[i]); e != RxEvent::None)
                events.emplace_back(i, e);
        EXPECT_EQ(events, c.events) << c.name;
    }
}

}  // namespace
}  // namespace ql50
