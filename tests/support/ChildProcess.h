// A program the test starts and ends itself: its output goes to files, it is ended with the
// test (PR_SET_PDEATHSIG) and when the object goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ql50::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `args` (the program is looked up in PATH) with standard output and error appended
    // to the given files; false if it could not be started.
    bool Start(const std::vector<std::string>& args, const std::string& outFile,
               const std::string& errFile) {
        Stop();
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            // SIGTERM, so a program that runs another (timeout) hands it on.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(127);
            const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        return true;
    }
    pid_t Pid() const { return pid_; }
    void Signal(int sig) const {
        if (pid_ > 0) kill(pid_, sig);
    }
    // Waits up to `limit` for the end; its exit status, -signal when a signal ended it, or
    // nothing while it still runs.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }
    // Sends `sig` and waits for the end (SIGKILL after 20 s).
    std::optional<int> Stop(int sig = SIGTERM) {
        if (pid_ <= 0) return std::nullopt;
        Signal(sig);
        if (auto status = Wait(std::chrono::seconds(20))) return status;
        Signal(SIGKILL);
        return Wait(std::chrono::seconds(20));
    }

private:
    pid_t pid_ = -1;
};

}  // namespace ql50::test
