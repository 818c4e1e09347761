// The calibration record's lines and its append-only file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "calibration/CalibrationRecord.h"
#include "support/Files.h"

namespace ql50::test {
namespace {

CModulDaten Modul(int type, float cal1, float cal2, float cal3, float cal4, float factor) {
    CModulDaten m;
    m.moduleType = std::uint8_t(type);
    m.calValue1 = cal1;
    m.calValue2 = cal2;
    m.calValue3 = cal3;
    m.calValue4 = cal4;
    m.airPressureFactor = factor;
    return m;
}

TEST(CalibrationRecord, ValuesOfEachKindOfTypeWithLabelsAndUnits) {
    EXPECT_EQ(CalibrationValues(Modul(0, 1.26f, -58.2f, 0, 0, 1), 0),
              "Asymmetrie 1.3 mV; Steilheit -58.2 mV/pH");
    EXPECT_EQ(CalibrationValues(Modul(3, 1.02f, 2.0f, 0.5f, 0, 1), 1),
              "cell const. 1.02 1/cm; temp. coef. 2.00 %/K; cable offset 0.50 Ohm");
    EXPECT_EQ(CalibrationValues(Modul(7, 120.0f, 2400, 2600, 12.5f, 1.0101f), 0),
              "Anstieg 120.0 nA/100%; B < 20°C 2400; B > 20°C 2600; Salinität 12.50 g/l; "
              "Luftdruckfaktor 1.0101");
}

TEST(CalibrationRecord, LineHasIsoTimeWithOffsetAndOneCellPerField) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    CalibrationRecordEntry e;
    e.time = 1796601600;  // 2026-12-07 00:00:00 UTC
    e.moduleType = 0;
    e.address = 3;
    e.branch = CalibrationBranch::Ph;
    e.before = "Asymmetrie 5.0 mV";
    e.after = "a\tb\nc";
    e.outcome = CalibrationOutcome::StoredWarned;
    EXPECT_EQ(CalibrationRecordLine(e, 0),
              "2026-12-07T01:00:00+01:00\tpH\t3\tpH\tAsymmetrie 5.0 mV\ta b c\t"
              "gespeichert trotz Warnung (außerhalb des Bereichs)\n");
    e.moduleType.reset();
    e.branch.reset();
    e.outcome = CalibrationOutcome::NoAnswer;
    EXPECT_EQ(CalibrationRecordLine(e, 1),
              "2026-12-07T01:00:00+01:00\t\t3\t\tAsymmetrie 5.0 mV\t"
              "a b c\tno answer from the module, nothing stored\n");
    unsetenv("TZ");
    tzset();
}

TEST(CalibrationRecord, AppendsWithOneHeaderAndNamesTheFileOnFailure) {
    TempDir dir;
    const std::string path = dir.File("kalibrierung.txt");
    std::string error;
    ASSERT_TRUE(AppendCalibrationRecord(path, "eins\n", 0, &error)) << error;
    ASSERT_TRUE(AppendCalibrationRecord(path, "zwei\n", 1, &error)) << error;
    EXPECT_EQ(Slurp(path), CalibrationRecordHeader(0) + "eins\nzwei\n");

    EXPECT_FALSE(AppendCalibrationRecord(dir.File("fehlt/k.txt"), "drei\n", 0, &error));
    EXPECT_EQ(error.rfind(dir.File("fehlt/k.txt") + ": ", 0), 0u) << error;
}

}  // namespace
}  // namespace ql50::test
