#include "cli/CliOptions.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "cli/ExportCommand.h"
#include "link/LineRates.h"

namespace ql50::cli {
namespace {

const std::set<std::string> kCommands{
    "live",          "logger-dump",        "info", "set-clock", "clear-logger", "type",
    "verify-record", "calibration-status", "scan", "export"};

bool ParseInt(const std::string& text, int low, int high, int& out) {
    if (text.empty() || text.size() > 9) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return false;
    out = value;
    return true;
}

// Splits "text" at `sep` into integer fields of the given widths and limits.
bool ParseFields(const std::string& text, char sep, std::vector<int>& out,
                 const std::vector<std::pair<int, int>>& limits) {
    out.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < limits.size(); ++i) {
        const std::size_t end = i + 1 < limits.size() ? text.find(sep, start) : text.size();
        if (end == std::string::npos) return false;
        int value = 0;
        if (!ParseInt(text.substr(start, end - start), limits[i].first, limits[i].second, value))
            return false;
        out.push_back(value);
        start = end + 1;
    }
    return true;
}

bool ParseInterval(const std::string& text, int& seconds) {
    std::vector<int> f;
    if (!ParseFields(text, ':', f, {{0, 99}, {0, 59}, {0, 59}})) return false;
    seconds = (f[0] * 60 + f[1]) * 60 + f[2];
    return true;
}

// "YYYY-MM-DD HH:MM"; the module keeps the year as year - 2000 in one byte.
bool ParseClock(const std::string& text, ClockSetting& clock) {
    const auto blank = text.find(' ');
    std::vector<int> d, t;
    if (blank == std::string::npos ||
        !ParseFields(text.substr(0, blank), '-', d, {{2000, 2255}, {1, 12}, {1, 31}}) ||
        !ParseFields(text.substr(blank + 1), ':', t, {{0, 23}, {0, 59}}))
        return false;
    using namespace std::chrono;
    if (!year_month_day{year(d[0]), month(unsigned(d[1])), day(unsigned(d[2]))}.ok()) return false;
    clock = {d[0], d[1], d[2], t[0], t[1]};
    return true;
}

// The options that take a value, and where the value goes.
using ValueSetter = std::function<bool(CliOptions&, const std::string&)>;
const std::map<std::string, ValueSetter>& ValueOptions() {
    static const std::map<std::string, ValueSetter> options{
        {"--port", [](CliOptions& o, const std::string& v) { return !(o.port = v)->empty(); }},
        {"--address",
         [](CliOptions& o, const std::string& v) {
             int a = 0;
             return ParseInt(v, 0, 31, a) && (o.address = a, true);
         }},
        {"--baud",
         [](CliOptions& o, const std::string& v) {
             int b = 0;
             if (!ParseInt(v, 50, 4000000, b)) return false;
             // Such a rate would leave the line at whatever rate it had.
             if (!IsSupportedLineRate(b)) o.error = "the line cannot be set to " + v + " baud";
             return IsSupportedLineRate(b) && (o.baud = b, true);
         }},
        {"--language",
         [](CliOptions& o, const std::string& v) {
             if (v != "de" && v != "en") return false;
             o.language = v == "de" ? 0 : 1;
             return true;
         }},
        {"--count",
         [](CliOptions& o, const std::string& v) { return ParseInt(v, 1, 1 << 30, o.count); }},
        {"--interval",
         [](CliOptions& o, const std::string& v) {
             int s = 0;
             return ParseInterval(v, s) && (o.intervalSeconds = s, true);
         }},
        {"--output", [](CliOptions& o, const std::string& v) { return !(o.output = v).empty(); }},
        {"--store", [](CliOptions& o, const std::string& v) { return !(o.store = v).empty(); }},
        {"--module", [](CliOptions& o, const std::string& v) { return !(o.module = v).empty(); }},
        {"--from",
         [](CliOptions& o, const std::string& v) {
             return (o.fromMs = ParseExportTime(v)).has_value();
         }},
        {"--to", [](CliOptions& o,
                    const std::string& v) { return (o.toMs = ParseExportTime(v)).has_value(); }},
        {"--format",
         [](CliOptions& o, const std::string& v) {
             o.recording = v == "recording";
             return v == "csv" || v == "recording";
         }},
    };
    return options;
}

// Which command takes which option (beyond the global ones).
bool OptionFits(const std::string& command, const std::string& option) {
    // A scan names its devices itself and asks the addresses a module can have.
    if (command == "scan")
        return option == "--bus" || option == "--json" || option == "--baud" ||
               option == "--language";
    static const std::set<std::string> global{"--port", "--address", "--baud", "--language"};
    if (global.count(option)) return true;
    if (option == "--yes") return command == "clear-logger";
    if (option == "--bus" || option == "--json") return false;
    static const std::set<std::string> exportOptions{"--store", "--module", "--from",
                                                     "--to",    "--format", "--output"};
    if (command == "export") return exportOptions.count(option) > 0;
    // live: --count, --interval, --output, --csv
    return command == "live" && (option == "--output" || !exportOptions.count(option));
}

void TakePositionals(CliOptions& o, const std::vector<std::string>& positionals) {
    std::string joined;
    for (const auto& p : positionals) joined += (joined.empty() ? "" : " ") + p;
    if (o.command == "logger-dump") {
        if (positionals.size() != 1)
            o.error = "logger-dump takes one FILE";
        else
            o.dumpFile = positionals[0];
    } else if (o.command == "set-clock") {
        ClockSetting clock;
        if (joined.empty() || joined == "now") return;
        if (!ParseClock(joined, clock))
            o.error = "set-clock takes 'now' or a date and time YYYY-MM-DD HH:MM: " + joined;
        else
            o.clock = clock;
    } else if (o.command == "calibration-status" || o.command == "verify-record") {
        if (positionals.size() > 1)
            o.error = o.command + " takes at most one FILE";
        else if (!positionals.empty())
            o.recordFile = positionals[0];
    } else if (o.command == "scan") {
        o.devices = positionals;
    } else if (!positionals.empty()) {
        o.error = "unexpected argument: " + positionals[0];
    }
}

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::vector<std::string> positionals;
    std::vector<std::string> options;  // checked against the command at the end
    for (std::size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string& a = args[i];
        const auto eq = a.find('=');
        const std::string name = a.rfind("--", 0) == 0 ? a.substr(0, eq) : a;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--simulate") {
            o.simulate = true;
        } else if (name == "--simulate") {
            o.simulate = true;
            if (!ParseInt(a.substr(eq + 1), 0, 7, o.simulateType))
                o.error = "--simulate takes a measurement type 0..7: " + a;
        } else if (a == "--csv" || a == "--yes" || a == "--bus" || a == "--json") {
            (a == "--csv" ? o.csv : a == "--yes" ? o.yes : a == "--bus" ? o.bus : o.json) = true;
            options.push_back(a);
        } else if (auto it = ValueOptions().find(name); it != ValueOptions().end()) {
            std::string value;
            if (eq != std::string::npos)
                value = a.substr(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (!it->second(o, value) && o.error.empty())
                o.error = "invalid value for " + name + ": '" + value + "'";
            options.push_back(name);
        } else if (a.size() > 1 && a[0] == '-') {
            o.error = "unknown option: " + a;
        } else if (o.command.empty()) {
            o.command = a;
            if (!kCommands.count(a)) o.error = "unknown command: " + a;
        } else {
            positionals.push_back(a);
        }
    }
    if (!o.error.empty() || o.help) return o;
    if (o.command.empty()) {
        if (!o.version) o.error = "no command given";
        return o;
    }
    if (o.port && o.simulate) o.error = "--port and --simulate exclude each other";
    for (const auto& option : options)
        if (o.error.empty() && !OptionFits(o.command, option))
            o.error = o.command + " does not take " + option;
    if (o.error.empty()) TakePositionals(o, positionals);
    if (o.error.empty() && o.command == "export" && o.module.empty())
        o.error = "export needs --module NAME";
    if (o.error.empty() && o.command == "clear-logger" && !o.yes)
        o.error = "clear-logger empties the module's logger for good: confirm with --yes";
    return o;
}

std::string CliHelp(const std::string& command) {
    static const std::map<std::string, std::string> help{
        {"live",
         "Usage: ql50-cli [global options] live [--count N] [--interval HH:MM:SS]\n"
         "                                     [--output FILE] [--csv]\n"
         "\n"
         "Measures like the program's live measurement: reads the calibration values and the\n"
         "type, polls the live values every 2 s and writes one line per interval, with the\n"
         "program's recording header first. Ends after N lines, or on Ctrl-C or SIGTERM with\n"
         "every line written.\n"
         "\n"
         "  --count N              stop after N lines (default: until stopped)\n"
         "  --interval HH:MM:SS    one line per interval (default: INTERVALL of config.ini)\n"
         "  --output FILE          write to FILE, emptied first (default: standard output)\n"
         "  --csv                  CSV (RFC 4180, UTF-8) with ISO 8601 time stamps and the\n"
         "                         channels and units of the module's type, instead of the\n"
         "                         program's recording lines (Windows-1252, decimal comma)\n"},
        {"logger-dump",
         "Usage: ql50-cli [global options] logger-dump FILE\n"
         "\n"
         "Reads out the module's data logger into FILE, the same export file as the\n"
         "program's read-out. Shows the progress on standard error.\n"},
        {"info",
         "Usage: ql50-cli [global options] info\n"
         "\n"
         "Shows the logger information: fill level, module clock, next alarm, interval and\n"
         "whether the logger is released.\n"},
        {"set-clock",
         "Usage: ql50-cli [global options] set-clock [now | YYYY-MM-DD HH:MM]\n"
         "\n"
         "Sets the module's clock to this computer's local time (now, the default) or to the\n"
         "given date and time.\n"},
        {"clear-logger",
         "Usage: ql50-cli [global options] clear-logger --yes\n"
         "\n"
         "Empties the module's data logger. --yes confirms it.\n"},
        {"export",
         "Usage: ql50-cli export --module NAME [--store PATH] [--from TIME] [--to TIME]\n"
         "                       [--format csv|recording] [--output FILE]\n"
         "\n"
         "Writes a module's readings from the store of the acquisition service ql50d: as\n"
         "RFC 4180 CSV in UTF-8 (time in ISO 8601 with its offset, source live or logger,\n"
         "one column per channel and unit), or as the program's recording file. Needs no\n"
         "module and reads the store beside the running service.\n"
         "\n"
         "  --module NAME          the module's name in ql50d's configuration\n"
         "  --store PATH           the store (default /var/lib/ql50/readings.db)\n"
         "  --from TIME            the first time (default: the first reading)\n"
         "  --to TIME              the end, not included (default: the last reading)\n"
         "                         TIME is YYYY-MM-DD[THH:MM[:SS]], local time, or with\n"
         "                         Z or +HH:MM\n"
         "  --format csv|recording CSV (default) or the recording file (Windows-1252,\n"
         "                         decimal comma; a reading without values as an empty\n"
         "                         line of its interval)\n"
         "  --output FILE          write to FILE (default: standard output)\n"},
        {"type",
         "Usage: ql50-cli [global options] type\n"
         "\n"
         "Shows the module's measurement type: its number (1 to 8) and name.\n"},
        {"calibration-status",
         "Usage: ql50-cli [global options] calibration-status [FILE]\n"
         "\n"
         "Reads the calibration record FILE (default: kalibrierung.txt in the working\n"
         "directory) and prints, tab-separated, for each module with a stored\n"
         "calibration: its device number, type and address, the time of its last\n"
         "calibration, the due date, whether it is due or overdue, and the sensor's\n"
         "condition. The intervals in days come from [CalibrationIntervalDays] in\n"
         "$XDG_CONFIG_HOME/ql50/ql50.conf (default pH=7, Redox=7, Conductivity=30,\n"
         "Oxygen=7, Turbidity=0: none). Needs no module.\n"
         "Exit status 5 when a module is overdue, 1 when FILE cannot be read.\n"},
        {"verify-record",
         "Usage: ql50-cli [global options] verify-record [FILE]\n"
         "\n"
         "Checks the hash chain of the calibration record FILE (default: kalibrierung.txt\n"
         "in the working directory): every line carries the SHA-256 of the line before and\n"
         "of itself, so a changed or removed line breaks it. Needs no module.\n"
         "Exit status 0 when the chain holds, 1 when it does not (the first line that does\n"
         "not fit is named) or FILE cannot be read.\n"},
        {"scan",
         "Usage: ql50-cli [global options] scan [--bus] [--json] [DEVICE...]\n"
         "\n"
         "Looks for modules: probes the given serial devices, or every one the computer has\n"
         "(/dev/serial/by-id/* first, then ttyUSB*, ttyACM* and ttyS*), at 4800, 9600 and\n"
         "19200 baud (--baud: at that rate only) with a read of the measurement type at\n"
         "address 0, and prints one line per module, its fields separated by tabs: device,\n"
         "by-id name or \"-\", rate, bus address, measurement-type index (0..7) and name.\n"
         "A probe sends read requests only; a device that another program holds is named on\n"
         "standard error and not probed. Of the global options --baud, --language and\n"
         "--simulate (the built-in virtual module is probed) apply.\n"
         "\n"
         "  --bus                  ask every bus address 0..31 (about 7 s per device and rate)\n"
         "  --json                 a JSON array of objects with device, id, baud, address,\n"
         "                         type and typeName instead (id, type and typeName null when\n"
         "                         unknown)\n"
         "\n"
         "Exit status of scan: 0 a module answered, 3 none answered, 4 no device could be\n"
         "opened.\n"},
    };
    if (auto it = help.find(command); it != help.end()) return it->second + "\n" + CliHelp("-");
    if (command == "-")
        return "Global options (default: config.ini in the working directory):\n"
               "  --port DEVICE        the serial device (default: COM n of PORT=n-1 is\n"
               "                       /dev/ttyS(n-1))\n"
               "  --simulate[=TYPE]    use a built-in virtual module of type 0..7 (default 7,\n"
               "                       oxygen) instead of a serial device\n"
               "  --address A          the module's bus address 0..31 (default 0, any module)\n"
               "  --baud B             the baud rate (default BAUD, 4800), a standard rate such "
               "as\n"
               "                       1200, 2400, 4800, 9600, 19200 or 115200\n"
               "  --language de|en     the language of texts and labels (default SPRACHE)\n"
               "\n"
               "Exit status: 0 success, 1 a file or standard output could not be written or\n"
               "the command could not be carried out, 2 usage error, 3 the module does not\n"
               "answer, 4 the port cannot be opened or the line was lost, 6 the data logger\n"
               "was read out incompletely (how many of how many records on standard error), 5\n"
               "a calibration is overdue (calibration-status).\n";
    return "Usage: ql50-cli [global options] COMMAND [options]\n"
           "\n"
           "Operates the QL50 measuring module from scripts.\n"
           "\n"
           "Commands:\n"
           "  live           record live values\n"
           "  logger-dump    read out the data logger into an export file\n"
           "  info           show the logger information\n"
           "  set-clock      set the module's clock\n"
           "  clear-logger   empty the data logger\n"
           "  type           show the module's measurement type\n"
           "  calibration-status\n"
           "                 the last calibration and due date of each module in the\n"
           "                 calibration record\n"
           "  verify-record  check the calibration record's hash chain\n"
           "  export         a module's readings from the store of ql50d\n"
           "  scan           find modules on the serial devices\n"
           "\n"
           "'ql50-cli COMMAND --help' describes a command.\n\n" +
           CliHelp("-");
}

}  // namespace ql50::cli
