#pragma once
// The last values read from the module. Filled by the reply dispatch and by the calibration;
// nothing is reset between measurements except by new replies.
#include <array>
#include <cstdint>

namespace ql50 {

struct CModulDaten {
    virtual ~CModulDaten() = default;

    // Live channels 1 to 5 and channel 6, the temperature in °C (value registers 1 to 6).
    float value1 = 0, value2 = 0, value3 = 0, value4 = 0, value5 = 0;
    float temperature = 0;

    // Calibration values 1 to 4 of the current measurement type (parameter registers 32 to 35).
    float calValue1 = 0, calValue2 = 0, calValue3 = 0, calValue4 = 0;
    float airPressureFactor = 0;  // parameter register 37
    float tempOffset = 0;         // 38, °C
    float fixedTemperature = 0;   // 72, °C

    std::uint8_t moduleAddress = 0;    // 30, the bus address the module itself holds (0 to 31)
    std::uint8_t fixedTempOn = 0;      // 73, 0 or 1
    std::uint8_t moduleType = 1;       // 28, measurement-type index 0 to 7 (the module says 1 to 8)
    std::uint8_t loggerEnabled = 0;    // 77, 0 or 1
    std::uint8_t deviceLanguage = 0;   // 74, language of the module's own display: 0 German
    std::uint16_t loggerInterval = 0;  // 76, minutes
    std::uint32_t loggerByteCount = 0;  // value register 55: logger fill level, 10 bytes a record

    // Factory adjustment values (parameter registers) and raw readings (value registers).
    std::int32_t tempAdjust0 = 0;        // parameter 0: temperature input at 1.000 kOhm
    std::int32_t tempAdjust100 = 0;      // parameter 1: temperature input at 1.385 kOhm
    std::int32_t inputAdjustOpen = 0;    // parameter 6: measuring input open
    std::int32_t inputAdjust24M = 0;     // parameter 7: measuring input at 2.4 MOhm
    std::int32_t batteryAdjust = 0;      // parameter 8: battery at 7 V
    std::int32_t rawInput = 0;           // value 60
    std::int32_t rawTemperature = 0;     // value 61
    std::int32_t rawBattery = 0;         // value 62
    std::array<char, 4> manufacturer{};  // parameter 26, four characters, not terminated
    std::uint8_t displayType = 0;        // parameter 130

    float firmwareVersion = 0;  // parameter 31

    // The logger's alarm (value 56: hour, minute), clock (59: hour, minute, second) and date
    // (58: the three bytes as the module sends them), as they came.
    std::array<std::uint8_t, 2> alarmTime{};
    std::array<std::uint8_t, 3> clockTime{};
    std::array<std::uint8_t, 3> clockDate{};
    // The status the module sent on its own (value 57): three bytes.
    std::array<std::uint8_t, 3> status{};
};

}  // namespace ql50
