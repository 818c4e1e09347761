#pragma once
// The command line of ql50-cli:
//   ql50-cli [global options] COMMAND [command options]
// Global options may stand anywhere; what they leave out comes from config.ini.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ql50::cli {

// Exit statuses, for scripts.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailure = 1,     // a file could not be written, an interrupted dump
    kExitUsage = 2,       // the arguments were not understood
    kExitNoAnswer = 3,    // the module does not answer
    kExitPort = 4,        // the port cannot be opened, or the line was lost
    kExitOverdue = 5,     // calibration-status: a module's calibration is overdue
    kExitIncomplete = 6,  // the data logger was read out incompletely
};

struct ClockSetting {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

struct CliOptions {
    std::string command;  // empty with --help or --version alone
    // Global options; unset ones take the values of config.ini.
    std::optional<std::string> port;  // a device path
    bool simulate = false;
    int simulateType = 7;
    std::optional<int> address, baud, language;
    // live
    int count = 0;                       // 0: until stopped
    std::optional<int> intervalSeconds;  // from HH:MM:SS
    std::string output;                  // empty: standard output
    bool csv = false;
    // logger-dump
    std::string dumpFile;
    // set-clock: unset means now
    std::optional<ClockSetting> clock;
    // clear-logger
    bool yes = false;
    // calibration-status, verify-record: empty means kalibrierung.txt
    std::string recordFile;
    // export: from ql50d's store, a module's readings with from <= time < to
    std::string store = "/var/lib/ql50/readings.db";
    std::string module;
    std::optional<std::int64_t> fromMs, toMs;
    bool recording = false;  // --format recording instead of csv
    // scan: every bus address, JSON output, the devices to probe (none: every one there is)
    bool bus = false;
    bool json = false;
    std::vector<std::string> devices;

    bool help = false;
    bool version = false;
    std::string error;  // not empty: a usage error
};

CliOptions ParseCliOptions(const std::vector<std::string>& args);

// The help of one command, or the overview for an empty or unknown command.
std::string CliHelp(const std::string& command);

}  // namespace ql50::cli
