#pragma once
// The calibration arithmetic of the program. The module does not calibrate itself: it reports
// raw and derived values, the program computes new calibration values from them, checks them
// against the accepted ranges and shows them before the user decides to store them.
//
// Each function fixes its precision, so that the same readings always give the same bits in
// the module's registers: the inputs are the single-precision values the module reports, the
// steps run in the precision each function names, and every result is a single-precision value
// as the registers hold it.
#include <array>
#include <string>

#include "care/CalibrationBranch.h"

namespace ql50 {

// A two-point pH calibration: asymmetry in mV (the electrode voltage extrapolated to pH 7 at
// the present temperature) and slope in mV/pH referred to 25 °C.
struct PhCalibration {
    float asymmetry;
    float slope;
};

// u1, u2: electrode voltages (mV) in buffers 1 and 2 with set pH values ph1, ph2; temperature
// in °C. Computed in double, stored as single. Equal voltages or equal set points give
// non-finite values; the procedure refuses those cases before it calls this.
PhCalibration ComputePhCalibration(float u1, float u2, float ph1, float ph2, float temperature);

// Redox one-point offset: the module's reading value1 (mV), the offset it holds and the set
// point of the buffer solution (mV).
float ComputeRedoxOffset(float value1, float offset, float setPoint);

// Conductivity one-point cell constant (1/cm) from the measured conductivity, the solution's
// set point and the cell constant the module held while it measured.
float ComputeCellConstant(float measured, float setPoint, float cellConstant);

// Water vapour pressure in hPa at t °C. The sum runs from the constant term upwards; the
// partial sums after the terms in t, t², t³ and t⁴ are rounded to single precision, the terms
// in t⁵ and t⁶ are added to the last of them without rounding.
double waterVapourPressure(double t);

// Oxygen slope in nA per 100 % saturation from the saturation set point (%), the sensor current
// (nA), the air pressure (hPa) and the temperature (°C). The temperature correction uses B
// below 20 °C (bBelow20, calibration value 2) and from 20 °C up (bFrom20, calibration value 3).
float ComputeOxygenSlope(float setPoint, float current, float pressure, float temperature,
                         float bBelow20, float bFrom20);

// The module's air-pressure scale factor that makes its reading (taken with `factor`) show the
// entered pressure.
float ComputeAirPressureFactor(float entered, float reading, float factor);

// What the acceptance test judges. A value that is not finite never passes.
enum class CalibrationCheck {
    PhAsymmetry,   // -60 .. 60 mV
    PhSlope,       // -61 .. -45 mV/pH
    RedoxOffset,   // -100 .. 100 mV
    CellConstant,  // 0.8 .. 1.2 1/cm
    OxygenSlope,   // 10 .. 200 nA/100 %
    Salinity,      // entered salinity 0 .. 40
    AirPressure,   // entered air pressure above 800 and below 1200 hPa (both ends refused)
};

bool Accepted(CalibrationCheck check, float value);

// A pH result passes when both asymmetry and slope do.
bool PhAccepted(const PhCalibration& result);

// The three label lines (left column) and three value lines (right column) of the result
// dialog, Windows-1252 text; lines a branch does not use are empty.
struct ResultLines {
    std::array<std::string, 3> labels;
    std::array<std::string, 3> values;
};

// The values a result shows: calibration values 1 to 3 of the measuring type, or for the
// salinity and air-pressure branches the entered value.
struct ResultValues {
    float calValue1 = 0, calValue2 = 0, calValue3 = 0;
    float entered = 0;
};

// Labels come from the measuring type's calibration-value labels (type index 0 to 7) in the
// language (1 English, anything else German); a type outside the table gives empty labels.
ResultLines CalibrationResultLines(CalibrationBranch branch, int moduleType, int language,
                                   const ResultValues& values);

}  // namespace ql50
