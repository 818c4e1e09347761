#pragma once
// The virtual module as a process of its own (ql50-sim), so that what it costs to pace and send
// the bytes does not count in the CPU time of the reader measured against it.
#include <sys/types.h>

#include <string>
#include <vector>

namespace ql50::bench {

class ModuleProcess {
public:
    // Starts ql50-sim with `options`; throws std::runtime_error when it does not come up.
    explicit ModuleProcess(const std::vector<std::string>& options);
    ~ModuleProcess();
    ModuleProcess(const ModuleProcess&) = delete;
    ModuleProcess& operator=(const ModuleProcess&) = delete;

    // The module's pseudo-terminal.
    const std::string& Device() const { return device_; }

private:
    void Stop();

    pid_t pid_ = -1;
    std::string device_;
};

}  // namespace ql50::bench
