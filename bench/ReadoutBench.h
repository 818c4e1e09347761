#pragma once
// What a logger read-out costs the reader: the virtual module runs as a process of its own
// (ModuleProcess), paced like a 4,800-baud line or unpaced, and the reader here is one of
//   - the program's receiver: a session (serial channel, conversation) and its read-out into an
//     export file (LoggerExport), as ql50-cli logger-dump uses them;
//   - a minimal reader on one thread that writes the requests and only assembles the frames
//     (poll, read, FrameAssembler): the floor of any reader;
//   - the main window on the offscreen platform, through its read-out button, transfer window
//     and export file (needs a QApplication).
// Each run measures the CPU time of this process from the stream request to the last frame.
#include <cstddef>
#include <string>

namespace ql50::bench {

struct ReadoutRun {
    double cpuSeconds = 0;     // the whole process
    double guiCpuSeconds = 0;  // the calling (conversation, window) thread alone
    double wallSeconds = 0;
    std::size_t frames = 0;   // valid frames of the stream, its acknowledgement included
    std::size_t records = 0;  // export lines written (the minimal reader writes none)
};

// The module at `device` holds its logger; the readers talk to it at 4,800 baud. Each throws
// std::runtime_error when the module does not answer or the stream stops short.
ReadoutRun ProgramReadout(const std::string& device);
ReadoutRun MinimalReadout(const std::string& device);
ReadoutRun WindowReadout(const std::string& device);

}  // namespace ql50::bench
