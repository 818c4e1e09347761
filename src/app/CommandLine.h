#pragma once
// ql50 [--simulate[=TYPE]] [--port N=DEVICE]... [--help] [--version]
#include <map>
#include <string>
#include <vector>

namespace ql50 {

struct CommandLine {
    bool simulate = false;
    int simulateType = 7;              // measurement-type index 0..7 of the virtual module
    std::map<int, std::string> ports;  // COM number -> device path
    bool help = false;
    bool version = false;
    std::string error;  // not empty: the arguments were not understood
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string CommandLineHelp();

}  // namespace ql50
