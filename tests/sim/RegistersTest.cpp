// Register reads, writes and acknowledgements, the clock and faults on demand, checked on the
// reply bytes.
#include <gtest/gtest.h>

#include <atomic>

#include "SimTestSupport.h"
#include "sim/ParameterTable.h"

namespace ql50::sim::test {
namespace {

struct RegCase {
    std::uint8_t op;
    std::uint8_t type;
    std::uint8_t reg;
    DataBytes data;
};

TEST_F(Sim, NewModuleAnswersParameterReadsWithItsFactoryValues) {
    const RegCase cases[] = {
        {kReadParam, 1, 28, {8, 0, 0, 0}},            // oxygen
        {kReadParam, 1, 30, {1, 0, 0, 0}},            // bus address
        {kReadParam, 4, 31, EncodeFloat24(1.04f)},    // firmware version
        {kReadParam, 4, 32, EncodeFloat24(120.0f)},   // oxygen slope
        {kReadParam, 4, 33, EncodeFloat24(2600.0f)},  // B below 20 °C
        {kReadParam, 4, 34, EncodeFloat24(2400.0f)},  // B from 20 °C
        {kReadParam, 4, 37, EncodeFloat24(1.0f)},     // air-pressure factor
        {kReadParam, 4, 72, EncodeFloat24(25.0f)},    // fixed temperature
        {kReadParam, 2, 76, {15, 0, 0, 0}},           // logger interval, minutes
        {kReadParam, 1, 77, {1, 0, 0, 0}},            // logger released
        {kReadParam, 2, 0, EncodeUint16(1520)},       // temperature adjustment at 0 °C
        {kReadParam, 2, 7, EncodeUint16(3870)},       // input at 2.4 MOhm
        {kReadParam, 4, 26, {'V', 'M', '0', '1'}},    // manufacturer code
        {kReadParam, 1, 200, {0, 0, 0, 0}},           // a register without meaning
        {kReadValue, 2, 100, {0, 0, 0, 0}},           // a value register never written
    };
    for (const RegCase& c : cases)
        EXPECT_EQ(AskData(module, c.op, c.type, c.reg), c.data) << "register " << int(c.reg);
}

TEST_F(Sim, Float24WriteReadsBackWithoutTheLowestMantissaByte) {
    const struct {
        float written;
        DataBytes wire;
        float readBack;
    } cases[] = {{1.0f, {0x00, 0x80, 0x3F, 0x00}, 1.0f},
                 {0.1f, {0xCC, 0xCC, 0x3D, 0x00}, 0.0999984741f}};
    for (const auto& c : cases) {
        ASSERT_EQ(EncodeFloat24(c.written), c.wire);
        EXPECT_EQ(Ask(module, Request(kWriteParam, 4, 33, c.wire)),
                  BuildFrame(1, kWriteParam, 4, 33, c.wire));
        EXPECT_EQ(Ask(module, Request(kReadParam, 4, 33)),
                  BuildFrame(1, kReadParam, 4, 33, c.wire));
        EXPECT_EQ(ReadFloat24(module, 33), c.readBack);
    }
}

TEST_F(Sim, WritesAreAcknowledgedWithTheirOwnDataAndKeepOnlyTheirEncoding) {
    const RegCase acks[] = {
        {kWriteValue, 2, 55, {1, 0, 0, 0}},             // logger command other than clear
        {kWriteValue, 1, 56, {0x12, 0x34, 0x56, 0}},    // end of a configuration write
        {kReadValue, 4, 65, {0x00, 0x80, 0x3F, 0x00}},  // carries the previous write's bytes
        {kReadValue, 3, 69, {8, 0, 0, 0}},
        {kWriteParam, 4, 31, {0, 0, 0x40, 0}},  // firmware: acknowledged, not changed
        {kWriteValue, 2, 100, {1, 2, 3, 4}},
    };
    for (const RegCase& c : acks) {
        EXPECT_EQ(Ask(module, Request(c.op, c.type, c.reg, c.data)),
                  BuildFrame(1, c.op, c.type, c.reg, c.data))
            << "op " << int(c.op) << " register " << int(c.reg);
    }
    EXPECT_EQ(ReadFloat24(module, 31), DecodeFloat24(EncodeFloat24(1.04f)));
    EXPECT_EQ(AskData(module, kReadValue, 2, 100), (DataBytes{1, 2, 3, 4}));
    // The program's writes carry over bytes of the previous command; only the encoding's stay.
    const std::pair<RegCase, DataBytes> kept[] = {
        {{kWriteParam, 1, 73, {1, 0xAA, 0xBB, 0xCC}}, {1, 0, 0, 0}},
        {{kWriteParam, 2, 76, {0x2C, 0x01, 0xEE, 0xFF}}, {0x2C, 0x01, 0, 0}},
        {{kWriteParam, 4, 72, {0x11, 0x22, 0x33, 0x44}}, {0x11, 0x22, 0x33, 0}}};
    for (const auto& [c, back] : kept) {
        Ask(module, Request(c.op, c.type, c.reg, c.data));
        EXPECT_EQ(AskData(module, kReadParam, c.type, c.reg), back) << int(c.reg);
    }
    EXPECT_EQ(DecodeUint16(AskData(module, kReadParam, 2, 76)), 300);
}

TEST_F(Sim, AnswersOwnAndBroadcastAddressOnlyAndMovesWithTheAcknowledgement) {
    for (const auto& [address, answered] : {std::pair{1, true}, {0, true}, {2, false}}) {
        EXPECT_EQ(Send(module, Request(kReadParam, 1, 28, {}, std::uint8_t(address))),
                  answered ? ToBytes(BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0})) : Bytes{})
            << "address " << address;
    }
    EXPECT_EQ(Ask(module, Request(kWriteParam, 1, 30, {7, 0, 0, 0}, 1)),
              BuildFrame(7, kWriteParam, 1, 30, {7, 0, 0, 0}));
    EXPECT_TRUE(Send(module, Request(kReadParam, 1, 28, {}, 1)).empty());
    EXPECT_EQ(Ask(module, Request(kReadParam, 1, 30, {}, 7)),
              BuildFrame(7, kReadParam, 1, 30, {7, 0, 0, 0}));
}

TEST_F(Sim, TypeFollowsRegister28AndCommand69WithOwnCalibrationSets) {
    Ask(module, Request(kWriteParam, 1, 28, {1, 0x55, 0x55, 0x55}));
    EXPECT_EQ(AskData(module, kReadParam, 1, 28), (DataBytes{1, 0, 0, 0}));
    EXPECT_EQ(ReadFloat24(module, 33), FactoryCalibration(kTypePh)[1]);
    WriteFloat24(module, 32, 4.5f);
    Ask(module, Request(kReadValue, 3, 69, {8, 0, 0, 0}));
    EXPECT_EQ(ReadFloat24(module, 32), FactoryCalibration(kTypeOxygen)[0]);
    Ask(module, Request(kReadValue, 3, 69, {1, 0, 0, 0}));
    EXPECT_EQ(ReadFloat24(module, 32), 4.5f) << "each type keeps its own values";
    for (const std::uint8_t bad : std::initializer_list<std::uint8_t>{0, 9, 255}) {
        Ask(module, Request(kWriteParam, 1, 28, {bad, 0, 0, 0}));
        Ask(module, Request(kReadValue, 3, 69, {bad, 0, 0, 0}));
        EXPECT_EQ(module.Type(), kTypePh) << "code " << int(bad);
    }
}

TEST_F(Sim, EveryRegisterIsSafeToAskAndUnknownOperationsAreIgnored) {
    for (int op = 0; op < 4; ++op) {
        for (int reg = 0; reg < 256; ++reg) {
            if (op == kReadValue && reg == kValueLoggerData) continue;  // a stream, tested apart
            if (op == kWriteParam && reg == kParamAddress) continue;    // would move the module
            ASSERT_EQ(Send(module, Request(std::uint8_t(op), 4, std::uint8_t(reg))).size(),
                      kFrameSize)
                << "op " << op << " register " << reg;
        }
    }
    for (const std::uint8_t op : std::initializer_list<std::uint8_t>{4, 5, 0x28, 0xFF})
        EXPECT_TRUE(Send(module, Request(op, 1, 28)).empty()) << "op " << int(op);
}

TEST_F(Sim, RawReadingsArePlausibleSixteenBitValues) {
    // Input mid-scale, temperature input at room temperature, battery a little above 7 V.
    for (const auto& [reg, min, max] :
         {std::tuple{60, 1990, 2010}, {61, 1600, 1680}, {62, 2940, 2965}}) {
        const DataBytes d = AskData(module, kReadValue, 2, std::uint8_t(reg));
        EXPECT_EQ(d[2] | d[3], 0);
        EXPECT_GE(DecodeUint16(d), min) << "register " << reg;
        EXPECT_LE(DecodeUint16(d), max) << "register " << reg;
    }
}

// --- The clock ----------------------------------------------------------------------------

TEST_F(Sim, ClockIsSetAndReadAsTheProgramDoesAndRunsWithItsTimeSource) {
    const auto expectClock = [&](DataBytes t, DataBytes d) {
        EXPECT_EQ(AskData(module, kReadValue, 3, kValueTime), t);
        EXPECT_EQ(AskData(module, kReadValue, 3, kValueDate), d);  // day, month, year
    };
    SetClock(module, 2005, 12, 31, 23, 59, 58);  // written as year, day, month
    expectClock({23, 59, 58, 0}, {31, 12, 5, 0});
    time.Advance(3s);
    expectClock({0, 0, 1, 0}, {1, 1, 6, 0});
    SetClock(module, 2024, 2, 28, 12, 0, 0);
    time.Advance(12h + 65s);
    expectClock({0, 1, 5, 0}, {29, 2, 24, 0});  // a leap year
    time.Advance(24h);
    expectClock({0, 1, 5, 0}, {1, 3, 24, 0});
    // Invalid settings are acknowledged and ignored.
    SetClock(module, 2023, 6, 15, 8, 30, 0);
    const RegCase bad[] = {
        {kWriteValue, 3, kValueTime, {24, 0, 0, 0}}, {kWriteValue, 3, kValueTime, {0, 60, 0, 0}},
        {kWriteValue, 3, kValueTime, {0, 0, 60, 0}}, {kWriteValue, 3, kValueDate, {23, 31, 2, 0}},
        {kWriteValue, 3, kValueDate, {23, 0, 5, 0}}, {kWriteValue, 3, kValueDate, {23, 10, 13, 0}}};
    for (const RegCase& c : bad) EXPECT_EQ(AskData(module, c.op, 3, c.reg, c.data), c.data);
    expectClock({8, 30, 0, 0}, {15, 6, 23, 0});
}

TEST_F(Sim, NextAlarmIsTheNextLoggerIntervalBoundary) {
    SetClock(module, 2024, 3, 5, 10, 7, 30);
    for (const auto& [interval, alarm] : {std::pair<int, DataBytes>{15, {10, 15, 0, 0}},
                                          {60, {11, 0, 0, 0}},
                                          {1, {10, 8, 0, 0}},
                                          {1440, {0, 0, 0, 0}},
                                          {0, {0, 0, 0, 0}}}) {  // no interval, no alarm
        Ask(module, Request(kWriteParam, 2, 76, EncodeUint16(std::uint16_t(interval))));
        EXPECT_EQ(AskData(module, kReadValue, 4, kValueNextAlarm), alarm) << interval;
    }
}

// --- Faults on demand ---------------------------------------------------------------------

const Frame kRead28 = Request(kReadParam, 1, 28);
const Frame kReply28 = BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0});
const Bytes kNotice(kWatchdogNotice.begin(), kWatchdogNotice.end());

TEST(Faults, OneShotFaultsAffectOnlyTheNextReply) {
    const struct {
        const char* name;
        void (*arm)(VirtualModule&);
        Bytes firstReply;
    } cases[] = {
        {"stray byte", [](VirtualModule& m) { m.InjectStrayByte(); },
         Concat({{kStrayByte}, ToBytes(kReply28)})},
        {"watchdog notice", [](VirtualModule& m) { m.QueueWatchdogNotice(); },
         Concat({kNotice, ToBytes(kReply28)})},
    };
    for (const auto& c : cases) {
        FakeTime time;
        VirtualModule module(time.Source());
        c.arm(module);
        EXPECT_TRUE(Send(module, Request(kReadParam, 1, 28, {}, 9)).empty())
            << c.name << ": a request for another module does not use it up";
        EXPECT_EQ(Send(module, kRead28), c.firstReply) << c.name;
        EXPECT_EQ(Send(module, kRead28), ToBytes(kReply28)) << c.name;
    }
}

TEST_F(Sim, BadChecksumCorruptsEveryReplyWhileSet) {
    module.SetBadChecksum(true);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Ask(module, kRead28)[kPosChecksum], kReply28[kPosChecksum] ^ 0xFF);
    module.FillLoggerRecords(3);
    for (const Frame& f : Frames(Send(module, Request(kReadValue, 4, kValueLoggerData))))
        EXPECT_FALSE(FrameIsValid(f));
    module.SetBadChecksum(false);
    EXPECT_EQ(Ask(module, kRead28), kReply28);
}

TEST_F(Sim, SilenceOfTheModuleOrOfOneRegister) {
    const Frame clear = Request(kWriteValue, 2, kValueLoggerLevel, {2, 0, 0, 0});
    module.SetSilent(true);
    EXPECT_TRUE(Send(module, kRead28).empty());
    EXPECT_TRUE(Send(module, clear).empty());
    module.SendWatchdogNoticeNow();
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    module.SetSilent(false);
    EXPECT_GT(module.LoggerByteCount(), 0u) << "the clear command was not acted upon";
    EXPECT_EQ(Ask(module, kRead28), kReply28);

    module.SilenceRegister(kReadParam, 28);
    module.SilenceRegister(kWriteValue, kValueLoggerLevel);
    EXPECT_TRUE(Send(module, kRead28).empty());
    EXPECT_TRUE(Send(module, clear).empty());
    EXPECT_GT(module.LoggerByteCount(), 0u);
    EXPECT_EQ(AskData(module, kReadParam, 1, 30), (DataBytes{1, 0, 0, 0}));
    EXPECT_EQ(Ask(module, Request(kReadValue, 1, 28)), BuildFrame(1, kReadValue, 1, 28, {}));
    module.ClearSilencedRegisters();
    EXPECT_EQ(Ask(module, kRead28), kReply28);
}

TEST_F(Sim, WatchdogNoticesNowAndPeriodicallyByTheTimeSource) {
    ASSERT_EQ(kNotice.size(), 9u);
    EXPECT_EQ(std::string(kNotice.begin(), kNotice.begin() + 2), "WD");
    std::atomic<int> wakes{0};
    module.SetNotifier([&] { ++wakes; });
    EXPECT_FALSE(module.TimeUntilUnsolicited().has_value());
    module.SendWatchdogNoticeNow();
    EXPECT_EQ(wakes, 1) << "the server side is woken";
    EXPECT_EQ(module.TimeUntilUnsolicited(), 0ms);
    EXPECT_EQ(module.TakeUnsolicited(), kNotice);
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    module.SetNotifier(nullptr);

    module.SetWatchdogPeriod(30s);
    EXPECT_EQ(module.TimeUntilUnsolicited(), 30000ms);
    time.Advance(29s);
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    time.Advance(1s);
    EXPECT_EQ(module.TakeUnsolicited(), kNotice);
    time.Advance(30s);
    EXPECT_EQ(module.TakeUnsolicited(), kNotice);
    module.SetWatchdogPeriod(0s);
    time.Advance(1h);
    EXPECT_TRUE(module.TakeUnsolicited().empty());
    EXPECT_FALSE(module.TimeUntilUnsolicited().has_value());
}

}  // namespace
}  // namespace ql50::sim::test
