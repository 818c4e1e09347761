// ql50-cli: the headless tool for scripts (live recording, logger dump, logger information,
// clock, clearing, type, the calibration record, the search for modules) on the conversation
// and file formats of the program, and the export from the store of ql50d.
#include <QCoreApplication>
#include <cstdio>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/ExportCommand.h"
#include "cli/RecordCommands.h"
#include "cli/ScanCommand.h"
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
    // The store of ql50d needs no module line.
    if (options.command == "export") return RunExport(options);
    QCoreApplication app(argc, argv);
    const ql50::Settings settings = ReadWorkingDirectorySettings();
    // The calibration record's commands need no module and no line.
    if (IsRecordCommand(options.command))
        return RunRecordCommand(options, options.language.value_or(settings.language == 0 ? 0 : 1));
    // The search opens the devices itself.
    if (options.command == "scan")
        return RunScan(options, options.language.value_or(settings.language == 0 ? 0 : 1));
    CliSession session(options, settings);
    return session.Run();
}
