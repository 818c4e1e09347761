#pragma once
// The module's parameter registers: how each one is encoded and what a new module holds.
#include <cstdint>
#include <span>

#include "link/Frame.h"

namespace ql50::sim {

enum class Encoding : std::uint8_t { kUint8, kUint16, kFloat24, kChars4 };

struct ParameterSpec {
    std::uint8_t reg;
    Encoding encoding;
    DataBytes factory;  // encoded factory value
};

std::span<const ParameterSpec> ParameterTable();

// nullptr for a register the table does not list; the module keeps such registers as they
// were written (all zero in a new module).
const ParameterSpec* FindParameter(std::uint8_t reg);

// Drops the bytes that an encoding does not use, so a read returns clean data whatever the
// writer left in the unused bytes.
DataBytes Normalise(Encoding encoding, const DataBytes& data);

// Parameter registers with a meaning to the module itself.
enum ParameterRegister : std::uint8_t {
    kParamTemp0Adjust = 0,
    kParamTemp100Adjust = 1,
    kParamInputOpenAdjust = 6,
    kParamInputHighAdjust = 7,
    kParamBatteryAdjust = 8,
    kParamManufacturer = 26,
    kParamType = 28,
    kParamAddress = 30,
    kParamFirmware = 31,
    kParamCal1 = 32,  // calibration values 1 to 4 of the current type: 32 to 35
    kParamAirPressureFactor = 37,
    kParamTempOffset = 38,
    kParamFixedTemperature = 72,
    kParamFixedTempOn = 73,
    kParamDisplayLanguage = 74,
    kParamLoggerInterval = 76,
    kParamLoggerRelease = 77,
    kParamDisplayType = 130,
};

}  // namespace ql50::sim
