// ql50-sim: the virtual measuring module on a pseudo-terminal, for trying the program without
// hardware. Prints the terminal's path as its first line and serves until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "sim/PtyServer.h"
#include "sim/SimOptions.h"
#include "sim/VirtualBus.h"
#include "sim/VirtualModule.h"

namespace {

constexpr int kUsageError = 2;

// Blocks the stop signals in every thread, so they wait for sigwait() in main().
sigset_t BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return set;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ql50::sim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(args, &options, &error)) {
        std::cerr << "ql50-sim: " << error << "\nTry 'ql50-sim --help'.\n";
        return kUsageError;
    }
    if (options.help) {
        std::cout << SimUsage();
        return 0;
    }
    const sigset_t stopSignals = BlockStopSignals();
    VirtualModule module;
    VirtualBus bus(options.bus);
    LineResponder* line = &module;
    if (options.bus.empty()) {
        ApplySimOptions(options, module);
    } else {
        ApplySimOptions(options, bus);
        line = &bus;
    }
    PtyServer server(*line);
    if (!server.Start(&error)) {
        std::cerr << "ql50-sim: cannot open a pseudo-terminal: " << error << '\n';
        return 1;
    }
    std::cout << server.SlavePath() << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    return 0;
}
