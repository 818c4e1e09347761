// ql50_bench_readout: the CPU time of a logger read-out, one line per figure with its target.
//
//   ql50_bench_readout [--records N] [--runs N] [--only abc]
//
// The virtual module (ql50-sim, a process of its own) holds N logger records (default 6553, a
// full logger); paced like a 4,800-baud line a full read-out takes about 12.5 minutes per reader.
//   a  paced: the program's receiver against a minimal reader that only assembles frames
//   b  the same unpaced
//   c  the main window reading out the paced module (offscreen)
// Every figure is the median of its runs (default 1); the exit status is 1 when a target is
// missed.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "BenchReport.h"
#include "ModuleProcess.h"
#include "ReadoutBench.h"
#include "link/Frame.h"
#include "ui/Fonts.h"

namespace ql50::bench {
namespace {

constexpr double kFloorRatioTarget = 1.5;   // the program's CPU / the minimal reader's
constexpr double kWindowShareTarget = 1.0;  // % of a core

struct Options {
    std::size_t records = 6553;
    int runs = 1;
    std::string only = "abc";
    bool Wants(char figure) const { return only.find(figure) != std::string::npos; }
};

// One read-out by `reader` from a fresh module.
ReadoutRun Fresh(const Options& o, bool paced,
                 const std::function<ReadoutRun(const std::string&)>& reader) {
    std::vector<std::string> options{"--logger-records", std::to_string(o.records)};
    options.push_back(paced ? "--baud=4800" : "--no-pacing");
    const ModuleProcess module(options);
    return reader(module.Device());
}

std::string Size(const ReadoutRun& run) {
    return Grouped(double(run.frames)) + " frames, " + Grouped(double(run.frames * kFrameSize)) +
           " bytes in " + Grouped(run.wallSeconds, 1) + " s";
}

bool AgainstFloor(const char* id, bool paced, const Options& o) {
    std::vector<double> program, floor, ratios;
    ReadoutRun last;
    for (int i = 0; i < o.runs; ++i) {
        last = Fresh(o, paced, ProgramReadout);
        const ReadoutRun minimal = Fresh(o, paced, MinimalReadout);
        program.push_back(last.cpuSeconds);
        floor.push_back(minimal.cpuSeconds);
        ratios.push_back(last.cpuSeconds / std::max(minimal.cpuSeconds, 1e-6));
    }
    const double ratio = Median(ratios);
    const std::string what = std::string(paced ? "paced at 4,800 baud" : "unpaced") + ", " +
                             Grouped(double(last.records)) + " records (" + Size(last) + "): ";
    Print({id,
           what + "program's receiver " + Grouped(Median(program) * 1e3, 1) +
               " ms CPU / minimal reader " + Grouped(Median(floor) * 1e3, 1) +
               " ms = " + Grouped(ratio, 2) + Spread(ratios, 2),
           paced ? "<= 1.5" : "",
           paced ? std::optional(ratio <= kFloorRatioTarget) : std::nullopt});
    return !paced || ratio <= kFloorRatioTarget;
}

bool Window(const Options& o) {
    std::vector<double> shares, gui;
    ReadoutRun last;
    for (int i = 0; i < o.runs; ++i) {
        last = Fresh(o, true, WindowReadout);
        shares.push_back(100 * last.cpuSeconds / last.wallSeconds);
        gui.push_back(100 * last.guiCpuSeconds / last.wallSeconds);
    }
    const double share = Median(shares);
    Print({"[7c]",
           "main window reading out at 4,800 baud, " + Grouped(double(last.records)) +
               " records (" + Size(last) + "): " + Grouped(share, 2) + " % of a core (" +
               Grouped(Median(gui), 2) + " % on the window's thread)" + Spread(shares, 2),
           "< 1 %", share < kWindowShareTarget});
    return share < kWindowShareTarget;
}

bool Guarded(const char* id, const std::function<bool()>& run) {
    try {
        return run();
    } catch (const std::exception& e) {
        Print({id, std::string("FAILED: ") + e.what(), "", false});
        return false;
    }
}

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        if (arg == "--records") {
            o.records = std::size_t(std::max(1L, std::atol(argv[++i])));
        } else if (arg == "--runs") {
            o.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--only") {
            o.only = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace
}  // namespace ql50::bench

int main(int argc, char** argv) {
    using namespace ql50::bench;
    Options o;
    if (!Parse(argc, argv, o)) {
        std::puts("usage: ql50_bench_readout [--records N] [--runs N] [--only abc]");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ql50::ui::InstallFontSubstitutions();
    std::printf("ql50_bench_readout: %zu logger records, %d run(s) per figure\n", o.records,
                o.runs);
    bool pass = true;
    if (o.Wants('a')) pass = Guarded("[7a]", [&] { return AgainstFloor("[7a]", true, o); }) && pass;
    if (o.Wants('b'))
        pass = Guarded("[7b]", [&] { return AgainstFloor("[7b]", false, o); }) && pass;
    if (o.Wants('c')) pass = Guarded("[7c]", [&] { return Window(o); }) && pass;
    std::printf("ql50_bench_readout: %s\n", pass ? "all targets met" : "TARGET MISSED");
    return pass ? 0 : 1;
}
