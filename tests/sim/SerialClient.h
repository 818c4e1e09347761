#pragma once
// A plain POSIX serial client for the pseudo-terminal tests: it knows only the frame format,
// so it checks the virtual module from the outside, as the program would see it.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "link/Frame.h"

namespace ql50::sim::test {

class SerialClient {
  public:
    explicit SerialClient(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios tio{};
        if (fd_ >= 0 && tcgetattr(fd_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~SerialClient() {
        if (fd_ >= 0) close(fd_);
    }
    SerialClient(const SerialClient&) = delete;
    SerialClient& operator=(const SerialClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    bool Write(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{10};
        while (done < bytes.size()) {
            const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += std::size_t(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN) return false;
            if (!WaitFor(POLLOUT, deadline)) return false;
        }
        return true;
    }
    bool Write(const Frame& frame) {
        return Write(std::vector<std::uint8_t>(frame.begin(), frame.end()));
    }

    // Reads until `count` bytes have come or `limit` has passed; returns what came.
    std::vector<std::uint8_t> Read(std::size_t count,
                                   std::chrono::milliseconds limit = std::chrono::seconds{10}) {
        std::vector<std::uint8_t> out;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::vector<std::uint8_t> buf(4096);
        while (out.size() < count) {
            const ssize_t n = read(fd_, buf.data(), std::min(buf.size(), count - out.size()));
            if (n > 0) {
                out.insert(out.end(), buf.begin(), buf.begin() + n);
                continue;
            }
            if (n == 0 || errno != EAGAIN || !WaitFor(POLLIN, deadline)) break;
        }
        return out;
    }

    std::vector<Frame> ReadFrames(std::size_t count) {
        const std::vector<std::uint8_t> bytes = Read(count * kFrameSize);
        std::vector<Frame> frames(bytes.size() / kFrameSize);
        for (std::size_t i = 0; i < frames.size(); ++i)
            std::copy_n(bytes.begin() + long(i * kFrameSize), kFrameSize, frames[i].begin());
        return frames;
    }

    Frame Ask(const Frame& request) {
        if (!Write(request)) return Frame{};
        const std::vector<Frame> frames = ReadFrames(1);
        return frames.empty() ? Frame{} : frames.front();
    }

    // Waits for an event on the descriptor; returns the events seen (0 on timeout).
    short Poll(short events, std::chrono::milliseconds limit) {
        pollfd p{fd_, events, 0};
        return poll(&p, 1, int(limit.count())) > 0 ? p.revents : short{0};
    }

  private:
    bool WaitFor(short events, std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        return (Poll(events, left) & (events | POLLHUP | POLLERR)) != 0;
    }

    int fd_;
};

}  // namespace ql50::sim::test
