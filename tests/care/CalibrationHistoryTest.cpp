// The history of each module from a record with stored, warned and refused runs, and the due
// dates counted from its last stored calibration.
#include <gtest/gtest.h>

#include <QSettings>
#include <cmath>

#include "care/CalibrationDue.h"
#include "support/Files.h"

namespace ql50::test {
namespace {

constexpr std::time_t kMonday = 1796634000;  // 2026-12-07 10:00 CET

struct Step {
    int day;
    const char* id;
    int address, type;
    CalibrationBranch branch;
    CalibrationOutcome outcome;
    float cal1, cal2;
};

class CalibrationHistory : public ::testing::Test {
protected:
    void SetUp() override {
        using B = CalibrationBranch;
        using O = CalibrationOutcome;
        const Step runs[] = {
            {-14, "4711", 1, 0, B::Ph, O::Stored, 1.0f, -58.2f},
            {-7, "4711", 1, 0, B::Ph, O::StoredWarned, 0.5f, -44.9f},
            {-6, "4711", 1, 0, B::Ph, O::Failed, 0, 0},
            {-5, "", 2, 0, B::Ph, O::Stored, 20.0f, -57.0f},
            {-3, "VM01", 0, 7, B::OxygenSlope, O::Stored, 120.0f, 2400.0f},
            {-3, "VM01", 0, 7, B::Salinity, O::Stored, 120.0f, 2400.0f},
            {0, "4711", 1, 0, B::Ph, O::Stored, 3.0f, -57.5f},
            {1, "4711", 1, 0, B::Ph, O::NotStored, 3.0f, -57.5f},
        };
        for (const Step& r : runs) {
            CalibrationRecordEntry e;
            e.time = kMonday + r.day * 86400;
            e.moduleId = r.id;
            e.address = r.address;
            e.moduleType = r.type;
            e.branch = r.branch;
            e.outcome = r.outcome;
            e.temperature = 25.0f;
            if (r.outcome == O::Stored || r.outcome == O::StoredWarned)
                e.stored = CalibrationNumbers{r.cal1, r.cal2, 0, 0, 1};
            // Written in either language, read back as the history reads the record.
            const int language = int(recorded.size() % 2);
            recorded.push_back(*ParseCalibrationRecordLine(CalibrationRecordLine(e, language, "")));
        }
        histories = BuildHistory(recorded);
    }
    std::vector<RecordedCalibration> recorded;
    std::vector<ModuleHistory> histories;
};

TEST_F(CalibrationHistory, RunsPerModuleWithTheirQuantitiesAndMarks) {
    ASSERT_EQ(histories.size(), 3u);
    const ModuleHistory& ph = histories[0];
    EXPECT_EQ(ModuleName(ph.module, 0), "Modul 4711 (pH)");
    EXPECT_EQ(ModuleName(histories[1].module, 1), "Address 2 (pH)");
    EXPECT_EQ(histories[2].runs.size(), 1u) << "the salinity is no sensor calibration";
    ASSERT_EQ(ph.runs.size(), 5u);
    ASSERT_EQ(ph.LastStored(), &ph.runs[3]);
    const auto quantities = HistoryQuantities(0);
    ASSERT_EQ(quantities.size(), 2u);
    EXPECT_NEAR(QuantityOf(ph, ph.runs[0], quantities[0]), 98.378, 1e-3);
    EXPECT_EQ(QuantityOf(ph, ph.runs[0], quantities[1]), 1.0);
    EXPECT_TRUE(std::isnan(QuantityOf(ph, ph.runs[2], quantities[0]))) << "refused: no values";
    EXPECT_EQ(ph.VerdictOf(ph.runs[1]), Verdict::CleanOrReplace);
    EXPECT_EQ(ph.VerdictOf(ph.runs[3]), Verdict::Good);
    EXPECT_EQ(HistoryCsv(ph, 1),
              "time,result,slope [%],asymmetry [mV],sensor\r\n"
              "2026-11-23T10:00:00+01:00,stored,98.378,1.000,good\r\n"
              "2026-11-30T10:00:00+01:00,stored despite warning,75.897,0.500,clean or replace\r\n"
              "2026-12-01T10:00:00+01:00,refused,,,\r\n"
              "2026-12-07T10:00:00+01:00,stored,97.195,3.000,good\r\n"
              "2026-12-08T10:00:00+01:00,not stored,,,\r\n");
    // The module on the line: by device number, else by address and type.
    const struct {
        ModuleRef connected;
        int history;
    } lookups[] = {{{"4711", 1, 0}, 0}, {{"", 1, 0}, 0},     {{"", 2, 0}, 1},
                   {{"9999", 2, 0}, 1}, {{"VM01", 0, 7}, 2}, {{"", 1, 7}, -1}};
    for (const auto& l : lookups) {
        const ModuleHistory* h = HistoryOf(histories, l.connected);
        EXPECT_EQ(h ? int(h - histories.data()) : -1, l.history) << l.connected.id;
    }
}

TEST_F(CalibrationHistory, DueAndOverdueCountedFromTheLastStoredCalibration) {
    const struct {
        QDate today;
        DueIntervals intervals;
        std::optional<QDate> due;
        DueState state;
        const char* line;
    } cases[] = {
        {QDate(2026, 12, 13), kDefaultDueIntervals, QDate(2026, 12, 14), DueState::NotDue,
         "Kalibriert am 07.12.2026, Sensor: gut; nächste Kalibrierung am 14.12.2026"},
        {QDate(2026, 12, 14), kDefaultDueIntervals, QDate(2026, 12, 14), DueState::Due,
         "Kalibrierung heute fällig (zuletzt am 07.12.2026, Sensor: gut)"},
        {QDate(2026, 12, 15), kDefaultDueIntervals, QDate(2026, 12, 14), DueState::Overdue,
         "Kalibrierung überfällig, fällig am 14.12.2026 (zuletzt am 07.12.2026, Sensor: gut)"},
        {QDate(2027, 1, 5), {30, 7, 30, 7, 0}, QDate(2027, 1, 6), DueState::NotDue, nullptr},
        {QDate(2027, 9, 1),
         {0, 7, 30, 7, 0},
         std::nullopt,
         DueState::NotDue,
         "Kalibriert am 07.12.2026, Sensor: gut"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.today.toString().toStdString());
        const auto status = StatusOf(histories[0], c.intervals, c.today);
        ASSERT_TRUE(status);
        EXPECT_EQ(status->due, c.due);
        EXPECT_EQ(status->state, c.state);
        if (c.line) {
            EXPECT_EQ(StatusLine(*status, 0), QString::fromUtf8(c.line));
        }
    }
    EXPECT_EQ(StatusLine(*StatusOf(histories[2], kDefaultDueIntervals, QDate(2026, 12, 12)), 1),
              "Calibration overdue, due on 2026-12-11 (last on 2026-12-04, sensor: good)");
    EXPECT_FALSE(StatusOf(ModuleHistory{{"x", 0, 0}, {recorded[2]}, NAN}, kDefaultDueIntervals,
                          QDate(2026, 12, 1)))
        << "no stored calibration, no due date";
}

TEST(CalibrationDue, IntervalsFromTheUsersSettings) {
    TempDir dir;
    Spit(dir.File("ql50.ini"),
         "[CalibrationIntervalDays]\npH=14\nRedox=\nConductivity=9999\n"
         "Oxygen=zwei\nTurbidity=3\n");
    const QSettings settings(QString::fromStdString(dir.File("ql50.ini")), QSettings::IniFormat);
    EXPECT_EQ(DueIntervalsFrom(settings), (DueIntervals{14, 0, 30, 7, 3}));
}

}  // namespace
}  // namespace ql50::test
