#pragma once
// The commands of ql50-cli that read the calibration record and need no module:
//   calibration-status [FILE]   the last calibration and the due date of each module
//   verify-record [FILE]        whether the record's hash chain holds
// FILE is kalibrierung.txt in the working folder unless given.
#include "cli/CliOptions.h"

namespace ql50::cli {

bool IsRecordCommand(const std::string& command);
// Runs it; the exit status. `language` 0 German, 1 English.
int RunRecordCommand(const CliOptions& options, int language);

}  // namespace ql50::cli
