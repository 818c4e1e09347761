#include "sim/VirtualBus.h"

namespace ql50::sim {

VirtualBus::VirtualBus(const std::vector<BusSlot>& onLine, TimeSource source) {
    for (const BusSlot& slot : onLine) {
        auto module = std::make_unique<VirtualModule>(source);
        module->SetType(slot.type);
        module->SetAddress(slot.address);
        module->SetLineRate(0);
        modules_.push_back(std::move(module));
    }
}

VirtualModule* VirtualBus::At(std::uint8_t address) {
    for (const auto& module : modules_)
        if (module->Address() == address) return module.get();
    return nullptr;
}

std::vector<std::uint8_t> VirtualBus::Receive(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> out;
    Frame request;
    for (std::size_t i = 0; data != nullptr && i < size; ++i)
        if (assembler_.Push(data[i], &request)) Route(request, out);
    return out;
}

void VirtualBus::Route(const Frame& request, std::vector<std::uint8_t>& out) {
    const std::uint8_t address = request[kPosAddress];
    if (address == 0 && modules_.size() > 1) {
        for (const auto& module : modules_) module->Receive(request.data(), request.size());
        return;
    }
    for (const auto& module : modules_) {
        if (address != 0 && module->Address() != address) continue;
        const std::vector<std::uint8_t> reply = module->Receive(request.data(), request.size());
        out.insert(out.end(), reply.begin(), reply.end());
        return;
    }
}

std::vector<std::uint8_t> VirtualBus::TakeUnsolicited() {
    std::vector<std::uint8_t> out;
    for (const auto& module : modules_) {
        const std::vector<std::uint8_t> bytes = module->TakeUnsolicited();
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::optional<std::chrono::milliseconds> VirtualBus::TimeUntilUnsolicited() const {
    std::optional<std::chrono::milliseconds> soonest;
    for (const auto& module : modules_)
        if (const auto due = module->TimeUntilUnsolicited(); due && (!soonest || *due < *soonest))
            soonest = due;
    return soonest;
}

void VirtualBus::SetNotifier(std::function<void()> notifier) {
    for (const auto& module : modules_) module->SetNotifier(notifier);
}

void VirtualBus::SetLineRate(unsigned baud) {
    std::lock_guard lock(mutex_);
    line_.SetLineRate(baud);
}

void VirtualBus::SetReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    line_.replyDelay = std::max(delay, std::chrono::milliseconds{0});
}

void VirtualBus::SetStrictRate(unsigned baud) {
    std::lock_guard lock(mutex_);
    line_.strictRate = baud;
}

bool VirtualBus::HearsLineRate(unsigned lineBaud) const {
    std::lock_guard lock(mutex_);
    return line_.strictRate == 0 || line_.strictRate == lineBaud;
}

std::chrono::milliseconds VirtualBus::ReplyDelay() const {
    std::lock_guard lock(mutex_);
    return line_.replyDelay;
}

unsigned VirtualBus::BytesPerSecond() const {
    std::lock_guard lock(mutex_);
    return line_.bytesPerSecond;
}

}  // namespace ql50::sim
