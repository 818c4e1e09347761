// The calibration arithmetic: results, acceptance and the lines of the result dialog.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "calibration/CalibrationFormulas.h"
#include "tables/Cp1252.h"

namespace ql50 {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(CalibrationFormulas, PhTwoPointCalibration) {
    const struct {
        float u1, u2, ph1, ph2, temperature;
        double slope, asymmetry;
        bool accepted;
    } cases[] = {
        {0.0f, 177.48f, 7.0f, 4.0f, 25.0f, -59.16, 0.0, true},
        {0.0f, 134.7f, 7.0f, 4.0f, 25.0f, -44.9, 0.0, false},  // worn electrode
        {-10.0f, 167.48f, 7.0f, 4.0f, 25.0f, -59.16, -10.0, true},
        {61.0f, 238.48f, 7.0f, 4.0f, 25.0f, -59.16, 61.0, false},  // asymmetry too large
        // At 10 °C the electrode gives 56.2 mV/pH, which is 59.17 mV/pH referred to 25 °C;
        // buffers 4 and 10 extrapolate to pH 7 at 5.0 mV.
        {173.6f, -163.6f, 4.0f, 10.0f, 10.0f, -59.17, 5.0, true},
    };
    for (const auto& c : cases) {
        const PhCalibration r = ComputePhCalibration(c.u1, c.u2, c.ph1, c.ph2, c.temperature);
        EXPECT_NEAR(r.slope, c.slope, 0.01) << c.u2;
        EXPECT_NEAR(r.asymmetry, c.asymmetry, 0.01) << c.u2;
        EXPECT_EQ(PhAccepted(r), c.accepted) << c.u2;
    }
}

TEST(CalibrationFormulas, OnePointValues) {
    const struct {
        const char* what;
        float computed;
        double expected;
        double tolerance;
    } cases[] = {
        {"Redox offset", ComputeRedoxOffset(12.0f, 2.0f, 5.0f), 15.0, 0.0},
        {"cell constant", ComputeCellConstant(1380.0f, 1413.0f, 1.0f), 1.023913, 1e-6},
        {"cell constant from 0.9", ComputeCellConstant(1242.0f, 1413.0f, 0.9f), 1.023913, 1e-6},
        {"air-pressure factor", ComputeAirPressureFactor(1000.0f, 990.0f, 1.0f), 1.010101, 1e-6},
        {"air-pressure factor from 1.02", ComputeAirPressureFactor(1000.0f, 1009.8f, 1.02f),
         1.010101, 1e-6},
        {"oxygen slope at 25 °C", ComputeOxygenSlope(100.0f, 50.0f, 1013.25f, 25.0f, 0.0f, 0.0f),
         49.98, 0.01},
        // Half saturation doubles the slope; B = 2400 K at 30 °C lowers the slope by e^-0.27.
        {"oxygen slope at 50 %", ComputeOxygenSlope(50.0f, 50.0f, 1013.25f, 25.0f, 0.0f, 0.0f),
         99.96, 0.02},
        {"oxygen slope at 30 °C", ComputeOxygenSlope(100.0f, 50.0f, 1013.25f, 30.0f, 0.0f, 2400.0f),
         38.57, 0.01},
    };
    for (const auto& c : cases) EXPECT_NEAR(c.computed, c.expected, c.tolerance) << c.what;
}

// The partial sums up to the term in t⁴ are single-precision values, which moves the result by
// a few 1e-7 hPa from the plain polynomial (10 °C: 12.284393941317); at 0 °C only the constant
// term is left.
TEST(CalibrationFormulas, VapourPressureRoundsItsPartialSums) {
    const std::pair<double, double> cases[] = {{0.0, double{6.10696918088f}},
                                               {10.0, 12.28439429712778},
                                               {25.0, 31.64948815637207},
                                               {37.5, 64.5254463595085}};
    for (const auto& [t, pressure] : cases) EXPECT_DOUBLE_EQ(waterVapourPressure(t), pressure) << t;
}

// B below 20 °C, the other B from exactly 20.0 °C up: an unusable B shows which one was taken.
TEST(CalibrationFormulas, OxygenSlopeTakesTheSecondBFromTwentyDegrees) {
    const struct {
        float temperature;
        float bBelow20, bFrom20;
        bool finite;
    } cases[] = {
        {19.99f, 2600.0f, kNaN, true}, {19.99f, kNaN, 2400.0f, false}, {20.0f, kNaN, 2400.0f, true},
        {20.0f, 2600.0f, kNaN, false}, {20.01f, kNaN, 2400.0f, true},
    };
    for (const auto& c : cases) {
        const float slope =
            ComputeOxygenSlope(100.0f, 120.0f, 1013.25f, c.temperature, c.bBelow20, c.bFrom20);
        EXPECT_EQ(std::isfinite(slope), c.finite) << c.temperature << " " << c.bBelow20;
    }
}

TEST(CalibrationFormulas, AcceptedRanges) {
    using C = CalibrationCheck;
    const struct {
        C check;
        float value;
        bool accepted;
    } cases[] = {
        {C::PhAsymmetry, 60.0f, true},
        {C::PhAsymmetry, 60.1f, false},
        {C::PhSlope, -61.0f, true},
        {C::PhSlope, -45.0f, true},
        {C::PhSlope, -44.9f, false},
        {C::PhSlope, -61.1f, false},
        {C::RedoxOffset, 100.0f, true},
        {C::RedoxOffset, 100.5f, false},
        {C::CellConstant, 1.19f, true},
        {C::CellConstant, 1.2f, false},  // the nearest float lies just above 1.2
        {C::CellConstant, 0.79f, false},
        {C::OxygenSlope, 200.0f, true},
        {C::OxygenSlope, 9.9f, false},
        {C::OxygenSlope, 200.1f, false},
        {C::Salinity, 40.0f, true},
        {C::Salinity, 40.01f, false},
        {C::Salinity, -0.01f, false},
        {C::AirPressure, 800.0f, false},
        {C::AirPressure, 800.5f, true},
        {C::AirPressure, 1199.9f, true},
        // Divisions by zero: no reading, a set point of 0, dry-air pressure 0.
        {C::CellConstant, ComputeCellConstant(0.0f, 1413.0f, 1.0f), false},
        {C::OxygenSlope, ComputeOxygenSlope(0.0f, 50.0f, 1013.25f, 25.0f, 0.0f, 0.0f), false},
        {C::OxygenSlope,
         ComputeOxygenSlope(100.0f, 50.0f, float(waterVapourPressure(0.0)), 0.0f, 0.0f, 0.0f),
         false},
        {C::RedoxOffset, kInf, false},
        {C::Salinity, kNaN, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Accepted(c.check, c.value), c.accepted)
            << static_cast<int>(c.check) << ": " << c.value;
    }
    EXPECT_FALSE(PhAccepted(ComputePhCalibration(0.0f, 0.0f, 7.0f, 7.0f, 25.0f)));
}

// Expected lines are written in UTF-8 here; the dialog lines are Windows-1252.
TEST(CalibrationFormulas, ResultDialogLines) {
    using B = CalibrationBranch;
    const PhCalibration ph = ComputePhCalibration(0.0f, 177.48f, 7.0f, 4.0f, 25.0f);
    const struct {
        B branch;
        int type, language;
        ResultValues values;
        std::array<const char*, 3> labels, lines;
    } cases[] = {
        // clang-format off
        {B::Ph, 0, 0, {ph.asymmetry, ph.slope}, {"Asymmetrie", "Steilheit", ""}, {"0.0 mV", "-59.2 mV/pH", ""}},
        {B::Ph, 0, 1, {1.26f, -58.23f}, {"asymmetrie", "slope", ""}, {"1.3 mV", "-58.2 mV/pH", ""}},
        {B::Redox, 1, 0, {ComputeRedoxOffset(12.0f, 2.0f, 5.0f)}, {"Offset", "", ""}, {"15.0 mV", "", ""}},
        {B::Conductivity, 3, 0, {ComputeCellConstant(1380.0f, 1413.0f, 1.0f), 2.0f},
         {"Zellkonstante", "Temperaturkoef.", ""}, {"1.02 1/cm", "2.00 %/K", ""}},
        {B::Conductivity, 5, 1, {0.875f, 1.9f}, {"cell const.", "temp. coef.", ""}, {"0.88 1/cm", "1.90 %/K", ""}},
        {B::OxygenSlope, 7, 0, {49.98f, 2600.0f, 2400.0f},
         {"Anstieg", "B < 20°C", "B > 20°C"}, {"50.0 nA/100%", "2600 ", "2400 "}},
        {B::OxygenSlope, 7, 1, {kInf, 2600.4f, 2399.6f},
         {"Slope", "B < 20°C", "B > 20°C"}, {"inf nA/100%", "2600 ", "2400 "}},
        {B::Salinity, 7, 0, {.entered = 40.0f}, {"", "Salinität", ""}, {"", "40.00 g/l", ""}},
        {B::Salinity, 7, 1, {.entered = 12.345f}, {"", "Salinity", ""}, {"", "12.35 g/l", ""}},
        {B::AirPressure, 7, 0, {.entered = 1013.5f}, {"", "Luftdruck", ""}, {"", "1014 hPa", ""}},
        {B::AirPressure, 7, 1, {.entered = 800.5f}, {"", "Air pressure", ""}, {"", "800 hPa", ""}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const ResultLines lines = CalibrationResultLines(c.branch, c.type, c.language, c.values);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(lines.labels[i], Utf8ToCp1252(c.labels[i]))
                << static_cast<int>(c.branch) << " " << c.language << " label " << i + 1;
            EXPECT_EQ(lines.values[i], Utf8ToCp1252(c.lines[i]))
                << static_cast<int>(c.branch) << " " << c.language << " value " << i + 1;
        }
    }
}

}  // namespace
}  // namespace ql50
