// ql50_bench_acquire: the acquisition service ql50d under load, one line per figure.
//
//   ql50_bench_acquire [--seconds N]     (default 60 per pass)
//
// 32 virtual modules, 4 lines of 8 bus addresses, each module at a 2 s period, publishing to a
// mosquitto broker on loopback; ql50d runs as its own process. Two passes: the virtual modules
// unpaced, then paced like a 4,800-baud line. Figures: ql50d's CPU time as a share of one core,
// the store's growth per module and day, and the 99th percentile of the time from a completed
// poll to the broker's acknowledgement (ql50d measures it and reports it when it stops). First,
// the time of one poll cycle at 4,800 baud, which says how many modules fit on a line.
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "BenchReport.h"
#include "operations/LiveOps.h"
#include "operations/Session.h"
#include "sim/PtyServer.h"
#include "sim/VirtualBus.h"
#include "store/Store.h"
#include "support/Broker.h"
#include "support/ChildProcess.h"
#include "support/Files.h"

namespace ql50::bench {
namespace {

constexpr int kLines = 4;
constexpr int kPerLine = 8;
constexpr int kPeriodSeconds = 2;
constexpr double kCpuTarget = 2.0;       // % of one core, at the real line rate
constexpr double kLatencyTarget = 50.0;  // ms, p99 from a completed poll to the acknowledgement
constexpr unsigned kBaud = 4800;

// One poll cycle (six requests and replies) of a module paced at `baud`, in seconds.
double PollCycleSeconds(unsigned baud, int cycles) {
    sim::VirtualModule module;
    module.SetLineRate(baud);
    sim::PtyServer server(module);
    std::string error;
    Session session;
    if (!server.Start(&error)) return 0;
    session.MapPort(1, server.SlavePath());
    if (session.Open(0, int(baud)) != Outcome::Done) return 0;
    session.SetAddress(1);
    ReadLiveCycle(session);  // the line settles
    const auto start = Clock::now();
    for (int i = 0; i < cycles; ++i)
        if (ReadLiveCycle(session) != Outcome::Done) return 0;
    return SecondsSince(start) / cycles;
}

// CPU seconds (user and system) of a process so far, from /proc.
double CpuSecondsOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / double(sysconf(_SC_CLK_TCK));
}

struct Pass {
    double cpuPercent = 0;
    double bytesPerModuleDay = 0;
    double p99 = 0, p50 = 0;
    long long readings = 0, expected = 0;
};

Pass Run(unsigned baud, int seconds) {
    Pass pass;
    test::TempDir dir;
    test::Broker broker(dir.Path(), seconds + 120);
    if (!broker.Start()) {
        std::fprintf(stderr, "mosquitto did not start\n");
        return pass;
    }
    std::vector<std::unique_ptr<sim::VirtualBus>> buses;
    std::vector<std::unique_ptr<sim::PtyServer>> servers;
    std::string config = "[store]\npath = " + dir.File("readings.db") +
                         "\n[mqtt]\nhost = 127.0.0.1\nport = " + std::to_string(broker.Port()) +
                         "\nprefix = bench\n";
    for (int line = 0; line < kLines; ++line) {
        std::vector<sim::BusSlot> onLine;
        for (int a = 1; a <= kPerLine; ++a) onLine.push_back({std::uint8_t(a), (line + a) % 8});
        buses.push_back(std::make_unique<sim::VirtualBus>(onLine));
        buses.back()->SetLineRate(baud);
        servers.push_back(std::make_unique<sim::PtyServer>(*buses.back()));
        std::string error;
        if (!servers.back()->Start(&error)) return pass;
        for (int a = 1; a <= kPerLine; ++a)
            config += "[module l" + std::to_string(line) + "m" + std::to_string(a) +
                      "]\nport = " + servers.back()->SlavePath() +
                      "\naddress = " + std::to_string(a) +
                      "\nbaud = 4800\nperiod = " + std::to_string(kPeriodSeconds) + "\n";
    }
    test::Spit(dir.File("ql50d.conf"), config);
    test::ChildProcess service;
    const auto launched = Clock::now();
    service.Start({QL50D_EXE, "--config", dir.File("ql50d.conf")}, dir.File("out"),
                  dir.File("err"));
    // Start-up (every module's type) is not what the figure is about.
    std::this_thread::sleep_for(std::chrono::seconds(2 * kPeriodSeconds));
    const double cpu0 = CpuSecondsOf(service.Pid());
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    pass.cpuPercent = (CpuSecondsOf(service.Pid()) - cpu0) / SecondsSince(start) * 100.0;
    service.Stop(SIGTERM);
    const double ran = SecondsSince(launched);
    const std::string err = test::Slurp(dir.File("err"));
    std::smatch m;
    if (std::regex_search(err, m, std::regex(R"(p50 ([\d.]+) ms, p99 ([\d.]+) ms)"))) {
        pass.p50 = std::stod(m[1]);
        pass.p99 = std::stod(m[2]);
    } else {
        std::fprintf(stderr, "%s", err.c_str());
    }
    store::Store store;
    if (store.Open(dir.File("readings.db"), true))
        for (const std::string& module : store.Modules())
            pass.readings += store.State(module).lastSeq;
    store.Close();
    pass.expected = (long long)(kLines * kPerLine * ran / kPeriodSeconds);
    // Less what an empty store takes.
    if (!store.Open(dir.File("empty.db"))) return pass;
    store.Close();
    const double size = double(std::filesystem::file_size(dir.File("readings.db"))) -
                        double(std::filesystem::file_size(dir.File("empty.db")));
    pass.bytesPerModuleDay =
        pass.readings > 0 ? size / double(pass.readings) * 86400.0 / kPeriodSeconds : 0;
    return pass;
}

void Report(const char* id, const char* what, const Pass& p, bool paced) {
    Print({std::string("[") + id + "a]",
           std::string("ql50d CPU, 32 modules ") + what + ": " + Grouped(p.cpuPercent, 2) +
               " % of a core",
           paced ? "< 2 %" : "",
           paced ? std::optional<bool>(p.cpuPercent < kCpuTarget) : std::nullopt});
    Print({std::string("[") + id + "b]",
           "poll to broker acknowledgement, " + std::string(what) + ": p99 " + Grouped(p.p99, 1) +
               " ms (p50 " + Grouped(p.p50, 1) + " ms)",
           "< 50 ms", p.p99 < kLatencyTarget});
    Print({std::string("[") + id + "c]",
           std::string("store growth, ") + what + ": " + Grouped(p.bytesPerModuleDay / 1e6, 2) +
               " MB per module-day (" + Grouped(double(p.readings)) + " readings of " +
               Grouped(double(p.expected)) + " due)",
           "", std::nullopt});
}

}  // namespace
}  // namespace ql50::bench

int main(int argc, char** argv) {
    using namespace ql50::bench;
    int seconds = 60;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--seconds") seconds = std::max(10, std::atoi(argv[i + 1]));
    QCoreApplication app(argc, argv);
    const double cycle = PollCycleSeconds(kBaud, 10);
    Print({"[A0]",
           "one poll cycle at 4,800 baud: " + Grouped(cycle * 1000, 0) + " ms, so " +
               Grouped(cycle > 0 ? std::floor(kPeriodSeconds / cycle) : 0) +
               " modules fit on a line at a 2 s period",
           "", std::nullopt});
    const Pass unpaced = Run(0, seconds);
    Report("A1", "unpaced", unpaced, false);
    const Pass paced = Run(kBaud, seconds);
    Report("A2", "at 4,800 baud", paced, true);
    return paced.cpuPercent < kCpuTarget && paced.p99 < kLatencyTarget &&
                   unpaced.p99 < kLatencyTarget
               ? 0
               : 1;
}
