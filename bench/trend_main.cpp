// ql50_bench_trend: what the trend chart costs per poll, one line per figure with its target.
//
//   ql50_bench_trend [--quick] [--runs N] [--pictures FOLDER]
//
// --pictures saves the chart of each range after the first poll into FOLDER as
// trend-range4.png (24 h) and trend-range1.png (10 min), to compare the charts of two builds, and
// checks that what the polls left on the screen, drawing only what changed, is the chart drawn
// anew.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM names another. Every figure is the
// median of its runs (default 5); the exit status is 1 when a target is missed.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchReport.h"
#include "TrendBench.h"
#include "ui/Fonts.h"

namespace ql50::bench {
namespace {

constexpr double kPollSeconds = 2.0;
constexpr double kOpenTarget = 1e-3;    // seconds of the GUI thread per poll
constexpr double kClosedTarget = 5e-6;  // seconds per poll

struct Options {
    bool quick = false;
    int runs = 5;
    QString pictures;  // folder for the charts after the first poll
};

bool Open(const char* id, const char* what, std::size_t range, const Options& o) {
    std::vector<double> ms;
    TrendRun last;
    for (int i = 0; i < o.runs; ++i) {
        const QString picture = o.pictures.isEmpty()
                                    ? QString()
                                    : QString("%1/trend-range%2.png").arg(o.pictures).arg(range);
        last = TrendWindowOpen(range, o.quick ? 10 : 40, picture);
        ms.push_back(last.cpuSecondsPerPoll * 1e3);
    }
    const double median = Median(ms);
    if (last.screenMatches) {
        Print({std::string(id) + "'",
               std::string("screen after the polls equals the chart drawn anew: ") +
                   (*last.screenMatches ? "yes" : "NO (both saved)"),
               "equal", *last.screenMatches});
    }
    Print({id,
           std::string("window open, ") + what + ": " + Grouped(median, 2) + " ms CPU per poll = " +
               Grouped(median / 10 / kPollSeconds, 2) + " % of a core at a 2-s poll (" +
               Grouped(double(last.pointsPerChannel)) + " points per channel, " +
               Grouped(double(last.pointsDrawn)) + " drawn after thinning)" + Spread(ms, 2),
           "< 1 ms", median < kOpenTarget * 1e3});
    return median < kOpenTarget * 1e3;
}

bool Closed(const Options& o) {
    std::vector<double> us;
    for (int i = 0; i < o.runs; ++i)
        us.push_back(TrendWindowClosed(o.quick ? 20000 : 100000).cpuSecondsPerPoll * 1e6);
    const double median = Median(us);
    Print({"[5c]",
           "window closed, 24 h of history: model append per poll: " + Grouped(median, 3) +
               " us CPU" + Spread(us, 3),
           "<= 5 us", median <= kClosedTarget * 1e6});
    return median <= kClosedTarget * 1e6;
}

void Thinning(const Options& o) {
    std::vector<double> ms;
    for (int i = 0; i < o.runs; ++i) ms.push_back(ThinSeconds24h(o.quick ? 5 : 20) * 1e3);
    Print({"[5d]",
           "break-down: thinning one channel's 24 h (43,200 points) to 800 columns: " +
               Grouped(Median(ms), 2) + " ms" + Spread(ms, 2),
           "", std::nullopt});
}

}  // namespace
}  // namespace ql50::bench

int main(int argc, char** argv) {
    ql50::bench::Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            o.quick = true;
            o.runs = 1;
        } else if (arg == "--runs" && i + 1 < argc) {
            o.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--pictures" && i + 1 < argc) {
            o.pictures = QString::fromLocal8Bit(argv[++i]);
            QDir().mkpath(o.pictures);
        } else {
            std::puts("usage: ql50_bench_trend [--quick] [--runs N] [--pictures FOLDER]");
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ql50::ui::InstallFontSubstitutions();
    std::printf("ql50_bench_trend: %d run(s) per figure%s\n", o.runs, o.quick ? ", quick" : "");
    bool pass = ql50::bench::Open("[5a]", "24 h range", 4, o);
    pass = ql50::bench::Open("[5b]", "10 min range of 24 h", 1, o) && pass;
    pass = ql50::bench::Closed(o) && pass;
    if (!o.quick) ql50::bench::Thinning(o);
    std::printf("ql50_bench_trend: %s\n", pass ? "all targets met" : "TARGET MISSED");
    return pass ? 0 : 1;
}
