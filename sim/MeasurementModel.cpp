#include "sim/MeasurementModel.h"

#include <cmath>
#include <numbers>

#include "link/Encoding.h"

namespace ql50::sim {

namespace {

constexpr double kKelvin = 273.15;
constexpr double kOxygenFraction = 0.2095;  // share of oxygen in dry air
// Sensor current scale of the oxygen evaluation: dry-air oxygen partial pressure (hPa) at
// 20 °C and normal pressure, so the current at 100 % saturation there equals the slope.
constexpr double kOxygenReference = 205.58;
constexpr double kRedoxToHydrogen = 207.0;  // mV between the reference electrode and hydrogen

// Calibration values travel as the upper three bytes of a float; keep the factory values
// representable that way so a module holding them measures exactly like its sensor.
float Float24(float value) {
    return DecodeFloat24(EncodeFloat24(value));
}

// The drifting sample of each type: centre and amplitude in the unit of live value 1.
struct SampleDrift {
    double centre;
    double amplitude;
};
constexpr std::array<SampleDrift, kTypeCount> kSampleDrift{{
    {7.2, 0.15},     // pH
    {230.0, 15.0},   // Redox, mV
    {150.0, 6.0},    // 200 µS/cm range, µS/cm
    {1250.0, 40.0},  // 2000 µS/cm range, µS/cm
    {12.5, 0.4},     // 20 mS/cm range, mS/cm
    {55.0, 2.0},     // 100 mS/cm range, mS/cm
    {1.8, 0.4},      // turbidity, NTU
    {96.0, 3.0},     // oxygen, % saturation
}};

double Wave(double seconds, double period, double phase = 0.0) {
    return std::sin(2.0 * std::numbers::pi * seconds / period + phase);
}

// Two slow waves: the value moves by a small fraction of its amplitude between two polls.
double Drift(double seconds) {
    return 0.7 * Wave(seconds, 1200.0) + 0.3 * Wave(seconds, 300.0, 2.0);
}

double ReportedTemperature(const Environment& env, const ModuleSettings& s) {
    return s.fixedTempOn ? double(s.fixedTemperature) : env.temperature + s.tempOffset;
}

// Conductivity ranges: live value 1 in µS/cm or mS/cm, live value 2 in kOhm or Ohm.
double ConductivityUnit(int type) {
    return type <= kTypeCond2000uS ? 1e-6 : 1e-3;
}
double ResistanceUnit(int type) {
    return type <= kTypeCond2000uS ? 1e3 : 1.0;
}

LiveValues MeasurePh(const Environment& env, const ModuleSettings& s, double t) {
    const CalibrationValues sensor = FactoryCalibration(kTypePh);
    const double voltage =
        sensor[0] + sensor[1] * (env.temperature + kKelvin) / 298.15 * (env.sample - 7.0);
    const double slope = s.calibration[1] * (t + kKelvin) / 298.15;
    const double ph = 7.0 + (voltage - s.calibration[0]) / slope;
    return {float(ph), float(voltage), 0, 0, 0, float(t)};
}

// The module reports the electrode's voltage as it is: the offset it holds does not act on the
// reading. The program computes a new offset as reading - held offset + set point, taking the
// reading to be the same whatever offset the module held.
LiveValues MeasureRedox(const Environment& env, const ModuleSettings&, double t) {
    const double redox = env.sample - FactoryCalibration(kTypeRedox)[0];
    return {float(redox), float(redox + kRedoxToHydrogen), 0, 0, 0, float(t)};
}

// The cell's resistance follows the sample's conductivity at the sensor temperature; the
// module turns it back into conductivity referred to 25 °C with its own values.
LiveValues MeasureConductivity(const Environment& env, const ModuleSettings& s, double t) {
    const CalibrationValues sensor = FactoryCalibration(s.type);
    const double unit = ConductivityUnit(s.type);
    const double actual = env.sample * unit * (1.0 + sensor[1] / 100.0 * (env.temperature - 25.0));
    const double resistance = sensor[0] / actual + sensor[2];
    const double measured = s.calibration[0] / (resistance - s.calibration[2]);
    const double at25 = measured / (1.0 + s.calibration[1] / 100.0 * (t - 25.0));
    return {float(at25 / unit), float(resistance / ResistanceUnit(s.type)), 0, 0, 0, float(t)};
}

LiveValues MeasureTurbidity(const Environment& env, const ModuleSettings& s, double t) {
    const double raw = env.sample / FactoryCalibration(kTypeTurbidity)[0];
    return {float(raw * s.calibration[0]), 0, 0, 0, 0, float(t)};
}

double OxygenB(const CalibrationValues& c, double celsius) {
    return celsius < 20.0 ? c[1] : c[2];
}

// A membrane sensor's current grows with the oxygen partial pressure and with temperature;
// the module divides the temperature effect out with its B values.
LiveValues MeasureOxygen(const Environment& env, const ModuleSettings& s, double t) {
    const CalibrationValues sensor = FactoryCalibration(kTypeOxygen);
    const double dryAir = env.airPressure - WaterVapourPressure(env.temperature);
    const double current =
        sensor[0] * env.sample / 100.0 * dryAir * kOxygenFraction /
        (kOxygenReference *
         OxygenTemperatureFactor(env.temperature, OxygenB(sensor, env.temperature)));
    const double pressure = env.airPressure * s.airPressureFactor;
    const double dry = pressure - WaterVapourPressure(t);
    const double factor = OxygenTemperatureFactor(t, OxygenB(s.calibration, t));
    const double saturation =
        kOxygenReference * factor * 100.0 * current / (dry * s.calibration[0] * kOxygenFraction);
    const double concentration =
        saturation / 100.0 * OxygenSolubility(t, pressure, s.calibration[3]);
    const double partial = dry * kOxygenFraction * saturation / 100.0;
    return {float(saturation), float(concentration), float(current),
            float(partial),    float(pressure),      float(t)};
}

}  // namespace

CalibrationValues FactoryCalibration(int type) {
    static constexpr std::array<CalibrationValues, kTypeCount> kFactory{{
        {1.5f, -58.2f, 0.0f, 0.0f},  // pH: asymmetry, slope
        {0.0f, 0.0f, 0.0f, 0.0f},    // Redox: offset
        {1.0f, 2.0f, 0.0f, 0.0f},    // conductivity: cell constant, %/K, cable Ohm
        {1.0f, 2.0f, 0.0f, 0.0f},
        {1.0f, 2.0f, 0.25f, 0.0f},
        {1.0f, 2.0f, 0.25f, 0.0f},
        {1.0f, 0.0f, 0.0f, 0.0f},          // turbidity: scale
        {120.0f, 2600.0f, 2400.0f, 0.0f},  // oxygen: slope, B < 20 °C, B >= 20 °C, salinity
    }};
    CalibrationValues values{};
    if (type < 0 || type >= kTypeCount) return values;
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = Float24(kFactory[type][i]);
    return values;
}

Environment SampleEnvironment(int type, double seconds, std::optional<double> immersion) {
    Environment env;
    env.temperature = 22.5 + 1.2 * Wave(seconds, 1800.0) + 0.4 * Wave(seconds, 420.0, 1.0);
    env.airPressure = 1013.0 + 3.0 * Wave(seconds, 7200.0) + 0.5 * Wave(seconds, 900.0, 0.5);
    if (immersion) {
        env.sample = *immersion;
    } else if (type >= 0 && type < kTypeCount) {
        env.sample = kSampleDrift[type].centre + kSampleDrift[type].amplitude * Drift(seconds);
    }
    return env;
}

LiveValues MeasureLiveValues(const Environment& env, const ModuleSettings& settings) {
    const double t = ReportedTemperature(env, settings);
    switch (settings.type) {
        case kTypePh:
            return MeasurePh(env, settings, t);
        case kTypeRedox:
            return MeasureRedox(env, settings, t);
        case kTypeTurbidity:
            return MeasureTurbidity(env, settings, t);
        case kTypeOxygen:
            return MeasureOxygen(env, settings, t);
        default:
            break;
    }
    if (IsConductivity(settings.type)) return MeasureConductivity(env, settings, t);
    return {0, 0, 0, 0, 0, float(t)};
}

double WaterVapourPressure(double t) {
    return 6.10696918088 +
           t * (0.45596995133 +
                t * (0.01249382623 +
                     t * (0.00035452846 +
                          t * (9.27368781e-7 + t * (4.61241046e-8 - t * 7.1934133e-11)))));
}

// Benson and Krause's fit for air-saturated water at normal pressure, scaled to the actual
// dry-air pressure.
double OxygenSolubility(double celsius, double airPressure, double salinity) {
    const double k = celsius + kKelvin;
    const double lnC = -139.34411 + 1.575701e5 / k - 6.642308e7 / (k * k) +
                       1.243800e10 / (k * k * k) - 8.621949e11 / (k * k * k * k) -
                       salinity * (1.7674e-2 - 1.0754e1 / k + 2.1407e3 / (k * k));
    const double vapour = WaterVapourPressure(celsius);
    return std::exp(lnC) * (airPressure - vapour) / (1013.25 - vapour);
}

double OxygenTemperatureFactor(double celsius, double b) {
    return std::exp(b * (1.0 / (celsius + 273.0) - 0.0034129692832));
}

}  // namespace ql50::sim
