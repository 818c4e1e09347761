#pragma once
// One run of ql50-cli: opens the module's line (a serial device or the built-in virtual module)
// and carries out one command with the operations and file formats the program's windows use,
// so a command ends as the window's button does. Runs on the thread of the QCoreApplication;
// waits serve its event loop.
#include <memory>
#include <string>

#include "cli/CliOptions.h"
#include "formats/SettingsFile.h"
#include "operations/Session.h"

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
    // The status and message of an operation that did not end as Done.
    int Failed(Outcome outcome);

    struct Simulation;
    CliOptions options_;
    int portIndex_;
    int baud_;
    int language_;
    int intervalSeconds_;
    std::unique_ptr<Simulation> simulation_;
    Session session_;
};

// The settings of config.ini in the working directory, as the program reads them; a missing or
// unreadable file gives the defaults (nothing is created).
Settings ReadWorkingDirectorySettings();

}  // namespace ql50::cli
