// Which replies the program accepts, what it stores from them and what it does next.
#include <gtest/gtest.h>

#include <charconv>
#include <concepts>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "link/Encoding.h"
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
std::string Text(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty()) text += '.';
        text += std::to_string(b);
    }
    return text;
}

// Adds the values under the space-separated names, in order.
template <class... V>
void Add(Fields& fields, const char* names, const V&... values) {
    std::istringstream in(names);
    std::string name;
    ((in >> name, fields[name] = Text(values)), ...);
}

// Every field a reply can change, as text, so a test can list exactly what changed.
Fields Snapshot(const CModulDaten& m) {
    Fields f{{"manufacturer", std::string(m.manufacturer.begin(), m.manufacturer.end())}};
    Add(f,
        "value1 value2 value3 value4 value5 temperature calValue1 calValue2 calValue3 "
        "calValue4 airPressureFactor tempOffset fixedTemperature moduleAddress fixedTempOn "
        "moduleType loggerEnabled deviceLanguage loggerInterval loggerByteCount tempAdjust0 "
        "tempAdjust100 inputAdjustOpen inputAdjust24M batteryAdjust rawInput rawTemperature "
        "rawBattery displayType firmwareVersion alarmTime clockTime clockDate status",
        m.value1, m.value2, m.value3, m.value4, m.value5, m.temperature, m.calValue1, m.calValue2,
        m.calValue3, m.calValue4, m.airPressureFactor, m.tempOffset, m.fixedTemperature,
        m.moduleAddress, m.fixedTempOn, m.moduleType, m.loggerEnabled, m.deviceLanguage,
        m.loggerInterval, m.loggerByteCount, m.tempAdjust0, m.tempAdjust100, m.inputAdjustOpen,
        m.inputAdjust24M, m.batteryAdjust, m.rawInput, m.rawTemperature, m.rawBattery,
        m.displayType, m.firmwareVersion, m.alarmTime, m.clockTime, m.clockDate, m.status);
    EXPECT_EQ(f.size(), 35u) << "one name per value";
    return f;
}

struct Dispatched {
    ReplyOutcome outcome;
    Fields changed;
};

Dispatched Dispatch(int op, int reg, DataBytes data, CModulDaten& modul) {
    const Fields before = Snapshot(modul);
    const ReplyOutcome outcome =
        DispatchReply(BuildFrame(9, std::uint8_t(op), 4, std::uint8_t(reg), data), modul);
    Fields changed;
    for (const auto& [name, value] : Snapshot(modul))
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
            const auto [outcome, changed] = Dispatch(op, reg, {0x11, 0x22, 0x33, 0x44}, modul);
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
        bool status = false;
    } cases[] = {
        {0, 54, {0x10, 0x00, 0xAB, 0xCD}, {}, false, true},  // handed on, stores nothing
        {0, 55, k300, {{"loggerByteCount", "300"}}},
        {0, 60, k300, {{"rawInput", "300"}}},
        {0, 61, {0xFF, 0xFF, 0, 0}, {{"rawTemperature", "65535"}}},
        {0, 62, k300, {{"rawBattery", "300"}}},
        {0, 56, {5, 7, 9, 9}, {{"alarmTime", "5.7"}}, true},
        {0, 57, {1, 20, 255, 4}, {{"status", "1.20.255"}}, false, false, true},
        {0, 58, {5, 3, 24, 9}, {{"clockDate", "5.3.24"}}, true},
        {0, 59, {14, 7, 9, 1}, {{"clockTime", "14.7.9"}}, true},
        {2, 0, k300, {{"tempAdjust0", "300"}}},
        {2, 1, k300, {{"tempAdjust100", "300"}}},
        {2, 6, k300, {{"inputAdjustOpen", "300"}}},
        {2, 7, k300, {{"inputAdjust24M", "300"}}},
        {2, 8, k300, {{"batteryAdjust", "300"}}},
        {2, 26, {'G', 0x28, 'x', 0xB5}, {{"manufacturer", "G(x\xB5"}}},
        {2, 28, {3, 0, 0, 0}, {{"moduleType", "2"}}},
        {2, 30, kByte, {{"moduleAddress", "17"}}},
        {2, 31, {0x00, 0x20, 0xC0, 0}, {{"firmwareVersion", "-2.5"}}},
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
        const auto [outcome, changed] = Dispatch(c.op, c.reg, c.data, modul);
        EXPECT_TRUE(outcome.accepted);
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(outcome.refreshDisplay, c.refresh);
        EXPECT_EQ(outcome.loggerFrame, c.loggerFrame);
        EXPECT_EQ(outcome.statusReport, c.status);
        EXPECT_EQ(outcome.followUpRegister, 0);
    }
}

// The module counts types from 1; anything outside 1 to 8 keeps the type known before.
TEST(RegisterCatalogue, MeasurementTypeIsReportedFromOne) {
    for (const auto& [reported, before, after] :
         {std::tuple{3, 0, 2}, {1, 5, 0}, {8, 0, 7}, {0, 4, 4}, {9, 4, 4}, {255, 6, 6}}) {
        CModulDaten modul;
        modul.moduleType = std::uint8_t(before);
        EXPECT_TRUE(DispatchReply(BuildFrame(0, kReadParam, 1, 28, {std::uint8_t(reported)}), modul)
                        .accepted);
        EXPECT_EQ(modul.moduleType, after) << "reported " << reported;
    }
}

// Each live reply stores its value in its own channel and asks for the next register.
TEST(LiveChain, OnePollRequestsOneTwoFiveFourThreeSixThenRefreshes) {
    CModulDaten modul;
    std::vector<int> requested{1};
    for (int guard = 0; guard < 10; ++guard) {
        const auto reg = std::uint8_t(requested.back());
        const ReplyOutcome outcome = DispatchReply(
            BuildFrame(0, kReadValue, 4, reg, EncodeFloat32(10.0f * reg + 0.25f)), modul);
        ASSERT_TRUE(outcome.accepted && !outcome.loggerFrame);
        EXPECT_EQ(outcome.refreshDisplay, outcome.followUpRegister == 0);
        if (outcome.followUpRegister == 0) break;
        requested.push_back(outcome.followUpRegister);
    }
    EXPECT_EQ(requested, (std::vector<int>{1, 2, 5, 4, 3, 6}));
    const float values[] = {modul.value1, modul.value2, modul.value3,
                            modul.value4, modul.value5, modul.temperature};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(values[c], 10.0f * float(c + 1) + 0.25f);
}

}  // namespace
}  // namespace ql50
