#pragma once
// One run of ql50-cli: opens the module's line (a serial device or the built-in virtual module)
// and carries out one command with the program's request sequences and file formats.
// Runs on the thread of the QCoreApplication; waits serve its event loop.
#include <memory>
#include <string>

#include "cli/CliOptions.h"
#include "conversation/CConversation.h"
#include "formats/SettingsFile.h"

namespace ql50::cli {

class CliSession {
public:
    // `settings` are those of config.ini; the options override them.
    CliSession(const CliOptions& options, const Settings& settings);
    ~CliSession();

    // The exit status.
    int Run();

private:
    int OpenLine();
    int Live();
    int LoggerDump();
    int Info();
    int SetClock();
    int ClearLogger();
    int Type();
    int NoAnswer();

    struct Simulation;
    CliOptions options_;
    int portIndex_;
    int baud_;
    int language_;
    int intervalSeconds_;
    std::unique_ptr<Simulation> simulation_;
    CConversation conv_;
};

// The settings of config.ini in the working directory, as the program reads them; a missing or
// unreadable file gives the defaults (nothing is created).
Settings ReadWorkingDirectorySettings();

}  // namespace ql50::cli
