// Which replies the program accepts, what it stores from them and what it does next.
#include <gtest/gtest.h>

#include <charconv>
#include <concepts>
#include <map>
#include <span>
#include <sstream>
#include <string>

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

// Each accepted reply stores its value in its own field only; a live reply asks for the next
// register of the poll, and the last one refreshes the display. The fuzz target rx_stream shows
// that the replies the program drops change nothing.
TEST(RegisterCatalogue, EachReplyDecodesIntoItsFieldOnly) {
    constexpr DataBytes kOne24{0x00, 0x80, 0x3F, 0x77};    // float24 1.0, d3 ignored
    constexpr DataBytes kTenth24{0xCC, 0xCC, 0x3D, 0x00};  // float24 0.1 as the module keeps it
    constexpr DataBytes k300{0x2C, 0x01, 0x55, 0x66};      // uint16 300, d2 and d3 ignored
    constexpr DataBytes kByte{0x11, 0x22, 0x33, 0x44};     // uint8 17
    constexpr DataBytes kLive{0x00, 0x00, 0xC5, 0x42};     // float32 98.5
    const struct {
        int op;
        int reg;
        DataBytes data;
        Fields changed;
        bool refresh = false;
        bool loggerFrame = false;
        bool status = false;
        int followUp = 0;
    } cases[] = {
        {0, 1, kLive, {{"value1", "98.5"}}, false, false, false, 2},
        {0, 2, kLive, {{"value2", "98.5"}}, false, false, false, 5},
        {0, 5, kLive, {{"value5", "98.5"}}, false, false, false, 4},
        {0, 4, kLive, {{"value4", "98.5"}}, false, false, false, 3},
        {0, 3, kLive, {{"value3", "98.5"}}, false, false, false, 6},
        {0, 6, kLive, {{"temperature", "98.5"}}, true},
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
        {2, 28, {3, 0, 0, 0}, {{"moduleType", "2"}}},  // counted from 1
        {2, 28, {9, 0, 0, 0}, {}},                     // no such type: the one before stays
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
        EXPECT_EQ(outcome.followUpRegister, c.followUp);
    }
}

}  // namespace
}  // namespace ql50
