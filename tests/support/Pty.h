// The far side of a serial line in tests: one end of a terminal, a pseudo-terminal whose slave
// side the program opens, and scripted modules answering on such a pseudo-terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/Frame.h"
#include "support/Bytes.h"
#include "support/Wait.h"

namespace ql50::test {

// One end of a terminal line, raw and non-blocking underneath; reads and writes wait for the
// line up to a limit.
class LineEnd {
public:
    explicit LineEnd(int fd = -1) : fd_(fd) {}
    // Opens a terminal device raw, as a plain serial client would.
    explicit LineEnd(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        MakeRaw(fd_);
    }
    ~LineEnd() { Close(); }
    LineEnd(const LineEnd&) = delete;
    LineEnd& operator=(const LineEnd&) = delete;

    int Fd() const { return fd_; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    static bool MakeRaw(int fd) {
        termios tio{};
        if (fd < 0 || tcgetattr(fd, &tio) != 0) return false;
        cfmakeraw(&tio);
        return tcsetattr(fd, TCSANOW, &tio) == 0;
    }

    // Sends every byte, or false after limit or on a line that is gone.
    bool Write(const Bytes& bytes, std::chrono::milliseconds limit = kWaitLimit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t wrote = write(fd_, bytes.data() + done, bytes.size() - done);
            if (wrote > 0) {
                done += static_cast<std::size_t>(wrote);
            } else if ((wrote < 0 && errno != EAGAIN && errno != EINTR) ||
                       !Await(POLLOUT, deadline)) {
                return false;
            }
        }
        return true;
    }
    // Reads count bytes, or fewer when limit passes or the line is gone first.
    Bytes Read(std::size_t count, std::chrono::milliseconds limit = kWaitLimit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        Bytes got;
        while (got.size() < count) {
            std::uint8_t chunk[4096];
            const ssize_t n = read(fd_, chunk, std::min(sizeof chunk, count - got.size()));
            if (n > 0) {
                got.insert(got.end(), chunk, chunk + n);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR) || !Await(POLLIN, deadline)) {
                break;
            }
        }
        return got;
    }
    // The events that came within limit (0 if none).
    short Poll(short events, std::chrono::milliseconds limit) {
        pollfd fd{fd_, events, 0};
        return poll(&fd, 1, static_cast<int>(limit.count())) > 0 ? fd.revents : short{0};
    }

private:
    bool Await(short events, std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return (Poll(events, std::max(left, std::chrono::milliseconds(0))) & events) != 0;
    }

    int fd_;
};

// The program opens Path(); the test plays the module on the master side. A raw slave
// descriptor of our own stays open so the line does not hang up while the program closes and
// reopens its device, and nothing the test sends is echoed back. Closing the master side is a
// hang-up for the program.
class Pty : public LineEnd {
public:
    Pty() : LineEnd(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        const int master = Fd();
        char name[256] = {};
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0)
            return;
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (LineEnd::MakeRaw(slave_)) path_ = name;
    }
    ~Pty() {
        if (slave_ >= 0) close(slave_);
    }

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    int SlaveFd() const { return slave_; }

private:
    int slave_ = -1;
    std::string path_;
};

// A scripted module on a pseudo-terminal: a thread of its own records every request frame the
// program writes and sends back what the test's callback returns for it.
class PtyPeer {
public:
    // The bytes to send back for one request (empty: no answer).
    using Answer = std::function<Bytes(const Frame& request)>;

    explicit PtyPeer(Answer answer) : answer_(std::move(answer)) {
        if (pty_.Ok()) thread_ = std::thread([this] { Run(); });
    }
    ~PtyPeer() {
        HangUp();
        close(stop_);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& path() const { return pty_.Path(); }
    std::vector<Frame> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // Sends bytes to the program unasked.
    void Send(const Bytes& bytes) {
        std::lock_guard lock(mutex_);
        pty_.Write(bytes);
    }
    // Ends the answering and closes the master side: the program sees a hang-up.
    void HangUp() {
        if (thread_.joinable()) {
            const std::uint64_t one = 1;
            (void)!write(stop_, &one, sizeof one);
            thread_.join();
        }
        std::lock_guard lock(mutex_);
        pty_.Close();
    }

private:
    void Run() {
        Bytes pending;
        for (;;) {
            pollfd fds[2] = {{stop_, POLLIN, 0}, {pty_.Fd(), POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[0].revents != 0) return;
            const Bytes got = pty_.Read(256, std::chrono::milliseconds(0));
            pending.insert(pending.end(), got.begin(), got.end());
            for (; pending.size() >= kFrameSize;
                 pending.erase(pending.begin(), pending.begin() + kFrameSize)) {
                Frame f;
                std::copy_n(pending.begin(), kFrameSize, f.begin());
                std::lock_guard lock(mutex_);
                requests_.push_back(f);
                pty_.Write(answer_(f));
            }
        }
    }

    Answer answer_;
    Pty pty_;
    int stop_ = eventfd(0, EFD_CLOEXEC);  // written to end the thread
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Frame> requests_;
};

// A reply frame for a request, with the given data bytes.
inline Bytes ReplyTo(const Frame& request, DataBytes data) {
    return ToBytes(BuildFrame(request[kPosAddress], request[kPosOp], request[kPosType],
                              request[kPosRegister], data));
}

// The answer of a module that stays silent.
inline Bytes NoReply(const Frame&) {
    return {};
}

// A scripted module whose answers the test sets by operation and register, and may change at any
// time. It acknowledges a write (of a value or a parameter register) by echoing it unless that
// is silenced, and a parameter written is what a read of it answers then, as the module keeps
// it; anything else without an answer set gets none.
class ScriptedModule {
public:
    // Answers with a reply frame carrying these data bytes.
    void Reply(std::uint8_t op, std::uint8_t reg, DataBytes data) {
        Set(op, reg, [data](const Frame& request) { return ReplyTo(request, data); });
    }
    void Silence(std::uint8_t op, std::uint8_t reg) { Set(op, reg, nullptr); }

    PtyPeer& peer() { return peer_; }
    const std::string& path() const { return peer_.path(); }

private:
    void Set(std::uint8_t op, std::uint8_t reg, PtyPeer::Answer answer) {
        std::lock_guard lock(mutex_);
        answers_[{op, reg}] = std::move(answer);
    }
    Bytes Answer(const Frame& r) {
        std::lock_guard lock(mutex_);
        const bool write = r[kPosOp] == kWriteValue || r[kPosOp] == kWriteParam;
        const auto silenced = answers_.find({r[kPosOp], r[kPosRegister]});
        if (silenced != answers_.end() && !silenced->second) return {};
        if (write) {
            if (r[kPosOp] == kWriteParam) {
                const DataBytes kept = FrameData(r);
                answers_[{kReadParam, r[kPosRegister]}] = [kept](const Frame& request) {
                    return ReplyTo(request, kept);
                };
            }
            return ReplyTo(r, FrameData(r));
        }
        const auto found = answers_.find({r[kPosOp], r[kPosRegister]});
        return found == answers_.end() || !found->second ? Bytes{} : found->second(r);
    }

    std::mutex mutex_;
    std::map<std::pair<std::uint8_t, std::uint8_t>, PtyPeer::Answer> answers_;
    PtyPeer peer_{[this](const Frame& request) { return Answer(request); }};
};

}  // namespace ql50::test
