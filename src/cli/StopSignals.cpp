#include "cli/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace ql50::cli {
namespace {

int stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a stop; the result does not matter.
    [[maybe_unused]] const auto written = ::write(stopPipe[1], &byte, 1);
    errno = saved;
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM}) sigaction(sig, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals() {
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // Ctrl-C then ends at once
    notifier_ = std::make_unique<QSocketNotifier>(stopPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::OnPipeReadable);
    SetHandler(OnStopSignal);
}

StopSignals::~StopSignals() {
    if (!notifier_) return;
    SetHandler(SIG_DFL);
    notifier_.reset();
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
    stopPipe[0] = stopPipe[1] = -1;
}

void StopSignals::OnPipeReadable() {
    char bytes[16];
    while (::read(stopPipe[0], bytes, sizeof bytes) > 0) {
    }
    requested_ = true;
    emit stopRequested();
}

}  // namespace ql50::cli
