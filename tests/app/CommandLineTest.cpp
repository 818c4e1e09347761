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
                                           std::vector<std::string>{"--frobnicate"}));

}  // namespace
}  // namespace ql50
