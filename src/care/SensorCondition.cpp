#include "care/SensorCondition.h"

#include <algorithm>
#include <cmath>

namespace ql50 {
namespace {

constexpr double kKelvin = 273.15;
constexpr double kReferenceKelvin = 298.15;
// R ln 10 / F in mV per kelvin: the theoretical slope is 59.16 mV/pH at 25 °C.
constexpr double kNernstPerKelvin = 8.314462618 * 2.302585092994046 / 96485.33212 * 1000.0;

constexpr Band kPhSlopeGood{95, 102}, kPhSlopeUsable{90, 102};
constexpr double kPhAsymmetryGood = 15, kPhAsymmetryUsable = 30;
constexpr Band kRedoxGood{-15, 15}, kRedoxUsable{-30, 30};
constexpr Band kCellGood{0.95, 1.05}, kCellUsable{0.90, 1.10};
constexpr double kOxygenGood = 15, kOxygenUsable = 30;  // % of the reference

constexpr int kDriftPoints = 8;
constexpr double kMsPerDay = 86400000.0;
constexpr double kHorizonDays = 3653;

Verdict InBands(const Condition& c) {
    if (c.good.Holds(c.value)) return Verdict::Good;
    return c.usable.Holds(c.value) ? Verdict::Usable : Verdict::CleanOrReplace;
}

}  // namespace

double PhSlopePercent(double slopeAt25, double temperature) {
    const double kelvin = (std::isfinite(temperature) ? temperature : 25.0) + kKelvin;
    const double atTemperature = slopeAt25 * kelvin / kReferenceKelvin;
    return 100.0 * atTemperature / (-kNernstPerKelvin * kelvin);
}

Verdict PhVerdict(double slopePercent, double asymmetry) {
    const double off = std::abs(asymmetry);
    if (kPhSlopeGood.Holds(slopePercent) && off <= kPhAsymmetryGood) return Verdict::Good;
    if (kPhSlopeUsable.Holds(slopePercent) && off <= kPhAsymmetryUsable) return Verdict::Usable;
    return Verdict::CleanOrReplace;
}

std::optional<Condition> ConditionOf(const RecordedCalibration& run, double reference) {
    if (!run.Stored() || !run.branch) return {};
    const double first = run.values[0];
    switch (*run.branch) {
        case CalibrationBranch::Ph:
            if (!std::isfinite(run.values[1])) return {};
            return Condition{PhSlopePercent(run.values[1], run.temperature.value_or(25.0)),
                             kPhSlopeGood, kPhSlopeUsable};
        case CalibrationBranch::Redox:
            if (!std::isfinite(first)) return {};
            return Condition{first, kRedoxGood, kRedoxUsable};
        case CalibrationBranch::Conductivity:
            if (!std::isfinite(first)) return {};
            return Condition{first, kCellGood, kCellUsable};
        case CalibrationBranch::OxygenSlope: {
            if (!std::isfinite(first)) return {};
            const double r = std::isfinite(reference) && reference > 0 ? reference : first;
            const auto part = [r](double percent) { return r * (100 + percent) / 100; };
            return Condition{first,
                             {part(-kOxygenGood), part(kOxygenGood)},
                             {part(-kOxygenUsable), part(kOxygenUsable)}};
        }
        case CalibrationBranch::Salinity:
        case CalibrationBranch::AirPressure:
            break;
    }
    return {};
}

std::optional<Verdict> VerdictOf(const RecordedCalibration& run, double reference) {
    const auto condition = ConditionOf(run, reference);
    if (!condition) return {};
    if (run.branch == CalibrationBranch::Ph) {
        if (!std::isfinite(run.values[0])) return {};
        return PhVerdict(condition->value, run.values[0]);
    }
    return InBands(*condition);
}

std::optional<Drift> EstimateDrift(const std::vector<std::pair<QDateTime, double>>& points,
                                   Band usable) {
    const std::size_t n = std::min<std::size_t>(points.size(), kDriftPoints);
    if (n < 3) return {};
    const auto first = points.end() - std::ptrdiff_t(n);
    const qint64 t0 = first->first.toMSecsSinceEpoch();
    double st = 0, sv = 0, stt = 0, stv = 0;
    for (auto p = first; p != points.end(); ++p) {
        const double t = double(p->first.toMSecsSinceEpoch() - t0) / kMsPerDay;
        st += t, sv += p->second, stt += t * t, stv += t * p->second;
    }
    const double spread = stt - st * st / double(n);
    if (spread < 1.0) return {};  // all on one day: no direction to speak of
    Drift d;
    d.perDay = (stv - st * sv / double(n)) / spread;
    const double at0 = (sv - d.perDay * st) / double(n);
    const auto at = [&](double day) { return at0 + d.perDay * day; };
    const double lastDay = double(points.back().first.toMSecsSinceEpoch() - t0) / kMsPerDay;
    double endDay = lastDay;
    if (d.perDay != 0) {
        const double edge = d.perDay > 0 ? usable.high : usable.low;
        const double day = (edge - at0) / d.perDay;
        if (day <= lastDay + kHorizonDays) {
            d.leaves = first->first.addMSecs(qint64(day * kMsPerDay));
            endDay = std::max(day, lastDay);
        }
    }
    d.from = first->first;
    d.to = first->first.addMSecs(qint64(endDay * kMsPerDay));
    d.fromValue = at(0);
    d.toValue = at(endDay);
    return d;
}

}  // namespace ql50
