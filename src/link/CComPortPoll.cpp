// The POSIX channel's monitor thread: it waits with poll() on shutdown, the port and the write
// request, reads the port and writes the queued command.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "link/CComPort.h"
#include "link/CComPortPosix.h"

namespace ql50 {

using posixport::Drain;
using posixport::SystemText;

namespace {

// Bytes taken from the driver in one read, and handed over together.
constexpr std::size_t kChunkSize = 512;
// A write that makes no progress for this long is given up (the module's reply wait then runs
// out), like the one-second write timeouts of the original serial set-up.
constexpr int kWriteTimeoutMs = 1000;

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
        servedSeq_ = handedSeq_;  // a hand-over a stop dropped is not waited for
        ::tcflush(fd_.load(), TCIOFLUSH);
    }
    frameFill_ = 0;
    sinceCommand_ = 0;
    commandsSeen_ = commands_.load();
    Drain(shutdownFd_);
    return LaunchMonitor();
}

void CComPort::MonitorThread() {
    for (;;) {
        pollfd fds[3] = {{shutdownFd_, POLLIN, 0}, {fd_.load(), POLLIN, 0}, {writeFd_, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            CloseAndReport("WaitCommEvent()", SystemText(std::strerror(errno)));
            break;
        }
        // Priority: shutdown, then the port, then the write request. The owner's turn on a
        // reply comes first, and a command it wrote meanwhile starts a frame.
        std::uint64_t handed = 0;
        {
            std::lock_guard lock(mutex_);
            idleAfterReply_ = false;
            handed = handedSeq_;
        }
        if (fds[0].revents != 0 || !AwaitServed(handed)) break;
        NoteCommand();
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
    if (got > 0) {
        auto have = static_cast<std::size_t>(got);
        // The rest of a frame is gathered while it takes on the line, a late tail once more, so
        // a reply is handed over in one piece. A failed read shows next time.
        for (int pass = 0; pass < 2 && SleepUnlessSignalled(RestOfFrameMs(frameFill_ + have));
             ++pass) {
            const ssize_t more = ::read(fd_.load(), chunk.data() + have, chunk.size() - have);
            if (more <= 0) break;
            have += static_cast<std::size_t>(more);
        }
        frameFill_ = (frameFill_ + have) % kFrameBytes;
        return HandOverChunk(chunk.data(), have);
    }
    const int error = got < 0 ? errno : 0;
    const bool lineGone = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    if (got < 0 && Retry(error) && !lineGone) return true;
    // Hang-up or device error: the port must leave the poll set now, or poll() never sleeps.
    if (got < 0 && !Retry(error))
        return CloseAndReport("ReadFile()", SystemText(std::strerror(error)));
    return CloseAndReport("ReadFile()", SystemText(got == 0 ? "hang-up" : LineGoneReason(revents)));
}

// While the monitor waits on the port after a reply it handed over, the owner writes a short
// command itself, purging the port first as the monitor would: the monitor then wakes once, with
// the reply. Under the lock. A command the driver does not take whole is left to the monitor (the
// rest of it, without another purge).
bool CComPort::WriteNowLocked() {
    const int fd = fd_.load();
    if (!idleAfterReply_ || pending_ || fd < 0 || writeLength_ == 0 || writeLength_ > kFrameBytes)
        return false;
    ::tcflush(fd, TCIOFLUSH);
    const ssize_t wrote = ::write(fd, writeBuffer_.data(), writeLength_);
    if (wrote == writeLength_) return true;
    if (wrote > 0) {
        std::copy(writeBuffer_.begin() + wrote, writeBuffer_.begin() + writeLength_,
                  writeBuffer_.begin());
        writeLength_ = static_cast<std::uint8_t>(writeLength_ - wrote);
        flushOnWrite_ = false;
    }
    return false;
}

// A command written by the owner meanwhile: its reply starts a frame.
void CComPort::NoteCommand() {
    const std::uint64_t commands = commands_.load();
    if (commands == commandsSeen_) return;
    commandsSeen_ = commands;
    frameFill_ = 0;
    sinceCommand_ = 0;
}

// Shutdown and a write request take their turn after the hand-over of what came so far.
bool CComPort::SleepUnlessSignalled(int ms) {
    if (ms <= 0) return false;
    pollfd fds[2] = {{shutdownFd_, POLLIN, 0}, {writeFd_, POLLIN, 0}};
    return ::poll(fds, 2, ms) == 0;
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
        if (flushOnWrite_) ::tcflush(fd, TCIOFLUSH);
        flushOnWrite_ = true;
        commandsSeen_ = commands_.load();
    }
    frameFill_ = 0;
    sinceCommand_ = 0;
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
        if (DeviceGone(error))
            return CloseAndReport("WriteFile()", SystemText(std::strerror(error)));
        if (error != EAGAIN && error != EWOULDBLOCK) {
            return Report("WriteFile()", SystemText(std::strerror(error)));  // the command is lost
        }
        switch (AwaitWritable(shutdownFd_, fd)) {
            case WriteWait::Writable:
                break;
            case WriteWait::Shutdown:
                return false;
            case WriteWait::TimedOut:
                return Report("WriteFile()", SystemText(std::strerror(ETIMEDOUT)));
            case WriteWait::Gone:
                return CloseAndReport("WriteFile()", SystemText("hang-up"));
        }
    }
    return true;
}

}  // namespace ql50
