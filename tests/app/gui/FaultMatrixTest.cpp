// Faults of the line, the module and the files against the real main window and the virtual
// module: nothing crashes or freezes, no recorded or exported line is lost or corrupted, and the
// user is told where he must act.
#include <QAbstractButton>
#include <QApplication>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>

#include "MainWindowFixture.h"
#include "formats/LoggerRecords.h"
#include "formats/Recording.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"
#include "support/Files.h"
#include "support/Wait.h"

namespace ql50::test {
namespace {

using namespace std::chrono_literals;

class FaultMatrixTest : public MainWindowTest {
protected:
    void OpenOnLine() { OpenOnVirtualModule(7); }
    std::vector<std::string> Lines(const std::string& name) const {
        std::vector<std::string> lines;
        std::istringstream in(Slurp(File(name)));
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    // Every recording line is a header (each start writes one), a whole line of values or a
    // whole gap line.
    void ExpectWellFormedRecording(const std::string& name) const {
        static const std::regex kLine(
            R"(\d\d\.\d\d\.\d{4}\t\d\d:\d\d\t(([-\d,]+\t){5}[-\d,]+|\t{5})\r)");
        const std::string header = RecordHeaderLine().substr(0, RecordHeaderLine().size() - 1);
        const auto lines = Lines(name);
        ASSERT_FALSE(lines.empty());
        for (std::size_t i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(lines[i] == header || std::regex_match(lines[i], kLine))
                << "line " << i << ": " << lines[i];
    }
    std::size_t ValueLines(const std::string& name) const {
        std::size_t n = 0;
        for (const std::string& l : Lines(name)) n += l.find(",") != std::string::npos;
        return n;
    }
};

// A fault of the module for a while during a measurement with recording: the lines go on one per
// interval, whole, with empty cells while no values came; then fresh values again and the status
// back to "kein Fehler".
struct MeasuringFault {
    const char* name;
    std::function<void(sim::VirtualModule&)> begin;
    std::function<void(sim::VirtualModule&)> end;
    bool greys;  // the value fields go stale meanwhile
    // What the status text holds at the end, or the event log (where the status may have moved
    // on from the notice it showed).
    const char* status;
    const char* eventLog;
};
void PrintTo(const MeasuringFault& fault, std::ostream* os) {
    *os << fault.name;
}

class MeasuringFaults : public FaultMatrixTest,
                        public ::testing::WithParamInterface<MeasuringFault> {};

TEST_P(MeasuringFaults, RecordingStaysWholeAndValuesComeBack) {
    const MeasuringFault& fault = GetParam();
    OpenOnLine();
    UseRecordingFile("aufzeichnung.txt", 1);
    Click(kIdMessung);
    ASSERT_TRUE(WaitUntil([&] { return ValueLines("aufzeichnung.txt") >= 2; }));

    fault.begin(line->module);
    if (fault.greys) {
        ASSERT_TRUE(WaitUntil([&] { return !Enabled(kIdValue1); }));
    }
    fault.end(line->module);
    const std::size_t before = ValueLines("aufzeichnung.txt");
    ASSERT_TRUE(WaitUntil([&] { return ValueLines("aufzeichnung.txt") >= before + 2; }));
    ASSERT_TRUE(WaitUntil([&] { return Enabled(kIdValue1); }));
    if (fault.status) {
        EXPECT_TRUE(Text(kIdStatus).contains(fault.status)) << Text(kIdStatus).toStdString();
    }
    if (fault.eventLog) {
        EXPECT_NE(Slurp(File("protokoll.txt")).find(fault.eventLog), std::string::npos);
    }
    Click(kIdMessung);
    ExpectWellFormedRecording("aufzeichnung.txt");
    EXPECT_TRUE(robot.Messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Module, MeasuringFaults,
    ::testing::Values(MeasuringFault{"StrayBytes",
                                     [](sim::VirtualModule& m) {
                                         for (int i = 0; i < 3; ++i) m.InjectStrayByte();
                                     },
                                     [](sim::VirtualModule& m) { m.InjectStrayByte(); }, false,
                                     "kein Fehler", nullptr},
                      MeasuringFault{"BadChecksumsForAWhile",
                                     [](sim::VirtualModule& m) { m.SetBadChecksum(true); },
                                     [](sim::VirtualModule& m) { m.SetBadChecksum(false); }, true,
                                     "kein Fehler", nullptr},
                      MeasuringFault{"WatchdogNotices",
                                     [](sim::VirtualModule& m) { m.SendWatchdogNoticeNow(); },
                                     [](sim::VirtualModule& m) { m.QueueWatchdogNotice(); }, false,
                                     nullptr, "WD-RESET"}),
    [](const auto& row) { return std::string(row.param.name); });

// A reply delay inside the shortest reply wait (2 s, with room for a loaded machine) lets the
// measurement start; one just beyond the longest (3 s) gives the communication error and no
// measurement, and the late reply does not disturb the next start.
TEST_F(FaultMatrixTest, ReplyDelayJustInsideAndJustOutsideTheWait) {
    OpenOnLine();
    UseRecordingFile("aufzeichnung.txt", 1);
    line->module.SetReplyDelay(3300ms);
    robot.OnMessage("Fehler in der Datenkommunikation!").Click(1);
    Click(kIdMessung);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_FALSE(window->measuring);

    line->module.SetReplyDelay(1500ms);
    Click(kIdMessung);
    EXPECT_TRUE(window->measuring);
    Click(kIdMessung);

    line->module.SetReplyDelay(0ms);
    Click(kIdMessung);
    ASSERT_TRUE(window->measuring);
    ASSERT_TRUE(WaitUntil([&] { return ValueLines("aufzeichnung.txt") >= 2; }));
    Click(kIdMessung);
    ExpectWellFormedRecording("aufzeichnung.txt");
}

class ReadoutTest : public FaultMatrixTest {
protected:
    // The virtual module with 1000 logger records, streamed in about 15 s; returns the export
    // file the whole logger gives.
    std::string FillLogger() {
        OpenOnLine();
        line->module.FillLoggerRecords(1000);
        line->module.SetLineRate(38400);
        std::string expected = LoggerExportHeader();
        const std::vector<std::uint8_t> bytes = line->module.LoggerBytes();
        for (std::size_t at = 0; at + kLoggerRecordSize <= bytes.size(); at += kLoggerRecordSize) {
            LoggerRecord record;
            std::copy_n(bytes.begin() + long(at), kLoggerRecordSize, record.begin());
            expected += LoggerRecordLine(record);
        }
        return expected;
    }
    void ReadOutWhenHalfway(const std::function<void()>& fault) {
        robot.OnFileDialog().SaveAs(QString::fromStdString(File("export.txt")));
        Click(kIdLoggerAuslesen);
        ASSERT_TRUE(WaitUntil([&] { return Lines("export.txt").size() > 50; }));
        fault();
        ASSERT_TRUE(robot.WaitIdle());
        ASSERT_TRUE(WaitUntil([&] { return !window->readout().exportFile().IsOpen(); }));
    }
};

// The line goes away in the middle of a logger read-out: the read-out ends, every line exported
// so far is whole and in order, the user learns that records are missing, and the next operation
// on the same device path (the adapter plugged in again) opens the line again.
TEST_F(ReadoutTest, HangUpEndsItWithWholeLinesAndTheNextOperationReopens) {
    const std::string expected = FillLogger();
    ReadOutWhenHalfway([&] {
        robot.OnMessage("ReadFile()").Click(1);
        robot.OnMessage("nicht vollständig ausgelesen").Click(1);
        line->HangUp();
    });
    const std::string exported = Slurp(File("export.txt"));
    ASSERT_FALSE(exported.empty());
    EXPECT_LT(exported.size(), expected.size());
    EXPECT_EQ(exported, expected.substr(0, exported.size())) << "a whole prefix of the logger";
    EXPECT_EQ(exported.back(), '\n');

    line->Plug();
    window->statusText().clear();
    Click(kIdLoggerInfo);
    EXPECT_FALSE(window->statusText().empty()) << "the line was opened again";
}

// Watchdog notices during a read-out (the virtual module sends them between whole replies) are
// logged and cost no record.
TEST_F(ReadoutTest, WatchdogNoticesCostNoRecord) {
    const std::string expected = FillLogger();
    ReadOutWhenHalfway([&] {
        line->module.SendWatchdogNoticeNow();
        ASSERT_TRUE(WaitUntil(
            [&] { return Slurp(File("protokoll.txt")).find("WD-RESET") != std::string::npos; }));
        line->module.SendWatchdogNoticeNow();
    });
    EXPECT_EQ(Slurp(File("export.txt")), expected);
    EXPECT_TRUE(robot.Messages().isEmpty());
}

// Bad files and devices: a 1 MB binary config.ini and a device that is no terminal.
TEST_F(FaultMatrixTest, BinarySettingsFileGivesAWorkingWindowAndValidSettingsAtExit) {
    std::string junk(1 << 20, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = char((i * 7919) % 251);
    Spit(File("config.ini"), junk);
    Open();
    EXPECT_TRUE(window->isVisible());
    Click(kIdExit);
    ASSERT_TRUE(robot.WaitIdle());
    Settings reread;
    ASSERT_EQ(ReadSettingsFile(File("config.ini"), reread), SettingsRead::Read);
    EXPECT_EQ(Slurp(File("config.ini")), FormatSettings(window->settings));
}

// The line settings cannot be applied (named with the system's reason), the file gives end of file
// at once (a hang-up), and the module does not answer.
TEST_F(FaultMatrixTest, DeviceThatIsNoTerminalGivesAClearMessageAndNoMeasurement) {
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
