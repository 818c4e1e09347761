// CPU time of the whole process, to tell a wait that blocks from one that spins.
#pragma once

#include <chrono>
#include <ctime>

namespace ql50::test {

inline std::chrono::nanoseconds ProcessCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace ql50::test
