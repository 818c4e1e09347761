#include "DecodeBench.h"

#include <stdexcept>

#include "BenchReport.h"
#include "link/FrameAssembler.h"
#include "link/RegisterCatalogue.h"
#include "sim/VirtualModule.h"

namespace ql50::bench {
namespace {

struct Request {
    std::uint8_t op;
    std::uint8_t reg;
};

// What the program asks during a session: the live chain, the logger's clock and level, the
// raw readings, the parameters of the configuration and calibration dialogs, two writes.
constexpr Request kRequests[] = {
    {kReadValue, 1},   {kReadValue, 2},   {kReadValue, 5},   {kReadValue, 4},  {kReadValue, 3},
    {kReadValue, 6},   {kReadValue, 55},  {kReadValue, 56},  {kReadValue, 58}, {kReadValue, 59},
    {kReadValue, 60},  {kReadValue, 61},  {kReadValue, 62},  {kReadParam, 0},  {kReadParam, 1},
    {kReadParam, 26},  {kReadParam, 28},  {kReadParam, 30},  {kReadParam, 31}, {kReadParam, 32},
    {kReadParam, 33},  {kReadParam, 34},  {kReadParam, 35},  {kReadParam, 37}, {kReadParam, 38},
    {kReadParam, 72},  {kReadParam, 73},  {kReadParam, 74},  {kReadParam, 76}, {kReadParam, 77},
    {kReadParam, 130}, {kWriteParam, 72}, {kWriteValue, 59},
};

std::vector<std::uint8_t> Ask(sim::VirtualModule& module, std::uint8_t op, std::uint8_t reg) {
    const Frame request = BuildFrame(module.Address(), op, 4, reg);
    return module.Receive(request.data(), request.size());
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// One pass over the buffer; returns the frames dispatched.
template <bool Dispatch>
std::size_t Pass(const std::vector<std::uint8_t>& bytes, CModulDaten& modul) {
    FrameAssembler assembler;
    std::size_t frames = 0;
    for (const std::uint8_t byte : bytes) {
        if (assembler.Push(byte) != RxEvent::ValidFrame) continue;
        ++frames;
        if (Dispatch && !DispatchReply(assembler.rxFrame(), modul).accepted) {
            throw std::runtime_error("a reply of the decode buffer was not accepted");
        }
    }
    if (frames * kFrameSize != bytes.size()) {
        throw std::runtime_error("the decode buffer holds bytes that are no valid frame");
    }
    return frames;
}

template <bool Dispatch>
DecodeRun Repeat(const std::vector<std::uint8_t>& bytes, double minSeconds) {
    CModulDaten modul;
    DecodeRun run;
    const Clock::time_point start = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    do {
        run.frames += Pass<Dispatch>(bytes, modul);
        run.cpuSeconds = ThreadCpuSeconds() - cpuStart;
    } while (run.cpuSeconds < minSeconds);
    run.wallSeconds = SecondsSince(start);
    return run;
}

}  // namespace

std::vector<std::uint8_t> LoggerStreamReplies() {
    sim::VirtualModule module;
    module.FillLoggerBytes(sim::kLoggerCapacity);
    return Ask(module, kReadValue, kValueLoggerData);
}

std::vector<std::uint8_t> MixedReplies() {
    sim::VirtualModule module;
    std::vector<std::uint8_t> bytes;
    const std::size_t wanted = LoggerStreamReplies().size();
    while (bytes.size() < wanted) {
        for (const Request& r : kRequests) Append(bytes, Ask(module, r.op, r.reg));
    }
    return bytes;
}

DecodeRun DecodeAll(const std::vector<std::uint8_t>& bytes, double minSeconds) {
    return Repeat<true>(bytes, minSeconds);
}

DecodeRun AssembleOnly(const std::vector<std::uint8_t>& bytes, double minSeconds) {
    return Repeat<false>(bytes, minSeconds);
}

}  // namespace ql50::bench
