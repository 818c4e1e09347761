#pragma once
// What the two halves of the POSIX channel share: its terminal set-up (CComPortTermios.cpp)
// and its monitor thread (CComPortPoll.cpp).
#include <unistd.h>

#include <cstdint>
#include <string>

namespace ql50::posixport {

// The system's reason as the system formats its messages: with a line break at the end.
inline std::string SystemText(const std::string& reason) {
    return reason + "\n";
}

inline void Signal(int fd) {
    const std::uint64_t one = 1;
    const ssize_t done = ::write(fd, &one, sizeof one);
    (void)done;  // only fails when the counter is already far from zero: still signalled
}

inline void Drain(int fd) {
    std::uint64_t count = 0;
    const ssize_t done = ::read(fd, &count, sizeof count);
    (void)done;  // EAGAIN: nothing was signalled
}

}  // namespace ql50::posixport
