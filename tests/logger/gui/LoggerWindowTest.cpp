// The data logger's buttons in the main window on the virtual module: what the user sees (the
// file dialog, the transfer window, the status text, the questions and messages) and what ends
// up in the export file and the module. Their request sequences are tested with the operations.
#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QProgressBar>
#include <QTimeEdit>
#include <cstring>

#include "MainWindowFixture.h"
#include "link/Registers.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

constexpr int kTransferTemplate = 136;
constexpr int kQuestionTemplate = 156;
constexpr int kClockTemplate = 157;
constexpr int kProgressId = 1085;
constexpr int kTransferTextId = 1136;
constexpr int kTimeId = 1184;
constexpr int kDateId = 1185;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The module's clock stands still, so its logger gains no record during a test.
std::chrono::system_clock::time_point StandingClock() {
    return std::chrono::sys_days(std::chrono::year(2024) / 3 / 10) + std::chrono::hours(12);
}

class LoggerWindowTest : public MainWindowTest {
protected:
    static ui::CDialog* TransferWindow() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<ui::CDialog*>(w);
            if (dialog && dialog->TemplateId() == kTransferTemplate && dialog->isVisible())
                return dialog;
        }
        return nullptr;
    }
    bool ReadoutEnded() const {
        return TransferWindow() == nullptr && !window->readout().exportFile().IsOpen();
    }
    // Reads the logger out into `name`; `then` queues the robot's steps for what follows.
    void ReadOut(const std::string& name, const std::function<void()>& then = {}) {
        robot.OnFileDialog().SaveAs(Q(File(name)));
        if (then) then();
        Click(kIdLoggerAuslesen);
        ASSERT_TRUE(robot.WaitIdle());
    }
};

// The transfer window shows the stream's progress without blocking the main window; the export
// file holds every whole record (a cut-off record at the end never becomes a line).
TEST_F(LoggerWindowTest, ReadsOutTheWholeLoggerWithTheTransferWindow) {
    OpenOnVirtualModule(7, StandingClock);
    line->module.FillLoggerBytes(3005);
    line->module.SetLineRate(38400);
    ReadOut("logger.txt");
    ui::CDialog* transfer = TransferWindow();
    ASSERT_NE(transfer, nullptr);
    EXPECT_FALSE(transfer->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(transfer->Caption(), QString::fromUtf8("Datenübertragung"));
    EXPECT_EQ(ui::ControlText(ui::FindControl(transfer, kTransferTextId)),
              QString::fromUtf8("Datenübertragung läuft."));
    auto* bar = qobject_cast<QProgressBar*>(ui::FindControl(transfer, kProgressId));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 1502);  // one step for each two-byte frame
    ASSERT_TRUE(WaitUntil([&] { return bar->value() > 100; }));
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));
    EXPECT_EQ(Slurp(File("logger.txt")), LoggerExport(line->module));
    EXPECT_EQ(window->statusText(), "Byte: 3000 ");
    EXPECT_TRUE(robot.Messages().isEmpty());
}

TEST_F(LoggerWindowTest, EmptyLoggerOrSilentModuleEndWithAMessageAndTheHeaderOnly) {
    OpenOnVirtualModule();
    line->module.ClearLogger();
    for (const bool silent : {false, true}) {
        line->module.SetSilent(silent);
        const QString message =
            silent ? "Fehler in der Datenkommunikation!" : "Datenlogger ist leer.";
        const std::string name = silent ? "stumm.txt" : "leer.txt";
        ReadOut(name, [&] { robot.OnMessage(message).Click(1); });
        EXPECT_EQ(robot.Messages().back(), message);
        EXPECT_EQ(Slurp(File(name)), LoggerExportHeader());
        EXPECT_TRUE(ReadoutEnded());
    }
}

// A file that cannot be created is reported before the module is asked; a disk that fills up
// after the first record is reported once and ends the read-out with whole lines.
TEST_F(LoggerWindowTest, ExportFileProblemsAreReportedOnce) {
    OpenOnVirtualModule(7, StandingClock);
    line->module.FillLoggerRecords(50);
    line->module.SetLineRate(38400);
    const std::string missing = File("fehlt/export.txt");
    ReadOut("fehlt/export.txt",
            [&] { robot.OnMessage(Q(missing + ": " + std::strerror(ENOENT))).Click(1); });
    EXPECT_TRUE(ReadoutEnded());

    const std::string all = LoggerExport(line->module);
    const std::size_t firstLine = all.find('\n', LoggerExportHeader().size()) + 1;
    auto limit = std::make_shared<FileSizeLimit>(firstLine);
    ReadOut("voll.txt", [&] {
        robot.OnMessage("Die Exportdatei kann nicht geschrieben werden")
            .Inspect([this, limit](QWidget*) {
                limit->Lift();
                EXPECT_TRUE(ReadoutEnded());
            })
            .Click(1);
    });
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded() && robot.Messages().size() == 2; }));
    limit->Lift();
    EXPECT_EQ(Slurp(File("voll.txt")), all.substr(0, firstLine));
}

TEST_F(LoggerWindowTest, ExportNamedLikeTheRecordingFileEndsTheRecording) {
    OpenOnVirtualModule();
    line->module.ClearLogger();
    UseRecordingFile("messung.txt", 1);
    std::filesystem::create_directory(File("export"));
    // Names that differ in case are different names.
    for (const char* name : {"export/Messung.txt", "export/messung.txt"}) {
        ReadOut(name, [&] { robot.OnMessage("Datenlogger ist leer.").Click(1); });
        const bool same = std::string(name) == "export/messung.txt";
        EXPECT_EQ(window->recordingFile.IsOpen(), !same) << name;
        EXPECT_EQ(Enabled(kIdMessung), !same) << name;
    }
}

// The information in the status text; the clock from a dialog that starts at the PC's time,
// refused for a year the module cannot hold; clearing only after "Ja".
TEST_F(LoggerWindowTest, InformationClockAndClearing) {
    OpenOnVirtualModule();
    line->module.FillLoggerRecords(20);
    Click(kIdLoggerInfo);
    EXPECT_EQ(window->statusText(), LoggerInfoSummary(LoggerInfoOf(window->session().module()), 0));
    EXPECT_NE(window->statusText().find("tze:: 20\n\r"), std::string::npos);

    const QDateTime opened = QDateTime::currentDateTime();
    robot.OnTemplate(kClockTemplate)
        .Inspect([&](QWidget* w) {
            const QDateTime shown(qobject_cast<QDateEdit*>(ui::FindControl(w, kDateId))->date(),
                                  qobject_cast<QTimeEdit*>(ui::FindControl(w, kTimeId))->time());
            EXPECT_GE(shown, opened.addSecs(-1));
            EXPECT_LE(shown, QDateTime::currentDateTime().addSecs(1));
            EXPECT_TRUE(Screenshot(w, "logger-clock-dialog"));
        })
        .SetDate(kDateId, QDate(2030, 5, 6))
        .SetTime(kTimeId, QTime(7, 8, 9))
        .Click(1);
    Click(kIdUhrzeit);
    EXPECT_EQ(line->module.ClockNow().year, 2030);
    robot.OnTemplate(kClockTemplate).SetDate(kDateId, QDate(1999, 12, 31)).Click(1);
    robot.OnMessage("Das Datum 31.12.1999 kann die Uhr des Moduls nicht halten").Click(1);
    Click(kIdUhrzeit);
    line->module.SilenceRegister(kWriteValue, kValueDate);
    robot.OnTemplate(kClockTemplate).SetDate(kDateId, QDate(2031, 1, 2)).Click(1);
    robot.OnMessage("Fehler in der Datenkommunikation!").Click(1);
    Click(kIdUhrzeit);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(line->module.ClockNow().year, 2030);

    robot.OnTemplate(kQuestionTemplate)
        .Inspect([](QWidget* w) { EXPECT_TRUE(Screenshot(w, "logger-clear-question")); })
        .Click(2);
    Click(kIdLoggerLoeschen);
    EXPECT_NE(line->module.LoggerByteCount(), 0u);
    robot.OnTemplate(kQuestionTemplate).Click(1);
    Click(kIdLoggerLoeschen);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(line->module.LoggerByteCount(), 0u);
    EXPECT_EQ(robot.Messages().size(), 2);
}

TEST_F(LoggerWindowTest, EnglishTexts) {
    Spit(File("config.ini"), "SPRACHE=1\r\n");
    OpenOnVirtualModule(7, StandingClock);
    line->module.FillLoggerRecords(200);
    line->module.SetLineRate(38400);
    ReadOut("english.txt");
    ui::CDialog* transfer = TransferWindow();
    ASSERT_NE(transfer, nullptr);
    EXPECT_EQ(transfer->Caption(), "Data transmission");
    EXPECT_EQ(ui::ControlText(ui::FindControl(transfer, kTransferTextId)),
              "Wait for data transmission.");
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));
    Click(kIdLoggerInfo);
    EXPECT_EQ(window->statusText().rfind("Actual time: ", 0), 0u) << window->statusText();
    robot.OnTemplate(kQuestionTemplate)
        .Inspect([](QWidget* w) {
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 1183)), "Data logger realy clear?");
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 1)), "Yes");
        })
        .Click(2);
    Click(kIdLoggerLoeschen);
    robot.OnTemplate(kClockTemplate)
        .Inspect([](QWidget* w) { EXPECT_EQ(ui::ControlText(ui::FindControl(w, 2)), "Cancel"); })
        .Click(2);
    Click(kIdUhrzeit);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(robot.Messages().isEmpty());
}

}  // namespace
}  // namespace ql50::test
