// The virtual module as the program's tests rely on it: its registers answer as the program
// expects, its clock runs, its logger fills, empties and streams, its faults switch on and off;
// behind a pseudo-terminal it serves, paces, stops and hangs up; ql50-sim takes its options.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "link/Encoding.h"
#include "sim/MeasurementModel.h"
#include "sim/PtyServer.h"
#include "sim/SimOptions.h"
#include "sim/VirtualBus.h"
#include "support/Pty.h"

namespace ql50::sim {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::LineEnd;
using test::ToBytes;

// A clock that stands still at 2024-03-05 10:07:00 UTC: the logger does not grow under a test.
std::chrono::system_clock::time_point Still() {
    return std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + 10h + 7min;
}

class Sim : public ::testing::Test {
protected:
    VirtualModule module{Still};
};

Frame Request(std::uint8_t op, std::uint8_t type, std::uint8_t reg, DataBytes data = {},
              std::uint8_t address = 1) {
    return BuildFrame(address, op, type, reg, data);
}

Bytes Send(VirtualModule& module, const Frame& request) {
    return module.Receive(request.data(), request.size());
}

std::vector<Frame> Frames(const Bytes& bytes) {
    EXPECT_EQ(bytes.size() % kFrameSize, 0u) << "reply bytes are not whole frames";
    std::vector<Frame> frames(bytes.size() / kFrameSize);
    for (std::size_t i = 0; i < frames.size(); ++i)
        std::copy_n(bytes.begin() + long(i * kFrameSize), kFrameSize, frames[i].begin());
    return frames;
}

struct Exchange {
    std::uint8_t op, type, reg;
    DataBytes sent, answered;
};

// Request by request to the module at address 1: each reply is the whole frame with the data.
void Script(VirtualModule& module, std::initializer_list<Exchange> script) {
    for (const Exchange& e : script) {
        EXPECT_EQ(Send(module, Request(e.op, e.type, e.reg, e.sent)),
                  ToBytes(BuildFrame(1, e.op, e.type, e.reg, e.answered)))
            << "op " << int(e.op) << " register " << int(e.reg);
    }
}

const Frame kRead28 = Request(kReadParam, 1, 28);
const Bytes kReply28 = ToBytes(BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0}));
const Bytes kNotice(kWatchdogNotice.begin(), kWatchdogNotice.end());

TEST_F(Sim, RegistersAnswerAsTheProgramExpects) {
    const DataBytes tenth{0xCC, 0xCC, 0x3D, 0x77};  // float24 0.1, and a byte left over
    Script(module,
           {
               {kReadParam, 1, 28, {}, {8, 0, 0, 0}},  // oxygen, counted from 1
               {kReadParam, 1, 30, {}, {1, 0, 0, 0}},  // bus address
               {kReadParam, 4, 31, {}, EncodeFloat24(1.04f)},
               {kReadParam, 2, 76, {}, {15, 0, 0, 0}},  // logger interval in minutes
               {kReadParam, 1, 77, {}, {1, 0, 0, 0}},   // logger released
               {kReadParam, 4, 26, {}, {'V', 'M', '0', '1'}},
               // Writes are acknowledged with their own data; a register keeps only the bytes of
               // its encoding (the program's writes carry bytes of the command before).
               {kWriteParam, 4, 33, tenth, tenth},
               {kReadParam, 4, 33, {}, {0xCC, 0xCC, 0x3D, 0}},
               {kWriteParam, 2, 76, {0x2C, 0x01, 0xEE, 0xFF}, {0x2C, 0x01, 0xEE, 0xFF}},
               {kReadParam, 2, 76, {}, {0x2C, 0x01, 0, 0}},
               {kWriteParam, 1, 73, {1, 0xAA, 0xBB, 0xCC}, {1, 0xAA, 0xBB, 0xCC}},
               {kReadParam, 1, 73, {}, {1, 0, 0, 0}},
               {kWriteParam, 4, 31, {0, 0, 0x40, 0}, {0, 0, 0x40, 0}},  // firmware: not changed
               {kReadParam, 4, 31, {}, EncodeFloat24(1.04f)},
               {kReadValue, 4, 65, {1, 2, 3, 4}, {1, 2, 3, 4}},  // the end of a series
               // The type by register 28 and by command 69; each type keeps its own calibration.
               {kWriteParam, 1, 28, {1, 0x55, 0x55, 0x55}, {1, 0x55, 0x55, 0x55}},
               {kReadParam, 4, 33, {}, EncodeFloat24(FactoryCalibration(kTypePh)[1])},
               {kReadValue, 3, 69, {8, 0, 0, 0}, {8, 0, 0, 0}},
               {kReadParam, 4, 33, {}, {0xCC, 0xCC, 0x3D, 0}},
               {kWriteParam, 1, 28, {9, 0, 0, 0}, {9, 0, 0, 0}},  // no such type
               {kReadParam, 1, 28, {}, {8, 0, 0, 0}},
           });
}

TEST_F(Sim, AnswersItsOwnAndTheBroadcastAddressAndMovesWithTheAcknowledgement) {
    EXPECT_EQ(Send(module, Request(kReadParam, 1, 28, {}, 0)), kReply28);
    EXPECT_TRUE(Send(module, Request(kReadParam, 1, 28, {}, 2)).empty());
    EXPECT_EQ(Send(module, Request(kWriteParam, 1, 30, {7, 0, 0, 0})),
              ToBytes(BuildFrame(7, kWriteParam, 1, 30, {7, 0, 0, 0})));
    EXPECT_TRUE(Send(module, kRead28).empty());
}

TEST(LoggerRecord, HasTheFieldsTheProgramReads) {
    EXPECT_EQ(EncodeLoggerRecord({{2007, 6, 5, 14, 30, 0}, 98.0, 8.56, 21.0}),
              (LoggerRecordBytes{5, 6, 7, 14, 30, 98, 91, 3, 21, 0xFF}));  // 856 = 91 + 3 * 255
    EXPECT_EQ(EncodeLoggerRecord({{2099, 12, 31, 23, 59, 0}, 300.0, 1000.0, 200.0}),
              (LoggerRecordBytes{31, 12, 99, 23, 59, 254, 254, 254, 127, 0xFF}));  // clamped
}

// At the odd offsets of a record only the end marker is 0xFF: the read-out finds its step by it.
void ExpectWellFormed(const Bytes& bytes) {
    ASSERT_EQ(bytes.size() % kLoggerRecordSize, 0u);
    for (std::size_t r = 0; r < bytes.size(); r += kLoggerRecordSize) {
        for (std::size_t odd : {1, 3, 5, 7}) ASSERT_NE(bytes[r + odd], 0xFF) << r;
        ASSERT_EQ(bytes[r + 9], kLoggerEndMarker) << r;
    }
}

TEST_F(Sim, LoggerFillsToItsCapacityAndOnlyTheClearCommandEmptiesIt) {
    EXPECT_EQ(module.LoggerByteCount(), kInitialLoggerRecords * kLoggerRecordSize);
    for (int type = 0; type < kTypeCount; ++type) {
        module.SetType(type);
        module.FillLoggerRecords(100000);
        EXPECT_EQ(module.LoggerByteCount(), 65530u);
        ExpectWellFormed(module.LoggerBytes());
    }
    for (const std::uint8_t other : std::initializer_list<std::uint8_t>{0, 1, 3})
        Script(module, {{kWriteValue, 2, kValueLoggerLevel, {other, 0, 0, 0}, {other, 0, 0, 0}}});
    EXPECT_EQ(module.LoggerByteCount(), 65530u);
    Script(module, {{kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0}, {2, 0, 0, 0}},
                    {kReadValue, 2, kValueLoggerLevel, {}, {0, 0, 0, 0}},
                    {kReadValue, 4, kValueLoggerData, {}, {0, 0, 0, 0}}});  // no stream after it
}

TEST_F(Sim, FaultsSwitchOnAndOff) {
    module.QueueWatchdogNotice();
    module.InjectStrayByte();
    EXPECT_TRUE(Send(module, Request(kReadParam, 1, 28, {}, 9)).empty()) << "another module";
    EXPECT_EQ(Send(module, kRead28), test::Concat({kNotice, {kStrayByte}, kReply28}));
    EXPECT_EQ(Send(module, kRead28), kReply28) << "only before the next reply";
    module.FillLoggerRecords(3);
    module.SetBadChecksum(true);
    for (const Frame& f : Frames(Send(module, Request(kReadValue, 4, kValueLoggerData))))
        EXPECT_FALSE(FrameIsValid(f));
    module.SetBadChecksum(false);
    module.SetSilent(true);
    EXPECT_TRUE(Send(module, Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0})).empty());
    module.SendWatchdogNoticeNow();
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    module.SetSilent(false);
    EXPECT_EQ(module.LoggerByteCount(), 30u) << "a silent module does not act";
    module.SilenceRegister(kReadParam, 28);
    EXPECT_TRUE(Send(module, kRead28).empty());
    EXPECT_EQ(Send(module, Request(kReadValue, 1, 28)).size(), kFrameSize) << "other operation";
    EXPECT_EQ(Send(module, Request(kReadParam, 1, 30)).size(), kFrameSize) << "other register";
    module.ClearSilencedRegisters();
    EXPECT_EQ(Send(module, kRead28), kReply28);
}

// ---- behind a pseudo-terminal, to a plain serial client ------------------------------------

Bytes Ask(LineEnd& client, const Frame& request, std::size_t replyBytes = kFrameSize) {
    return client.Write(ToBytes(request)) ? client.Read(replyBytes, 60s) : Bytes{};
}

class PtyServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
    }
    VirtualModule module;
    PtyServer server{module};
};

// The server keeps its end open for the next opening, sends notices on its own, and its hang-up
// is what a client of a lost line sees.
TEST_F(PtyServerTest, ServesEveryOpeningSendsNoticesAndHangsUp) {
    {
        LineEnd first(server.SlavePath());
        EXPECT_EQ(Ask(first, kRead28), kReply28);
    }
    LineEnd client(server.SlavePath());
    EXPECT_EQ(Ask(client, kRead28), kReply28);
    module.SendWatchdogNoticeNow();
    EXPECT_EQ(client.Read(kNotice.size()), kNotice);
    module.SetWatchdogPeriod(1s);
    EXPECT_EQ(client.Read(kNotice.size()), kNotice);
    module.SetWatchdogPeriod(0s);
    server.HangUp();
    EXPECT_NE(client.Poll(POLLIN, 10s) & POLLHUP, 0);
    std::uint8_t byte = 0;
    EXPECT_LT(write(client.Fd(), &byte, 1), 0);
    EXPECT_EQ(errno, EIO);
}

// An acknowledgement, then two logger bytes per frame with the count sent so far (low digit base
// 255 in d0, high digit in d1, wrapping beyond 255); an odd size pads the last frame with 0.
TEST_F(PtyServerTest, StreamsTheLoggerAfterAnAcknowledgement) {
    const std::size_t size = 65529, count = 1 + (size + 1) / 2;
    module.FillLoggerBytes(size);
    const Bytes logger = module.LoggerBytes();
    LineEnd client(server.SlavePath());
    const auto frames = Frames(Ask(client, Request(kReadValue, 4, 54), count * kFrameSize));
    ASSERT_EQ(frames.size(), count);
    EXPECT_EQ(frames[0], BuildFrame(1, kReadValue, 4, 54, {0, 0, 0, 0}));
    for (std::size_t i = 1; i < count; ++i) {
        const std::size_t pos = 2 * (i - 1), sent = std::min(pos + 2, size);
        const DataBytes expected{std::uint8_t(sent % 255), std::uint8_t(sent / 255 % 256),
                                 logger[pos], pos + 1 < size ? logger[pos + 1] : std::uint8_t{0}};
        ASSERT_EQ(frames[i], BuildFrame(1, kReadValue, 4, 54, expected)) << i;
    }
    EXPECT_TRUE(client.Read(1, 200ms).empty()) << "nothing after the stream";
}

TEST_F(PtyServerTest, DelayAndPacingHoldTheReplyBackAndStopEndsALongStreamPromptly) {
    module.SetReplyDelay(300ms);
    module.SetLineRate(1200);  // 120 bytes per second
    LineEnd client(server.SlavePath());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(client, kRead28), kReply28);
    // Ten byte times after the first, less the short catch-up a late server may take.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms + 63ms);
    module.SetReplyDelay(0ms);
    module.SetLineRate(110);  // the full logger would take about an hour
    module.FillLoggerBytes(65530);
    ASSERT_EQ(Ask(client, Request(kReadValue, 4, kValueLoggerData), 2).size(), 2u);
    start = std::chrono::steady_clock::now();
    server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(client.Poll(POLLHUP, 0ms) & POLLHUP, 0) << "stopping is not a hang-up";
}

TEST(SimOptions, ParseAndApply) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--type", "0", "--address=4", "--baud", "2400", "--delay", "100",
                                 "--silent-register", "2:28", "--logger-records", "7"},
                                &o, &error))
        << error;
    EXPECT_EQ(o.silentRegisters, (std::vector<std::pair<std::uint8_t, std::uint8_t>>{{2, 28}}));
    VirtualModule module(Still);
    ApplySimOptions(o, module);
    EXPECT_EQ(std::tuple(module.Type(), module.Address(), module.BytesPerSecond()),
              std::tuple(kTypePh, 4, 240u));
    EXPECT_EQ(module.ReplyDelay(), 100ms);
    EXPECT_EQ(module.LoggerByteCount(), 70u);
    for (const char* bad : {"--bogus", "--type", "--type 8", "--address 256", "--baud 0",
                            "--silent-register 4:1", "--logger-records 6554", "type"}) {
        std::istringstream words(bad);
        error.clear();
        EXPECT_FALSE(ParseSimOptions({std::istream_iterator<std::string>(words), {}}, &o, &error))
            << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

// Several virtual modules on one line: each answers its own address with its own type, an
// address no module has stays silent, and address 0 is answered only on a line of one module.
std::vector<Frame> SendTo(VirtualBus& bus, std::uint8_t address, std::uint8_t op, std::uint8_t reg,
                          DataBytes data = {}) {
    const Frame request = Request(op, 1, reg, data, address);
    return Frames(bus.Receive(request.data(), request.size()));
}

TEST(VirtualBus, RoutesEachRequestToTheModuleOfItsAddress) {
    VirtualBus bus({{1, 7}, {2, 0}, {5, 3}});
    struct Case {
        std::uint8_t address;
        std::optional<std::uint8_t> typeCode;  // the reply's type register, 1..8
    };
    for (const Case c : {Case{1, 8}, Case{2, 1}, Case{5, 4}, Case{3, {}}, Case{0, {}}}) {
        const auto replies = SendTo(bus, c.address, kReadParam, kParamType);
        ASSERT_EQ(replies.size(), c.typeCode ? 1u : 0u) << int(c.address);
        if (c.typeCode) {
            EXPECT_EQ(replies[0][kPosD0], *c.typeCode);
            EXPECT_EQ(replies[0][kPosAddress], c.address);
        }
    }
    // Address 0 on a shared line reaches every module, and none answers.
    EXPECT_TRUE(SendTo(bus, 0, kWriteParam, kParamLoggerInterval, EncodeUint16(5)).empty());
    for (const auto& module : bus.Modules())
        EXPECT_EQ(DecodeUint16(module->Parameter(kParamLoggerInterval)), 5);
    VirtualBus alone({{4, 2}});
    EXPECT_EQ(SendTo(alone, 0, kReadParam, kParamType).size(), 1u);
}

TEST(SimOptions, BusNeedsDistinctAddressesAndExcludesTheSingleModule) {
    SimOptions options;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--bus", "1:7,2:0,5:3", "--no-pacing"}, &options, &error))
        << error;
    ASSERT_EQ(options.bus.size(), 3u);
    EXPECT_EQ(options.bus[2].address, 5);
    EXPECT_EQ(options.bus[2].type, 3);
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--bus", "1:7,1:0"},
                                                {"--bus", "0:7"},
                                                {"--bus", "1:8"},
                                                {"--bus", "1:7,"},
                                                {"--bus=1:7", "--address", "2"}})
        EXPECT_FALSE(ParseSimOptions(bad, &options, &error)) << bad[1];
}

}  // namespace
}  // namespace ql50::sim
