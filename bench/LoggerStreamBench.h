#pragma once
// A full logger read-out: one request, then the module streams its whole logger, one frame
// per two logger bytes, every byte handed over to the conversation's thread on its own.
#include <cstddef>

#include "BenchReport.h"

namespace ql50::bench {

struct StreamRun {
    std::size_t frames = 0;  // loggerFrame signals counted, the acknowledgement included
    std::size_t bytes = 0;   // bytes on the line: 11 per frame
    double seconds = 0.0;    // from SendCommand to the last loggerFrame signal
    Switches guiThread;      // context switches of the conversation's thread meanwhile
    Switches process;        // and of all threads (monitor, module server)
    double SecondsPerByte() const { return seconds / double(bytes); }
    double BytesPerSecond() const { return double(bytes) / seconds; }
};

// Fills the virtual module's logger with `loggerBytes` bytes and reads it out through
// CConversation. Throws when the stream does not arrive complete within two minutes.
StreamRun TakeInLoggerStream(std::size_t loggerBytes);

// The frames of a read-out of `loggerBytes` logger bytes, the acknowledgement included.
constexpr std::size_t StreamFrames(std::size_t loggerBytes) {
    return 1 + (loggerBytes + 1) / 2;
}

}  // namespace ql50::bench
