#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace ql50 {
namespace {

TEST(CommandLineTest, AcceptsEveryOption) {
    const CommandLine cl = ParseCommandLine(
        {"--simulate=0", "--port", "1=/dev/ttyUSB0", "--port=4=/dev/pts/3", "--version"});
    EXPECT_TRUE(cl.error.empty()) << cl.error;
    EXPECT_TRUE(cl.simulate);
    EXPECT_EQ(cl.simulateType, 0);
    EXPECT_EQ(cl.ports.at(1), "/dev/ttyUSB0");
    EXPECT_EQ(cl.ports.at(4), "/dev/pts/3");
    EXPECT_TRUE(cl.version);
    EXPECT_FALSE(cl.help);
}

TEST(CommandLineTest, PlainSimulateMeansOxygen) {
    const CommandLine cl = ParseCommandLine({"--simulate"});
    EXPECT_TRUE(cl.simulate);
    EXPECT_EQ(cl.simulateType, 7);
}

class BadArgs : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadArgs, AreRefusedWithAMessage) {
    EXPECT_FALSE(ParseCommandLine(GetParam()).error.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, BadArgs,
                         ::testing::Values(std::vector<std::string>{"--simulate=8"},
                                           std::vector<std::string>{"--simulate=x"},
                                           std::vector<std::string>{"--simulate="},
                                           std::vector<std::string>{"--port"},
                                           std::vector<std::string>{"--port", "0=/dev/x"},
                                           std::vector<std::string>{"--port", "1="},
                                           std::vector<std::string>{"--port", "/dev/ttyUSB0"},
                                           std::vector<std::string>{"--data-dir"},
                                           std::vector<std::string>{"--data-dir="},
                                           std::vector<std::string>{"--frobnicate"}));

// Where the program works: --data-dir wins; --desktop takes the user's data folder, where
// relative values of the variables count as unset; a terminal start keeps the working folder.
TEST(DataFolderTest, FollowsTheCommandLineAndTheEnvironment) {
    struct Case {
        std::vector<std::string> args;
        const char* xdgDataHome;
        const char* home;
        std::string folder;
    };
    const Case cases[] = {
        {{}, "/x", "/home/u", ""},
        {{"--desktop"}, "/x", "/home/u", "/x/ql50"},
        {{"--desktop"}, nullptr, "/home/u", "/home/u/.local/share/ql50"},
        {{"--desktop"}, "", "/home/u", "/home/u/.local/share/ql50"},
        {{"--desktop"}, "data", "/home/u", "/home/u/.local/share/ql50"},
        {{"--desktop", "--data-dir", "/m"}, "/x", "/home/u", "/m"},
        {{"--data-dir=rel/dir"}, nullptr, nullptr, "rel/dir"},
        {{"--desktop"}, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        const CommandLine cl = ParseCommandLine(c.args);
        ASSERT_TRUE(cl.error.empty()) << cl.error;
        std::string error;
        const std::string folder = DataFolder(
            cl,
            [&](const char* name) {
                return std::string(name) == "XDG_DATA_HOME" ? c.xdgDataHome
                       : std::string(name) == "HOME"        ? c.home
                                                            : nullptr;
            },
            error);
        EXPECT_EQ(folder, c.folder) << c.args.size();
        EXPECT_EQ(error.empty(), !(cl.desktop && c.folder.empty())) << error;
    }
}

}  // namespace
}  // namespace ql50
