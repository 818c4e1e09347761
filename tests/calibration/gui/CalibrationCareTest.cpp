// The calibration record window on the real main window: it marks where the chain breaks.
#include <QLabel>
#include <QTableWidget>

#include "MainWindowFixture.h"
#include "calibration/CHistoryWindow.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

// The record window marks the line where the hash chain breaks: here the second hashed line
// follows the empty string as the first does.
TEST_F(MainWindowTest, RecordWindowMarksWhereTheChainBreaks) {
    std::string record =
        "Zeit\tMesstyp\tAdresse\tKalibrierung\tvorher\tnachher\tErgebnis\n"
        "2026-06-01T09:00:00+02:00\tpH\t0\tpH\t\tAsymmetrie 2.0 mV; "
        "Steilheit -58.9 mV/pH\tgespeichert\n";
    CalibrationRecordEntry e;
    e.moduleId = "4711";
    e.branch = CalibrationBranch::Ph;
    e.outcome = CalibrationOutcome::Stored;
    e.stored = CalibrationNumbers{2.0f, -58.9f, 0, 0, 1};
    for (int week = 1; week <= 2; ++week) {
        e.time = std::time_t(1780297200) + week * 7 * 86400;
        record += CalibrationRecordLine(e, 0, "");
    }
    Spit(File("kalibrierung.txt"), record);
    Open();
    robot.OnDialog("Kalibrierprotokoll")
        .Inspect([](QWidget* w) {
            const auto* table = w->findChild<QTableWidget*>();
            ASSERT_NE(table, nullptr);
            EXPECT_EQ(table->verticalHeaderItem(2)->text(), "4 !");
            EXPECT_TRUE(w->findChild<QLabel*>()->text().contains("in Zeile 4 unterbrochen"));
            EXPECT_TRUE(Screenshot(w, "calibration-record-broken-german"));
        })
        .Cancel();
    window->calibration().ShowRecord();
    EXPECT_TRUE(robot.WaitIdle());
}

}  // namespace
}  // namespace ql50::test
