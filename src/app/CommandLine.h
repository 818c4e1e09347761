#pragma once
// ql50 [--simulate[=TYPE]] [--port N=DEVICE]... [--data-dir DIR | --desktop]
//   or: ql50 --help | --version
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ql50 {

struct CommandLine {
    bool simulate = false;
    int simulateType = 7;              // measurement-type index 0..7 of the virtual module
    std::map<int, std::string> ports;  // COM number -> device path
    std::string dataDir;               // --data-dir: the folder the program works in
    bool desktop = false;              // started from the desktop menu: the user's data folder
    bool help = false;
    bool version = false;
    std::string error;  // not empty: the arguments were not understood
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string CommandLineHelp();

// The folder the program works in (config.ini, protokoll.txt, kalibrierung.txt, the first
// folder of the file chooser): --data-dir as given; with --desktop $XDG_DATA_HOME/ql50, or
// $HOME/.local/share/ql50 where XDG_DATA_HOME is unset or not absolute; otherwise empty, the
// working folder as it is. `env` looks up an environment variable (nullptr when unset). Sets
// `error` and returns empty when --desktop finds no home folder.
using EnvLookup = std::function<const char*(const char*)>;
std::string DataFolder(const CommandLine& cl, const EnvLookup& env, std::string& error);

}  // namespace ql50
