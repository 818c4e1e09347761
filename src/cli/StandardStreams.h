#pragma once
// Standard input, output and error of the tool. A script may start it with one of them closed:
// its descriptor then stays taken by /dev/null, so the serial line or a file opened later never
// gets descriptor 1 and takes the tool's output; output to a closed standard output fails with
// EBADF, as it would have.
#include <string>

namespace ql50::cli {

// At start, before anything else is opened.
void GuardStandardStreams();
// Writes all of `bytes` to standard output; false with errno set when it cannot.
bool WriteStandardOutput(const std::string& bytes);

}  // namespace ql50::cli
