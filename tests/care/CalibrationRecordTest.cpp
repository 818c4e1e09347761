// The calibration record's lines, its append-only file with the hash chain, and its lines read
// back in either language and either form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "care/CalibrationRecord.h"
#include "care/RecordChain.h"
#include "support/Files.h"

namespace ql50::test {
namespace {

// The care tests run in Central European time, whose offsets the record's lines show.
class CentralEuropeanTime : public ::testing::Environment {
    void SetUp() override {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
};
[[maybe_unused]] const auto* const kTimeZone =
    ::testing::AddGlobalTestEnvironment(new CentralEuropeanTime);

CModulDaten Modul(int type, float cal1, float cal2, float cal3, float cal4, float factor) {
    CModulDaten m;
    m.moduleType = std::uint8_t(type);
    m.calValue1 = cal1, m.calValue2 = cal2, m.calValue3 = cal3, m.calValue4 = cal4;
    m.airPressureFactor = factor;
    return m;
}

class CalibrationRecord : public ::testing::Test {
protected:
    static CalibrationRecordEntry Entry() {
        CalibrationRecordEntry e;
        e.time = 1796601600;  // 2026-12-07 00:00:00 UTC
        e.moduleType = 0;
        e.address = 3;
        e.branch = CalibrationBranch::Ph;
        e.before = "Asymmetrie 5.0 mV";
        e.after = "a\tb\nc";
        e.outcome = CalibrationOutcome::StoredWarned;
        e.moduleId = "4711";
        e.temperature = 24.96f;
        e.stored = CalibrationNumbers{1.25f, -58.2f, 0, 0, 1};
        return e;
    }
};

TEST_F(CalibrationRecord, ValuesOfEachKindOfTypeWithLabelsAndUnits) {
    EXPECT_EQ(CalibrationValues(Modul(0, 1.26f, -58.2f, 0, 0, 1), 0),
              "Asymmetrie 1.3 mV; Steilheit -58.2 mV/pH");
    EXPECT_EQ(CalibrationValues(Modul(3, 1.02f, 2.0f, 0.5f, 0, 1), 1),
              "cell const. 1.02 1/cm; temp. coef. 2.00 %/K; cable offset 0.50 Ohm");
    EXPECT_EQ(CalibrationValues(Modul(7, 120.0f, 2400, 2600, 12.5f, 1.0101f), 0),
              "Anstieg 120.0 nA/100%; B < 20°C 2400; B > 20°C 2600; Salinität 12.50 g/l; "
              "Luftdruckfaktor 1.0101");
    EXPECT_EQ(ModuleIdText({'V', 'M', '0', '1'}), "VM01");
    EXPECT_EQ(ModuleIdText({' ', '4', '2', '\0'}), "42");
    EXPECT_EQ(ModuleIdText({'\0', 'x', 'y', 'z'}), "");
}

TEST_F(CalibrationRecord, LineHasIsoTimeWithOffsetOneCellPerFieldAndItsHash) {
    const std::string cells =
        "2026-12-07T01:00:00+01:00\tpH\t3\tpH\tAsymmetrie 5.0 mV\ta b c\t"
        "gespeichert trotz Warnung (außerhalb des Bereichs)\t4711\t25.0\t1.25 -58.2 0 0 1";
    EXPECT_EQ(CalibrationRecordCells(Entry(), 0), cells);
    EXPECT_EQ(CalibrationRecordLine(Entry(), 0, "ab"),
              cells + '\t' + ChainHash("ab", cells) + '\n');
    CalibrationRecordEntry e = Entry();
    e.moduleType.reset();
    e.branch.reset();
    e.outcome = CalibrationOutcome::NoAnswer;
    e.moduleId.clear();
    e.temperature.reset();
    e.stored.reset();
    EXPECT_EQ(CalibrationRecordCells(e, 1),
              "2026-12-07T01:00:00+01:00\t\t3\t\tAsymmetrie 5.0 mV\t"
              "a b c\tno answer from the module, nothing stored\t\t\t");
}

// Each line follows the hash of the line before; a line cut short by a crash is ended first.
TEST_F(CalibrationRecord, AppendsWithOneHeaderAndChainsEachLineToTheLast) {
    TempDir dir;
    const std::string path = dir.File("kalibrierung.txt");
    std::string error;
    ASSERT_TRUE(AppendCalibrationRecord(path, Entry(), 0, &error)) << error;
    ASSERT_TRUE(AppendCalibrationRecord(path, Entry(), 1, &error)) << error;
    const std::string first = CalibrationRecordLine(Entry(), 0, "");
    const std::string second =
        CalibrationRecordLine(Entry(), 1, first.substr(first.size() - 65, 64));
    EXPECT_EQ(Slurp(path), CalibrationRecordHeader(0) + first + second);

    Spit(path, "old line\tcut sho");
    ASSERT_TRUE(AppendCalibrationRecord(path, Entry(), 0, &error)) << error;
    EXPECT_EQ(Slurp(path), "old line\tcut sho\n" + first);

    EXPECT_FALSE(AppendCalibrationRecord(dir.File("fehlt/k.txt"), Entry(), 0, &error));
    EXPECT_EQ(error.rfind(dir.File("fehlt/k.txt") + ": ", 0), 0u) << error;
    EXPECT_FALSE(AppendCalibrationRecord(dir.Path(), Entry(), 0, &error));
}

// Lines of this version read back in the history's tests; here a line of the first version,
// whose values stand only in the "after" text, and lines that are no record lines.
TEST_F(CalibrationRecord, LinesOfTheFirstVersionReadBack) {
    const auto line = [](const std::string& text) { return ParseCalibrationRecordLine(text); };
    // A line of the first version: seven cells, values only in the "after" text.
    const auto old = line(
        "2026-03-01T09:00:00+01:00\tSauerstoff\t0\tSauerstoff-Steilheit\t\t"
        "Anstieg 118.5 nA/100%; B < 20°C 2400; Luftdruckfaktor 1.0100\tgespeichert");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->type, 7);
    EXPECT_EQ(old->branch, CalibrationBranch::OxygenSlope);
    EXPECT_TRUE(old->Stored());
    EXPECT_EQ(old->values[0], 118.5);
    EXPECT_EQ(old->values[1], 2400);
    EXPECT_TRUE(std::isnan(old->values[2]));
    EXPECT_EQ(old->values[4], 1.01);
    EXPECT_FALSE(line(CalibrationRecordHeader(0)));
    EXPECT_FALSE(line("gestern\tpH\t0\tpH\t\t\tgespeichert"));
    EXPECT_FALSE(line(std::string(300, '\0')));
}

}  // namespace
}  // namespace ql50::test
