// ql50-cli: the headless tool for scripts (live recording, logger dump, logger information,
// clock, clearing, type) on the conversation and file formats of the program.
#include <QCoreApplication>
#include <cstdio>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/StandardStreams.h"

int main(int argc, char** argv) {
    using namespace ql50::cli;
    GuardStandardStreams();
    const CliOptions options = ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::fprintf(stderr, "ql50-cli: %s\nTry 'ql50-cli --help'.\n", options.error.c_str());
        return kExitUsage;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? CliHelp(options.command).c_str() : "ql50-cli 1.04\n", stdout);
        return kExitOk;
    }
    QCoreApplication app(argc, argv);
    CliSession session(options, ReadWorkingDirectorySettings());
    return session.Run();
}
