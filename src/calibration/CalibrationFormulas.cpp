#include "calibration/CalibrationFormulas.h"

#include <cmath>

#include "link/Format.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"

namespace ql50 {

PhCalibration ComputePhCalibration(float u1, float u2, float ph1, float ph2, float temperature) {
    const double kelvin = double{temperature} + 273.15;
    const double slope = (double{u2} - u1) / (double{ph2} - ph1) * 298.15 / kelvin;
    // 1/298.15: the slope is referred to 25 °C and taken back to the present temperature.
    const double asymmetry = u2 + slope * kelvin * (7.0 - ph2) * 0.0033540164346805303;
    return {static_cast<float>(asymmetry), static_cast<float>(slope)};
}

float ComputeRedoxOffset(float value1, float offset, float setPoint) {
    return value1 - offset + setPoint;
}

float ComputeCellConstant(float measured, float setPoint, float cellConstant) {
    const float ratio = setPoint / measured;
    return ratio * cellConstant;
}

double waterVapourPressure(double t) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double t4 = t3 * t;
    double sum = static_cast<float>(6.10696918088 + 0.45596995133 * t);
    sum = static_cast<float>(sum + 0.01249382623 * t2);
    sum = static_cast<float>(sum + 0.00035452846 * t3);
    sum = static_cast<float>(sum + 9.27368781e-7 * t4);
    return sum + 4.61241046e-8 * (t4 * t) - 7.1934133e-11 * (t4 * t2);
}

float ComputeOxygenSlope(float setPoint, float current, float pressure, float temperature,
                         float bBelow20, float bFrom20) {
    const double t = temperature;
    const double b = t < 20.0 ? bBelow20 : bFrom20;
    // The sensor's temperature factor is 1 at 20 °C: 0.0034129692832 is 1/293 K.
    const double e = std::exp(b * (1.0 / (t + 273.0) - 0.0034129692832));
    // The slope is referred to an oxygen partial pressure of 205.58 hPa; 0.2095 is the oxygen
    // share of dry air, whose pressure is the air pressure less the water vapour pressure.
    const double dryAir = double{pressure} - waterVapourPressure(t);
    return static_cast<float>(205.58 * e * (100.0 * current) / (dryAir * setPoint * 0.2095));
}

float ComputeAirPressureFactor(float entered, float reading, float factor) {
    const float raw = reading / factor;
    return entered / raw;
}

namespace {

struct AcceptedRange {
    CalibrationCheck check;
    double min, max;
    bool endsAccepted;
};

constexpr AcceptedRange kAcceptedRanges[] = {
    {CalibrationCheck::PhAsymmetry, -60.0, 60.0, true},
    {CalibrationCheck::PhSlope, -61.0, -45.0, true},
    {CalibrationCheck::RedoxOffset, -100.0, 100.0, true},
    {CalibrationCheck::CellConstant, 0.8, 1.2, true},
    {CalibrationCheck::OxygenSlope, 10.0, 200.0, true},
    {CalibrationCheck::Salinity, 0.0, 40.0, true},
    {CalibrationCheck::AirPressure, 800.0, 1200.0, false},
};

}  // namespace

bool Accepted(CalibrationCheck check, float value) {
    if (!std::isfinite(value)) return false;
    for (const AcceptedRange& r : kAcceptedRanges) {
        if (r.check != check) continue;
        return r.endsAccepted ? r.min <= value && value <= r.max : r.min < value && value < r.max;
    }
    return false;
}

bool PhAccepted(const PhCalibration& result) {
    return Accepted(CalibrationCheck::PhAsymmetry, result.asymmetry) &&
           Accepted(CalibrationCheck::PhSlope, result.slope);
}

namespace {

std::string CalLabel(int moduleType, int language, int index) {
    if (moduleType < 0 || moduleType >= static_cast<int>(kMessTypCount)) return {};
    return kMessTypen[static_cast<std::size_t>(moduleType)]
        .calLabel[static_cast<std::size_t>(index)][language == 1 ? 1 : 0]
        .data();
}

std::string Fixed(float value, int decimals, const char* suffix) {
    return FormatFixed(value, decimals) + suffix;
}

}  // namespace

ResultLines CalibrationResultLines(CalibrationBranch branch, int moduleType, int language,
                                   const ResultValues& v) {
    const auto label = [&](int index) { return CalLabel(moduleType, language, index); };
    switch (branch) {
        case CalibrationBranch::Ph:
            return {{label(0), label(1), ""},
                    {Fixed(v.calValue1, 1, " mV"), Fixed(v.calValue2, 1, " mV/pH"), ""}};
        case CalibrationBranch::Redox:
            return {{label(0), "", ""}, {Fixed(v.calValue1, 1, " mV"), "", ""}};
        case CalibrationBranch::Conductivity:
            return {{label(0), label(1), ""},
                    {Fixed(v.calValue1, 2, " 1/cm"), Fixed(v.calValue2, 2, " %/K"), ""}};
        case CalibrationBranch::OxygenSlope:
            return {{label(0), label(1), label(2)},
                    {Fixed(v.calValue1, 1, " nA/100%"), Fixed(v.calValue2, 0, " "),
                     Fixed(v.calValue3, 0, " ")}};
        case CalibrationBranch::Salinity:
            return {{"", Tx(kTexte.salinitaet, language), ""},
                    {"", Fixed(v.entered, 2, " g/l"), ""}};
        case CalibrationBranch::AirPressure:
            return {{"", Tx(kTexte.luftdruck, language), ""},
                    {"", Fixed(v.entered, 0, " hPa"), ""}};
    }
    return {};
}

}  // namespace ql50
