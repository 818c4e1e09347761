// The ql50-sim program: its options, and one run as a separate process queried over its
// pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include "SerialClient.h"
#include "SimTestSupport.h"
#include "sim/SimOptions.h"

extern char** environ;

namespace ql50::sim::test {
namespace {

TEST(SimOptions, ParsesEveryOption) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions(
        {"--type", "3", "--address=5", "--baud", "9600", "--no-pacing", "--delay", "250",
         "--silent", "--silent-register", "2:28", "--silent-register=0:54", "--bad-checksum",
         "--stray-byte", "--watchdog-every", "30", "--logger-records", "6553"},
        &o, &error))
        << error;
    EXPECT_EQ(o.type, 3);
    EXPECT_EQ(o.address, 5);
    EXPECT_EQ(o.baud, 9600u);
    EXPECT_FALSE(o.pacing);
    EXPECT_EQ(o.delayMs, 250u);
    EXPECT_TRUE(o.silent);
    ASSERT_EQ(o.silentRegisters.size(), 2u);
    EXPECT_EQ(o.silentRegisters[0], (std::pair<std::uint8_t, std::uint8_t>{2, 28}));
    EXPECT_EQ(o.silentRegisters[1], (std::pair<std::uint8_t, std::uint8_t>{0, 54}));
    EXPECT_TRUE(o.badChecksum);
    EXPECT_TRUE(o.strayByte);
    EXPECT_EQ(o.watchdogEverySeconds, 30u);
    EXPECT_EQ(o.loggerRecords, std::optional<std::size_t>{6553});
    EXPECT_FALSE(o.help);
}

TEST(SimOptions, DefaultsDescribeAnOxygenModuleAtAddressOne) {
    SimOptions o;
    ASSERT_TRUE(ParseSimOptions({}, &o, nullptr));
    EXPECT_EQ(o.type, kTypeOxygen);
    EXPECT_EQ(o.address, 1);
    EXPECT_EQ(o.baud, 4800u);
    EXPECT_TRUE(o.pacing);
    EXPECT_FALSE(o.loggerRecords.has_value());
}

TEST(SimOptions, RejectsBadArguments) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--type"},
        {"--type", "8"},
        {"--type", "-1"},
        {"--type", "x"},
        {"--type="},
        {"--address", "256"},
        {"--baud", "0"},
        {"--delay", "1e3"},
        {"--silent-register", "4:1"},
        {"--silent-register", "1:256"},
        {"--silent-register", "12"},
        {"--watchdog-every", "0"},
        {"--logger-records", "6554"},
        {"--help=yes"},
        {"type"},
    };
    for (const auto& args : bad) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, &o, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(SimOptions, ApplyPutsThemIntoEffect) {
    SimOptions o;
    ASSERT_TRUE(ParseSimOptions({"--type", "0", "--address", "4", "--baud", "2400", "--delay",
                                 "100", "--logger-records", "7"},
                                &o, nullptr));
    FakeTime time;
    VirtualModule module(time.Source());
    ApplySimOptions(o, module);
    EXPECT_EQ(module.Type(), kTypePh);
    EXPECT_EQ(module.Address(), 4);
    EXPECT_EQ(module.BytesPerSecond(), 240u);
    EXPECT_EQ(module.ReplyDelay(), std::chrono::milliseconds{100});
    EXPECT_EQ(module.LoggerByteCount(), 70u);
}

// A child process with its standard output and error on pipes.
class Child {
  public:
    explicit Child(std::vector<std::string> args) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        args.insert(args.begin(), QL50_SIM_EXE);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, QL50_SIM_EXE, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }

    bool Started() const { return pid_ > 0; }
    void Signal(int sig) { kill(pid_, sig); }

    // Reads one line of standard output (or standard error) within 10 s.
    std::string ReadLine(bool fromError = false) {
        const int fd = fromError ? err_ : out_;
        std::string line;
        char c;
        while (line.find('\n') == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0 || read(fd, &c, 1) != 1) break;
            line.push_back(c);
        }
        if (!line.empty() && line.back() == '\n') line.pop_back();
        return line;
    }

    // Waits up to 10 s for the exit; returns the exit code, or -1.
    int Wait() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{10};
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds{10});
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

TEST(SimProgram, ServesOnThePrintedTerminalUntilTerminated) {
    Child child({"--type", "3", "--address", "5", "--no-pacing"});
    ASSERT_TRUE(child.Started());
    const std::string path = child.ReadLine();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << "first line: '" << path << "'";
    {
        SerialClient client(path);
        ASSERT_TRUE(client.IsOpen()) << path;
        EXPECT_EQ(client.Ask(Request(kReadParam, 1, 28, {}, 5)),
                  BuildFrame(5, kReadParam, 1, 28, {4, 0, 0, 0}));
        EXPECT_EQ(client.Ask(Request(kReadParam, 1, 30, {}, 0)),
                  BuildFrame(5, kReadParam, 1, 30, {5, 0, 0, 0}));
        const Frame live = client.Ask(Request(kReadValue, 3, 1, {}, 5));
        ASSERT_TRUE(FrameIsValid(live));
        EXPECT_NEAR(DecodeFloat32(FrameData(live)), 1250.0f, 100.0f) << "2000 uS/cm range";
    }
    child.Signal(SIGTERM);
    EXPECT_EQ(child.Wait(), 0);
}

TEST(SimProgram, HelpAndBadOptions) {
    {
        Child child({"--help"});
        ASSERT_TRUE(child.Started());
        EXPECT_EQ(child.ReadLine().rfind("Usage: ql50-sim", 0), 0u);
        EXPECT_EQ(child.Wait(), 0);
    }
    {
        Child child({"--type", "9"});
        ASSERT_TRUE(child.Started());
        EXPECT_NE(child.ReadLine(true).find("--type"), std::string::npos);
        EXPECT_EQ(child.Wait(), 2);
    }
}

TEST(SimProgram, StopsOnInterrupt) {
    Child child({});
    ASSERT_TRUE(child.Started());
    ASSERT_FALSE(child.ReadLine().empty());
    child.Signal(SIGINT);
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
}  // namespace ql50::sim::test
