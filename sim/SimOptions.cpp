#include "sim/SimOptions.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace ql50::sim {

namespace {

bool ParseNumber(const std::string& text, unsigned long min, unsigned long max,
                 unsigned long* value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc{} && ptr == end && !text.empty() && *value >= min && *value <= max;
}

// "OP:REG" with op 0..3 and register 0..255.
bool ParseOpRegister(const std::string& text, std::pair<std::uint8_t, std::uint8_t>* out) {
    const auto colon = text.find(':');
    unsigned long op = 0;
    unsigned long reg = 0;
    if (colon == std::string::npos || !ParseNumber(text.substr(0, colon), 0, 3, &op) ||
        !ParseNumber(text.substr(colon + 1), 0, 255, &reg)) {
        return false;
    }
    *out = {std::uint8_t(op), std::uint8_t(reg)};
    return true;
}

// "A:T,A:T,..." with distinct addresses 1..31 and types 0..7.
bool ParseBus(const std::string& text, std::vector<BusSlot>* slots) {
    slots->clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const auto colon = item.find(':');
        unsigned long address = 0;
        unsigned long type = 0;
        if (colon == std::string::npos || !ParseNumber(item.substr(0, colon), 1, 31, &address) ||
            !ParseNumber(item.substr(colon + 1), 0, kTypeCount - 1, &type))
            return false;
        for (const BusSlot& slot : *slots)
            if (slot.address == address) return false;
        slots->push_back({std::uint8_t(address), int(type)});
        start = comma + 1;
    }
    return !slots->empty();
}

struct Flag {
    const char* name;
    void (*apply)(SimOptions&);
};

struct Valued {
    const char* name;
    unsigned long min;
    unsigned long max;
    void (*apply)(SimOptions&, unsigned long);
};

constexpr Flag kFlags[] = {
    {"--help", [](SimOptions& o) { o.help = true; }},
    {"--no-pacing", [](SimOptions& o) { o.pacing = false; }},
    {"--rate-strict", [](SimOptions& o) { o.rateStrict = true; }},
    {"--silent", [](SimOptions& o) { o.silent = true; }},
    {"--bad-checksum", [](SimOptions& o) { o.badChecksum = true; }},
    {"--stray-byte", [](SimOptions& o) { o.strayByte = true; }},
};

constexpr Valued kValued[] = {
    {"--type", 0, kTypeCount - 1, [](SimOptions& o, unsigned long v) { o.type = int(v); }},
    {"--address", 0, 255, [](SimOptions& o, unsigned long v) { o.address = std::uint8_t(v); }},
    {"--baud", 10, 4000000, [](SimOptions& o, unsigned long v) { o.baud = unsigned(v); }},
    {"--delay", 0, 600000, [](SimOptions& o, unsigned long v) { o.delayMs = unsigned(v); }},
    {"--watchdog-every", 1, 86400,
     [](SimOptions& o, unsigned long v) { o.watchdogEverySeconds = unsigned(v); }},
    {"--logger-records", 0, kLoggerCapacity / kLoggerRecordSize,
     [](SimOptions& o, unsigned long v) { o.loggerRecords = std::size_t(v); }},
};

// Takes the value of option `name` from "--name=value" or from the next argument.
bool TakeValue(const std::vector<std::string>& args, std::size_t* i, const std::string& name,
               std::string* value, std::string* error) {
    const std::string& arg = args[*i];
    if (arg.size() > name.size()) {
        *value = arg.substr(name.size() + 1);
        return true;
    }
    if (*i + 1 >= args.size()) {
        *error = "option " + name + " needs a value";
        return false;
    }
    *value = args[++*i];
    return true;
}

bool Matches(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

bool ParseValued(const std::vector<std::string>& args, std::size_t* i, SimOptions* options,
                 std::string* error) {
    const std::string& arg = args[*i];
    std::string value;
    if (Matches(arg, "--bus")) {
        if (!TakeValue(args, i, "--bus", &value, error)) return false;
        if (!ParseBus(value, &options->bus)) {
            *error =
                "--bus expects ADDRESS:TYPE,... with distinct addresses 1..31 and types "
                "0..7, not '" +
                value + "'";
            return false;
        }
        return true;
    }
    if (Matches(arg, "--silent-register")) {
        std::pair<std::uint8_t, std::uint8_t> pair;
        if (!TakeValue(args, i, "--silent-register", &value, error)) return false;
        if (!ParseOpRegister(value, &pair)) {
            *error =
                "--silent-register expects OP:REG with OP 0..3 and REG 0..255, not '" + value + "'";
            return false;
        }
        options->silentRegisters.push_back(pair);
        return true;
    }
    for (const Valued& v : kValued) {
        if (!Matches(arg, v.name)) continue;
        unsigned long number = 0;
        if (!TakeValue(args, i, v.name, &value, error)) return false;
        if (!ParseNumber(value, v.min, v.max, &number)) {
            *error = std::string(v.name) + " expects a number from " + std::to_string(v.min) +
                     " to " + std::to_string(v.max) + ", not '" + value + "'";
            return false;
        }
        v.apply(*options, number);
        return true;
    }
    *error = "unknown option '" + arg + "'";
    return false;
}

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options,
                     std::string* error) {
    SimOptions parsed;
    std::string message;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool isFlag = false;
        for (const Flag& f : kFlags) {
            if (args[i] == f.name) {
                f.apply(parsed);
                isFlag = true;
            }
        }
        if (!isFlag && !ParseValued(args, &i, &parsed, &message)) {
            if (error != nullptr) *error = message;
            return false;
        }
    }
    const bool single = std::any_of(args.begin(), args.end(), [](const std::string& a) {
        return Matches(a, "--type") || Matches(a, "--address");
    });
    if (!parsed.bus.empty() && single) {
        if (error != nullptr)
            *error =
                "--bus gives each module its address and type: it excludes "
                "--type and --address";
        return false;
    }
    if (options != nullptr) *options = parsed;
    return true;
}

std::string SimUsage() {
    return "Usage: ql50-sim [options]\n"
           "Runs a virtual measuring module behind a pseudo-terminal. The first line of output\n"
           "is the terminal's path; open it like a serial port. Stop with Ctrl-C (SIGINT) or\n"
           "SIGTERM.\n"
           "\n"
           "Options:\n"
           "  --type N               measurement type 0..7: 0 pH, 1 Redox, 2 200 uS/cm,\n"
           "                         3 2000 uS/cm, 4 20 mS/cm, 5 100 mS/cm, 6 turbidity,\n"
           "                         7 oxygen (default 7)\n"
           "  --address A            bus address 0..255 (default 1; address 0 is always\n"
           "                         answered as well)\n"
           "  --bus A:T,A:T,...      several modules on the one line, each at its bus address\n"
           "                         A (1..31) with measurement type T and its own values,\n"
           "                         clock and logger; a request to an address no module has\n"
           "                         goes unanswered, and address 0 is answered only by a bus\n"
           "                         of one module (on a bus of several every module acts on\n"
           "                         it, none answers); excludes --type and --address\n"
           "  --baud B               line rate for pacing, B/10 bytes per second (default 4800)\n"
           "  --no-pacing            send replies as fast as the terminal takes them\n"
           "  --rate-strict          ignore requests while the line is set to another rate\n"
           "                         than --baud, as a real module cannot read them\n"
           "  --delay MS             wait MS milliseconds before each reply (default 0)\n"
           "  --silent               answer nothing at all\n"
           "  --silent-register OP:REG\n"
           "                         ignore requests with operation OP (0..3) for register\n"
           "                         REG; may be repeated\n"
           "  --bad-checksum         send every reply with a wrong checksum\n"
           "  --stray-byte           send one stray 0x00 byte before the first reply\n"
           "  --watchdog-every S     announce a watchdog reset (\"WD-RESET\\r\") every S seconds\n"
           "  --logger-records N     fill the data logger with N records (0..6553; default:\n"
           "                         three days at the 15-minute interval)\n"
           "  --help                 show this text\n";
}

void ApplySimOptions(const SimOptions& options, VirtualModule& module) {
    module.SetType(options.type);
    module.SetAddress(options.address);
    module.SetLineRate(options.pacing ? options.baud : 0);
    module.SetStrictRate(options.rateStrict ? options.baud : 0);
    module.SetReplyDelay(std::chrono::milliseconds{options.delayMs});
    module.SetSilent(options.silent);
    for (const auto& [op, reg] : options.silentRegisters) module.SilenceRegister(op, reg);
    module.SetBadChecksum(options.badChecksum);
    if (options.strayByte) module.InjectStrayByte();
    module.SetWatchdogPeriod(std::chrono::seconds{options.watchdogEverySeconds});
    if (options.loggerRecords) module.FillLoggerRecords(*options.loggerRecords);
}

void ApplySimOptions(const SimOptions& options, VirtualBus& bus) {
    for (const auto& module : bus.Modules()) {
        SimOptions own = options;
        own.type = module->Type();
        own.address = module->Address();
        own.pacing = false;
        own.delayMs = 0;
        ApplySimOptions(own, *module);
    }
    bus.SetLineRate(options.pacing ? options.baud : 0);
    bus.SetReplyDelay(std::chrono::milliseconds{options.delayMs});
    bus.SetStrictRate(options.rateStrict ? options.baud : 0);
}

}  // namespace ql50::sim
