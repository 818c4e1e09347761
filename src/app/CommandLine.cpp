#include "app/CommandLine.h"

#include <charconv>

namespace ql50 {
namespace {

bool ParseInt(const std::string& text, int low, int high, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return false;
    out = value;
    return true;
}

// "N=DEVICE" with N a COM number 1..255.
bool ParsePortMapping(const std::string& text, CommandLine& cl) {
    const auto eq = text.find('=');
    int number = 0;
    if (eq == std::string::npos || eq + 1 >= text.size() ||
        !ParseInt(text.substr(0, eq), 1, 255, number))
        return false;
    cl.ports[number] = text.substr(eq + 1);
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (std::size_t i = 0; i < args.size() && cl.error.empty(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            cl.help = true;
        } else if (a == "--version") {
            cl.version = true;
        } else if (a == "--simulate") {
            cl.simulate = true;
        } else if (a.rfind("--simulate=", 0) == 0) {
            cl.simulate = true;
            if (!ParseInt(a.substr(11), 0, 7, cl.simulateType))
                cl.error = "--simulate takes a measurement type 0..7: " + a;
        } else if (a == "--port" || a.rfind("--port=", 0) == 0) {
            std::string value =
                a == "--port" ? (i + 1 < args.size() ? args[++i] : "") : a.substr(7);
            if (!ParsePortMapping(value, cl))
                cl.error = "--port takes N=DEVICE, for example --port 1=/dev/ttyUSB0";
        } else if (a == "--data-dir" || a.rfind("--data-dir=", 0) == 0) {
            cl.dataDir = a == "--data-dir" ? (i + 1 < args.size() ? args[++i] : "") : a.substr(11);
            if (cl.dataDir.empty()) cl.error = "--data-dir takes a folder";
        } else if (a == "--desktop") {
            cl.desktop = true;
        } else {
            cl.error = "unknown argument: " + a;
        }
    }
    return cl;
}

std::string CommandLineHelp() {
    return "Usage: ql50 [--simulate[=TYPE]] [--port N=DEVICE]... [--data-dir DIR | --desktop]\n"
           "  or:  ql50 --help | --version\n"
           "\n"
           "Operates the QL50 measuring module on a serial line.\n"
           "\n"
           "  --simulate[=TYPE]  run on the built-in virtual module instead of a real one;\n"
           "                     TYPE is the measurement type: 0 pH, 1 Redox, 2 200uS/cm,\n"
           "                     3 2000uS/cm, 4 20mS/cm, 5 100mS/cm, 6 turbidity,\n"
           "                     7 oxygen (default)\n"
           "  --port N=DEVICE    use DEVICE for COM N (default: the device that Setup's\n"
           "                     search assigned to COM N, else /dev/ttyS(n-1))\n"
           "  --data-dir DIR     work in DIR (created when missing) instead of the working\n"
           "                     directory\n"
           "  --desktop          work in the user's data folder, $XDG_DATA_HOME/ql50 (by\n"
           "                     default ~/.local/share/ql50), as the desktop menu entry\n"
           "                     does\n"
           "  --help             show this text\n"
           "  --version          show the program version\n"
           "\n"
           "The settings (config.ini), the event log (protokoll.txt) and the calibration\n"
           "record (kalibrierung.txt) are kept in the working directory, which is also where\n"
           "the file chooser starts.\n";
}

std::string DataFolder(const CommandLine& cl, const EnvLookup& env, std::string& error) {
    if (!cl.dataDir.empty()) return cl.dataDir;
    if (!cl.desktop) return {};
    // Relative values of these variables are to be ignored, as if they were unset.
    const char* xdg = env("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/ql50";
    const char* home = env("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/ql50";
    error = "no data folder: neither XDG_DATA_HOME nor HOME names an absolute folder";
    return {};
}

}  // namespace ql50
