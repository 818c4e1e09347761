#pragma once
// The test side of the serial channel: a pseudo-terminal standing in for the module's line,
// and an owner that serves hand-overs on a thread of its own, the way the user-interface thread
// serves them from its event queue.
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

namespace ql50::porttest {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// Every wait for something another thread does ends at this limit; none is expected to come
// near it.
constexpr std::chrono::milliseconds kLimit{10000};

// Polls `condition` until it holds or `limit` has passed; returns whether it holds.
template <class Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = kLimit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

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

// Serves each hand-over on its own thread after DeliveryReady, and records what it was given.
// Hold() keeps it from serving, like a user-interface thread that is busy elsewhere.
class TestOwner : public PortOwner {
public:
    struct Report {
        std::string text;
        bool channelClosed = false;
        std::thread::id thread;
    };

    TestOwner() : server_([this] { Serve(); }) {}
    ~TestOwner() override { Stop(); }

    void Stop() {
        Update([this] { stop_ = true; });
        if (server_.joinable()) server_.join();
    }
    void Hold() {
        Update([this] { held_ = true; });
    }
    void Release() {
        Update([this] { held_ = false; });
    }
    // Forgets notices not served yet (their channel is gone).
    void DropNotices() {
        Update([this] { queued_ = 0; });
    }
    // Runs `task` on the serving thread, the owner's thread, and waits for it: the channel
    // expects Open, StartMonitor and StopMonitor from one thread.
    void Call(std::function<void()> task) {
        std::unique_lock lock(mutex_);
        task_ = std::move(task);
        wake_.notify_all();
        wake_.wait(lock, [this] { return !task_; });
    }
    // Runs on the serving thread inside OnPortByte; set before any traffic.
    void SetByteHook(std::function<void(std::uint8_t)> hook) { hook_ = std::move(hook); }

    void DeliveryReady(CComPort& port) override {
        Update([&] { port_ = &port, ++notices_, ++queued_; });
    }
    void OnPortByte(std::uint8_t byte) override {
        Update([&] { bytes_.push_back(byte); });
        if (hook_) hook_(byte);
    }
    void OnPortError(const std::string& text, bool channelClosed) override {
        Update([&] { reports_.push_back({text, channelClosed, std::this_thread::get_id()}); });
    }

    // Reads recorded state under the lock.
    template <class Read>
    auto Locked(Read read) const {
        std::lock_guard lock(mutex_);
        return read();
    }

    Bytes ReceivedBytes() const {
        return Locked([this] { return bytes_; });
    }
    std::vector<Report> Reports() const {
        return Locked([this] { return reports_; });
    }
    std::size_t Notices() const {
        return Locked([this] { return notices_; });
    }
    std::thread::id ServingThread() const { return server_.get_id(); }
    // Every notice so far has been served.
    bool Idle() const {
        return Locked([this] { return queued_ == 0 && served_ == notices_; });
    }

private:
    // Changes the state under the lock, then wakes the serving thread.
    template <class Change>
    void Update(Change change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        wake_.notify_all();
    }
    void Serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || task_ || (queued_ > 0 && !held_); });
            if (stop_) return;
            if (task_) {
                lock.unlock();
                task_();
                lock.lock();
                task_ = nullptr;
                wake_.notify_all();
                continue;
            }
            --queued_;
            CComPort* port = port_;
            lock.unlock();
            port->ServeDelivery();
            lock.lock();
            ++served_;
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    CComPort* port_ = nullptr;
    std::size_t notices_ = 0;
    std::size_t queued_ = 0;
    std::size_t served_ = 0;
    bool held_ = false;
    bool stop_ = false;
    Bytes bytes_;
    std::vector<Report> reports_;
    std::function<void(std::uint8_t)> hook_;
    std::function<void()> task_;
    std::thread server_;
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
