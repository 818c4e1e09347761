#pragma once
// The test side of the POSIX serial channel: a pseudo-terminal standing in for the module's
// line, with the owner of port_owner.h.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "link/CComPort.h"
#include "port_owner.h"

namespace ql50::porttest {

inline std::chrono::nanoseconds ProcessCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The channel opens the slave side; the test plays the module on the master side. A slave
// descriptor of our own stays open so the line does not hang up while the channel closes and
// reopens its device, and it is switched to raw at once so nothing is echoed back.
class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        char name[256] = {};
        if (ptsname_r(master_, name, sizeof name) != 0) return;
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (slave_ < 0 || tcgetattr(slave_, &tio) != 0) return;
        cfmakeraw(&tio);
        if (tcsetattr(slave_, TCSANOW, &tio) == 0) path_ = name;
    }
    ~Pty() {
        CloseMaster();
        if (slave_ >= 0) close(slave_);
    }

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    int SlaveFd() const { return slave_; }

    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

    // The module sends: every byte, or false after `limit`.
    bool Write(const Bytes& bytes, std::chrono::milliseconds limit = kLimit) {
        const Clock::time_point deadline = Clock::now() + limit;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t wrote = write(master_, bytes.data() + done, bytes.size() - done);
            if (wrote > 0) {
                done += static_cast<std::size_t>(wrote);
            } else if (wrote < 0 && errno != EAGAIN && errno != EINTR) {
                return false;
            } else if (!AwaitReady(POLLOUT, deadline)) {
                return false;
            }
        }
        return true;
    }

    // What the channel wrote: `count` bytes, or fewer when `limit` passed first.
    Bytes Read(std::size_t count, std::chrono::milliseconds limit = kLimit) {
        const Clock::time_point deadline = Clock::now() + limit;
        Bytes got;
        while (got.size() < count && AwaitReady(POLLIN, deadline)) {
            std::uint8_t chunk[256];
            const ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - got.size()));
            if (n > 0) got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }

private:
    bool AwaitReady(short events, Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{master_, events, 0};
        return poll(&fd, 1, static_cast<int>(left.count())) > 0 && (fd.revents & events) != 0;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// A pseudo-terminal, an owner and a channel on COM 3, torn down in an order that never leaves
// the serving thread with a channel that is gone.
class PortTest : public ::testing::Test {
protected:
    static constexpr int kPortNumber = 3;

    void SetUp() override { ASSERT_TRUE(pty.Ok()); }
    ~PortTest() override {
        if (port) port->StopMonitor();
        owner.Stop();
    }

    bool OpenPort(int baudRate = 9600, char parity = 'N', int dataBits = 8, int stopBits = 1,
                  std::size_t writeBufferSize = 512) {
        return port->Open(&owner, kPortNumber, pty.Path(), baudRate, parity, dataBits, stopBits,
                          0x40F, writeBufferSize);
    }
    bool OpenAndStart() { return OpenPort() && port->StartMonitor(); }
    // The module sends `bytes`; waits until the owner holds `total` bytes in all.
    bool SendAndAwait(const Bytes& bytes, std::size_t total) {
        return pty.Write(bytes) &&
               Eventually([&] { return owner.ReceivedBytes().size() >= total; });
    }

    Pty pty;
    TestOwner owner;
    std::unique_ptr<CComPort> port = std::make_unique<CComPort>();
};

}  // namespace ql50::porttest
