// The channel's side that does not depend on the platform: the error text, the write request
// and the one-byte hand-over between the monitor thread and the owner.
#include "link/CComPort.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>

namespace ql50 {
namespace {

// The owner usually serves a hand-over within microseconds; yielding a few rounds before
// sleeping on the condition variable saves two futex calls per byte on a busy stream.
constexpr int kSpinRounds = 64;

}  // namespace

std::string CComPort::ComposeError(const std::string& operation, const std::string& systemText,
                                   int portNumber) {
    // The message box text is limited to 200 bytes with its terminator: a longer one is cut.
    char text[200];
    const int length = std::snprintf(
        text, sizeof text, "WARNING:  %s Failed with the following error: \n%s\nPort: %d\n",
        operation.c_str(), systemText.c_str(), portNumber);
    if (length < 0) return {};
    return std::string(text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
}

void CComPort::StopMonitor() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        shutdown_ = true;
    }
    served_.notify_all();  // leaves a hand-over the owner will never serve
    SignalShutdown();
    if (thread_.get_id() == std::this_thread::get_id()) return;  // it ends on its own
    thread_.join();
    std::lock_guard lock(mutex_);
    pending_.reset();
}

void CComPort::Close() {
    StopMonitor();
    std::lock_guard lock(mutex_);
    CloseDeviceLocked();
}

void CComPort::QueueWrite(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard lock(mutex_);
    const std::size_t wanted = bytes == nullptr ? 0 : static_cast<std::uint8_t>(length);
    writeLength_ = static_cast<std::uint8_t>(std::min(wanted, writeBuffer_.size()));
    std::copy_n(bytes, writeLength_, writeBuffer_.begin());
    writeRequested_ = true;
    SignalWrite();
}

void CComPort::ServeDelivery() {
    std::optional<Delivery> delivery;
    std::uint64_t sequence = 0;
    {
        std::lock_guard lock(mutex_);
        if (!pending_) return;  // a late notice: the hand-over was served or dropped already
        delivery.swap(pending_);
        sequence = handedSeq_;
    }
    if (delivery->isError) {
        delivery->owner->OnPortError(delivery->text, delivery->channelClosed);
    } else {
        delivery->owner->OnPortByte(delivery->byte);
    }
    {
        // The owner may have reopened the channel meanwhile: release only this hand-over.
        std::lock_guard lock(mutex_);
        if (servedSeq_.load() < sequence) servedSeq_ = sequence;
    }
    served_.notify_all();
}

bool CComPort::HandOverChunk(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        Delivery delivery;
        delivery.owner = owner_;
        delivery.byte = bytes[i];
        if (!HandOver(std::move(delivery))) return false;
        bool writeRequested = false;
        {
            std::lock_guard lock(mutex_);
            writeRequested = writeRequested_;
        }
        // A command is waiting: the bytes not handed over yet are stale like those the purge
        // drops from the driver, since the reply to the command comes after it.
        if (writeRequested) return WriteRequest();
    }
    return true;
}

// Hands one byte or report to the owner's thread and waits until it was handled.
// Returns false when shutdown was signalled meanwhile.
bool CComPort::HandOver(Delivery delivery) {
    PortOwner* owner = delivery.owner;
    std::uint64_t sequence = 0;
    {
        std::lock_guard lock(mutex_);
        if (shutdown_.load()) return false;
        pending_ = std::move(delivery);
        sequence = ++handedSeq_;
    }
    owner->DeliveryReady(*this);
    return AwaitServed(sequence);
}

bool CComPort::AwaitServed(std::uint64_t sequence) {
    for (int round = 0; round < kSpinRounds; ++round) {
        if (shutdown_.load()) return false;
        if (servedSeq_.load() >= sequence) return true;
        std::this_thread::yield();
    }
    std::unique_lock lock(mutex_);
    served_.wait(lock, [&] { return shutdown_.load() || servedSeq_.load() >= sequence; });
    return !shutdown_.load();
}

bool CComPort::Report(const char* operation, const std::string& systemText) {
    Delivery delivery;
    delivery.owner = owner_;
    delivery.isError = true;
    delivery.text = ComposeError(operation, systemText, portNumber_);
    return HandOver(std::move(delivery));
}

// The device is gone: close it first, so the owner sees a closed channel while it shows the
// report, then report once. The thread ends whatever the owner does.
bool CComPort::CloseAndReport(const char* operation, const std::string& systemText) {
    {
        std::lock_guard lock(mutex_);
        CloseDeviceLocked();
    }
    Delivery delivery;
    delivery.owner = owner_;
    delivery.isError = true;
    delivery.text = ComposeError(operation, systemText, portNumber_);
    delivery.channelClosed = true;
    HandOver(std::move(delivery));
    return false;
}

void CComPort::TakeOwner(PortOwner* owner, std::size_t writeBufferSize) {
    std::lock_guard lock(mutex_);
    owner_ = owner;
    // Never more than 255 bytes are copied in, whatever size was asked for.
    writeBuffer_.assign(std::min(writeBufferSize, kLongestWrite), 0);
    writeLength_ = 0;
    writeRequested_ = false;
    pending_.reset();
    ClearWriteSignal();
}

bool CComPort::LaunchMonitor() {
    threadAlive_ = true;
    try {
        thread_ = std::thread([this] { MonitorThread(); });
    } catch (const std::system_error&) {
        threadAlive_ = false;
        return false;
    }
    return true;
}

}  // namespace ql50
