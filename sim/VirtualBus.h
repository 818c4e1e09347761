#pragma once
// Several virtual modules on one line, each at its own bus address with its own type, values,
// clock and data logger (ql50-sim --bus 1:7,2:0,5:3). A request goes to the module whose
// address it names; a request to an address no module has goes unanswered, as on a real bus.
//
// Address 0 means "whichever module is there". A bus of one module answers it as that module
// alone would. On a bus of several, every module acts on it (a clock write sets every clock),
// but none answers: the answers would collide on the shared line. Front ends therefore give
// each module on a shared line its own address.
//
// The line belongs to the bus: its reply delay and line-rate pacing apply to every answer; the
// modules' own pacing is switched off. The modules' other faults stay theirs.
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "sim/LineResponder.h"
#include "sim/RequestAssembler.h"
#include "sim/VirtualModule.h"

namespace ql50::sim {

// One module of a bus: its address (1 to 31) and measurement type (0 to 7).
struct BusSlot {
    std::uint8_t address = 1;
    int type = kTypeOxygen;
};

class VirtualBus : public LineResponder {
public:
    explicit VirtualBus(const std::vector<BusSlot>& onLine, TimeSource source = SystemTime);

    // The module at `address` (its own address as it holds it now), or nullptr.
    VirtualModule* At(std::uint8_t address);
    const std::vector<std::unique_ptr<VirtualModule>>& Modules() const { return modules_; }

    void SetLineRate(unsigned baud);
    void SetReplyDelay(std::chrono::milliseconds delay);
    // The modules' rate when they ignore requests at another (0: they hear every rate).
    void SetStrictRate(unsigned baud);

    std::vector<std::uint8_t> Receive(const std::uint8_t* data, std::size_t size) override;
    std::vector<std::uint8_t> TakeUnsolicited() override;
    std::optional<std::chrono::milliseconds> TimeUntilUnsolicited() const override;
    void SetNotifier(std::function<void()> notifier) override;
    std::chrono::milliseconds ReplyDelay() const override;
    unsigned BytesPerSecond() const override;
    bool HearsLineRate(unsigned lineBaud) const override;

private:
    void Route(const Frame& request, std::vector<std::uint8_t>& out);

    std::vector<std::unique_ptr<VirtualModule>> modules_;
    mutable std::mutex mutex_;
    RequestAssembler assembler_;
    Faults line_;  // only its reply delay, pacing and strict rate are used
};

}  // namespace ql50::sim
