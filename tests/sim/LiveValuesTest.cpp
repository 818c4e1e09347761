// Live values of every measurement type: plausible, slowly varying, and consistent with the
// calibration values the module holds, so that the program's calibration formulas applied to
// them give sensible results.
#include <gtest/gtest.h>

#include <cmath>

#include "SimTestSupport.h"

namespace ql50::sim::test {
namespace {

struct Range {
    float min;
    float max;
};
constexpr Range kZero{0.0f, 0.0f};
constexpr Range kRoom{20.0f, 25.0f};

const struct {
    int type;
    std::array<Range, 6> ranges;  // live values 1 to 6
} kTypes[] = {
    {kTypePh, {{{6.9f, 7.5f}, {-25.0f, 10.0f}, kZero, kZero, kZero, kRoom}}},
    {kTypeRedox, {{{200.0f, 260.0f}, {407.0f, 467.0f}, kZero, kZero, kZero, kRoom}}},
    {kTypeCond200uS, {{{140.0f, 160.0f}, {5.5f, 8.5f}, kZero, kZero, kZero, kRoom}}},
    {kTypeCond2000uS, {{{1200.0f, 1300.0f}, {0.65f, 0.95f}, kZero, kZero, kZero, kRoom}}},
    {kTypeCond20mS, {{{12.0f, 13.0f}, {70.0f, 95.0f}, kZero, kZero, kZero, kRoom}}},
    {kTypeCond100mS, {{{52.0f, 58.0f}, {16.0f, 22.0f}, kZero, kZero, kZero, kRoom}}},
    {kTypeTurbidity, {{{1.3f, 2.3f}, kZero, kZero, kZero, kZero, kRoom}}},
    {kTypeOxygen,
     {{{92.0f, 100.0f},
       {7.5f, 9.5f},
       {100.0f, 150.0f},
       {180.0f, 215.0f},
       {1005.0f, 1020.0f},
       kRoom}}},
};

std::array<float, 6> ReadAllLive(VirtualModule& module) {
    std::array<float, 6> values{};
    for (std::uint8_t reg = 1; reg <= 6; ++reg) values[reg - 1] = ReadLive(module, reg);
    return values;
}

TEST(LiveValues, EveryTypeGivesPlausibleSlowlyDriftingValues) {
    for (const auto& c : kTypes) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.SetType(c.type);
        const float first = ReadLive(module, 1);
        const float span = c.ranges[0].max - c.ranges[0].min;
        bool varied = false;
        for (int step = 0; step < 48; ++step) {  // four hours in steps of five minutes
            const auto values = ReadAllLive(module);
            for (std::size_t i = 0; i < 6; ++i) {
                EXPECT_GE(values[i], c.ranges[i].min) << "type " << c.type << " value " << i + 1;
                EXPECT_LE(values[i], c.ranges[i].max) << "type " << c.type << " value " << i + 1;
            }
            time.Advance(2s);  // one poll later
            EXPECT_LT(std::fabs(ReadLive(module, 1) - values[0]), 0.05f * span) << c.type;
            varied = varied || values[0] != first;
            time.Advance(5min);
        }
        EXPECT_TRUE(varied) << "type " << c.type << " does not vary";
    }
}

// pH: a two-point calibration in buffers 7 and 4 with the program's formula finds the
// electrode's asymmetry and slope again, whatever the module held before.
TEST_F(Sim, PhTwoPointCalibrationFindsTheElectrode) {
    module.SetType(kTypePh);
    WriteFloat24(module, 32, 12.0f);
    WriteFloat24(module, 33, -50.0f);
    module.Immerse(7.0);
    const double u1 = ReadLive(module, 2);
    EXPECT_GT(std::fabs(ReadLive(module, 1) - 7.0f), 0.1f) << "the wrong values must show";
    module.Immerse(4.0);
    const double u2 = ReadLive(module, 2);
    const double kelvin = ReadLive(module, 6) + 273.15;
    const double slope = (u2 - u1) / (4.0 - 7.0) * 298.15 / kelvin;
    const double asymmetry = u2 + slope * kelvin * (7.0 - 4.0) * 0.0033540164346805303;
    EXPECT_NEAR(slope, -58.2, 0.05);
    EXPECT_NEAR(asymmetry, 1.5, 0.05);
    WriteFloat24(module, 32, float(asymmetry));
    WriteFloat24(module, 33, float(slope));
    EXPECT_NEAR(ReadLive(module, 1), 4.0f, 0.01f);
    module.Immerse(9.0);
    EXPECT_NEAR(ReadLive(module, 1), 9.0f, 0.01f);
}

// Offsets and factors held in parameters act on the live value: after = before x scale + add.
TEST(LiveValues, OffsetsAndFactorsActOnTheLiveValue) {
    const struct {
        int type;
        double immerse;  // NaN: leave the sample alone
        std::uint8_t param;
        float value;
        std::uint8_t live;
        float scale;
        float add;
    } cases[] = {
        {kTypeRedox, 220.0, 32, 5.0f, 1, 1.0f, 0.0f},  // the Redox offset leaves it alone
        {kTypeTurbidity, 4.0, 32, 1.5f, 1, 1.5f, 0.0f},
        {kTypeOxygen, std::nan(""), 38, 1.5f, 6, 1.0f, 1.5f},  // temperature offset
        {kTypeOxygen, std::nan(""), 37, 1.02f, 5, DecodeFloat24(EncodeFloat24(1.02f)), 0.0f},
    };
    for (const auto& c : cases) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.SetType(c.type);
        if (!std::isnan(c.immerse)) module.Immerse(c.immerse);
        const float before = ReadLive(module, c.live);
        EXPECT_TRUE(std::isnan(c.immerse) || std::fabs(before - c.immerse) < 1e-3) << c.type;
        WriteFloat24(module, c.param, c.value);
        EXPECT_NEAR(ReadLive(module, c.live), before * c.scale + c.add, 2e-3f) << int(c.param);
        EXPECT_TRUE(c.type != kTypeRedox || std::fabs(ReadLive(module, 2) - 427.0f) < 0.01f)
            << "redox on the hydrogen scale";
    }
}

// Conductivity: one-point calibration (set point / reading x cell constant) finds the cell's
// constant; the reading is the cell resistance turned into conductivity at 25 °C.
TEST(LiveValues, ConductivityCalibrationFindsTheCellConstant) {
    const struct {
        int type;
        double standard;        // in the unit of live value 1
        double unitInSiemens;   // µS/cm or mS/cm
        double resistanceUnit;  // kOhm or Ohm
    } cases[] = {{kTypeCond200uS, 147.0, 1e-6, 1e3},
                 {kTypeCond2000uS, 1413.0, 1e-6, 1e3},
                 {kTypeCond20mS, 12.88, 1e-3, 1.0},
                 {kTypeCond100mS, 58.67, 1e-3, 1.0}};
    for (const auto& c : cases) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.SetType(c.type);
        WriteFloat24(module, 32, 0.9f);
        module.Immerse(c.standard);
        const auto v = ReadAllLive(module);
        const double fromResistance = 0.9f / (v[1] * c.resistanceUnit - ReadFloat24(module, 34)) /
                                      (1.0 + ReadFloat24(module, 33) / 100.0 * (v[5] - 25.0)) /
                                      c.unitInSiemens;
        EXPECT_NEAR(v[0], fromResistance, 1e-3 * c.standard) << "type " << c.type;
        EXPECT_NEAR(c.standard / v[0] * ReadFloat24(module, 32), 1.0, 1e-4) << "type " << c.type;
    }
}

// The program's oxygen evaluation, written out independently of the module's code.
double ProgramOxygenSlope(double t, double current, double pressure, double setPoint, double bLow,
                          double bHigh) {
    const double pw = 6.10696918088 + 0.45596995133 * t + 0.01249382623 * t * t +
                      0.00035452846 * std::pow(t, 3) + 9.27368781e-7 * std::pow(t, 4) +
                      4.61241046e-8 * std::pow(t, 5) - 7.1934133e-11 * std::pow(t, 6);
    const double b = t < 20.0 ? bLow : bHigh;
    const double e = std::exp(b * (1.0 / (t + 273.0) - 0.0034129692832));
    return 205.58 * e * (100.0 * current) / ((pressure - pw) * setPoint * 0.2095);
}

TEST(LiveValues, OxygenValuesAgreeWithTheProgramsSlopeFormula) {
    // The module's temperature decides which B applies; fixed temperatures on both sides.
    for (const float fixed : {std::nanf(""), 15.0f, 20.0f, 28.0f}) {
        FakeTime time;
        VirtualModule module(time.Source());
        if (!std::isnan(fixed)) {
            WriteFloat24(module, 72, fixed);
            Ask(module, Request(kWriteParam, 1, 73, {1, 0, 0, 0}));
        }
        const auto v = ReadAllLive(module);
        EXPECT_TRUE(std::isnan(fixed) || v[5] == fixed) << v[5];
        EXPECT_NEAR(ProgramOxygenSlope(v[5], v[2], v[4], v[0], ReadFloat24(module, 33),
                                       ReadFloat24(module, 34)),
                    ReadFloat24(module, 32), 0.01)
            << fixed;
        const double dryAir = v[3] / (0.2095 * v[0] / 100.0);
        EXPECT_NEAR(v[4] - dryAir, 26.0, 12.0) << fixed << ": water vapour pressure";
    }
}

TEST_F(Sim, OxygenConcentrationFollowsSaturationAndSalinity) {
    module.Immerse(100.0);
    const float fresh = ReadLive(module, 2);
    EXPECT_TRUE(fresh > 8.2f && fresh < 9.1f) << fresh;
    module.Immerse(50.0);
    EXPECT_NEAR(ReadLive(module, 2), fresh / 2.0f, 0.01f);
    module.Immerse(100.0);
    WriteFloat24(module, 35, 35.0f);  // sea water
    const float ratio = ReadLive(module, 2) / fresh;
    EXPECT_TRUE(ratio > 0.78f && ratio < 0.86f) << ratio;
}

}  // namespace
}  // namespace ql50::sim::test
