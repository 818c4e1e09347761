#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/ReplyQueue.h"

namespace ql50::sim {

namespace {

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// A slave in raw mode passes every byte unchanged and never echoes, even before the client
// sets its own line settings.
bool MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool OpenMaster(int* master, std::string* path, std::string* error) {
    *master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (*master < 0) return (*error = SystemError("posix_openpt")), false;
    char name[128];
    if (grantpt(*master) != 0 || unlockpt(*master) != 0 ||
        ptsname_r(*master, name, sizeof name) != 0) {
        *error = SystemError("pseudo-terminal set-up");
        return false;
    }
    const int flags = fcntl(*master, F_GETFL);
    if (flags < 0 || fcntl(*master, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = SystemError("fcntl");
        return false;
    }
    *path = name;
    return true;
}

// The rate the client has set the line to: on a Linux pseudo-terminal the master side reads
// the settings of the slave. 0 for a rate not listed here.
unsigned LineRate(int master) {
    struct Speed {
        speed_t speed;
        unsigned baud;
    };
    static constexpr Speed kSpeeds[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
        {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200},
    };
    termios tio{};
    if (tcgetattr(master, &tio) != 0) return 0;
    const speed_t speed = cfgetospeed(&tio);
    for (const Speed& s : kSpeeds)
        if (s.speed == speed) return s.baud;
    return 0;
}

}  // namespace

PtyServer::PtyServer(LineResponder& module) : module_(module) {}

PtyServer::~PtyServer() {
    Stop();
    CloseTerminal();
}

bool PtyServer::Start(std::string* error) {
    std::string ignored;
    std::string& reason = error != nullptr ? *error : ignored;
    if (master_ >= 0 || thread_.joinable()) return (reason = "already started"), false;
    if (!OpenMaster(&master_, &slavePath_, &reason)) {
        CloseTerminal();
        return false;
    }
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0 || !MakeRaw(slave_)) {
        reason = SystemError(slavePath_.c_str());
        CloseTerminal();
        return false;
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        reason = SystemError("eventfd");
        CloseTerminal();
        return false;
    }
    stopping_ = false;
    module_.SetNotifier([this] { Wake(); });
    thread_ = std::thread([this] { Run(); });
    return true;
}

void PtyServer::Stop() {
    if (!thread_.joinable()) return;
    module_.SetNotifier(nullptr);
    stopping_ = true;
    Wake();
    thread_.join();
}

void PtyServer::HangUp() {
    Stop();
    CloseTerminal();
}

void PtyServer::Wake() {
    if (wakeFd_ < 0) return;
    const std::uint64_t one = 1;
    // A full counter still wakes the thread, so a failed write needs no handling.
    [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
}

void PtyServer::CloseTerminal() {
    for (int* fd : {&master_, &slave_, &wakeFd_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void PtyServer::Run() {
    ReplyQueue queue;
    std::uint8_t buffer[4096];
    for (;;) {
        const auto now = ReplyQueue::Clock::now();
        queue.Push(module_.TakeUnsolicited(), now);
        queue.Flush(master_, module_.BytesPerSecond(), now);
        const int timeout = queue.PollTimeout(now, module_.TimeUntilUnsolicited());
        pollfd fds[2] = {{wakeFd_, POLLIN, 0},
                         {master_, short(POLLIN | (queue.Blocked() ? POLLOUT : 0)), 0}};
        if (poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] const auto drained = read(wakeFd_, &count, sizeof count);
            if (stopping_) return;
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n > 0 && module_.HearsLineRate(LineRate(master_))) {
                queue.Push(module_.Receive(buffer, std::size_t(n)),
                           ReplyQueue::Clock::now() + module_.ReplyDelay());
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return;  // the terminal is gone; polling it further would only spin
        }
    }
}

}  // namespace ql50::sim
