#pragma once
// A scripted module on the far side of a pseudo-terminal: it records every request frame the
// program writes and answers through a callback chosen by the test.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/Frame.h"

namespace ql50::test {

class PtyPeer {
public:
    // Returns the bytes to send back for one request (empty: no answer).
    using Answer = std::function<std::vector<std::uint8_t>(const Frame& request)>;

    explicit PtyPeer(Answer answer) : answer_(std::move(answer)) {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) return;
        path_ = name;
        fcntl(master_, F_SETFL, O_NONBLOCK);
        stop_ = eventfd(0, EFD_CLOEXEC);
        thread_ = std::thread([this] { Run(); });
    }
    ~PtyPeer() {
        Stop();
        if (slave_ >= 0) close(slave_);
        if (stop_ >= 0) close(stop_);
    }
    const std::string& path() const { return path_; }

    std::vector<Frame> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::vector<std::uint8_t> Registers() const {
        std::vector<std::uint8_t> regs;
        for (const Frame& f : Requests()) regs.push_back(f[kPosRegister]);
        return regs;
    }
    // Sends bytes to the program unasked.
    void Send(const std::vector<std::uint8_t>& bytes) {
        std::lock_guard lock(mutex_);
        if (master_ >= 0) WriteAll(bytes);
    }
    // Closes the terminal's master side: the program sees a hang-up.
    void HangUp() {
        Stop();
        if (slave_ >= 0) close(slave_);
        slave_ = -1;
    }

private:
    void Stop() {
        if (thread_.joinable()) {
            const std::uint64_t one = 1;
            (void)!write(stop_, &one, sizeof one);
            thread_.join();
        }
        std::lock_guard lock(mutex_);
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    void WriteAll(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += std::size_t(n);
            } else {
                pollfd p{master_, POLLOUT, 0};
                poll(&p, 1, 100);
            }
        }
    }
    void Run() {
        std::vector<std::uint8_t> pending;
        for (;;) {
            pollfd fds[2] = {{stop_, POLLIN, 0}, {master_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[0].revents) return;
            std::uint8_t buf[256];
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            pending.insert(pending.end(), buf, buf + n);
            while (pending.size() >= kFrameSize) {
                Frame f;
                std::copy_n(pending.begin(), kFrameSize, f.begin());
                pending.erase(pending.begin(), pending.begin() + kFrameSize);
                std::lock_guard lock(mutex_);
                requests_.push_back(f);
                WriteAll(answer_(f));
            }
        }
    }

    Answer answer_;
    int master_ = -1, slave_ = -1, stop_ = -1;
    std::string path_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Frame> requests_;
};

// A reply frame for a request, with the given data bytes.
inline std::vector<std::uint8_t> ReplyTo(const Frame& request, DataBytes data) {
    const Frame f = BuildFrame(request[kPosAddress], request[kPosOp], request[kPosType],
                               request[kPosRegister], data);
    return {f.begin(), f.end()};
}

}  // namespace ql50::test
