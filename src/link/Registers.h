#pragma once
// The module's registers by name, and every request the program sends as a named
// (operation, type code, register) triple. Value registers (operations 0 and 1) and parameter
// registers (operations 2 and 3) are separate numbering spaces: value register 6 and parameter
// register 6 are different things.
//
// The type code (frame byte 3) is sent with every request but replies are decoded by
// operation and register only; each request below carries the code the module expects for it.
#include <cstdint>

#include "link/Frame.h"

namespace ql50 {

// Value registers.
enum ValueRegister : std::uint8_t {
    kValueLive1 = 1,  // live values 1 to 6 are registers 1 to 6
    kValueLive2 = 2,
    kValueLive3 = 3,
    kValueLive4 = 4,
    kValueLive5 = 5,
    kValueTemperature = 6,   // live value 6, °C
    kValueLoggerData = 54,   // a read starts the logger stream
    kValueLoggerLevel = 55,  // logger fill level in bytes; a write with d0 = 2 clears it
    kValueNextAlarm = 56,
    kValueStatus = 57,  // never requested; the module may send it on its own
    kValueDate = 58,    // read: day, month, year - 2000; written: year - 2000, day, month
    kValueTime = 59,    // hour, minute, second
    kValueRawInput = 60,
    kValueRawTemperature = 61,
    kValueRawBattery = 62,
    kValueNotice = 63,       // acknowledged only
    kValueEndOfWrites = 65,  // closes a series of parameter writes
    kValueConfigBegin = 67,  // opens a configuration exchange
    kValueConfigEnd = 68,    // closes it
    kValueSelectType = 69,   // d0 = measurement-type index + 1
};

// Parameter registers.
enum ParamRegister : std::uint8_t {
    kParamTemp0Adjust = 0,      // temperature input at 1.000 kOhm
    kParamTemp100Adjust = 1,    // temperature input at 1.385 kOhm
    kParamInputOpenAdjust = 6,  // measuring input open
    kParamInputHighAdjust = 7,  // measuring input at 2.4 MOhm
    kParamBatteryAdjust = 8,    // battery at 7 V
    kParamManufacturer = 26,    // four characters
    kParamType = 28,            // measurement type 1 to 8
    kParamAddress = 30,         // bus address 0 to 31
    kParamFirmware = 31,
    kParamCal1 = 32,  // calibration values 1 to 4 of the current type: 32 to 35
    kParamCal2 = 33,
    kParamCal3 = 34,
    kParamCal4 = 35,
    kParamAirPressureFactor = 37,
    kParamTempOffset = 38,
    kParamFixedTemperature = 72,
    kParamFixedTempOn = 73,
    kParamDisplayLanguage = 74,
    kParamLoggerInterval = 76,  // minutes
    kParamLoggerRelease = 77,
    kParamDisplayType = 130,
};

// The d0 of a write of value register 55 that clears the logger.
inline constexpr std::uint8_t kLoggerClearCommand = 2;

// One request: what goes into frame bytes 2, 3 and 4.
struct Request {
    std::uint8_t op;
    std::uint8_t type;
    std::uint8_t reg;
    constexpr bool operator==(const Request&) const = default;
};

// The requests of the program, by what they do.
namespace req {

// Live measurement: a poll tick asks for register 1; each reply of the chain asks for the next.
inline constexpr Request kLiveStart{kReadValue, 3, kValueLive1};
constexpr Request LiveNext(std::uint8_t reg) {
    return {kReadValue, 4, reg};
}

// Module set-up and calibration.
inline constexpr Request kReadType{kReadParam, 1, kParamType};
inline constexpr Request kWriteType{kWriteParam, 1, kParamType};
inline constexpr Request kSelectType{kReadValue, 3, kValueSelectType};
// Calibration value n (1 to 4).
constexpr Request ReadCal(int n) {
    return {kReadParam, 4, std::uint8_t(kParamCal1 + n - 1)};
}
constexpr Request WriteCal(int n) {
    return {kWriteParam, 4, std::uint8_t(kParamCal1 + n - 1)};
}
inline constexpr Request kReadAirPressureFactor{kReadParam, 4, kParamAirPressureFactor};
inline constexpr Request kWriteAirPressureFactor{kWriteParam, 4, kParamAirPressureFactor};
inline constexpr Request kEndOfWrites{kReadValue, 4, kValueEndOfWrites};

// Configuration.
inline constexpr Request kConfigBegin{kReadValue, 4, kValueConfigBegin};
inline constexpr Request kConfigEnd{kReadValue, 4, kValueConfigEnd};
inline constexpr Request kReadAddress{kReadParam, 1, kParamAddress};
inline constexpr Request kWriteAddress{kWriteParam, 1, kParamAddress};
inline constexpr Request kReadFirmware{kReadParam, 4, kParamFirmware};
inline constexpr Request kReadFixedTempOn{kReadParam, 1, kParamFixedTempOn};
inline constexpr Request kWriteFixedTempOn{kWriteParam, 1, kParamFixedTempOn};
inline constexpr Request kReadFixedTemperature{kReadParam, 4, kParamFixedTemperature};
inline constexpr Request kWriteFixedTemperature{kWriteParam, 4, kParamFixedTemperature};
inline constexpr Request kReadTempOffset{kReadParam, 4, kParamTempOffset};
inline constexpr Request kWriteTempOffset{kWriteParam, 4, kParamTempOffset};
inline constexpr Request kReadLoggerInterval{kReadParam, 2, kParamLoggerInterval};
inline constexpr Request kWriteLoggerInterval{kWriteParam, 2, kParamLoggerInterval};
inline constexpr Request kReadLoggerRelease{kReadParam, 1, kParamLoggerRelease};
inline constexpr Request kWriteLoggerRelease{kWriteParam, 1, kParamLoggerRelease};
inline constexpr Request kReadDisplayLanguage{kReadParam, 1, kParamDisplayLanguage};
inline constexpr Request kWriteDisplayLanguage{kWriteParam, 1, kParamDisplayLanguage};
// Sent after the end-of-writes command of a configuration write, with the bytes it carried.
inline constexpr Request kWriteAlarm{kWriteValue, 1, kValueNextAlarm};

// Data logger.
inline constexpr Request kLoggerLevel{kReadValue, 2, kValueLoggerLevel};
inline constexpr Request kLoggerStream{kReadValue, 4, kValueLoggerData};
inline constexpr Request kLoggerClear{kWriteValue, 2, kValueLoggerLevel};
inline constexpr Request kReadAlarm{kReadValue, 4, kValueNextAlarm};
inline constexpr Request kReadTime{kReadValue, 3, kValueTime};
inline constexpr Request kReadDate{kReadValue, 3, kValueDate};
inline constexpr Request kWriteTime{kWriteValue, 3, kValueTime};
inline constexpr Request kWriteDate{kWriteValue, 3, kValueDate};
// The logger information reads the release with type code 2, the configuration with 1.
inline constexpr Request kInfoLoggerRelease{kReadParam, 2, kParamLoggerRelease};

// Factory parametrisation.
inline constexpr Request kReadRawInput{kReadValue, 2, kValueRawInput};
inline constexpr Request kReadRawTemperature{kReadValue, 2, kValueRawTemperature};
inline constexpr Request kReadRawBattery{kReadValue, 2, kValueRawBattery};
constexpr Request ReadAdjust(std::uint8_t reg) {
    return {kReadParam, 2, reg};
}
constexpr Request WriteAdjust(std::uint8_t reg) {
    return {kWriteParam, 2, reg};
}
inline constexpr Request kReadManufacturer{kReadParam, 4, kParamManufacturer};
inline constexpr Request kWriteManufacturer{kWriteParam, 4, kParamManufacturer};
inline constexpr Request kReadDisplayType{kReadParam, 1, kParamDisplayType};
inline constexpr Request kWriteDisplayType{kWriteParam, 1, kParamDisplayType};

}  // namespace req

constexpr Frame BuildFrame(std::uint8_t address, const Request& r, DataBytes data = {}) {
    return BuildFrame(address, r.op, r.type, r.reg, data);
}

}  // namespace ql50
