#pragma once
// The condition of a sensor judged from the values of a stored calibration, with the limits
// used in laboratory practice, and the drift of those values over the sensor's calibrations.
#include <QDateTime>
#include <optional>
#include <utility>
#include <vector>

#include "care/CalibrationRecord.h"

namespace ql50 {

enum class Verdict { Good, Usable, CleanOrReplace };

struct Band {
    double low = 0, high = 0;
    bool Holds(double v) const { return v >= low && v <= high; }
};

// The slope of a pH electrode as a percentage of the theoretical (Nernst) slope at the
// temperature it was calibrated at (°C; 25 when not known). The module keeps the slope
// referred to 25 °C: the electrode's slope at the temperature is that times T / 298.15 K, the
// theoretical one is R T ln 10 / F, so the percentage comes out the same at any temperature.
double PhSlopePercent(double slopeAt25, double temperature);

// pH: good with a slope of 95 to 102 % and an asymmetry within ±15 mV; usable with a slope of
// 90 to 102 % and an asymmetry within ±30 mV; otherwise the electrode needs cleaning or
// replacing. The limits belong to the better verdict.
Verdict PhVerdict(double slopePercent, double asymmetry);

// The value that tells the condition of a sensor, with the bands of a good and of a usable
// sensor:
//   pH            slope in % of theory   good 95..102         usable 90..102 (with the asymmetry)
//   Redox         offset in mV           good -15..15         usable -30..30
//   conductivity  cell constant in 1/cm  good 0.95..1.05      usable 0.90..1.10
//   oxygen        slope in nA/100 %      good ±15 % of the reference, usable ±30 %
// `reference` is the module's first stored oxygen slope: a membrane sensor loses current as it
// ages, and what it gave when new is the measure of that. Nothing for a run that is no sensor
// calibration (salinity, air pressure) or has no stored values.
struct Condition {
    double value = 0;
    Band good, usable;
};
std::optional<Condition> ConditionOf(const RecordedCalibration& run, double reference);
std::optional<Verdict> VerdictOf(const RecordedCalibration& run, double reference);

// The straight line (least squares) through the last stored condition values over time, and
// where it leaves the usable band.
struct Drift {
    QDateTime from, to;                 // the line from the first point it was fitted to ...
    double fromValue = 0, toValue = 0;  // ... to where it leaves the band, or the last point
    double perDay = 0;                  // the change of the value per day
    std::optional<QDateTime> leaves;    // nothing when it heads for no edge within ten years
};
// At least three points on at least two days, the last eight of them used; otherwise nothing.
std::optional<Drift> EstimateDrift(const std::vector<std::pair<QDateTime, double>>& points,
                                   Band usable);

}  // namespace ql50
