#include "RoundTripBench.h"

#include <stdexcept>

#include "BenchReport.h"
#include "ModuleOnPty.h"

namespace ql50::bench {
namespace {

constexpr int kWarmUp = 50;
// Calibration value 1: a parameter read the calibration dialogs repeat many times.
constexpr std::uint8_t kRegister = 32;

void RoundTrip(CConversation& conversation) {
    conversation.SendCommand(conversation.deviceAddress, kReadParam, 4, kRegister);
    if (conversation.WaitForReply() != 1) {
        throw std::runtime_error("round trip: the virtual module's reply did not arrive");
    }
}

}  // namespace

double RoundTripsPerSecond(int count) {
    ModuleOnPty rig;
    for (int i = 0; i < kWarmUp; ++i) RoundTrip(rig.conversation());
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) RoundTrip(rig.conversation());
    return count / SecondsSince(start);
}

}  // namespace ql50::bench
