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

struct TypeCase {
    int type;
    const char* name;
    std::array<Range, 6> ranges;  // live values 1 to 6
};

constexpr Range kZero{0.0f, 0.0f};
constexpr Range kRoomTemperature{20.0f, 25.0f};

const TypeCase kTypes[] = {
    {kTypePh, "pH", {{{6.9f, 7.5f}, {-25.0f, 10.0f}, kZero, kZero, kZero, kRoomTemperature}}},
    {kTypeRedox,
     "Redox",
     {{{200.0f, 260.0f}, {407.0f, 467.0f}, kZero, kZero, kZero, kRoomTemperature}}},
    {kTypeCond200uS,
     "200 uS/cm",
     {{{140.0f, 160.0f}, {5.5f, 8.5f}, kZero, kZero, kZero, kRoomTemperature}}},
    {kTypeCond2000uS,
     "2000 uS/cm",
     {{{1200.0f, 1300.0f}, {0.65f, 0.95f}, kZero, kZero, kZero, kRoomTemperature}}},
    {kTypeCond20mS,
     "20 mS/cm",
     {{{12.0f, 13.0f}, {70.0f, 95.0f}, kZero, kZero, kZero, kRoomTemperature}}},
    {kTypeCond100mS,
     "100 mS/cm",
     {{{52.0f, 58.0f}, {16.0f, 22.0f}, kZero, kZero, kZero, kRoomTemperature}}},
    {kTypeTurbidity, "turbidity", {{{1.3f, 2.3f}, kZero, kZero, kZero, kZero, kRoomTemperature}}},
    {kTypeOxygen,
     "oxygen",
     {{{92.0f, 100.0f},
       {7.5f, 9.5f},
       {100.0f, 150.0f},
       {180.0f, 215.0f},
       {1005.0f, 1020.0f},
       kRoomTemperature}}},
};

std::array<float, 6> ReadAllLive(VirtualModule& module) {
    std::array<float, 6> values{};
    for (std::uint8_t reg = 1; reg <= 6; ++reg) values[reg - 1] = ReadLive(module, reg);
    return values;
}

TEST(LiveValues, EveryTypeGivesPlausibleValuesOverTime) {
    for (const TypeCase& c : kTypes) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.SetType(c.type);
        for (int step = 0; step < 48; ++step) {  // four hours in steps of five minutes
            const auto values = ReadAllLive(module);
            for (std::size_t i = 0; i < 6; ++i) {
                EXPECT_GE(values[i], c.ranges[i].min) << c.name << " value " << i + 1;
                EXPECT_LE(values[i], c.ranges[i].max) << c.name << " value " << i + 1;
            }
            time.Advance(5min);
        }
    }
}

TEST(LiveValues, ValuesDriftSlowly) {
    for (const TypeCase& c : kTypes) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.SetType(c.type);
        const float span = c.ranges[0].max - c.ranges[0].min;
        const float first = ReadLive(module, 1);
        time.Advance(2s);  // one poll later
        EXPECT_LT(std::fabs(ReadLive(module, 1) - first), 0.05f * span) << c.name;
        time.Advance(7min);
        EXPECT_NE(ReadLive(module, 1), first) << c.name << " does not vary";
    }
}

TEST(LiveValues, LiveValuesAreFloat32LittleEndian) {
    FakeTime time;
    VirtualModule module(time.Source());
    const float expected = module.CurrentLiveValues()[5];
    const Frame reply = Ask(module, Request(kReadValue, 4, 6));
    EXPECT_EQ(reply, BuildFrame(1, kReadValue, 4, 6, EncodeFloat32(expected)));
}

// pH: a two-point calibration in buffers 7 and 4 with the program's formula finds the
// electrode's asymmetry and slope again, whatever the module held before.
TEST(LiveValues, PhTwoPointCalibrationFindsTheElectrode) {
    FakeTime time;
    VirtualModule module(time.Source());
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

TEST(LiveValues, RedoxAddsItsOffsetAndReportsTheHydrogenScale) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.SetType(kTypeRedox);
    module.Immerse(220.0);
    EXPECT_NEAR(ReadLive(module, 1), 220.0f, 0.01f);
    WriteFloat24(module, 32, 5.0f);
    EXPECT_NEAR(ReadLive(module, 1), 225.0f, 0.01f);
    EXPECT_NEAR(ReadLive(module, 2), 432.0f, 0.01f);
}

// Conductivity: one-point calibration (set point / reading x cell constant) finds the cell's
// constant; the reading is the cell resistance turned into conductivity at 25 °C.
TEST(LiveValues, ConductivityCalibrationFindsTheCellConstant) {
    struct Case {
        int type;
        double standard;        // in the unit of live value 1
        double unitInSiemens;   // µS/cm or mS/cm
        double resistanceUnit;  // kOhm or Ohm
    };
    const Case cases[] = {{kTypeCond200uS, 147.0, 1e-6, 1e3},
                          {kTypeCond2000uS, 1413.0, 1e-6, 1e3},
                          {kTypeCond20mS, 12.88, 1e-3, 1.0},
                          {kTypeCond100mS, 58.67, 1e-3, 1.0}};
    for (const Case& c : cases) {
        FakeTime time;
        VirtualModule module(time.Source());
        module.SetType(c.type);
        WriteFloat24(module, 32, 0.9f);
        module.Immerse(c.standard);
        const auto v = ReadAllLive(module);
        const double cable = ReadFloat24(module, 34);
        const double alpha = ReadFloat24(module, 33);
        const double fromResistance = 0.9f / (v[1] * c.resistanceUnit - cable) /
                                      (1.0 + alpha / 100.0 * (v[5] - 25.0)) / c.unitInSiemens;
        EXPECT_NEAR(v[0], fromResistance, 1e-3 * c.standard) << "type " << c.type;
        const double cellConstant = c.standard / v[0] * ReadFloat24(module, 32);
        EXPECT_NEAR(cellConstant, 1.0, 1e-4) << "type " << c.type;
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
    struct Case {
        const char* name;
        bool fixedTemperature;
        float temperature;
    };
    // The module's temperature decides which B applies; fixed temperatures on both sides.
    for (const Case c : {Case{"drifting", false, 0.0f}, Case{"fixed 15 °C", true, 15.0f},
                         Case{"fixed 20 °C", true, 20.0f}, Case{"fixed 28 °C", true, 28.0f}}) {
        FakeTime time;
        VirtualModule module(time.Source());
        if (c.fixedTemperature) {
            WriteFloat24(module, 72, c.temperature);
            Ask(module, Request(kWriteParam, 1, 73, {1, 0, 0, 0}));
        }
        const auto v = ReadAllLive(module);
        if (c.fixedTemperature) {
            EXPECT_EQ(v[5], c.temperature) << c.name;
        }
        const double slope = ProgramOxygenSlope(v[5], v[2], v[4], v[0], ReadFloat24(module, 33),
                                                ReadFloat24(module, 34));
        EXPECT_NEAR(slope, ReadFloat24(module, 32), 0.01) << c.name;
        const double dryAir = v[3] / (0.2095 * v[0] / 100.0);
        EXPECT_NEAR(v[4] - dryAir, 26.0, 12.0) << c.name << ": water vapour pressure";
    }
}

TEST(LiveValues, OxygenCalibrationsFindSensorAndPressure) {
    FakeTime time;
    VirtualModule module(time.Source());
    WriteFloat24(module, 32, 100.0f);
    module.Immerse(100.0);  // water-saturated air: 100 % saturation
    auto v = ReadAllLive(module);
    EXPECT_NEAR(ProgramOxygenSlope(v[5], v[2], v[4], 100.0, 2600.0, 2400.0), 120.0, 0.05);

    // Air pressure: the module's reading scales with its factor; entering the true pressure
    // gives the factor that makes the reading right.
    const float truePressure = v[4];
    WriteFloat24(module, 37, 1.02f);
    v = ReadAllLive(module);
    EXPECT_NEAR(v[4], truePressure * DecodeFloat24(EncodeFloat24(1.02f)), 0.01f);
    const double newFactor = truePressure / (v[4] / ReadFloat24(module, 37));
    EXPECT_NEAR(newFactor, 1.0, 1e-5);
}

TEST(LiveValues, OxygenConcentrationFollowsSaturationAndSalinity) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.Immerse(100.0);
    const float fresh = ReadLive(module, 2);
    EXPECT_GT(fresh, 8.2f);
    EXPECT_LT(fresh, 9.1f);
    module.Immerse(50.0);
    EXPECT_NEAR(ReadLive(module, 2), fresh / 2.0f, 0.01f);
    module.Immerse(100.0);
    WriteFloat24(module, 35, 35.0f);  // sea water
    const float ratio = ReadLive(module, 2) / fresh;
    EXPECT_GT(ratio, 0.78f);
    EXPECT_LT(ratio, 0.86f);
}

TEST(LiveValues, TemperatureOffsetAndFixedTemperature) {
    FakeTime time;
    VirtualModule module(time.Source());
    const float sensor = ReadLive(module, 6);
    WriteFloat24(module, 38, 1.5f);
    EXPECT_NEAR(ReadLive(module, 6), sensor + 1.5f, 1e-4f);
    WriteFloat24(module, 72, 25.0f);
    Ask(module, Request(kWriteParam, 1, 73, {1, 0, 0, 0}));
    EXPECT_EQ(ReadLive(module, 6), 25.0f);
}

TEST(LiveValues, TurbidityScalesWithItsFactor) {
    FakeTime time;
    VirtualModule module(time.Source());
    module.SetType(kTypeTurbidity);
    module.Immerse(4.0);
    EXPECT_NEAR(ReadLive(module, 1), 4.0f, 1e-5f);
    WriteFloat24(module, 32, 1.5f);
    EXPECT_NEAR(ReadLive(module, 1), 6.0f, 1e-5f);
}

}  // namespace
}  // namespace ql50::sim::test
