#include "RoundTripBench.h"

#include <stdexcept>

#include "BenchReport.h"
#include "ModuleOnPty.h"

namespace ql50::bench {
namespace {

constexpr int kWarmUp = 50;
void RoundTrip(CConversation& conversation) {
    // Calibration value 1: a parameter read the calibration repeats many times.
    if (!conversation.Ask(req::ReadCal(1))) {
        throw std::runtime_error("round trip: the virtual module's reply did not arrive");
    }
}

}  // namespace

RoundTripRun RoundTrips(int count) {
    ModuleOnPty rig;
    for (int i = 0; i < kWarmUp; ++i) RoundTrip(rig.conversation());
    RoundTripRun run;
    run.count = count;
    const Switches gui = ThreadSwitches();
    const Switches all = ProcessSwitches();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) RoundTrip(rig.conversation());
    run.seconds = SecondsSince(start);
    run.guiThread = ThreadSwitches() - gui;
    run.process = ProcessSwitches() - all;
    return run;
}

}  // namespace ql50::bench
