#pragma once
// What the module measures: a simulated sample and sensor, and the module's own evaluation of
// the sensor signal with the calibration values it holds. The sensor's true properties are the
// type's factory calibration values, so a freshly set up module shows the sample's true values,
// and a calibration run against known solutions brings changed calibration values back to them.
// The Redox offset is held for the program only and does not act on the reading.
#include <array>
#include <optional>

namespace ql50::sim {

// Measurement-type index as the program counts it; the module reports index + 1.
enum MeasurementType : int {
    kTypePh = 0,
    kTypeRedox = 1,
    kTypeCond200uS = 2,
    kTypeCond2000uS = 3,
    kTypeCond20mS = 4,
    kTypeCond100mS = 5,
    kTypeTurbidity = 6,
    kTypeOxygen = 7,
};
inline constexpr int kTypeCount = 8;

inline constexpr bool IsConductivity(int type) {
    return type >= kTypeCond200uS && type <= kTypeCond100mS;
}

// The four calibration values of a type as the module holds them (registers 32 to 35):
// pH: asymmetry mV, slope mV/pH at 25 °C; Redox: offset mV; conductivity: cell constant 1/cm,
// temperature coefficient %/K, cable offset Ohm; turbidity: scale factor;
// oxygen: slope nA/100 %, B below 20 °C, B from 20 °C up, salinity g/kg.
using CalibrationValues = std::array<float, 4>;

// Factory calibration of each type, which is also the simulated sensor's true behaviour.
CalibrationValues FactoryCalibration(int type);

// Everything the module uses to turn sensor signals into live values.
struct ModuleSettings {
    int type = kTypeOxygen;
    CalibrationValues calibration = FactoryCalibration(kTypeOxygen);
    float airPressureFactor = 1.0f;  // register 37
    float tempOffset = 0.0f;         // register 38, added to the sensor temperature
    float fixedTemperature = 25.0f;  // register 72
    bool fixedTempOn = false;        // register 73
};

// The world around the sensor at one moment.
struct Environment {
    double temperature = 20.0;     // °C at the sensor
    double airPressure = 1013.25;  // hPa
    // The measured quantity in the unit of live value 1:
    // pH, mV, µS/cm or mS/cm, NTU, % saturation.
    double sample = 0.0;
};

// A slowly drifting sample at the given time (seconds of the module's clock). A fixed
// `immersion` replaces the drifting sample, as when the sensor is put into a buffer solution.
Environment SampleEnvironment(int type, double seconds, std::optional<double> immersion);

// Live values 1 to 6 (live value 6 is the temperature in °C) as the module reports them.
using LiveValues = std::array<float, 6>;
LiveValues MeasureLiveValues(const Environment& env, const ModuleSettings& settings);

// Water vapour pressure in hPa over the temperature range of the oxygen sensor.
double WaterVapourPressure(double celsius);

// Oxygen solubility in mg/l at the given temperature, air pressure (hPa) and salinity (g/kg).
double OxygenSolubility(double celsius, double airPressure, double salinity);

// The oxygen sensor's temperature factor with coefficient B (K), 1 at 20 °C.
double OxygenTemperatureFactor(double celsius, double b);

}  // namespace ql50::sim
