// Which replies the program accepts, what it stores from them and what it does next.
#include <gtest/gtest.h>

#include <charconv>
#include <concepts>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>
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
std::string Text(std::integral auto v) {
    return std::to_string(v);
}
std::string Text(const std::string& v) {
    return v;
}

// Adds the values under the space-separated names, in order.
template <class... V>
void Add(Fields& fields, const char* names, const V&... values) {
    std::istringstream in(names);
    std::string name;
    ((in >> name, fields[name] = Text(values)), ...);
}

// Every field a reply can change, as text, so a test can list exactly what changed.
Fields Snapshot(const CModulDaten& m, const ReplyTexts& t) {
    Fields f{{"manufacturer", std::string(m.manufacturer.begin(), m.manufacturer.end())}};
    Add(f,
        "value1 value2 value3 value4 value5 temperature calValue1 calValue2 calValue3 "
        "calValue4 airPressureFactor tempOffset fixedTemperature moduleAddress fixedTempOn "
        "moduleType loggerEnabled deviceLanguage loggerInterval loggerByteCount tempAdjust0 "
        "tempAdjust100 inputAdjustOpen inputAdjust24M batteryAdjust rawInput rawTemperature "
        "rawBattery displayType alarmTimeText clockTimeText clockDateText",
        m.value1, m.value2, m.value3, m.value4, m.value5, m.temperature, m.calValue1, m.calValue2,
        m.calValue3, m.calValue4, m.airPressureFactor, m.tempOffset, m.fixedTemperature,
        m.moduleAddress, m.fixedTempOn, m.moduleType, m.loggerEnabled, m.deviceLanguage,
        m.loggerInterval, m.loggerByteCount, m.tempAdjust0, m.tempAdjust100, m.inputAdjustOpen,
        m.inputAdjust24M, m.batteryAdjust, m.rawInput, m.rawTemperature, m.rawBattery,
        m.displayType, m.alarmTimeText, m.clockTimeText, m.clockDateText);
    Add(f,
        "valueText1 valueText2 valueText3 valueText4 valueText5 temperatureText statusText "
        "versionText",
        t.valueText1, t.valueText2, t.valueText3, t.valueText4, t.valueText5, t.temperatureText,
        t.statusText, t.versionText);
    EXPECT_EQ(f.size(), 41u) << "one name per value";
    return f;
}

struct Dispatched {
    ReplyOutcome outcome;
    Fields changed;
};

Dispatched Dispatch(int op, int reg, DataBytes data, CModulDaten& modul, ReplyTexts& texts) {
    const Fields before = Snapshot(modul, texts);
    const ReplyOutcome outcome =
        DispatchReply(BuildFrame(9, std::uint8_t(op), 4, std::uint8_t(reg), data), modul, texts);
    Fields changed;
    for (const auto& [name, value] : Snapshot(modul, texts))
        if (before.at(name) != value) changed[name] = value;
    return {outcome, changed};
}

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

// Dropped replies change nothing (the wait runs on to its timeout); acknowledgements and the
// decoded-but-unused parameters only end the wait.
TEST(RegisterCatalogue, AcceptsExactlyTheListedRepliesAndDroppedOnesChangeNothing) {
    for (int op = 0; op <= 5; ++op) {
        for (int reg = 0; reg <= 255; ++reg) {
            SCOPED_TRACE(testing::Message() << "op " << op << " register " << reg);
            const bool expected = op < 4 && kAccepted[op].count(reg) > 0;
            EXPECT_EQ(ReplyAccepted(std::uint8_t(op), std::uint8_t(reg)), expected);
            CModulDaten modul;
            ReplyTexts texts;
            const auto [outcome, changed] =
                Dispatch(op, reg, {0x11, 0x22, 0x33, 0x44}, modul, texts);
            EXPECT_EQ(outcome.accepted, expected);
            if (kEffective.count({op, reg}) > 0) continue;
            EXPECT_TRUE(changed.empty());
            EXPECT_FALSE(outcome.followUpRegister || outcome.refreshDisplay || outcome.loggerFrame);
        }
    }
    EXPECT_FALSE(ReplyAccepted(255, 1));
}

TEST(RegisterCatalogue, EachReplyDecodesIntoItsFieldOnly) {
    constexpr DataBytes kOne24{0x00, 0x80, 0x3F, 0x77};    // float24 1.0, d3 ignored
    constexpr DataBytes kTenth24{0xCC, 0xCC, 0x3D, 0x00};  // float24 0.1 as the module keeps it
    constexpr DataBytes k300{0x2C, 0x01, 0x55, 0x66};      // uint16 300, d2 and d3 ignored
    constexpr DataBytes kByte{0x11, 0x22, 0x33, 0x44};     // uint8 17
    const struct {
        int op;
        int reg;
        DataBytes data;
        Fields changed;
        bool refresh = false;
        bool loggerFrame = false;
    } cases[] = {
        {0, 54, {0x10, 0x00, 0xAB, 0xCD}, {}, false, true},  // handed on, stores nothing
        {0, 55, k300, {{"loggerByteCount", "300"}}},
        {0, 60, k300, {{"rawInput", "300"}}},
        {0, 61, {0xFF, 0xFF, 0, 0}, {{"rawTemperature", "65535"}}},
        {0, 62, k300, {{"rawBattery", "300"}}},
        {0, 56, {5, 7, 9, 9}, {{"alarmTimeText", "05:07"}}, true},
        {0, 56, {255, 100, 0, 0}, {{"alarmTimeText", "255:100"}}, true},
        {0, 57, {1, 20, 255, 4}, {{"statusText", "1:20 = 255"}}},
        {0, 58, {5, 3, 24, 9}, {{"clockDateText", "05.03.24"}}, true},
        {0, 59, {14, 7, 9, 1}, {{"clockTimeText", "14:07:09"}}, true},
        {2, 0, k300, {{"tempAdjust0", "300"}}},
        {2, 1, k300, {{"tempAdjust100", "300"}}},
        {2, 6, k300, {{"inputAdjustOpen", "300"}}},
        {2, 7, k300, {{"inputAdjust24M", "300"}}},
        {2, 8, k300, {{"batteryAdjust", "300"}}},
        {2, 26, {'G', 0x28, 'x', 0xB5}, {{"manufacturer", "G(x\xB5"}}},
        {2, 28, {3, 0, 0, 0}, {{"moduleType", "2"}}},
        {2, 30, kByte, {{"moduleAddress", "17"}}},
        {2, 31, kOne24, {{"versionText", "QL50 Version 1.00"}}},
        {2, 31, {0x00, 0x20, 0xC0, 0}, {{"versionText", "QL50 Version -2.50"}}},
        {2, 32, kOne24, {{"calValue1", "1"}}, true},
        {2, 33, kTenth24, {{"calValue2", "0.099998474"}}},
        {2, 34, kOne24, {{"calValue3", "1"}}},
        {2, 35, kOne24, {{"calValue4", "1"}}},
        {2, 37, kOne24, {{"airPressureFactor", "1"}}},
        {2, 38, kTenth24, {{"tempOffset", "0.099998474"}}},
        {2, 72, kOne24, {{"fixedTemperature", "1"}}},
        {2, 73, kByte, {{"fixedTempOn", "17"}}},
        {2, 74, kByte, {{"deviceLanguage", "17"}}},
        {2, 76, k300, {{"loggerInterval", "300"}}},
        {2, 77, kByte, {{"loggerEnabled", "17"}}},
        {2, 130, kByte, {{"displayType", "17"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "op " << c.op << " register " << c.reg);
        CModulDaten modul;
        ReplyTexts texts;
        const auto [outcome, changed] = Dispatch(c.op, c.reg, c.data, modul, texts);
        EXPECT_TRUE(outcome.accepted);
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(outcome.refreshDisplay, c.refresh);
        EXPECT_EQ(outcome.loggerFrame, c.loggerFrame);
        EXPECT_EQ(outcome.followUpRegister, 0);
    }
}

// The module counts types from 1; anything outside 1 to 8 keeps the type known before.
TEST(RegisterCatalogue, MeasurementTypeIsReportedFromOne) {
    for (const auto& [reported, before, after] :
         {std::tuple{3, 0, 2}, {1, 5, 0}, {8, 0, 7}, {0, 4, 4}, {9, 4, 4}, {255, 6, 6}}) {
        CModulDaten modul;
        modul.moduleType = std::uint8_t(before);
        ReplyTexts texts;
        EXPECT_TRUE(
            DispatchReply(BuildFrame(0, kReadParam, 1, 28, {std::uint8_t(reported)}), modul, texts)
                .accepted);
        EXPECT_EQ(modul.moduleType, after) << "reported " << reported;
    }
}

TEST(LiveChain, OnePollRequestsOneTwoFiveFourThreeSixThenRefreshes) {
    CModulDaten modul;
    ReplyTexts texts;
    std::vector<int> requested{1};
    for (int guard = 0; guard < 10; ++guard) {
        const ReplyOutcome outcome = DispatchReply(
            BuildFrame(0, kReadValue, 4, std::uint8_t(requested.back()), EncodeFloat32(1.0f)),
            modul, texts);
        ASSERT_TRUE(outcome.accepted && !outcome.loggerFrame);
        EXPECT_EQ(outcome.refreshDisplay, outcome.followUpRegister == 0);
        if (outcome.followUpRegister == 0) break;
        requested.push_back(outcome.followUpRegister);
    }
    EXPECT_EQ(requested, (std::vector<int>{1, 2, 5, 4, 3, 6}));
}

// Decimals of live channels 1 to 5 for the eight types, from the type table as published.
constexpr std::uint8_t kDecimals[8][5] = {
    {2, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 0, 0, 0}, {0, 1, 0, 0, 0},
    {2, 1, 0, 0, 0}, {1, 1, 0, 0, 0}, {2, 0, 0, 0, 0}, {1, 2, 0, 0, 0},
};

TEST(LiveChain, EachChannelUsesItsTypesDecimals) {
    // 10 * channel + 0.2345 with 0, 1 and 2 decimals.
    const std::string texts_[6][3] = {{},
                                      {"10", "10.2", "10.23"},
                                      {"20", "20.2", "20.23"},
                                      {"30", "30.2", "30.23"},
                                      {"40", "40.2", "40.23"},
                                      {"50", "50.2", "50.23"}};
    for (int type = 0; type < 8; ++type) {
        CModulDaten modul;
        modul.moduleType = std::uint8_t(type);
        ReplyTexts texts;
        for (const std::uint8_t reg : std::initializer_list<std::uint8_t>{1, 2, 5, 4, 3, 6}) {
            const float value = reg == 6 ? 21.46f : 10.0f * reg + 0.2345f;
            DispatchReply(BuildFrame(0, kReadValue, 4, reg, EncodeFloat32(value)), modul, texts);
        }
        const Fields f = Snapshot(modul, texts);
        for (int channel = 1; channel <= 5; ++channel) {
            SCOPED_TRACE(testing::Message() << "type " << type << " channel " << channel);
            const std::string n = std::to_string(channel);
            EXPECT_EQ(f.at("value" + n), Text(10.0f * float(channel) + 0.2345f));
            EXPECT_EQ(f.at("valueText" + n), texts_[channel][kDecimals[type][channel - 1]]);
        }
        EXPECT_EQ(modul.temperature, 21.46f);
        EXPECT_EQ(texts.temperatureText, "21.5");
        EXPECT_EQ(modul.moduleType, type);
    }
}

TEST(LiveChain, TextsKeepTheDecimalPoint) {
    const struct {
        std::uint8_t type;
        std::uint8_t reg;
        float value;
        std::string ReplyTexts::*text;
        const char* expected;
    } cases[] = {
        {0, 2, -187.6f, &ReplyTexts::valueText2, "-188"},
        {7, 2, 9.126f, &ReplyTexts::valueText2, "9.13"},
        {0, 6, -0.04f, &ReplyTexts::temperatureText, "-0.0"},
        // A type index nobody should have set formats with the last record instead of reading
        // past the table.
        {200, 1, 98.5f, &ReplyTexts::valueText1, "98.5"},
        // A value that is no number shows as such, never as "nan" or "inf".
        {7, 1, std::numeric_limits<float>::quiet_NaN(), &ReplyTexts::valueText1, "---"},
        {7, 6, -std::numeric_limits<float>::infinity(), &ReplyTexts::temperatureText, "---"},
    };
    for (const auto& c : cases) {
        CModulDaten modul;
        modul.moduleType = c.type;
        ReplyTexts texts;
        DispatchReply(BuildFrame(0, kReadValue, 4, c.reg, EncodeFloat32(c.value)), modul, texts);
        EXPECT_EQ(texts.*c.text, c.expected) << c.value;
    }
}

TEST(RegisterCatalogue, RandomRepliesKeepTheTypeIndexInsideTheTable) {
    std::mt19937 random(2005);
    std::uniform_int_distribution<int> byte(0, 255);
    CModulDaten modul;
    ReplyTexts texts;
    for (int i = 0; i < 100000; ++i) {
        const DataBytes data{std::uint8_t(byte(random)), std::uint8_t(byte(random)),
                             std::uint8_t(byte(random)), std::uint8_t(byte(random))};
        const auto reg = std::uint8_t(i % 3 == 0 ? 28 : byte(random));
        const ReplyOutcome outcome = DispatchReply(
            BuildFrame(0, std::uint8_t(byte(random) % 6), 4, reg, data), modul, texts);
        ASSERT_LT(modul.moduleType, 8);
        ASSERT_TRUE(outcome.followUpRegister == 0 || ReplyAccepted(0, outcome.followUpRegister));
    }
}

}  // namespace
}  // namespace ql50
