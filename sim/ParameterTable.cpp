#include "sim/ParameterTable.h"

#include <algorithm>
#include <array>

#include "link/Encoding.h"

namespace ql50::sim {

namespace {

constexpr ParameterSpec U8(std::uint8_t reg, std::uint8_t value) {
    return {reg, Encoding::Uint8, EncodeUint8(value)};
}
constexpr ParameterSpec U16(std::uint8_t reg, std::uint16_t value) {
    return {reg, Encoding::Uint16, EncodeUint16(value)};
}
constexpr ParameterSpec F24(std::uint8_t reg, float value) {
    return {reg, Encoding::Float24, EncodeFloat24(value)};
}

// Registers 32 to 35 are filled from the current type's calibration when the module starts.
constexpr std::array kParameters{
    U16(kParamTemp0Adjust, 1520),      // temperature input at 1.000 kOhm (0 °C)
    U16(kParamTemp100Adjust, 2105),    // temperature input at 1.385 kOhm (100 °C)
    U16(kParamInputOpenAdjust, 118),   // measuring input open
    U16(kParamInputHighAdjust, 3870),  // measuring input at 2.4 MOhm
    U16(kParamBatteryAdjust, 2870),    // battery input at 7 V
    U16(9, 0),
    U16(10, 0),
    U16(11, 0),
    U16(12, 0),
    U16(13, 0),
    U16(14, 0),
    U16(18, 0),
    U16(19, 0),
    U16(20, 0),
    U16(21, 0),
    U16(22, 0),
    U16(23, 0),
    U16(24, 0),
    U16(25, 0),
    ParameterSpec{kParamManufacturer, Encoding::Chars4, {'V', 'M', '0', '1'}},  // manufacturer code
    U8(kParamType, 8),           // measurement type 1..8: oxygen
    U8(kParamAddress, 1),        // bus address
    F24(kParamFirmware, 1.04f),  // firmware version
    F24(kParamCal1, 0.0f),
    F24(kParamCal2, 0.0f),
    F24(kParamCal3, 0.0f),
    F24(kParamCal4, 0.0f),
    F24(36, 0.0f),
    F24(kParamAirPressureFactor, 1.0f),  // air-pressure factor
    F24(kParamTempOffset, 0.0f),         // temperature offset, °C
    F24(39, 0.0f),
    F24(40, 0.0f),
    F24(41, 0.0f),
    F24(42, 0.0f),
    U8(47, 0),
    U8(48, 0),
    U8(51, 0),
    U8(52, 0),
    F24(55, 0.0f),
    F24(56, 0.0f),
    U8(63, 0),
    U8(67, 0),
    F24(kParamFixedTemperature, 25.0f),  // fixed temperature, °C
    U8(kParamFixedTempOn, 0),            // fixed temperature not in use
    U8(kParamDisplayLanguage, 0),        // display language German
    U16(kParamLoggerInterval, 15),       // logger interval, minutes
    U8(kParamLoggerRelease, 1),          // logger released
    U8(129, 0),
    U8(kParamDisplayType, 0),  // display type
};

}  // namespace

std::span<const ParameterSpec> ParameterTable() {
    return kParameters;
}

const ParameterSpec* FindParameter(std::uint8_t reg) {
    const auto it = std::find_if(kParameters.begin(), kParameters.end(),
                                 [reg](const ParameterSpec& p) { return p.reg == reg; });
    return it == kParameters.end() ? nullptr : &*it;
}

DataBytes Normalise(Encoding encoding, const DataBytes& d) {
    switch (encoding) {
        case Encoding::Uint8:
            return {d[0], 0, 0, 0};
        case Encoding::Uint16:
            return {d[0], d[1], 0, 0};
        case Encoding::Float24:
            return {d[0], d[1], d[2], 0};
        case Encoding::Chars4:
            break;
    }
    return d;
}

}  // namespace ql50::sim
