// ql50-cli as scripts use it: a child process on the virtual module's pseudo-terminal, its
// output compared with the program's own file formats and its exit statuses with the promise
// of its help text.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <chrono>
#include <cmath>
#include <deque>
#include <regex>
#include <sstream>

#include "care/CalibrationRecord.h"
#include "formats/LoggerRecords.h"
#include "formats/Recording.h"
#include "sim/PtyServer.h"
#include "support/Files.h"
#include "support/Wait.h"

namespace ql50 {
namespace {

using test::Slurp;
using test::Spit;
using test::WaitUntil;

constexpr int kProcessLimitMs = 60000;

struct Result {
    int status = -1;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
    }

    // Started in the test's own folder, so no config.ini of anyone else is read.
    std::unique_ptr<QProcess> Start(const QStringList& args, bool withPort = true) {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(QString::fromStdString(dir.Path()));
        QStringList all = args;
        if (withPort) all << "--port" << QString::fromStdString(server.SlavePath());
        process->start(QL50_CLI_EXE, all);
        return process;
    }
    static Result Finish(QProcess& process) {
        Result r;
        EXPECT_TRUE(process.waitForFinished(kProcessLimitMs));
        r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput().toStdString();
        r.err = process.readAllStandardError().toStdString();
        return r;
    }
    Result Run(const QStringList& args, bool withPort = true) {
        return Finish(*Start(args, withPort));
    }
    std::string File(const char* name) const { return dir.File(name); }

    sim::VirtualModule module;
    sim::PtyServer server{module};
    test::TempDir dir;
};

std::vector<std::string> Lines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, pos; (pos = text.find(end, start)) != std::string::npos;
         start = pos + end.size())
        lines.push_back(text.substr(start, pos - start + end.size()));
    return lines;
}

// A data line of the program's recording file (its columns' order and the values' way from
// the module into them are the recording format's and the operations' own tests).
bool IsRecordingLine(const std::string& line) {
    static const std::regex shape(R"(\d\d\.\d\d\.\d{4}\t\d\d:\d\d(\t-?[\d,]+){6}\r\n)");
    return std::regex_match(line, shape);
}

TEST_F(CliTest, LiveWritesTheProgramsRecordingLines) {
    const Result toFile =
        Run({"live", "--count", "3", "--interval", "00:00:01", "--output", "rec.txt"});
    ASSERT_EQ(toFile.status, 0) << toFile.err;
    const Result toStdout = Run({"live", "--count", "1", "--interval", "00:00:01"});
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    for (const auto& [text, count] :
         {std::pair{Slurp(File("rec.txt")), 3u}, std::pair{toStdout.out, 1u}}) {
        ASSERT_EQ(text.rfind(RecordHeaderLine(), 0), 0u) << text;
        const auto lines = Lines(text.substr(RecordHeaderLine().size()), "\r\n");
        ASSERT_EQ(lines.size(), count) << text;
        for (const auto& line : lines) EXPECT_TRUE(IsRecordingLine(line)) << line;
        EXPECT_EQ(std::accumulate(lines.begin(), lines.end(), RecordHeaderLine()), text);
    }
}

TEST_F(CliTest, LiveCsvNamesTheTypesChannelsAndStampsWithSeconds) {
    module.SetType(sim::kTypePh);
    const Result r =
        Run({"live", "--csv", "--count", "2", "--interval", "00:00:01", "--language", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out, "\r\n");
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0],
              "time,pH value [pH],voltage [mV],temperature [\xC2\xB0"
              "C]\r\n");
    static const std::regex row(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d,\d+\.\d\d,-?\d+,-?\d+\.\d\r\n)");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], row)) << lines[i];
}

TEST_F(CliTest, StopSignalLeavesEveryLineComplete) {
    for (int sig : {SIGINT, SIGTERM}) {
        const std::string name = "stop" + std::to_string(sig) + ".txt";
        auto process =
            Start({"live", "--interval", "00:00:00", "--output", QString::fromStdString(name)});
        ASSERT_TRUE(
            WaitUntil([&] { return Lines(Slurp(File(name.c_str())), "\r\n").size() >= 2; }, 30000));
        ::kill(pid_t(process->processId()), sig);
        const Result r = Finish(*process);
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string text = Slurp(File(name.c_str()));
        ASSERT_EQ(text.rfind(RecordHeaderLine(), 0), 0u);
        const auto lines = Lines(text.substr(RecordHeaderLine().size()), "\r\n");
        EXPECT_EQ(std::accumulate(lines.begin(), lines.end(), RecordHeaderLine()), text)
            << "a line without its CR LF";
    }
}

TEST_F(CliTest, LoggerDumpWritesTheProgramsExportFile) {
    module.FillLoggerRecords(25);
    const std::vector<std::uint8_t> bytes = module.LoggerBytes();
    std::string expected = LoggerExportHeader();
    for (std::size_t i = 0; i + kLoggerRecordSize <= bytes.size(); i += kLoggerRecordSize) {
        LoggerRecord record;
        std::copy_n(bytes.begin() + long(i), kLoggerRecordSize, record.begin());
        expected += LoggerRecordLine(record);
    }
    const Result r = Run({"logger-dump", "dump.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp(File("dump.txt")), expected);
    // Not a terminal: plain progress lines, no bar redrawn with carriage returns.
    EXPECT_NE(r.err.find("logger-dump: 100%\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

TEST_F(CliTest, ClockClearingTypeAndInformationActOnTheModule) {
    module.FillLoggerRecords(20);
    EXPECT_EQ(Run({"type", "--language", "en"}).out, "8 Oxygen\n");
    ASSERT_EQ(Run({"set-clock", "2030-05-06", "07:08"}).status, 0);
    const sim::CivilTime clock = module.ClockNow();
    EXPECT_EQ(std::tuple(clock.year, clock.month, clock.day, clock.hour, clock.minute),
              std::tuple(2030, 5u, 6u, 7u, 8u));
    const Result info = Run({"info", "--language", "en"});
    EXPECT_EQ(info.status, 0);
    // The module's date bytes as they come: day, month, year.
    EXPECT_NE(info.out.find("06.05.30"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(": 20\n"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find('\r'), std::string::npos);
    ASSERT_EQ(Run({"clear-logger", "--yes"}).status, 0);
    EXPECT_EQ(module.LoggerByteCount(), 0u);
}

TEST_F(CliTest, EveryCommandHasItsHelp) {
    for (const char* command : {"live", "logger-dump", "info", "set-clock", "clear-logger", "type",
                                "calibration-status", "verify-record", "scan"}) {
        const Result r = Run({command, "--help"}, false);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("Usage: ql50-cli [global options] ") + command, 0), 0u)
            << r.out;
    }
}

TEST_F(CliTest, SilentModuleExitsWithThree) {
    const std::vector<QStringList> commands{{"live", "--count", "1"},
                                            {"logger-dump", "d.txt"},
                                            {"info"},
                                            {"set-clock"},
                                            {"clear-logger", "--yes"},
                                            {"type"}};
    // All at once, each on a silent module of its own (one line takes one program): each waits
    // out the reply time.
    std::vector<std::unique_ptr<QProcess>> running;
    std::deque<sim::VirtualModule> modules;
    std::deque<sim::PtyServer> servers;
    for (const auto& args : commands) {
        modules.emplace_back().SetSilent(true);
        ASSERT_TRUE(servers.emplace_back(modules.back()).Start(nullptr));
        running.push_back(Start(
            QStringList(args) << "--port" << QString::fromStdString(servers.back().SlavePath()),
            false));
    }
    for (std::size_t i = 0; i < running.size(); ++i) {
        const Result r = Finish(*running[i]);
        EXPECT_EQ(r.status, 3) << commands[i].join(' ').toStdString() << ": " << r.err;
    }
}

// What a script learns from the exit status and standard error when something else than the
// module fails: the command line (touching nothing), the port, the line settings, standard
// output.
TEST_F(CliTest, FailuresExitWithTheirStatusAndReason) {
    const QString cli = QL50_CLI_EXE;
    const QString port = QString::fromStdString(server.SlavePath());
    module.FillLoggerRecords(5);
    const struct {
        QStringList args;
        const char* output;  // a file for standard output, or "closed"
        int status;
        const char* reason;
    } cases[] = {
        // clang-format off
        {{"--port", port}, nullptr, 2, "ql50-cli: "},
        {{"bogus", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"live", "--count", "0", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"live", "--interval", "1:00", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"info", "--csv", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"logger-dump", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"set-clock", "2030-02-30", "10:00", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"clear-logger", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"type", "--language", "fr", "--port", port}, nullptr, 2, "ql50-cli: "},
        {{"info", "--baud", "12345", "--port", port}, nullptr, 2, "ql50-cli: "},  // no such rate
        {{"scan", "--address", "3", "--port", port}, nullptr, 2, "ql50-cli: "},  // scan asks all
        {{"info", "--bus", "--port", port}, nullptr, 2, "ql50-cli: "},
        // clang-format on
        {{"info", "--port", "/nonexistent/tty"}, nullptr, 4, "/nonexistent/tty: No such file"},
        {{"info", "--port", "/dev/null"}, nullptr, 4, "Inappropriate ioctl"},
        {{"info", "--port", port}, "/dev/full", 1, "standard output: No space left on device"},
        {{"type", "--port", port}, "closed", 1, "standard output: Bad file descriptor"},
        {{"live", "--count", "1", "--port", port}, "/dev/full", 1, "standard output: No space"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(dir.Path()));
        if (c.output && std::string(c.output) == "closed") {
            process.start("/bin/sh", QStringList{"-c", "exec \"$0\" \"$@\" >&-", cli} + c.args);
        } else {
            if (c.output) process.setStandardOutputFile(c.output);
            process.start(cli, c.args);
        }
        const Result r = Finish(process);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    EXPECT_NE(module.LoggerByteCount(), 0u);
}

// A line that hangs up in the middle of a logger dump: a whole prefix of the logger in the file,
// and the counts with a status of its own, never "written" and 0.
TEST_F(CliTest, LoggerDumpOverALineThatHangsUpSaysHowManyOfHowManyArrived) {
    module.FillLoggerRecords(2000);
    module.SetLineRate(38400);
    auto process = Start({"logger-dump", "dump.txt"});
    ASSERT_TRUE(WaitUntil([&] { return Lines(Slurp(File("dump.txt")), "\n").size() > 51; }));
    server.HangUp();
    const Result r = Finish(*process);
    EXPECT_EQ(r.status, 6) << r.err;
    static const std::regex counts(R"(not read out completely: (\d+) of 2000 records)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.err, m, counts)) << r.err;
    EXPECT_EQ(Lines(Slurp(File("dump.txt")), "\n").size(), std::stoul(m[1]) + 1);
}

// The calibration record's commands need no module: statuses for cron and monitoring.
TEST_F(CliTest, RecordCommandsExitWithTheirStatuses) {
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.Path()));  // the default intervals
    const auto record = [&](const char* name, int daysAgo) {
        CalibrationRecordEntry e;
        e.moduleType = 0;
        e.moduleId = "4711";
        e.branch = CalibrationBranch::Ph;
        e.outcome = CalibrationOutcome::Stored;
        e.stored = CalibrationNumbers{1.0f, -58.2f, 0, 0, 1};
        for (int days : {daysAgo + 7, daysAgo}) {
            e.time = std::time(nullptr) - days * 86400;
            ASSERT_TRUE(AppendCalibrationRecord(File(name), e, 1, nullptr));
        }
    };
    record("kalibrierung.txt", 30);
    record("recent.txt", 1);
    std::string edited = Slurp(File("recent.txt"));
    edited.replace(edited.rfind("-58.2"), 5, "-58.3");
    test::Spit(File("edited.txt"), edited);
    const struct {
        QStringList args;
        int status;
        const char* out;  // a part of standard output
    } cases[] = {
        {{"calibration-status"}, 5, "\n4711\tpH\t0\t"},
        {{"calibration-status", "recent.txt"}, 0, "\tnot due\tgood\n"},
        {{"verify-record"}, 0, "kalibrierung.txt: the hash chain holds: 2 lines checked"},
        {{"verify-record", "edited.txt"}, 1, "edited.txt: line 3 does not fit the hash chain"},
    };
    for (const auto& c : cases) {
        const Result r = Run(QStringList(c.args) << "--language"
                                                 << "en",
                             false);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString() << ": " << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    }
}

TEST_F(CliTest, ScanPrintsWhatAnswersAndExitsWithThreeWhenNothingDoes) {
    const std::string pty = server.SlavePath();
    const Result lines = Run({"scan", QString::fromStdString(pty)}, false);
    EXPECT_EQ(lines.status, 0) << lines.err;
    EXPECT_EQ(lines.out, pty + "\t-\t4800\t1\t7\tSauerstoff\n");
    const Result json =
        Run({"scan", "--json", "--language", "en", QString::fromStdString(pty)}, false);
    EXPECT_EQ(json.out, "[\n  {\"device\": \"" + pty +
                            "\", \"id\": null, \"baud\": 4800, \"address\": 1, \"type\": 7, "
                            "\"typeName\": \"Oxygen\"}\n]\n");
    module.SetSilent(true);
    const Result none =
        Run({"scan", "--json", "--baud", "9600", QString::fromStdString(pty)}, false);
    EXPECT_EQ(none.status, 3) << none.err;
    EXPECT_EQ(none.out, "[]\n");
}

// A device this user may not open: the message says so, names the group that may open serial
// ports and the command that puts the user in it. (Root may open anything: it runs the tool as
// nobody.)
TEST_F(CliTest, MissingPermissionNamesTheGroupAndTheFix) {
    const std::string device = File("tty");
    Spit(device, "");
    ::chmod(device.c_str(), 0);
    for (const QStringList& args :
         {QStringList{"scan", QString::fromStdString(device)},
          QStringList{"info", "--port", QString::fromStdString(device)}}) {
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(dir.Path()));
        if (::geteuid() == 0)
            process.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                                 QL50_CLI_EXE} +
                                         args);
        else
            process.start(QL50_CLI_EXE, args);
        const Result r = Finish(process);
        EXPECT_EQ(r.status, 4) << r.err;
        EXPECT_NE(r.err.find("Gruppe \"dialout\""), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("sudo usermod -aG dialout $USER"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace ql50
