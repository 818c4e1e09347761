#include "ScanBench.h"

#include <deque>
#include <stdexcept>

#include "BenchReport.h"
#include "operations/Discovery.h"
#include "sim/PtyServer.h"

namespace ql50::bench {

ScanRun SilentScan(int lines) {
    std::deque<sim::VirtualModule> modules;
    std::deque<sim::PtyServer> servers;
    std::vector<std::string> paths;
    for (int i = 0; i < lines; ++i) {
        modules.emplace_back().SetSilent(true);
        std::string error;
        if (!servers.emplace_back(modules.back()).Start(&error)) throw std::runtime_error(error);
        paths.push_back(servers.back().SlavePath());
    }
    const std::vector<SerialDevice> devices = DescribeDevices(paths);
    ScanRun run;
    const Clock::time_point start = Clock::now();
    const ScanResult result = ScanPorts(devices);
    run.seconds = SecondsSince(start);
    run.probes = lines * int(kSearchRates.size());
    run.found = int(result.modules.size());
    for (int baud : kSearchRates)
        run.waitMs = std::max(run.waitMs, double(ProbeWait(baud).count()));
    return run;
}

}  // namespace ql50::bench
