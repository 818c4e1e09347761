#include "link/CComPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace ql50 {
namespace {

// Bytes taken from the driver in one read; they are still handed over one at a time.
constexpr std::size_t kChunkSize = 512;
// A write that makes no progress for this long is given up (the module's reply wait then runs
// out), like the one-second write timeouts of the original serial set-up.
constexpr int kWriteTimeoutMs = 1000;
// The owner usually serves a hand-over within microseconds; yielding a few rounds before
// sleeping on the condition variable saves two futex calls per byte on a busy stream.
constexpr int kSpinRounds = 64;
// QueueWrite takes its length as an unsigned 8-bit value: no request is ever longer.
constexpr std::size_t kLongestWrite = 255;

struct BaudRate {
    int rate;
    speed_t speed;
};

// The rates the terminal interface has constants for. Any other rate (config.ini can hold
// one, 1920 for example) is refused the way a driver refuses it.
constexpr BaudRate kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> SpeedFor(int rate) {
    for (const BaudRate& entry : kBaudRates) {
        if (entry.rate == rate) return entry.speed;
    }
    return std::nullopt;
}

std::optional<tcflag_t> CharacterSize(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

std::optional<tcflag_t> ParityFlags(char parity) {
    switch (parity) {
        case 'N':
        case 'n':
            return tcflag_t{0};
        case 'E':
        case 'e':
            return tcflag_t{PARENB};
        case 'O':
        case 'o':
            return tcflag_t{PARENB | PARODD};
        default:
            return std::nullopt;
    }
}

// Raw bytes in both directions, no flow control of any kind, receiver on, modem lines ignored.
// VMIN 1 / VTIME 0 together with O_NONBLOCK: a read returns what is there or EAGAIN at once,
// and 0 only when the line has hung up.
bool BuildLine(termios& tio, char parity, int dataBits, int stopBits) {
    const std::optional<tcflag_t> size = CharacterSize(dataBits);
    const std::optional<tcflag_t> parityFlags = ParityFlags(parity);
    if (!size || !parityFlags || (stopBits != 1 && stopBits != 2)) return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    tio.c_cflag |= *size | *parityFlags | CLOCAL | CREAD | (stopBits == 2 ? CSTOPB : 0);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return true;
}

// The system's reason as the system formats its messages: with a line break at the end.
std::string SystemText(const std::string& reason) {
    return reason + "\n";
}

void Signal(int fd) {
    const std::uint64_t one = 1;
    const ssize_t done = ::write(fd, &one, sizeof one);
    (void)done;  // only fails when the counter is already far from zero: still signalled
}

void Drain(int fd) {
    std::uint64_t count = 0;
    const ssize_t done = ::read(fd, &count, sizeof count);
    (void)done;  // EAGAIN: nothing was signalled
}

// Errors after which the device is gone for good: reopening is the only way on.
bool DeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EPIPE;
}

bool Retry(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// Why the port left the poll set when a read brought no error of its own.
std::string LineGoneReason(short revents) {
    if ((revents & POLLNVAL) != 0) return std::strerror(EBADF);
    if ((revents & POLLERR) != 0) return std::strerror(EIO);
    return "hang-up";
}

enum class WriteWait { Writable, Shutdown, TimedOut, Gone };

WriteWait AwaitWritable(int shutdownFd, int fd) {
    pollfd fds[2] = {{shutdownFd, POLLIN, 0}, {fd, POLLOUT, 0}};
    const int ready = ::poll(fds, 2, kWriteTimeoutMs);
    if (ready < 0) return errno == EINTR ? WriteWait::Writable : WriteWait::Gone;
    if (ready == 0) return WriteWait::TimedOut;
    if (fds[0].revents != 0) return WriteWait::Shutdown;
    if ((fds[1].revents & POLLOUT) != 0) return WriteWait::Writable;
    return WriteWait::Gone;
}

}  // namespace

CComPort::CComPort() = default;

CComPort::~CComPort() {
    StopMonitor();
    Close();
    if (shutdownFd_ >= 0) ::close(shutdownFd_);
    if (writeFd_ >= 0) ::close(writeFd_);
}

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

bool CComPort::CreateSignals() {
    if (shutdownFd_ < 0) shutdownFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (writeFd_ < 0) writeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return shutdownFd_ >= 0 && writeFd_ >= 0;
}

bool CComPort::Open(PortOwner* owner, int portNumber, const std::string& device, int baudRate,
                    char parity, int dataBits, int stopBits, std::uint32_t /*eventMask*/,
                    std::size_t writeBufferSize) {
    StopMonitor();
    Close();
    portNumber_ = portNumber;
    if (owner == nullptr || !CreateSignals()) {
        openError_ = std::strerror(owner == nullptr ? EINVAL : errno);
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        owner_ = owner;
        // Never more than 255 bytes are copied in, whatever size was asked for.
        writeBuffer_.assign(std::min(writeBufferSize, kLongestWrite), 0);
        writeLength_ = 0;
        writeRequested_ = false;
        pending_.reset();
        Drain(writeFd_);
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openError_ = std::strerror(errno);
        return false;
    }
    fd_ = fd;
    openError_.clear();
    ApplyLineSettings(fd, baudRate, parity, dataBits, stopBits);
    std::lock_guard lock(mutex_);
    ::tcflush(fd, TCIOFLUSH);
    return true;
}

// Reads the line settings, builds the new ones and writes them back; the first step that
// fails is reported to the owner and the rest is skipped: Open still succeeds.
void CComPort::ApplyLineSettings(int fd, int baudRate, char parity, int dataBits, int stopBits) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return ReportNow("GetCommState()", errno);
    if (!BuildLine(tio, parity, dataBits, stopBits)) return ReportNow("BuildCommDCB()", EINVAL);
    // A rate the driver has no constant for is refused, but the rest is still written at the
    // speed the line has: a terminal left in its cooked default would hold bytes back until a
    // line end and echo them to the module, and the channel is meant to keep working.
    const std::optional<speed_t> speed = SpeedFor(baudRate);
    const bool speedSet =
        speed && ::cfsetispeed(&tio, *speed) == 0 && ::cfsetospeed(&tio, *speed) == 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return ReportNow("SetCommState()", errno);
    if (!speedSet) return ReportNow("SetCommState()", EINVAL);
    // RTS off, as the module's line expects; a pseudo-terminal has no modem lines.
    int rts = TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &rts) != 0 && errno != ENOTTY && errno != EINVAL) {
        ReportNow("SetCommState()", errno);
    }
}

// A configuration failure, reported synchronously on the caller's (the owner's) thread.
void CComPort::ReportNow(const char* operation, int error) {
    const std::string reason = std::strerror(error);
    owner_->OnPortError(ComposeError(operation, SystemText(reason), portNumber_), false);
}

bool CComPort::StartMonitor() {
    if (thread_.joinable()) {
        if (threadAlive_.load()) return false;
        thread_.join();  // it ended by itself after the device went away
    }
    if (fd_.load() < 0 || owner_ == nullptr) return false;
    {
        std::lock_guard lock(mutex_);
        shutdown_ = false;
        pending_.reset();
        ::tcflush(fd_.load(), TCIOFLUSH);
    }
    Drain(shutdownFd_);
    threadAlive_ = true;
    try {
        thread_ = std::thread([this] { MonitorThread(); });
    } catch (const std::system_error&) {
        threadAlive_ = false;
        return false;
    }
    return true;
}

void CComPort::StopMonitor() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        shutdown_ = true;
    }
    served_.notify_all();  // leaves a hand-over the owner will never serve
    Signal(shutdownFd_);   // leaves poll()
    if (thread_.get_id() == std::this_thread::get_id()) return;  // it ends on its own
    thread_.join();
    std::lock_guard lock(mutex_);
    pending_.reset();
}

void CComPort::Close() {
    StopMonitor();
    std::lock_guard lock(mutex_);
    const int fd = fd_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

void CComPort::QueueWrite(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard lock(mutex_);
    const std::size_t wanted = bytes == nullptr ? 0 : static_cast<std::uint8_t>(length);
    writeLength_ = static_cast<std::uint8_t>(std::min(wanted, writeBuffer_.size()));
    std::copy_n(bytes, writeLength_, writeBuffer_.begin());
    writeRequested_ = true;
    // Signalled under the lock: the monitor drains the signal where it takes the request, so
    // one request is never written twice.
    if (writeFd_ >= 0) Signal(writeFd_);
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

// ---- monitor thread ----

void CComPort::MonitorThread() {
    for (;;) {
        pollfd fds[3] = {{shutdownFd_, POLLIN, 0}, {fd_.load(), POLLIN, 0}, {writeFd_, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            CloseAndReport("WaitCommEvent()", std::strerror(errno));
            break;
        }
        // Priority: shutdown, then the port, then the write request.
        if (fds[0].revents != 0) break;
        if (fds[1].revents != 0) {
            if (!ServicePort(fds[1].revents)) break;
            continue;
        }
        if (fds[2].revents != 0 && !WriteRequest()) break;
    }
    threadAlive_ = false;
}

// Returns false when the thread has to end (shutdown, or the device is gone).
bool CComPort::ServicePort(short revents) {
    std::array<std::uint8_t, kChunkSize> chunk{};
    const ssize_t got = ::read(fd_.load(), chunk.data(), chunk.size());
    if (got > 0) return HandOverChunk(chunk.data(), static_cast<std::size_t>(got));
    const int error = got < 0 ? errno : 0;
    const bool lineGone = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    if (got < 0 && Retry(error) && !lineGone) return true;
    // Hang-up or device error: the port must leave the poll set now, or poll() never sleeps.
    if (got < 0 && !Retry(error)) return CloseAndReport("ReadFile()", std::strerror(error));
    return CloseAndReport("ReadFile()", got == 0 ? "hang-up" : LineGoneReason(revents));
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

bool CComPort::WriteRequest() {
    std::array<std::uint8_t, kLongestWrite> frame{};
    std::size_t length = 0;
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        writeRequested_ = false;
        Drain(writeFd_);
        length = writeLength_;
        std::copy_n(writeBuffer_.begin(), length, frame.begin());
        fd = fd_.load();
        ::tcflush(fd, TCIOFLUSH);
    }
    return WriteAll(fd, frame.data(), length);
}

bool CComPort::WriteAll(int fd, const std::uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t wrote = ::write(fd, bytes + done, count - done);
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
            continue;
        }
        const int error = wrote < 0 ? errno : EIO;
        if (error == EINTR) continue;
        if (DeviceGone(error)) return CloseAndReport("WriteFile()", std::strerror(error));
        if (error != EAGAIN && error != EWOULDBLOCK) {
            return Report("WriteFile()", std::strerror(error));  // the command is lost
        }
        switch (AwaitWritable(shutdownFd_, fd)) {
            case WriteWait::Writable:
                break;
            case WriteWait::Shutdown:
                return false;
            case WriteWait::TimedOut:
                return Report("WriteFile()", std::strerror(ETIMEDOUT));
            case WriteWait::Gone:
                return CloseAndReport("WriteFile()", "hang-up");
        }
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

bool CComPort::Report(const char* operation, const std::string& reason) {
    Delivery delivery;
    delivery.owner = owner_;
    delivery.isError = true;
    delivery.text = ComposeError(operation, SystemText(reason), portNumber_);
    return HandOver(std::move(delivery));
}

// The device is gone: close it first, so the owner sees a closed channel while it shows the
// report, then report once. The thread ends whatever the owner does.
bool CComPort::CloseAndReport(const char* operation, const std::string& reason) {
    {
        std::lock_guard lock(mutex_);
        const int fd = fd_.exchange(-1);
        if (fd >= 0) ::close(fd);
    }
    Delivery delivery;
    delivery.owner = owner_;
    delivery.isError = true;
    delivery.text = ComposeError(operation, SystemText(reason), portNumber_);
    delivery.channelClosed = true;
    HandOver(std::move(delivery));
    return false;
}

}  // namespace ql50
