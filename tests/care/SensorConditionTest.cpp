// The sensor's condition at every limit, and the drift line's estimate.
#include <gtest/gtest.h>

#include <cmath>

#include "care/SensorCondition.h"

namespace ql50::test {
namespace {

// The theoretical slope at 25 °C, R T ln 10 / F.
constexpr double kNernst25 = -59.15935;

TEST(SensorCondition, PhSlopeInPercentOfTheoryAtTheCalibrationTemperature) {
    const struct {
        double slopeAt25, temperature, percent;
    } cases[] = {
        {kNernst25, 25.0, 100.0},
        {kNernst25, 5.0, 100.0},  // referred to 25 °C by the module, so alike at any temperature
        {-58.2, NAN, 98.378},     // no temperature recorded
    };
    for (const auto& c : cases)
        EXPECT_NEAR(PhSlopePercent(c.slopeAt25, c.temperature), c.percent, 1e-3)
            << c.slopeAt25 << " at " << c.temperature;
}

TEST(SensorCondition, PhVerdictAtEveryLimit) {
    const struct {
        double percent, asymmetry;
        Verdict verdict;
    } cases[] = {
        {95.0, 0, Verdict::Good},
        {102.0, 15.0, Verdict::Good},
        {100.0, -15.0, Verdict::Good},
        {94.99, 0, Verdict::Usable},
        {90.0, 0, Verdict::Usable},
        {100.0, 15.01, Verdict::Usable},
        {100.0, -30.0, Verdict::Usable},
        {89.99, 0, Verdict::CleanOrReplace},
        {102.01, 0, Verdict::CleanOrReplace},
        {100.0, 30.01, Verdict::CleanOrReplace},
        {92.0, -30.01, Verdict::CleanOrReplace},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhVerdict(c.percent, c.asymmetry), c.verdict) << c.percent << " " << c.asymmetry;
}

TEST(SensorCondition, OtherTypesAtTheirLimits) {
    const struct {
        CalibrationBranch branch;
        double value, reference;
        Verdict verdict;
    } cases[] = {
        {CalibrationBranch::Redox, -15.0, NAN, Verdict::Good},
        {CalibrationBranch::Redox, 15.01, NAN, Verdict::Usable},
        {CalibrationBranch::Redox, -30.01, NAN, Verdict::CleanOrReplace},
        {CalibrationBranch::Conductivity, 1.05, NAN, Verdict::Good},
        {CalibrationBranch::Conductivity, 0.9, NAN, Verdict::Usable},
        {CalibrationBranch::Conductivity, 1.1001, NAN, Verdict::CleanOrReplace},
        {CalibrationBranch::OxygenSlope, 85.0, 100.0, Verdict::Good},
        {CalibrationBranch::OxygenSlope, 129.0, 100.0, Verdict::Usable},
        {CalibrationBranch::OxygenSlope, 69.0, 100.0, Verdict::CleanOrReplace},
        {CalibrationBranch::OxygenSlope, 40.0, NAN, Verdict::Good},  // the first: its own reference
    };
    for (const auto& c : cases) {
        RecordedCalibration run;
        run.branch = c.branch;
        run.outcome = CalibrationOutcome::Stored;
        run.values = {c.value, NAN, NAN, NAN, NAN};
        EXPECT_EQ(VerdictOf(run, c.reference), c.verdict) << c.value;
    }
    RecordedCalibration salinity;
    salinity.branch = CalibrationBranch::Salinity;
    salinity.outcome = CalibrationOutcome::Stored;
    salinity.values = {100, 0, 0, 35, 1};
    EXPECT_FALSE(VerdictOf(salinity, NAN));
}

TEST(SensorCondition, DriftLineLeavesTheBandWhereItCrossesItsEdge) {
    const QDateTime start(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC);
    // 100 % falling by 0.1 % a day: 90 % after 100 days.
    std::vector<std::pair<QDateTime, double>> points;
    for (int day : {0, 10, 20, 30}) points.emplace_back(start.addDays(day), 100.0 - 0.1 * day);
    const auto drift = EstimateDrift(points, {90, 102});
    ASSERT_TRUE(drift);
    EXPECT_NEAR(drift->perDay, -0.1, 1e-9);
    ASSERT_TRUE(drift->leaves);
    EXPECT_LE(std::abs(drift->leaves->secsTo(start.addDays(100))), 1);
    EXPECT_NEAR(drift->toValue, 90.0, 1e-6);
    // Rising away from the upper edge only slowly: not within ten years.
    for (auto& p : points) p.second = 95.0 + (p.second - 100.0) * -0.001;
    ASSERT_TRUE(EstimateDrift(points, {90, 102}));
    EXPECT_FALSE(EstimateDrift(points, {90, 102})->leaves);
    // Too few points, or all on one day: no trend.
    EXPECT_FALSE(EstimateDrift({points.begin(), points.begin() + 2}, {90, 102}));
    for (auto& p : points) p.first = start;
    EXPECT_FALSE(EstimateDrift(points, {90, 102}));
}

}  // namespace
}  // namespace ql50::test
