#pragma once
// ql50-cli scan: which modules answer on which serial devices, at which rate and address. It
// needs no line of its own: it runs before one is opened.
#include "cli/CliOptions.h"

namespace ql50::cli {

// Probes the devices and prints what answered, the type names in `language`. The exit status:
// 0 when a module answered, 3 when none did, 4 when no device could be opened.
int RunScan(const CliOptions& options, int language);

}  // namespace ql50::cli
