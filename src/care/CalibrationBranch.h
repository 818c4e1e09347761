#pragma once

namespace ql50 {

// What a calibration run calibrated: the kinds of result the result dialog shows, and the
// cell "Kalibrierung" of the calibration record.
enum class CalibrationBranch { Ph, Redox, Conductivity, OxygenSlope, Salinity, AirPressure };

}  // namespace ql50
