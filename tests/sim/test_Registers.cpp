// Register reads, writes and acknowledgements of the virtual module, checked byte by byte.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/ParameterTable.h"

namespace ql50::sim::test {
namespace {

class Registers : public ::testing::Test {
  protected:
    FakeTime time;
    VirtualModule module{time.Source()};
};

struct ParameterCase {
    std::uint8_t reg;
    std::uint8_t type;
    DataBytes expected;
};

TEST_F(Registers, NewModuleAnswersParameterReadsWithItsFactoryValues) {
    const ParameterCase cases[] = {
        {28, 1, {8, 0, 0, 0}},            // oxygen
        {30, 1, {1, 0, 0, 0}},            // bus address
        {31, 4, EncodeFloat24(1.04f)},    // firmware version
        {32, 4, EncodeFloat24(120.0f)},   // oxygen slope
        {33, 4, EncodeFloat24(2600.0f)},  // B below 20 °C
        {34, 4, EncodeFloat24(2400.0f)},  // B from 20 °C
        {35, 4, EncodeFloat24(0.0f)},     // salinity
        {37, 4, EncodeFloat24(1.0f)},     // air-pressure factor
        {38, 4, EncodeFloat24(0.0f)},     // temperature offset
        {72, 4, EncodeFloat24(25.0f)},    // fixed temperature
        {73, 1, {0, 0, 0, 0}},            // fixed temperature off
        {74, 1, {0, 0, 0, 0}},            // display German
        {76, 2, {15, 0, 0, 0}},           // logger interval, minutes
        {77, 1, {1, 0, 0, 0}},            // logger released
        {0, 2, EncodeUint16(1520)},       // temperature adjustment at 0 °C
        {1, 2, EncodeUint16(2105)},       // temperature adjustment at 100 °C
        {6, 2, EncodeUint16(118)},        // open input
        {7, 2, EncodeUint16(3870)},       // input at 2.4 MOhm
        {8, 2, EncodeUint16(2870)},       // battery at 7 V
        {26, 4, {'V', 'M', '0', '1'}},    // manufacturer code
        {130, 1, {0, 0, 0, 0}},           // display type
        {200, 1, {0, 0, 0, 0}},           // a register without meaning
    };
    for (const ParameterCase& c : cases) {
        EXPECT_EQ(Ask(module, Request(kReadParam, c.type, c.reg)),
                  BuildFrame(1, kReadParam, c.type, c.reg, c.expected))
            << "register " << int(c.reg);
    }
}

TEST_F(Registers, Float24WriteReadsBackWithoutTheLowestMantissaByte) {
    struct Case {
        float written;
        DataBytes wire;
        float readBack;
    };
    const Case cases[] = {
        {1.0f, {0x00, 0x80, 0x3F, 0x00}, 1.0f},
        {0.1f, {0xCC, 0xCC, 0x3D, 0x00}, std::bit_cast<float>(0x3DCCCC00u)},
        {-58.23f, EncodeFloat24(-58.23f), DecodeFloat24(EncodeFloat24(-58.23f))},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(EncodeFloat24(c.written), c.wire);
        EXPECT_EQ(Ask(module, Request(kWriteParam, 4, 33, c.wire)),
                  BuildFrame(1, kWriteParam, 4, 33, c.wire));
        EXPECT_EQ(Ask(module, Request(kReadParam, 4, 33)),
                  BuildFrame(1, kReadParam, 4, 33, c.wire));
        EXPECT_EQ(ReadFloat24(module, 33), c.readBack);
    }
}

TEST_F(Registers, WritesAreAcknowledgedWithTheirOwnData) {
    struct Case {
        std::uint8_t op;
        std::uint8_t type;
        std::uint8_t reg;
        DataBytes data;
    };
    const Case cases[] = {
        {kWriteValue, 2, 55, {1, 0, 0, 0}},           // logger command other than clear
        {kWriteValue, 1, 56, {0x12, 0x34, 0x56, 0}},  // end of a configuration write
        {kWriteValue, 3, 59, {11, 22, 33, 0}},
        {kWriteValue, 3, 58, {24, 5, 3, 0}},
        {kReadValue, 4, 63, {0, 0, 0, 0}},
        {kReadValue, 4, 65, {0x00, 0x80, 0x3F, 0x00}},  // carries the previous write's bytes
        {kReadValue, 4, 67, {0, 0, 0, 0}},
        {kReadValue, 4, 68, {9, 9, 9, 9}},
        {kReadValue, 3, 69, {8, 0, 0, 0}},
        {kWriteParam, 1, 74, {1, 0, 0, 0}},
        {kWriteParam, 4, 26, {'A', 'B', 0, 0}},
        {kWriteParam, 2, 6, {0xD2, 0x04, 0, 0}},
        {kWriteParam, 4, 31, {0, 0, 0x40, 0}},  // firmware: acknowledged, not changed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ask(module, Request(c.op, c.type, c.reg, c.data)),
                  BuildFrame(1, c.op, c.type, c.reg, c.data))
            << "op " << int(c.op) << " register " << int(c.reg);
    }
    EXPECT_EQ(ReadFloat24(module, 31), DecodeFloat24(EncodeFloat24(1.04f)));
    EXPECT_EQ(FrameData(Ask(module, Request(kReadParam, 2, 6))), (DataBytes{0xD2, 0x04, 0, 0}));
}

// The program's type-1 writes carry over d1..d3 of the previous command; the module keeps
// only the bytes its encoding uses.
TEST_F(Registers, WritesKeepOnlyTheBytesOfTheRegistersEncoding) {
    Ask(module, Request(kWriteParam, 1, 73, {1, 0xAA, 0xBB, 0xCC}));
    Ask(module, Request(kWriteParam, 2, 76, {0x2C, 0x01, 0xEE, 0xFF}));
    Ask(module, Request(kWriteParam, 4, 72, {0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(FrameData(Ask(module, Request(kReadParam, 1, 73))), (DataBytes{1, 0, 0, 0}));
    EXPECT_EQ(FrameData(Ask(module, Request(kReadParam, 2, 76))), (DataBytes{0x2C, 0x01, 0, 0}));
    EXPECT_EQ(FrameData(Ask(module, Request(kReadParam, 4, 72))), (DataBytes{0x11, 0x22, 0x33, 0}));
}

TEST_F(Registers, AnswersOwnAndBroadcastAddressOnly) {
    struct Case {
        std::uint8_t address;
        bool answered;
    };
    for (const Case c : {Case{1, true}, Case{0, true}, Case{2, false}, Case{255, false}}) {
        const std::vector<std::uint8_t> reply =
            Send(module, Request(kReadParam, 1, 28, {}, c.address));
        if (c.answered) {
            EXPECT_EQ(Frames(reply),
                      std::vector<Frame>{BuildFrame(1, kReadParam, 1, 28, {8, 0, 0, 0})})
                << "address " << int(c.address);
        } else {
            EXPECT_TRUE(reply.empty()) << "address " << int(c.address);
        }
    }
}

TEST_F(Registers, NewBusAddressTakesEffectWithTheAcknowledgement) {
    // The write goes to the old address; the acknowledgement already carries the new one.
    EXPECT_EQ(Ask(module, Request(kWriteParam, 1, 30, {7, 0, 0, 0}, 1)),
              BuildFrame(7, kWriteParam, 1, 30, {7, 0, 0, 0}));
    EXPECT_TRUE(Send(module, Request(kReadParam, 1, 28, {}, 1)).empty());
    EXPECT_EQ(Ask(module, Request(kReadParam, 1, 30, {}, 7)),
              BuildFrame(7, kReadParam, 1, 30, {7, 0, 0, 0}));
    EXPECT_EQ(module.Address(), 7);
}

TEST_F(Registers, TypeFollowsRegister28AndCommand69WithOwnCalibrationSets) {
    // Type pH through register 28, its calibration set appears in 32 to 35.
    Ask(module, Request(kWriteParam, 1, 28, {1, 0x55, 0x55, 0x55}));
    EXPECT_EQ(FrameData(Ask(module, Request(kReadParam, 1, 28))), (DataBytes{1, 0, 0, 0}));
    EXPECT_EQ(ReadFloat24(module, 32), FactoryCalibration(kTypePh)[0]);
    EXPECT_EQ(ReadFloat24(module, 33), FactoryCalibration(kTypePh)[1]);
    WriteFloat24(module, 32, 4.5f);

    // Oxygen through command 69, then back to pH: each type kept its own values.
    Ask(module, Request(kReadValue, 3, 69, {8, 0, 0, 0}));
    EXPECT_EQ(module.Type(), kTypeOxygen);
    EXPECT_EQ(ReadFloat24(module, 32), FactoryCalibration(kTypeOxygen)[0]);
    Ask(module, Request(kReadValue, 3, 69, {1, 0, 0, 0}));
    EXPECT_EQ(ReadFloat24(module, 32), 4.5f);

    // Codes outside 1..8 leave the type alone.
    for (std::uint8_t bad : {0, 9, 255}) {
        Ask(module, Request(kWriteParam, 1, 28, {bad, 0, 0, 0}));
        Ask(module, Request(kReadValue, 3, 69, {bad, 0, 0, 0}));
        EXPECT_EQ(module.Type(), kTypePh) << "code " << int(bad);
    }
}

TEST_F(Registers, UnknownOperationsAreNotAnswered) {
    for (std::uint8_t op : {4, 5, 0x28, 0xFF}) {
        EXPECT_TRUE(Send(module, Request(op, 1, 28)).empty()) << "op " << int(op);
    }
}

TEST_F(Registers, OtherValueRegistersKeepWhatWasWritten) {
    EXPECT_EQ(FrameData(Ask(module, Request(kReadValue, 2, 100))), (DataBytes{0, 0, 0, 0}));
    Ask(module, Request(kWriteValue, 2, 100, {1, 2, 3, 4}));
    EXPECT_EQ(FrameData(Ask(module, Request(kReadValue, 2, 100))), (DataBytes{1, 2, 3, 4}));
}

TEST_F(Registers, RawReadingsArePlausibleSixteenBitValues) {
    struct Case {
        std::uint8_t reg;
        unsigned min;
        unsigned max;
    };
    // Input around mid-scale, temperature input between its 0 °C and 100 °C points at
    // room temperature, battery a little above its 7 V adjustment.
    for (const Case c : {Case{60, 1990, 2010}, Case{61, 1600, 1680}, Case{62, 2940, 2965}}) {
        const DataBytes d = FrameData(Ask(module, Request(kReadValue, 2, c.reg)));
        EXPECT_EQ(d[2], 0);
        EXPECT_EQ(d[3], 0);
        EXPECT_GE(DecodeUint16(d), c.min) << "register " << int(c.reg);
        EXPECT_LE(DecodeUint16(d), c.max) << "register " << int(c.reg);
    }
}

TEST_F(Registers, EveryRegisterOfEveryOperationIsSafeToAsk) {
    for (int op = 0; op < 4; ++op) {
        for (int reg = 0; reg < 256; ++reg) {
            if (op == kReadValue && reg == kValueLoggerData) continue;  // a stream, tested apart
            if (op == kWriteParam && reg == kParamAddress) continue;    // would move the module
            const auto reply = Send(module, Request(std::uint8_t(op), 4, std::uint8_t(reg)));
            ASSERT_EQ(reply.size(), kFrameSize) << "op " << op << " register " << reg;
        }
    }
}

}  // namespace
}  // namespace ql50::sim::test
