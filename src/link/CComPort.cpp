// The channel's side that does not depend on the platform: the error text, the write request
// and the hand-over between the monitor thread and the owner.
#include "link/CComPort.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>

namespace ql50 {
namespace {

#ifdef _WIN32
constexpr bool kOwnerWrites = false;
#else
constexpr bool kOwnerWrites = true;
#endif

// The longest wait of the monitor for more bytes, whatever rate the line was given (a frame
// takes 92 ms at 1,200 baud).
constexpr std::chrono::milliseconds kLongestWait{100};

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
        idleAfterReply_ = false;
        ++stops_;
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
    ++commands_;
    flushOnWrite_ = true;
    if (WriteNowLocked()) return;
    writeRequested_ = true;
    // While the owner takes a hand-over the monitor waits for it to end: the signal goes with it.
    if (!serving_) SignalWrite();
}

void CComPort::ServeDelivery() {
    std::optional<Delivery> delivery;
    std::uint64_t sequence = 0;
    std::uint64_t stops = 0;
    std::uint64_t commands = 0;
    {
        std::lock_guard lock(mutex_);
        if (!pending_) return;  // a late notice: the hand-over was served or dropped already
        delivery.swap(pending_);
        sequence = handedSeq_;
        stops = stops_;
        commands = commands_;
        serving_ = true;
    }
    if (delivery->isError) {
        delivery->owner->OnPortError(delivery->text, delivery->channelClosed);
    } else {
        DeliverBytes(*delivery, stops, commands);
    }
    {
        // The owner may have reopened the channel meanwhile: release only this hand-over.
        std::lock_guard lock(mutex_);
        servedSeq_ = std::max(servedSeq_, sequence);
        serving_ = false;
        // One wake-up for the end of the hand-over and the command it brought, when the monitor
        // rests meanwhile.
        if (writeRequested_) SignalWrite();
    }
    served_.notify_all();
}

void CComPort::DeliverBytes(const Delivery& delivery, std::uint64_t stops, std::uint64_t commands) {
    for (const std::uint8_t byte : delivery.bytes) {
        delivery.owner->OnPortByte(byte);
        if (!ChunkGoesOn(stops, commands)) return;
    }
}

// A command queued meanwhile (a reply handler sends the next request of a chain) makes the rest
// of the hand-over stale like the bytes its purge drops from the driver: the reply to the command
// comes after it. A stop drops the rest as well.
bool CComPort::ChunkGoesOn(std::uint64_t stops, std::uint64_t commands) const {
    return !writeRequested_.load() && commands_.load() == commands && stops_.load() == stops;
}

bool CComPort::HandOverChunk(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) return true;
    Delivery delivery;
    delivery.owner = owner_;
    delivery.bytes.assign(bytes, bytes + count);
    sinceCommand_ += count;
    // A whole reply to a command: the monitor goes back to the port at once, and the owner may
    // write the next command itself meanwhile (WriteNowLocked). Its turn on the reply ends
    // before the monitor reads or writes again.
    const bool reply = kOwnerWrites && sinceCommand_ == kFrameBytes && frameFill_ == 0;
    const std::uint64_t sequence = Post(std::move(delivery), reply);
    if (sequence == 0) return false;
    if (reply) return true;
    // The line rests while the owner takes the bytes: a command it queues ends the rest, so a
    // reply costs the monitor one wake-up, not one for the hand-over and one for the command.
    SleepUnlessSignalled(RestMs(count));
    if (!AwaitServed(sequence)) return false;
    bool writeRequested = false;
    {
        std::lock_guard lock(mutex_);
        writeRequested = writeRequested_;
    }
    // The command goes out before the port is looked at again: what came meanwhile is stale.
    return writeRequested ? WriteRequest() : true;
}

// Hands the bytes of one read or a report to the owner's thread and sleeps until it was handled.
// Returns false when shutdown was signalled meanwhile.
bool CComPort::HandOver(Delivery delivery) {
    const std::uint64_t sequence = Post(std::move(delivery), false);
    return sequence != 0 && AwaitServed(sequence);
}

// Leaves a delivery for the owner's thread; its sequence number, 0 after shutdown.
std::uint64_t CComPort::Post(Delivery delivery, bool reply) {
    PortOwner* owner = delivery.owner;
    std::uint64_t sequence = 0;
    {
        std::lock_guard lock(mutex_);
        if (shutdown_.load()) return 0;
        pending_ = std::move(delivery);
        sequence = ++handedSeq_;
        idleAfterReply_ = reply;
    }
    owner->DeliveryReady(*this);
    return sequence;
}

bool CComPort::AwaitServed(std::uint64_t sequence) {
    std::unique_lock lock(mutex_);
    served_.wait(lock, [&] { return shutdown_.load() || servedSeq_ >= sequence; });
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
    idleAfterReply_ = false;
    flushOnWrite_ = true;
    pending_.reset();
    ClearWriteSignal();
}

void CComPort::TakeLineRate(int baudRate, char parity, int dataBits, int stopBits) {
    // A start bit, the data bits, a parity bit unless none, the stop bits.
    const int bits = 1 + dataBits + (parity == 'N' || parity == 'n' ? 0 : 1) + stopBits;
    byteTime_ = baudRate > 0 && bits > 1
                    ? std::chrono::nanoseconds(1'000'000'000LL * bits / baudRate)
                    : std::chrono::nanoseconds(0);
}

int CComPort::RestOfFrameMs(std::size_t have) const {
    return have < kFrameBytes ? LineMs(kFrameBytes - have) : 0;
}

// No rest while a frame is under way: its tail would wait out the rest, which a write request
// does not end because nobody has seen the frame yet to answer it.
int CComPort::RestMs(std::size_t count) const {
    constexpr std::size_t kRestBytes = kRestFrames * kFrameBytes;
    return frameFill_ == 0 && count < 2 * kRestBytes ? LineMs(kRestBytes) : 0;
}

// The time `bytes` take on the line, rounded up to whole milliseconds.
int CComPort::LineMs(std::size_t bytes) const {
    const auto time =
        std::chrono::ceil<std::chrono::milliseconds>(byteTime_ * static_cast<long long>(bytes));
    return static_cast<int>(std::min(time, kLongestWait).count());
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
