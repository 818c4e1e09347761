// A calibration against the virtual module succeeds: the program's formulas, applied to the live
// values the module reports with its sensor in known solutions, give accepted calibration values
// that bring a module holding wrong ones back to its sensor.
#include <gtest/gtest.h>

#include <functional>

#include "calibration/CalibrationFormulas.h"
#include "sim/SimTestSupport.h"

namespace ql50::sim::test {
namespace {

struct Outcome {
    float value;    // the calibration value that would be stored (pH: the slope)
    bool accepted;  // pH: asymmetry and slope
};

Outcome PhInBuffersSevenAndFour(VirtualModule& m) {
    m.Immerse(7.0);
    const float u1 = ReadLive(m, 2);
    m.Immerse(4.0);
    const float u2 = ReadLive(m, 2);
    const PhCalibration r = ComputePhCalibration(u1, u2, 7.0f, 4.0f, ReadLive(m, 6));
    EXPECT_NEAR(r.asymmetry, FactoryCalibration(kTypePh)[0], 0.05f);
    return {r.slope, PhAccepted(r)};
}

Outcome ConductivityIn1413(VirtualModule& m) {
    m.Immerse(1413.0);
    const float cell = ComputeCellConstant(ReadLive(m, 1), 1413.0f, ReadFloat24(m, 32));
    return {cell, Accepted(CalibrationCheck::CellConstant, cell)};
}

Outcome OxygenInAirSaturatedWater(VirtualModule& m) {
    m.Immerse(100.0);
    const float slope = ComputeOxygenSlope(100.0f, ReadLive(m, 3), ReadLive(m, 5), ReadLive(m, 6),
                                           ReadFloat24(m, 33), ReadFloat24(m, 34));
    return {slope, Accepted(CalibrationCheck::OxygenSlope, slope)};
}

TEST(CalibrationAgainstModule, ProgramFormulasOnLiveValuesGiveAcceptedValues) {
    const struct {
        int type;
        std::uint8_t reg;  // the calibration value set wrong before the run
        float wrongValue;  // held by the module while it measures
        std::function<Outcome(VirtualModule&)> calibrate;
        float expected;  // the sensor's own value
        float tolerance;
    } cases[] = {
        {kTypePh, 33, -50.0f, PhInBuffersSevenAndFour, -58.2f, 0.05f},
        {kTypePh, 32, 12.0f, PhInBuffersSevenAndFour, -58.2f, 0.05f},
        {kTypeCond2000uS, 32, 0.9f, ConductivityIn1413, 1.0f, 1e-3f},
        {kTypeCond2000uS, 32, 1.15f, ConductivityIn1413, 1.0f, 1e-3f},
        {kTypeOxygen, 32, 80.0f, OxygenInAirSaturatedWater, 120.0f, 0.1f},
        {kTypeOxygen, 32, 150.0f, OxygenInAirSaturatedWater, 120.0f, 0.1f},
    };
    for (const auto& c : cases) {
        for (const auto elapsed : {0min, 17min, 95min}) {  // the room's temperature drifts
            FakeTime time;
            time.Advance(elapsed);
            VirtualModule module(time.Source());
            module.SetType(c.type);
            WriteFloat24(module, c.reg, c.wrongValue);
            const Outcome outcome = c.calibrate(module);
            EXPECT_TRUE(outcome.accepted) << "type " << c.type << " value " << outcome.value;
            EXPECT_NEAR(outcome.value, c.expected, c.tolerance)
                << "type " << c.type << " register " << int(c.reg) << " after " << elapsed.count();
        }
    }
}

}  // namespace
}  // namespace ql50::sim::test
