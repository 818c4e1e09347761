#include "ModuleOnPty.h"

#include <stdexcept>

namespace ql50::bench {
namespace {
// A pseudo-terminal ignores the rate; this is the fastest rate the program offers.
constexpr int kBaudRate = 115200;
}  // namespace

ModuleOnPty::ModuleOnPty() {
    module_.SetLineRate(0);
    module_.SetReplyDelay(std::chrono::milliseconds(0));
    std::string error;
    if (!server_.Start(&error)) throw std::runtime_error("virtual module: " + error);
    conversation_.MapPort(1, server_.SlavePath());
    QString failure;
    if (!conversation_.EnsurePortOpen(0, kBaudRate, &failure)) {
        throw std::runtime_error(failure.toStdString());
    }
    conversation_.SetDeviceAddress(module_.Address());
}

}  // namespace ql50::bench
