// ql50_bench: the program's speed figures, one line each, with target and PASS/MISS.
//
//   ql50_bench [--quick] [--runs N] [--only 1,2,3,4,6]
//
// Every figure is the median of its runs (default 3; --quick: one shorter run of each and no
// break-down lines). Run it on a Release build; the exit status is 1 when a target is missed.
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "BenchReport.h"
#include "DecodeBench.h"
#include "HandOverProbe.h"
#include "IdleWaitBench.h"
#include "LoggerStreamBench.h"
#include "PingPong.h"
#include "RoundTripBench.h"
#include "ScanBench.h"
#include "sim/DataLogger.h"

namespace ql50::bench {
namespace {

constexpr double kDecodeTarget = 10e6;         // frames per second
constexpr double kRoundTripTarget = 2000;      // round trips per second
constexpr double kLineBytesPerSecond = 11520;  // 115,200 baud, 10 bits a byte
constexpr double kLineRateTarget = 1.5;        // multiples of that line
constexpr double kHandOverRatioTarget = 1.3;   // stream time per byte / ping-pong round trip
constexpr double kIdleCpuTarget = 0.005;       // seconds of CPU for a wait that runs out
constexpr double kScanSecondsTarget = 10.0;    // a search of 4 lines x 3 rates, nothing attached
constexpr int kScanLines = 4;

struct Options {
    bool quick = false;
    int runs = 3;
    std::set<int> only;  // empty: every figure
    bool Wants(int figure) const { return only.empty() || only.count(figure) != 0; }
};

// How much work one run does; --quick makes each run shorter.
struct Sizes {
    double decodeSeconds;
    int roundTrips;
    int pingPongRounds;
    int handOvers;
};

Sizes SizesFor(const Options& o) {
    return o.quick ? Sizes{0.2, 1000, 5000, 5000} : Sizes{0.5, 5000, 20000, 20000};
}

std::vector<double> Repeat(int runs, const std::function<double()>& run) {
    std::vector<double> values;
    for (int i = 0; i < runs; ++i) values.push_back(run());
    return values;
}

bool DecodeFigure(const char* id, const char* what, const std::vector<std::uint8_t>& bytes,
                  const Options& o, const Sizes& s) {
    std::vector<double> rates, wallRates;
    for (int i = 0; i < o.runs; ++i) {
        const DecodeRun run = DecodeAll(bytes, s.decodeSeconds);
        rates.push_back(run.FramesPerCpuSecond() / 1e6);
        wallRates.push_back(run.FramesPerWallSecond() / 1e6);
    }
    const double rate = Median(rates);
    const bool pass = rate * 1e6 >= kDecodeTarget;
    Print({id,
           "frames assembled + dispatched, " + std::string(what) + ": " + Grouped(rate, 1) +
               " M frames per CPU second (" + Grouped(Median(wallRates), 1) +
               " M per wall second)" + Spread(rates, 1),
           ">= 10 M frames/s", pass});
    return pass;
}

bool Decode(const Options& o, const Sizes& s) {
    const std::vector<std::uint8_t> logger = LoggerStreamReplies();
    bool pass = DecodeFigure("[1]", "logger stream", logger, o, s);
    pass = DecodeFigure("[1b]", "mixed replies", MixedReplies(), o, s) && pass;
    if (o.quick) return pass;
    const auto rates = Repeat(
        o.runs, [&] { return AssembleOnly(logger, s.decodeSeconds).FramesPerCpuSecond() / 1e6; });
    Print({"[1c]",
           "break-down: frames assembled only (no dispatch), logger stream: " +
               Grouped(Median(rates), 1) + " M frames per CPU second" + Spread(rates, 1),
           "", std::nullopt});
    return pass;
}

bool RoundTripFigure(const Options& o, const Sizes& s) {
    std::vector<double> rates, sleeps, preemptions;
    for (int i = 0; i < o.runs; ++i) {
        const RoundTripRun run = RoundTrips(s.roundTrips);
        rates.push_back(run.PerSecond());
        sleeps.push_back(double(run.guiThread.voluntary) / run.count);
        preemptions.push_back(double(run.process.involuntary) / run.count);
    }
    const double rate = Median(rates);
    const bool pass = rate >= kRoundTripTarget;
    Print({"[2]",
           "request/reply round trips over a pty (SendCommand + WaitForReply): " + Grouped(rate) +
               " /s = " + Grouped(1e6 / rate, 0) + " us each" + Spread(rates, 0),
           ">= 2,000 /s", pass});
    if (o.quick) return pass;
    Print({"[2a]",
           "break-down per round trip (11 reply bytes): conversation thread slept " +
               Grouped(Median(sleeps), 1) + " times; " + Grouped(Median(preemptions), 1) +
               " preemptions or yields of all threads",
           "", std::nullopt});
    return pass;
}

// One stream run and the ping-pong measured right before it.
struct StreamSample {
    StreamRun stream;
    double pingPong;
};

void PrintStreamSize(const StreamRun& run, std::size_t loggerBytes) {
    std::printf(
        "      logger read-out measured: %s logger bytes = %s frames (acknowledgement + "
        "%s data frames) = %s bytes on the line\n",
        Grouped(double(loggerBytes)).c_str(), Grouped(double(run.frames)).c_str(),
        Grouped(double(run.frames - 1)).c_str(), Grouped(double(run.bytes)).c_str());
}

bool StreamRatios(const std::vector<StreamSample>& samples) {
    std::vector<double> seconds, rates, perByte, pingPong, ratios;
    for (const StreamSample& s : samples) {
        seconds.push_back(s.stream.seconds);
        rates.push_back(s.stream.BytesPerSecond());
        perByte.push_back(s.stream.SecondsPerByte() * 1e6);
        pingPong.push_back(s.pingPong * 1e6);
        ratios.push_back(s.stream.SecondsPerByte() / s.pingPong);
    }
    const double multiple = Median(rates) / kLineBytesPerSecond;
    const double ratio = Median(ratios);
    Print({"[3]",
           "logger stream taken in: " + Grouped(Median(seconds), 2) + " s" + Spread(seconds, 2), "",
           std::nullopt});
    Print({"[3a]",
           "logger stream byte rate: " + Grouped(Median(rates)) + " bytes/s = " +
               Grouped(multiple, 2) + " x a 115,200-baud line (11,520 bytes/s)" + Spread(rates, 0),
           ">= 1.5 x (17,280 bytes/s)", multiple >= kLineRateTarget});
    Print({"[3b]",
           "stream time per byte / eventfd ping-pong round trip: " + Grouped(Median(perByte), 1) +
               " us / " + Grouped(Median(pingPong), 1) + " us = " + Grouped(ratio, 2) +
               Spread(ratios, 2),
           "<= 1.3", ratio <= kHandOverRatioTarget});
    return multiple >= kLineRateTarget && ratio <= kHandOverRatioTarget;
}

// A synchronous hand-over costs at least one wake-up of a sleeping thread; preemptions show
// that other work on the machine took the processor away.
void StreamSwitches(const std::vector<StreamSample>& samples) {
    std::vector<double> gui, voluntary, involuntary;
    for (const StreamSample& s : samples) {
        const double bytes = double(s.stream.bytes);
        gui.push_back(double(s.stream.guiThread.voluntary) / bytes);
        voluntary.push_back(double(s.stream.process.voluntary) / bytes);
        involuntary.push_back(double(s.stream.process.involuntary) / bytes);
    }
    Print({"[3c]",
           "break-down per byte of the stream: conversation thread slept " +
               Grouped(Median(gui), 2) + " times; all threads " + Grouped(Median(voluntary), 2) +
               " sleeps + " + Grouped(Median(involuntary), 2) + " preemptions or yields",
           "", std::nullopt});
}

// Where the time per byte goes: the same hand-over with less of the program around it.
void StreamBreakDown(const Options& o, const Sizes& s, std::size_t loggerBytes) {
    const auto posted =
        Repeat(o.runs, [&] { return PostedEventHandOverSeconds(s.handOvers) * 1e6; });
    Print({"[3d]",
           "break-down: posted event + condition variable hand-over alone: " +
               Grouped(Median(posted), 1) + " us each" + Spread(posted, 1),
           "", std::nullopt});
    const auto bare =
        Repeat(o.runs, [&] { return PortOnlyLoggerStream(loggerBytes).SecondsPerByte() * 1e6; });
    Print({"[3e]",
           "break-down: same stream through a bare CComPort (owner only counts): " +
               Grouped(Median(bare), 1) + " us per byte" + Spread(bare, 1),
           "", std::nullopt});
}

bool LoggerStream(const Options& o, const Sizes& s) {
    const std::size_t loggerBytes = sim::kLoggerCapacity;
    std::vector<StreamSample> samples;
    for (int i = 0; i < o.runs; ++i) {
        // The floor is taken right before and right after the stream: the load that other
        // programs put on the machine changes both alike only if they are measured together.
        const double before = EventfdPingPongSeconds(s.pingPongRounds / 2);
        const StreamRun stream = TakeInLoggerStream(loggerBytes);
        const double after = EventfdPingPongSeconds(s.pingPongRounds / 2);
        samples.push_back({stream, (before + after) / 2});
    }
    PrintStreamSize(samples.front().stream, loggerBytes);
    const bool pass = StreamRatios(samples);
    StreamSwitches(samples);
    if (!o.quick) StreamBreakDown(o, s, loggerBytes);
    return pass;
}

bool IdleWait(const Options& o) {
    std::vector<double> process, thread, wall, wakeUps;
    bool timedOut = true;
    for (int i = 0; i < o.runs; ++i) {
        const IdleWaitRun run = SilentReplyWait();
        process.push_back(run.processCpuSeconds * 1e3);
        thread.push_back(run.threadCpuSeconds * 1e3);
        wall.push_back(run.wallSeconds);
        wakeUps.push_back(double(run.wakeUps));
        timedOut = timedOut && run.result == 0;
    }
    const bool pass = timedOut && Median(process) < kIdleCpuTarget * 1e3;
    Print({"[4]",
           "CPU spent by a reply wait that times out: " + Grouped(Median(process), 2) +
               " ms process (" + Grouped(Median(thread), 2) +
               " ms on the waiting thread, which woke " + Grouped(Median(wakeUps)) + " times) in " +
               Grouped(Median(wall), 2) + " s" + (timedOut ? "" : ", BUT IT DID NOT TIME OUT") +
               Spread(process, 2),
           "< 5 ms", pass});
    return pass;
}

bool SilentSearch(const Options& o) {
    std::vector<double> seconds;
    bool nothingFound = true;
    ScanRun run;
    for (int i = 0; i < o.runs; ++i) {
        run = SilentScan(kScanLines);
        seconds.push_back(run.seconds);
        nothingFound = nothingFound && run.found == 0;
    }
    const bool pass = nothingFound && Median(seconds) < kScanSecondsTarget;
    Print({"[6]",
           "a search of " + std::to_string(kScanLines) + " lines x " +
               std::to_string(run.probes / kScanLines) +
               " rates with nothing attached: " + Grouped(Median(seconds), 2) + " s for " +
               std::to_string(run.probes) + " probes (reply wait at most " + Grouped(run.waitMs) +
               " ms each)" + (nothingFound ? "" : ", BUT IT FOUND A MODULE") + Spread(seconds, 2),
           "< 10 s", pass});
    return pass;
}

// Runs one figure; an exception is reported as a miss of that figure, the others still run.
bool Guarded(int figure, const std::function<bool()>& run) {
    try {
        return run();
    } catch (const std::exception& e) {
        std::string text = "FAILED: ";
        text.append(e.what());
        char id[8];
        std::snprintf(id, sizeof id, "[%d]", figure);
        Print({id, text, "", false});
        return false;
    }
}

void Usage() {
    std::puts(
        "usage: ql50_bench [--quick] [--runs N] [--only 1,2,3,4,6]\n"
        "  1 frame decode   2 round trips   3 logger stream   4 idle reply wait\n"
        "  6 a search with nothing attached");
}

// Returns false (after printing the usage) when the command line is not understood.
bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--quick") {
            o.quick = true;
            o.runs = 1;
        } else if (arg == "--runs" && hasValue) {
            o.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--only" && hasValue) {
            for (const char* c = argv[++i]; *c != '\0'; ++c) {
                if ((*c >= '1' && *c <= '4') || *c == '6') o.only.insert(*c - '0');
            }
        } else {
            Usage();
            return false;
        }
    }
    return true;
}

int Run(const Options& o) {
    const Sizes s = SizesFor(o);
    std::printf("ql50_bench: %d run(s) per figure%s\n", o.runs, o.quick ? ", quick" : "");
    bool pass = true;
    if (o.Wants(1)) pass = Guarded(1, [&] { return Decode(o, s); }) && pass;
    if (o.Wants(2)) pass = Guarded(2, [&] { return RoundTripFigure(o, s); }) && pass;
    if (o.Wants(3)) pass = Guarded(3, [&] { return LoggerStream(o, s); }) && pass;
    if (o.Wants(4)) pass = Guarded(4, [&] { return IdleWait(o); }) && pass;
    if (o.Wants(6)) pass = Guarded(6, [&] { return SilentSearch(o); }) && pass;
    std::printf("ql50_bench: %s\n", pass ? "all targets met" : "TARGET MISSED");
    return pass ? 0 : 1;
}

}  // namespace
}  // namespace ql50::bench

int main(int argc, char** argv) {
    ql50::bench::Options options;
    if (!ql50::bench::Parse(argc, argv, options)) return 2;
    // The conversation needs an application object; its thread is the "GUI" thread.
    QCoreApplication app(argc, argv);
    return ql50::bench::Run(options);
}
