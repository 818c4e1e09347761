#pragma once
// ql50-cli export: a module's readings from ql50d's store, for a time range, as RFC 4180 CSV
// (UTF-8, ISO 8601 times with their offset, one column per channel and unit) or as the
// program's recording file. Needs no module line.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/CliOptions.h"

namespace ql50::store {
class Store;
}

namespace ql50::cli {

// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" ("T" or a blank), local time
// unless it ends in "Z" or "+HH:MM"/"-HH:MM": UTC milliseconds, or nothing.
std::optional<std::int64_t> ParseExportTime(const std::string& text);

// Writes the module's readings with from <= time < to to `out`; false when the store cannot
// be read or `out` cannot be written (errno set for the latter).
bool WriteCsv(store::Store& store, const std::string& module, std::int64_t fromMs,
              std::int64_t toMs, std::FILE* out);
bool WriteRecording(store::Store& store, const std::string& module, std::int64_t fromMs,
                    std::int64_t toMs, std::FILE* out);

// The command: an exit status.
int RunExport(const CliOptions& options);

}  // namespace ql50::cli
