#include <gtest/gtest.h>

#include <tuple>

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
    EXPECT_EQ(ParseCommandLine({"--simulate"}).simulateType, 7);
}

TEST(CommandLineTest, RefusesBadArgumentsWithAMessage) {
    const std::vector<std::vector<std::string>> cases{
        // clang-format off
        {"--simulate=8"}, {"--simulate=x"}, {"--simulate="}, {"--port"}, {"--port", "0=/dev/x"},
        {"--port", "1="}, {"--port", "/dev/ttyUSB0"}, {"--data-dir"}, {"--data-dir="},
        {"--frobnicate"},
        // clang-format on
    };
    for (const auto& args : cases) EXPECT_FALSE(ParseCommandLine(args).error.empty()) << args[0];
}

// Where the program works: --data-dir wins; --desktop takes the user's data folder (relative
// variables count as unset); a terminal start keeps the working folder ("").
TEST(DataFolderTest, FollowsTheCommandLineAndTheEnvironment) {
    const std::tuple<std::vector<std::string>, const char*, const char*, std::string> cases[] = {
        {{}, "/x", "/u", ""},
        {{"--desktop"}, "/x", "/u", "/x/ql50"},
        {{"--desktop"}, "rel", "/u", "/u/.local/share/ql50"},
        {{"--desktop", "--data-dir", "/m"}, "/x", "/u", "/m"},
        {{"--desktop"}, nullptr, nullptr, ""},  // and an error
    };
    for (const auto& [args, xdg, home, expected] : cases) {
        std::string error;
        const auto env = [&](const char* name) { return name[0] == 'X' ? xdg : home; };
        EXPECT_EQ(DataFolder(ParseCommandLine(args), env, error), expected);
        EXPECT_EQ(error.empty(), home != nullptr) << error;
    }
}

}  // namespace
}  // namespace ql50
