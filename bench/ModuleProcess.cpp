#include "ModuleProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

extern char** environ;

namespace ql50::bench {

ModuleProcess::ModuleProcess(const std::vector<std::string>& options) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("ql50-sim: no pipe");
    std::vector<std::string> args{QL50_SIM_PATH};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // Its first line is the terminal's path.
    std::FILE* lines = fdopen(out[0], "r");
    char path[256] = {};
    const bool named = failed == 0 && lines != nullptr && std::fgets(path, sizeof path, lines);
    if (lines != nullptr) std::fclose(lines);
    device_ = path;
    if (!device_.empty() && device_.back() == '\n') device_.pop_back();
    if (!named || device_.empty()) {
        Stop();
        throw std::runtime_error(std::string("cannot start ") + QL50_SIM_PATH);
    }
}

ModuleProcess::~ModuleProcess() {
    Stop();
}

void ModuleProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace ql50::bench
