#include "PingPong.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <thread>

#include "BenchReport.h"

namespace ql50::bench {
namespace {

constexpr int kWarmUpRounds = 200;

void Signal(int fd) {
    const std::uint64_t one = 1;
    if (write(fd, &one, sizeof one) != sizeof one) throw std::runtime_error("eventfd write");
}

// Blocks in read() until the other side signals.
bool AwaitSignal(int fd) {
    std::uint64_t count = 0;
    return read(fd, &count, sizeof count) == sizeof count;
}

// Both eventfds are closed on every way out.
struct EventPair {
    EventPair() : ping(eventfd(0, EFD_CLOEXEC)), pong(eventfd(0, EFD_CLOEXEC)) {
        if (ping < 0 || pong < 0) throw std::runtime_error("eventfd");
    }
    ~EventPair() {
        if (ping >= 0) close(ping);
        if (pong >= 0) close(pong);
    }
    int ping;
    int pong;
};

}  // namespace

double EventfdPingPongSeconds(int rounds) {
    EventPair fds;
    const int total = kWarmUpRounds + rounds;
    std::thread echo([&] {
        for (int i = 0; i < total && AwaitSignal(fds.ping); ++i) Signal(fds.pong);
    });
    Clock::time_point start{};
    for (int i = 0; i < total; ++i) {
        if (i == kWarmUpRounds) start = Clock::now();
        Signal(fds.ping);
        AwaitSignal(fds.pong);
    }
    const double seconds = SecondsSince(start);
    echo.join();
    return seconds / rounds;
}

}  // namespace ql50::bench
