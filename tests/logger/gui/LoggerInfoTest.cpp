// The logger information, the module's clock and clearing the logger, from the main window.
#include <QDateEdit>
#include <QDateTime>
#include <QTimeEdit>

#include "MainWindowFixture.h"
#include "support/Pty.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

constexpr int kQuestionTemplate = 156;
constexpr int kClockTemplate = 157;
constexpr int kQuestionId = 1183;
constexpr int kTimeId = 1184;
constexpr int kDateId = 1185;

// Logger of 25 bytes, clock 05.06.07 14:30:00, next alarm 14:45, interval 15 min, released.
void Answers(ScriptedModule& m) {
    m.Reply(kReadValue, 55, {25, 0, 0, 0});
    m.Reply(kReadValue, 56, {14, 45, 0, 0});
    m.Reply(kReadValue, 59, {14, 30, 0, 0});
    m.Reply(kReadValue, 58, {5, 6, 7, 0});
    m.Reply(kReadParam, 76, {15, 0, 0, 0});
    m.Reply(kReadParam, 77, {1, 0, 0, 0});
}

const std::vector<Frame> kInfoRequests{
    BuildFrame(0, kReadValue, 2, 55), BuildFrame(0, kReadValue, 4, 56),
    BuildFrame(0, kReadValue, 3, 59), BuildFrame(0, kReadValue, 3, 58),
    BuildFrame(0, kReadParam, 2, 76), BuildFrame(0, kReadParam, 2, 77)};

const Frame kClearRequest = BuildFrame(0, kWriteValue, 2, 55, {2, 0, 0, 0});

class LoggerInfoTest : public MainWindowTest {
protected:
    // The status text as the window shows it: the LF CR line ends as line breaks.
    QString StatusShown() const { return Text(kIdStatus); }
};

TEST_F(LoggerInfoTest, InformationSummaryInTheStatusText) {
    ScriptedModule module;
    Answers(module);
    Open(module.path());
    Click(kIdLoggerInfo);
    EXPECT_EQ(NewRequests(module.peer()), kInfoRequests);
    // The labels with a colon of their own get the format's colon too.
    EXPECT_EQ(window->statusText(),
              "Aktuelle Uhrzeit: 05.06.07 14:30:00\n\r"
              "N\xE4"
              "chster Alarm: 14:45\n\r"
              "Datenlogger Intervall:: 15 min Vorhandene Datens\xE4"
              "tze:: 2\n\r"
              "Datenlogger ist freigegeben.");
    EXPECT_EQ(StatusShown(), QString::fromUtf8("Aktuelle Uhrzeit: 05.06.07 14:30:00\n"
                                               "Nächster Alarm: 14:45\n"
                                               "Datenlogger Intervall:: 15 min "
                                               "Vorhandene Datensätze:: 2\n"
                                               "Datenlogger ist freigegeben."));

    // Nine bytes are no whole record; a clock time that does not come keeps the one shown.
    module.Reply(kReadValue, 55, {9, 0, 0, 0});
    module.Reply(kReadValue, 56, {15, 0, 0, 0});
    module.Silence(kReadValue, 59);
    module.Reply(kReadValue, 58, {6, 7, 8, 0});
    module.Reply(kReadParam, 76, {0x2C, 0x01, 0, 0});  // 300 min
    module.Reply(kReadParam, 77, {0, 0, 0, 0});
    Click(kIdLoggerInfo);
    EXPECT_EQ(NewRequests(module.peer()), kInfoRequests);
    EXPECT_EQ(window->statusText(),
              "Aktuelle Uhrzeit: 06.07.08 14:30:00\n\r"
              "N\xE4"
              "chster Alarm: 15:00\n\r"
              "Datenlogger Intervall:: 300 min Vorhandene Datens\xE4"
              "tze:: 0\n\r"
              "Datenlogger ist nicht freigegeben.");
    EXPECT_TRUE(robot.Messages().isEmpty());
}

TEST_F(LoggerInfoTest, SilentModuleGivesTheErrorAndKeepsTheStatusText) {
    ScriptedModule module;
    Open(module.path());
    const std::string before = window->statusText();
    robot.OnMessage("Fehler in der Datenkommunikation!").Click(1);
    Click(kIdLoggerInfo);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(NewRequests(module.peer()), std::vector<Frame>{kInfoRequests[0]});
    EXPECT_EQ(window->statusText(), before);
    EXPECT_EQ(StatusShown(), "kein Fehler");
}

TEST_F(LoggerInfoTest, ClockDialogWritesTimeThenDate) {
    ScriptedModule module;
    Open(module.path());
    const QDateTime opened = QDateTime::currentDateTime();
    robot.OnTemplate(kClockTemplate)
        .Inspect([&](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), "Setup");
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 2)), "Abbrechen");
            // Both pickers start at the PC's current date and time.
            auto* date = qobject_cast<QDateEdit*>(ui::FindControl(w, kDateId));
            auto* time = qobject_cast<QTimeEdit*>(ui::FindControl(w, kTimeId));
            ASSERT_NE(date, nullptr);
            ASSERT_NE(time, nullptr);
            const QDateTime shown(date->date(), time->time());
            EXPECT_GE(shown, opened.addSecs(-1));
            EXPECT_LE(shown, QDateTime::currentDateTime().addSecs(1));
            EXPECT_TRUE(Screenshot(w, "logger-clock-dialog"));
        })
        .SetDate(kDateId, QDate(2005, 12, 31))
        .SetTime(kTimeId, QTime(23, 59, 58))
        .Click(1);
    Click(kIdUhrzeit);
    ASSERT_TRUE(robot.WaitIdle());
    // The date goes out as year, day, month.
    EXPECT_EQ(NewRequests(module.peer()),
              (std::vector<Frame>{BuildFrame(0, kWriteValue, 3, 59, {23, 59, 58, 0}),
                                  BuildFrame(0, kWriteValue, 3, 58, {5, 31, 12, 0})}));
    EXPECT_TRUE(robot.Messages().isEmpty());

    // No acknowledgement of the time: reported, and the date is not sent.
    module.EchoWrites(false);
    robot.OnTemplate(kClockTemplate)
        .SetDate(kDateId, QDate(2006, 1, 2))
        .SetTime(kTimeId, QTime(0, 0, 1))
        .Click(1);
    robot.OnMessage("Fehler in der Datenkommunikation!").Click(1);
    Click(kIdUhrzeit);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(NewRequests(module.peer()),
              std::vector<Frame>{BuildFrame(0, kWriteValue, 3, 59, {0, 0, 1, 0})});

    // Cancel, Esc and the close box send nothing.
    module.EchoWrites(true);
    robot.OnTemplate(kClockTemplate).SetTime(kTimeId, QTime(1, 2, 3)).Click(2);
    Click(kIdUhrzeit);
    robot.OnTemplate(kClockTemplate).Key(Qt::Key_Escape);
    Click(kIdUhrzeit);
    robot.OnTemplate(kClockTemplate).CloseBox();
    Click(kIdUhrzeit);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(NewRequests(module.peer()).empty());
    EXPECT_EQ(robot.Messages().size(), 1);
}

TEST_F(LoggerInfoTest, ClearingAsksFirst) {
    ScriptedModule module;
    Open(module.path());
    robot.OnTemplate(kQuestionTemplate)
        .Inspect([](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), "INFO");
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, kQuestionId)),
                      QString::fromUtf8("Datenlogger wirklich löschen?"));
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 1)), "Ja");
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 2)), "Nein");
            EXPECT_TRUE(Screenshot(w, "logger-clear-question"));
        })
        .Click(2);
    Click(kIdLoggerLoeschen);
    robot.OnTemplate(kQuestionTemplate).CloseBox();
    Click(kIdLoggerLoeschen);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(NewRequests(module.peer()).empty());

    robot.OnTemplate(kQuestionTemplate).Click(1);
    Click(kIdLoggerLoeschen);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(NewRequests(module.peer()), std::vector<Frame>{kClearRequest});
    EXPECT_TRUE(robot.Messages().isEmpty());

    module.EchoWrites(false);
    robot.OnTemplate(kQuestionTemplate).Click(1);
    robot.OnMessage("Fehler in der Datenkommunikation!").Click(1);
    Click(kIdLoggerLoeschen);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(NewRequests(module.peer()), std::vector<Frame>{kClearRequest});
}

TEST_F(LoggerInfoTest, EnglishTexts) {
    Spit(File("config.ini"), "SPRACHE=1\r\n");
    ScriptedModule module;
    Answers(module);
    Open(module.path());
    Click(kIdLoggerInfo);
    // The English interval label has no colon of its own.
    EXPECT_EQ(window->statusText(),
              "Actual time: 05.06.07 14:30:00\n\r"
              "Next alarm time: 14:45\n\r"
              "data logging interval in minutes: 15 min Sets of data:: 2\n\r"
              "Data logger is enable.");
    module.Reply(kReadParam, 77, {0, 0, 0, 0});
    Click(kIdLoggerInfo);
    EXPECT_TRUE(window->statusText().ends_with("\n\rData logger is disable."))
        << window->statusText();

    robot.OnTemplate(kClockTemplate)
        .Inspect([](QWidget* w) { EXPECT_EQ(ui::ControlText(ui::FindControl(w, 2)), "Cancel"); })
        .Click(2);
    Click(kIdUhrzeit);
    robot.OnTemplate(kQuestionTemplate)
        .Inspect([](QWidget* w) {
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, kQuestionId)), "Data logger realy clear?");
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 1)), "Yes");
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 2)), "No");
        })
        .Click(1);
    Click(kIdLoggerLoeschen);
    ASSERT_TRUE(robot.WaitIdle());

    module.Silence(kReadValue, 55);
    robot.OnMessage("Error data communication!").Click(1);
    Click(kIdLoggerInfo);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(robot.Messages(), QStringList{"Error data communication!"});
}

}  // namespace
}  // namespace ql50::test
