#pragma once
// Frame assembly and reply decoding on the receiving thread, without any channel: the bytes
// are taken from a buffer of replies that the virtual module produced for real requests.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ql50::bench {

// A full logger read-out as the module sends it: the acknowledgement and one frame for every
// two logger bytes of a filled logger.
std::vector<std::uint8_t> LoggerStreamReplies();
// One reply to every kind of request the program sends (live chain, logger clock and level,
// raw readings, parameters), repeated to about the length of the logger stream.
std::vector<std::uint8_t> MixedReplies();

// Pushes `bytes` through a FrameAssembler and dispatches every frame, repeating the buffer
// until at least `minSeconds` of the thread's CPU time passed. Throws when a frame is not valid
// and accepted. The rate is per CPU second of the decoding thread: on a machine shared with
// other work the wall clock also counts the time the thread was not running at all.
struct DecodeRun {
    std::size_t frames = 0;
    double cpuSeconds = 0.0;
    double wallSeconds = 0.0;
    double FramesPerCpuSecond() const { return double(frames) / cpuSeconds; }
    double FramesPerWallSecond() const { return double(frames) / wallSeconds; }
};
DecodeRun DecodeAll(const std::vector<std::uint8_t>& bytes, double minSeconds);

// Pushes only, no dispatch: how much of the time is frame assembly.
DecodeRun AssembleOnly(const std::vector<std::uint8_t>& bytes, double minSeconds);

}  // namespace ql50::bench
