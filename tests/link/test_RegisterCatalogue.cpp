// Which replies the program accepts, what it stores from them and what it does next.
#include <gtest/gtest.h>

#include <charconv>
#include <concepts>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "link/Encoding.h"
#include "link/Format.h"
#include "link/RegisterCatalogue.h"

namespace ql50 {
namespace {

using Fields = std::map<std::string, std::string>;

std::string Text(float v) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return error == std::errc{} ? std::string(buffer, end) : "?";
}
template <std::integral T>
std::string Text(T v) {
    return std::to_string(v);
}

// Every field a reply can change, as text, so a test can list exactly what changed.
Fields Snapshot(const CModulDaten& m, const ReplyTexts& t) {
    return {
        {"value1", Text(m.value1)},
        {"value2", Text(m.value2)},
        {"value3", Text(m.value3)},
        {"value4", Text(m.value4)},
        {"value5", Text(m.value5)},
        {"temperature", Text(m.temperature)},
        {"calValue1", Text(m.calValue1)},
        {"calValue2", Text(m.calValue2)},
        {"calValue3", Text(m.calValue3)},
        {"calValue4", Text(m.calValue4)},
        {"airPressureFactor", Text(m.airPressureFactor)},
        {"tempOffset", Text(m.tempOffset)},
        {"fixedTemperature", Text(m.fixedTemperature)},
        {"moduleAddress", Text(m.moduleAddress)},
        {"fixedTempOn", Text(m.fixedTempOn)},
        {"moduleType", Text(m.moduleType)},
        {"loggerEnabled", Text(m.loggerEnabled)},
        {"deviceLanguage", Text(m.deviceLanguage)},
        {"loggerInterval", Text(m.loggerInterval)},
        {"loggerByteCount", Text(m.loggerByteCount)},
        {"tempAdjust0", Text(m.tempAdjust0)},
        {"tempAdjust100", Text(m.tempAdjust100)},
        {"inputAdjustOpen", Text(m.inputAdjustOpen)},
        {"inputAdjust24M", Text(m.inputAdjust24M)},
        {"batteryAdjust", Text(m.batteryAdjust)},
        {"rawInput", Text(m.rawInput)},
        {"rawTemperature", Text(m.rawTemperature)},
        {"rawBattery", Text(m.rawBattery)},
        {"manufacturer", std::string(m.manufacturer.begin(), m.manufacturer.end())},
        {"displayType", Text(m.displayType)},
        {"alarmTimeText", m.alarmTimeText},
        {"clockTimeText", m.clockTimeText},
        {"clockDateText", m.clockDateText},
        {"valueText1", t.valueText1},
        {"valueText2", t.valueText2},
        {"valueText3", t.valueText3},
        {"valueText4", t.valueText4},
        {"valueText5", t.valueText5},
        {"temperatureText", t.temperatureText},
        {"statusText", t.statusText},
        {"versionText", t.versionText},
    };
}

Fields Changes(const Fields& before, const Fields& after) {
    Fields changed;
    for (const auto& [name, value] : after) {
        if (before.at(name) != value) changed[name] = value;
    }
    return changed;
}

struct Dispatched {
    ReplyOutcome outcome;
    Fields changed;
};

Dispatched Dispatch(std::uint8_t op, std::uint8_t reg, DataBytes data, CModulDaten& modul,
                    ReplyTexts& texts) {
    const Fields before = Snapshot(modul, texts);
    const ReplyOutcome outcome = DispatchReply(BuildFrame(9, op, 4, reg, data), modul, texts);
    return {outcome, Changes(before, Snapshot(modul, texts))};
}

// ---- accepted sets ----------------------------------------------------------------------------

// Written out register by register, apart from the code's own ranges.
const std::set<int> kAccepted[4] = {
    {1, 2, 3, 4, 5, 6, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 65, 67, 68, 69},
    {55, 56, 57, 58, 59},
    {0,  1,  6,  7,  8,  9,  10, 11, 12, 13, 14, 18, 19, 20,  21, 22, 23,
     24, 25, 26, 28, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,  40, 41, 42,
     47, 48, 51, 52, 55, 56, 63, 67, 72, 73, 74, 76, 77, 129, 130},
    {0,  1,  18, 19, 20, 21, 22, 23, 24, 25, 26, 28, 30, 32, 33, 34, 35, 36,  37, 38,
     39, 40, 41, 42, 47, 48, 51, 52, 55, 56, 63, 67, 72, 73, 74, 76, 77, 129, 130},
};

// The replies that store something or trigger something beyond ending the wait.
const std::set<std::pair<int, int>> kEffective = {
    {0, 1},  {0, 2},  {0, 3},  {0, 4},  {0, 5},  {0, 6},  {0, 54}, {0, 55}, {0, 56},
    {0, 57}, {0, 58}, {0, 59}, {0, 60}, {0, 61}, {0, 62}, {2, 0},  {2, 1},  {2, 6},
    {2, 7},  {2, 8},  {2, 26}, {2, 28}, {2, 30}, {2, 31}, {2, 32}, {2, 33}, {2, 34},
    {2, 35}, {2, 37}, {2, 38}, {2, 72}, {2, 73}, {2, 74}, {2, 76}, {2, 77}, {2, 130},
};

bool ExpectedAccepted(int op, int reg) {
    return op < 4 && kAccepted[op].count(reg) > 0;
}

// Dropped replies change nothing (the wait runs on to its timeout); acknowledgements and the
// decoded-but-unused parameters only end the wait.
TEST(RegisterCatalogue, AcceptsExactlyTheListedRepliesAndDroppedOnesChangeNothing) {
    const DataBytes data{0x11, 0x22, 0x33, 0x44};
    for (int op = 0; op <= 5; ++op) {
        for (int reg = 0; reg <= 255; ++reg) {
            SCOPED_TRACE(testing::Message() << "op " << op << " register " << reg);
            const bool expected = ExpectedAccepted(op, reg);
            EXPECT_EQ(ReplyAccepted(std::uint8_t(op), std::uint8_t(reg)), expected);
            CModulDaten modul;
            ReplyTexts texts;
            const auto [outcome, changed] = Dispatch(op, reg, data, modul, texts);
            EXPECT_EQ(outcome.accepted, expected);
            if (kEffective.count({op, reg}) > 0) continue;
            EXPECT_TRUE(changed.empty());
            EXPECT_EQ(outcome.followUpRegister, 0);
            EXPECT_FALSE(outcome.refreshDisplay);
            EXPECT_FALSE(outcome.loggerFrame);
        }
    }
    EXPECT_FALSE(ReplyAccepted(255, 1));
}

// ---- stored values ----------------------------------------------------------------------------

struct StoreCase {
    std::uint8_t op;
    std::uint8_t reg;
    DataBytes data;
    Fields changed;
    bool refresh = false;
};

constexpr DataBytes kOne24{0x00, 0x80, 0x3F, 0x77};    // float24 1.0, d3 ignored
constexpr DataBytes kTenth24{0xCC, 0xCC, 0x3D, 0x00};  // float24 0.1 as the module keeps it
constexpr DataBytes k300{0x2C, 0x01, 0x55, 0x66};      // uint16 300, d2 and d3 ignored
constexpr DataBytes kByte{0x11, 0x22, 0x33, 0x44};     // uint8 17

class Store : public ::testing::TestWithParam<StoreCase> {};

TEST_P(Store, DecodesIntoItsFieldOnly) {
    const StoreCase& c = GetParam();
    CModulDaten modul;
    ReplyTexts texts;
    const auto [outcome, changed] = Dispatch(c.op, c.reg, c.data, modul, texts);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(outcome.refreshDisplay, c.refresh);
    EXPECT_EQ(outcome.followUpRegister, 0);
    EXPECT_FALSE(outcome.loggerFrame);
}

INSTANTIATE_TEST_SUITE_P(
    ValueRegisters, Store,
    ::testing::Values(StoreCase{0, 55, k300, {{"loggerByteCount", "300"}}},
                      StoreCase{0, 60, k300, {{"rawInput", "300"}}},
                      StoreCase{0, 61, {0xFF, 0xFF, 0, 0}, {{"rawTemperature", "65535"}}},
                      StoreCase{0, 62, k300, {{"rawBattery", "300"}}},
                      StoreCase{0, 56, {5, 7, 9, 9}, {{"alarmTimeText", "05:07"}}, true},
                      StoreCase{0, 56, {255, 100, 0, 0}, {{"alarmTimeText", "255:100"}}, true},
                      StoreCase{0, 57, {1, 20, 255, 4}, {{"statusText", "1:20 = 255"}}},
                      StoreCase{0, 58, {5, 3, 24, 9}, {{"clockDateText", "05.03.24"}}, true},
                      StoreCase{0, 59, {14, 7, 9, 1}, {{"clockTimeText", "14:07:09"}}, true}));

INSTANTIATE_TEST_SUITE_P(
    ParameterRegisters, Store,
    ::testing::Values(StoreCase{2, 0, k300, {{"tempAdjust0", "300"}}},
                      StoreCase{2, 1, k300, {{"tempAdjust100", "300"}}},
                      StoreCase{2, 6, k300, {{"inputAdjustOpen", "300"}}},
                      StoreCase{2, 7, k300, {{"inputAdjust24M", "300"}}},
                      StoreCase{2, 8, k300, {{"batteryAdjust", "300"}}},
                      StoreCase{2, 26, {'G', 0x28, 'x', 0xB5}, {{"manufacturer", "G(x\xB5"}}},
                      StoreCase{2, 28, {3, 0, 0, 0}, {{"moduleType", "2"}}},
                      StoreCase{2, 30, kByte, {{"moduleAddress", "17"}}},
                      StoreCase{2, 31, kOne24, {{"versionText", "QL50 Version 1.00"}}},
                      StoreCase{
                          2, 31, {0x00, 0x20, 0xC0, 0}, {{"versionText", "QL50 Version -2.50"}}},
                      StoreCase{2, 32, kOne24, {{"calValue1", "1"}}, true},
                      StoreCase{2, 33, kTenth24, {{"calValue2", "0.099998474"}}},
                      StoreCase{2, 34, kOne24, {{"calValue3", "1"}}},
                      StoreCase{2, 35, kOne24, {{"calValue4", "1"}}},
                      StoreCase{2, 37, kOne24, {{"airPressureFactor", "1"}}},
                      StoreCase{2, 38, kTenth24, {{"tempOffset", "0.099998474"}}},
                      StoreCase{2, 72, kOne24, {{"fixedTemperature", "1"}}},
                      StoreCase{2, 73, kByte, {{"fixedTempOn", "17"}}},
                      StoreCase{2, 74, kByte, {{"deviceLanguage", "17"}}},
                      StoreCase{2, 76, k300, {{"loggerInterval", "300"}}},
                      StoreCase{2, 77, kByte, {{"loggerEnabled", "17"}}},
                      StoreCase{2, 130, kByte, {{"displayType", "17"}}}));

TEST(RegisterCatalogue, LoggerFrameIsHandedOnAndStoresNothing) {
    CModulDaten modul;
    ReplyTexts texts;
    const auto [outcome, changed] = Dispatch(0, 54, {0x10, 0x00, 0xAB, 0xCD}, modul, texts);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_TRUE(outcome.loggerFrame);
    EXPECT_TRUE(changed.empty());
    EXPECT_EQ(outcome.followUpRegister, 0);
}

// ---- measurement type -------------------------------------------------------------------------

struct TypeCase {
    std::uint8_t reported;
    std::uint8_t before;
    std::uint8_t after;
};

class MeasurementType : public ::testing::TestWithParam<TypeCase> {};

// The module counts types from 1; anything outside 1 to 8 keeps the type known before.
TEST_P(MeasurementType, IsReportedFromOne) {
    const TypeCase& c = GetParam();
    CModulDaten modul;
    modul.moduleType = c.before;
    ReplyTexts texts;
    EXPECT_TRUE(DispatchReply(BuildFrame(0, kReadParam, 1, 28, {c.reported, 0, 0, 0}), modul, texts)
                    .accepted);
    EXPECT_EQ(modul.moduleType, c.after);
}

INSTANTIATE_TEST_SUITE_P(Values, MeasurementType,
                         ::testing::Values(TypeCase{3, 0, 2}, TypeCase{1, 5, 0}, TypeCase{8, 0, 7},
                                           TypeCase{0, 4, 4}, TypeCase{9, 4, 4},
                                           TypeCase{255, 6, 6}, TypeCase{0, 1, 1}));

// ---- live-value chain -------------------------------------------------------------------------

TEST(LiveChain, OnePollRequestsOneTwoFiveFourThreeSixThenRefreshes) {
    CModulDaten modul;
    ReplyTexts texts;
    std::vector<int> requested{kLiveChainStart};
    for (int guard = 0; guard < 10; ++guard) {
        const ReplyOutcome outcome = DispatchReply(
            BuildFrame(0, kReadValue, 4, std::uint8_t(requested.back()), EncodeFloat32(1.0f)),
            modul, texts);
        ASSERT_TRUE(outcome.accepted);
        EXPECT_FALSE(outcome.loggerFrame);
        if (outcome.followUpRegister == 0) {
            EXPECT_TRUE(outcome.refreshDisplay);
            break;
        }
        EXPECT_FALSE(outcome.refreshDisplay);
        requested.push_back(outcome.followUpRegister);
    }
    EXPECT_EQ(requested, (std::vector<int>{1, 2, 5, 4, 3, 6}));
}

// Decimals of live channels 1 to 5 for the eight types, from the type table as published.
constexpr std::uint8_t kDecimals[8][5] = {
    {2, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 0, 0, 0}, {0, 1, 0, 0, 0},
    {2, 1, 0, 0, 0}, {1, 1, 0, 0, 0}, {2, 0, 0, 0, 0}, {1, 2, 0, 0, 0},
};

// 10 * register + 0.2345 with 0, 1 and 2 decimals.
const std::string kLiveTexts[7][3] = {
    {},
    {"10", "10.2", "10.23"},
    {"20", "20.2", "20.23"},
    {"30", "30.2", "30.23"},
    {"40", "40.2", "40.23"},
    {"50", "50.2", "50.23"},
};

class LiveDecimals : public ::testing::TestWithParam<int> {};

TEST_P(LiveDecimals, EachChannelUsesItsTypesDecimals) {
    const int type = GetParam();
    CModulDaten modul;
    modul.moduleType = std::uint8_t(type);
    ReplyTexts texts;
    for (const std::uint8_t reg : {1, 2, 5, 4, 3, 6}) {
        const float value = reg == 6 ? 21.46f : 10.0f * reg + 0.2345f;
        DispatchReply(BuildFrame(0, kReadValue, 4, reg, EncodeFloat32(value)), modul, texts);
    }
    const Fields f = Snapshot(modul, texts);
    for (int channel = 1; channel <= 5; ++channel) {
        SCOPED_TRACE(testing::Message() << "type " << type << " channel " << channel);
        const std::string n = std::to_string(channel);
        EXPECT_EQ(f.at("value" + n), Text(10.0f * float(channel) + 0.2345f));
        EXPECT_EQ(f.at("valueText" + n), kLiveTexts[channel][kDecimals[type][channel - 1]]);
    }
    EXPECT_EQ(modul.temperature, 21.46f);
    EXPECT_EQ(texts.temperatureText, "21.5");
    EXPECT_EQ(modul.moduleType, type);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, LiveDecimals, ::testing::Range(0, 8));

struct LiveTextCase {
    std::uint8_t type;
    std::uint8_t reg;
    float value;
    std::string ReplyTexts::*text;
    const char* expected;
};

class LiveText : public ::testing::TestWithParam<LiveTextCase> {};

TEST_P(LiveText, KeepsTheDecimalPoint) {
    const LiveTextCase& c = GetParam();
    CModulDaten modul;
    modul.moduleType = c.type;
    ReplyTexts texts;
    DispatchReply(BuildFrame(0, kReadValue, 4, c.reg, EncodeFloat32(c.value)), modul, texts);
    EXPECT_EQ(texts.*c.text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LiveText,
    ::testing::Values(LiveTextCase{0, 1, 7.0f, &ReplyTexts::valueText1, "7.00"},
                      LiveTextCase{0, 2, -187.6f, &ReplyTexts::valueText2, "-188"},
                      LiveTextCase{7, 1, 98.5f, &ReplyTexts::valueText1, "98.5"},
                      LiveTextCase{7, 2, 9.126f, &ReplyTexts::valueText2, "9.13"},
                      LiveTextCase{7, 5, 1013.4f, &ReplyTexts::valueText5, "1013"},
                      LiveTextCase{3, 1, 1413.0f, &ReplyTexts::valueText1, "1413"},
                      LiveTextCase{0, 6, -0.04f, &ReplyTexts::temperatureText, "-0.0"},
                      // A type index nobody should have set still formats with a real record
                      // (the last one) instead of reading past the table.
                      LiveTextCase{200, 1, 98.5f, &ReplyTexts::valueText1, "98.5"}));

// ---- any reply at all -------------------------------------------------------------------------

TEST(RegisterCatalogue, RandomRepliesKeepTheTypeIndexInsideTheTable) {
    std::mt19937 random(2005);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> op(0, 5);
    CModulDaten modul;
    ReplyTexts texts;
    for (int i = 0; i < 100000; ++i) {
        const DataBytes data{std::uint8_t(byte(random)), std::uint8_t(byte(random)),
                             std::uint8_t(byte(random)), std::uint8_t(byte(random))};
        const auto reg = std::uint8_t(i % 3 == 0 ? 28 : byte(random));
        const ReplyOutcome outcome =
            DispatchReply(BuildFrame(0, std::uint8_t(op(random)), 4, reg, data), modul, texts);
        ASSERT_LT(modul.moduleType, 8);
        ASSERT_TRUE(outcome.followUpRegister == 0 || ReplyAccepted(0, outcome.followUpRegister));
    }
}

}  // namespace
}  // namespace ql50
