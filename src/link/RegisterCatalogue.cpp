#include "link/RegisterCatalogue.h"

#include <algorithm>
#include <array>
#include <span>

#include "link/Encoding.h"
#include "link/Registers.h"
#include "tables/MessTypen.h"

namespace ql50 {

namespace {

// Everything a reply action may read or change.
struct ReplyContext {
    std::uint8_t reg;
    DataBytes data;
    CModulDaten& modul;
    ReplyOutcome& outcome;
};

using ReplyAction = void (*)(ReplyContext&);

// A run of registers first..last of one operation that the program accepts.
struct ReplyRule {
    std::uint8_t first;
    std::uint8_t last;
    ReplyAction action;  // nullptr: the reply only ends the wait, nothing is stored
};

// ---- decoding into the module data -----------------------------------------------------------

template <auto Field>
void Float24Into(ReplyContext& c) {
    c.modul.*Field = DecodeFloat24(c.data);
}

template <auto Field>
void Uint16Into(ReplyContext& c) {
    c.modul.*Field = DecodeUint16(c.data);
}

template <auto Field>
void Uint8Into(ReplyContext& c) {
    c.modul.*Field = c.data[0];
}

template <ReplyAction Store>
void ThenRefresh(ReplyContext& c) {
    Store(c);
    c.outcome.refreshDisplay = true;
}

// The logger's alarm time, date and clock, and the module's status: the first data bytes.
template <auto Field>
void BytesInto(ReplyContext& c) {
    auto& field = c.modul.*Field;
    for (std::size_t i = 0; i < field.size(); ++i) field[i] = c.data[i];
}

// The module reports its measurement type as 1 to 8. Any other number keeps the previous type:
// the type indexes the eight-record type table everywhere, so it must never leave 0 to 7.
void MeasurementType(ReplyContext& c) {
    const std::uint8_t reported = c.data[0];
    if (reported >= 1 && reported <= kMessTypen.size()) c.modul.moduleType = reported - 1;
}

void Manufacturer(ReplyContext& c) {
    // Element by element: g++ 12 at -O3 takes a std::copy here for an overflow.
    for (std::size_t i = 0; i < c.modul.manufacturer.size(); ++i)
        c.modul.manufacturer[i] = static_cast<char>(c.data[i]);
}

void StatusReport(ReplyContext& c) {
    BytesInto<&CModulDaten::status>(c);
    c.outcome.statusReport = true;
}

void LoggerFrame(ReplyContext& c) {
    c.outcome.loggerFrame = true;
}

// ---- the live-value chain ----------------------------------------------------------------------

// One poll tick requests register 1; each reply stores its value and requests the next, so the
// module is asked for 1, 2, 5, 4, 3, 6, and the six fields change on screen together at the end.
struct LiveStep {
    std::uint8_t reg;
    float CModulDaten::*value;
    std::uint8_t next;  // 0: the chain ends and the display is refreshed
};

constexpr std::array<LiveStep, 6> kLiveChain{{
    {kValueLive1, &CModulDaten::value1, kValueLive2},
    {kValueLive2, &CModulDaten::value2, kValueLive5},
    {kValueLive5, &CModulDaten::value5, kValueLive4},
    {kValueLive4, &CModulDaten::value4, kValueLive3},
    {kValueLive3, &CModulDaten::value3, kValueTemperature},
    {kValueTemperature, &CModulDaten::temperature, 0},
}};

void LiveValue(ReplyContext& c) {
    const auto step = std::find_if(kLiveChain.begin(), kLiveChain.end(),
                                   [&](const LiveStep& s) { return s.reg == c.reg; });
    if (step == kLiveChain.end()) return;
    c.modul.*(step->value) = DecodeFloat32(c.data);
    c.outcome.followUpRegister = step->next;
    c.outcome.refreshDisplay = step->next == 0;
}

// ---- the catalogue -----------------------------------------------------------------------------

// Operation 0, read value.
constexpr ReplyRule kReadValueRules[] = {
    {kValueLive1, kValueTemperature, LiveValue},
    {kValueLoggerData, kValueLoggerData, LoggerFrame},
    {kValueLoggerLevel, kValueLoggerLevel, Uint16Into<&CModulDaten::loggerByteCount>},
    {kValueNextAlarm, kValueNextAlarm, ThenRefresh<BytesInto<&CModulDaten::alarmTime>>},
    {kValueStatus, kValueStatus, StatusReport},
    {kValueDate, kValueDate, ThenRefresh<BytesInto<&CModulDaten::clockDate>>},
    {kValueTime, kValueTime, ThenRefresh<BytesInto<&CModulDaten::clockTime>>},
    {kValueRawInput, kValueRawInput, Uint16Into<&CModulDaten::rawInput>},
    {kValueRawTemperature, kValueRawTemperature, Uint16Into<&CModulDaten::rawTemperature>},
    {kValueRawBattery, kValueRawBattery, Uint16Into<&CModulDaten::rawBattery>},
    {kValueNotice, kValueNotice, nullptr},
    {kValueEndOfWrites, kValueEndOfWrites, nullptr},
    {kValueConfigBegin, kValueSelectType, nullptr},
};

// Operation 1, write value: acknowledgements of clearing the logger and setting its clock.
constexpr ReplyRule kWriteValueRules[] = {
    {kValueLoggerLevel, kValueTime, nullptr},
};

// Operation 2, read parameter. The registers without an action are decoded by nothing the
// program reads, but their replies still end the wait.
constexpr ReplyRule kReadParamRules[] = {
    {kParamTemp0Adjust, kParamTemp0Adjust, Uint16Into<&CModulDaten::tempAdjust0>},
    {kParamTemp100Adjust, kParamTemp100Adjust, Uint16Into<&CModulDaten::tempAdjust100>},
    {kParamInputOpenAdjust, kParamInputOpenAdjust, Uint16Into<&CModulDaten::inputAdjustOpen>},
    {kParamInputHighAdjust, kParamInputHighAdjust, Uint16Into<&CModulDaten::inputAdjust24M>},
    {kParamBatteryAdjust, kParamBatteryAdjust, Uint16Into<&CModulDaten::batteryAdjust>},
    {9, 14, nullptr},
    {18, 25, nullptr},
    {kParamManufacturer, kParamManufacturer, Manufacturer},
    {kParamType, kParamType, MeasurementType},
    {kParamAddress, kParamAddress, Uint8Into<&CModulDaten::moduleAddress>},
    {kParamFirmware, kParamFirmware, Float24Into<&CModulDaten::firmwareVersion>},
    {kParamCal1, kParamCal1, ThenRefresh<Float24Into<&CModulDaten::calValue1>>},
    {kParamCal2, kParamCal2, Float24Into<&CModulDaten::calValue2>},
    {kParamCal3, kParamCal3, Float24Into<&CModulDaten::calValue3>},
    {kParamCal4, kParamCal4, Float24Into<&CModulDaten::calValue4>},
    {36, 36, nullptr},
    {kParamAirPressureFactor, kParamAirPressureFactor,
     Float24Into<&CModulDaten::airPressureFactor>},
    {kParamTempOffset, kParamTempOffset, Float24Into<&CModulDaten::tempOffset>},
    {39, 42, nullptr},
    {47, 48, nullptr},
    {51, 52, nullptr},
    {55, 56, nullptr},
    {63, 63, nullptr},
    {67, 67, nullptr},
    {kParamFixedTemperature, kParamFixedTemperature, Float24Into<&CModulDaten::fixedTemperature>},
    {kParamFixedTempOn, kParamFixedTempOn, Uint8Into<&CModulDaten::fixedTempOn>},
    {kParamDisplayLanguage, kParamDisplayLanguage, Uint8Into<&CModulDaten::deviceLanguage>},
    {kParamLoggerInterval, kParamLoggerInterval, Uint16Into<&CModulDaten::loggerInterval>},
    {kParamLoggerRelease, kParamLoggerRelease, Uint8Into<&CModulDaten::loggerEnabled>},
    {129, 129, nullptr},
    {kParamDisplayType, kParamDisplayType, Uint8Into<&CModulDaten::displayType>},
};

// Operation 3, write parameter: acknowledgements only. Writes of the factory adjustments 6, 7
// and 8 (and of 2 to 17 and 31 in general) are not acknowledged: their waits run out.
constexpr ReplyRule kWriteParamRules[] = {
    {0, 1, nullptr},   {18, 26, nullptr}, {28, 28, nullptr},   {30, 30, nullptr}, {32, 42, nullptr},
    {47, 48, nullptr}, {51, 52, nullptr}, {55, 56, nullptr},   {63, 63, nullptr}, {67, 67, nullptr},
    {72, 74, nullptr}, {76, 77, nullptr}, {129, 130, nullptr},
};

// Indexed by operation code; replies with operations above 3 are dropped.
constexpr std::array<std::span<const ReplyRule>, 4> kCatalogue{kReadValueRules, kWriteValueRules,
                                                               kReadParamRules, kWriteParamRules};

const ReplyRule* FindRule(std::uint8_t op, std::uint8_t reg) {
    if (op >= kCatalogue.size()) return nullptr;
    for (const ReplyRule& rule : kCatalogue[op]) {
        if (reg >= rule.first && reg <= rule.last) return &rule;
    }
    return nullptr;
}

}  // namespace

Request LiveFollowUp(std::uint8_t followUpRegister) {
    return req::LiveNext(followUpRegister);
}

bool ReplyAccepted(std::uint8_t op, std::uint8_t reg) {
    return FindRule(op, reg) != nullptr;
}

ReplyOutcome DispatchReply(const Frame& frame, CModulDaten& modul) {
    ReplyOutcome outcome;
    const std::uint8_t reg = frame[kPosRegister];
    const ReplyRule* rule = FindRule(frame[kPosOp], reg);
    if (rule == nullptr) return outcome;
    outcome.accepted = true;
    if (rule->action != nullptr) {
        ReplyContext context{reg, FrameData(frame), modul, outcome};
        rule->action(context);
    }
    return outcome;
}

}  // namespace ql50
