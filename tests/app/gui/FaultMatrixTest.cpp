// Faults of the line and the files against the real main window and the virtual module: nothing
// crashes or freezes, no exported line is lost or corrupted, and the user is told where he must
// act. The module's own faults (silence, bad checksums, stray bytes, watchdog notices, late
// replies) are tested with the conversation and the operations.
#include <algorithm>

#include "MainWindowFixture.h"
#include "support/Files.h"
#include "support/Wait.h"

namespace ql50::test {
namespace {

// The line goes away in the middle of a logger read-out: the read-out ends, every line exported
// so far is whole and in order, the user learns that records are missing, and the next operation
// on the same device path (the adapter plugged in again) opens the line again.
TEST_F(MainWindowTest, HangUpDuringAReadOutEndsItWithWholeLinesAndTheNextOperationReopens) {
    OpenOnVirtualModule(7);
    line->module.FillLoggerRecords(1000);
    line->module.SetLineRate(38400);
    const std::string expected = LoggerExport(line->module);
    robot.OnFileDialog().SaveAs(QString::fromStdString(File("export.txt")));
    Click(kIdLoggerAuslesen);
    ASSERT_TRUE(WaitUntil([&] {
        const std::string e = Slurp(File("export.txt"));
        return std::count(e.begin(), e.end(), '\n') > 50;
    }));
    robot.OnMessage("ReadFile()").Click(1);
    robot.OnMessage("nicht vollständig ausgelesen").Click(1);
    line->HangUp();
    ASSERT_TRUE(robot.WaitIdle());
    ASSERT_TRUE(WaitUntil([&] { return !window->readout().exportFile().IsOpen(); }));
    const std::string exported = Slurp(File("export.txt"));
    EXPECT_LT(exported.size(), expected.size());
    EXPECT_EQ(exported, expected.substr(0, exported.size())) << "a whole prefix of the logger";
    EXPECT_EQ(exported.back(), '\n');

    line->Plug();
    window->statusText().clear();
    Click(kIdLoggerInfo);
    EXPECT_FALSE(window->statusText().empty()) << "the line was opened again";
}

// A device that is no terminal: the line settings cannot be applied (named with the system's
// reason), the file gives end of file at once (a hang-up), and the module does not answer.
TEST_F(MainWindowTest, DeviceThatIsNoTerminalGivesAClearMessageAndNoMeasurement) {
    Spit(File("kein-terminal"), "");
    Open(File("kein-terminal"));
    UseRecordingFile("aufzeichnung.txt", 1);
    robot.OnMessage("GetCommState() Failed with the following error: \nInappropriate ioctl")
        .Click(1);
    robot.OnMessage("ReadFile() Failed with the following error: \nhang-up").Click(1);
    robot.OnMessage("Fehler in der Datenkommunikation!").Click(1);
    Click(kIdMessung);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_FALSE(window->measuring);
}

}  // namespace
}  // namespace ql50::test
