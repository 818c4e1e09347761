// The calibration's care on the real main window: a calibration stored on the virtual module
// shows in the history and brings the next due date into the status; the record window marks
// where the chain breaks; and pictures of both windows.
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QTableWidget>

#include "MainWindowFixture.h"
#include "calibration/CHistoryWindow.h"
#include "calibration/CalibrationDialogs.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

// The first line of the chart: the charted quantity over the stored runs.
const QLineSeries* FirstLine(CHistoryWindow& history) {
    for (QAbstractSeries* s : history.chartView()->chart()->series())
        if (auto* line = qobject_cast<QLineSeries*>(s)) return line;
    return nullptr;
}

TEST_F(MainWindowTest, StoredCalibrationShowsInTheHistoryAndTheNextDueDate) {
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Dir()));  // the default intervals
    OpenOnVirtualModule(0);
    sim::VirtualModule& module = line->module;
    module.Immerse(7.0);
    const auto twoPolls = [this](QWidget*) { AwaitWholePoll(); };
    const QString wait = QString::fromUtf8("Warten, bis der Messwert stabil ist.");
    robot.OnMessage(QString::fromUtf8("Sensor in 1. Pufferlösung")).Click(1);
    robot.OnMessage(wait).Inspect(twoPolls).Click(1);
    robot.OnTemplate(153).SetText(CKalWertEingabe::kIdValue, "7").Click(1);
    robot.OnMessage(QString::fromUtf8("Sensor in 2. Pufferlösung"))
        .Inspect([&](QWidget*) { module.Immerse(4.0); })
        .Click(1);
    robot.OnMessage(wait).Inspect(twoPolls).Click(1);
    robot.OnTemplate(153).SetText(CKalWertEingabe::kIdValue, "4").Click(1);
    robot.OnTemplate(154).Click(CKalWertAusgabe::kIdSave);
    Click(kIdKalibrieren);
    ASSERT_TRUE(robot.WaitIdle());

    const QString due = QDate::currentDate().addDays(7).toString("dd.MM.yyyy");
    EXPECT_TRUE(Text(kIdStatus).endsWith(", Sensor: gut; nächste Kalibrierung am " + due))
        << Text(kIdStatus).toStdString();
    EXPECT_TRUE(Screenshot(window.get(), "main-german-calibration-due"));
    Click(kIdKalibrierverlauf);
    CHistoryWindow* history = window->care().historyWindow();
    ASSERT_NE(history, nullptr);
    ASSERT_TRUE(history->isVisible());
    ASSERT_EQ(history->histories().size(), 1u);
    EXPECT_EQ(history->ItemText(CHistoryWindow::kIdModule), "Modul VM01 (pH)");
    const QLineSeries* slope = FirstLine(*history);
    ASSERT_NE(slope, nullptr);
    ASSERT_EQ(slope->count(), 1);
    EXPECT_NEAR(slope->at(0).y(), 98.4, 0.2);
    EXPECT_TRUE(history->ItemText(CHistoryWindow::kIdCondition).contains("Sensor gut"));
}

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
