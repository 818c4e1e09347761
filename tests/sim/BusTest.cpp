// Several virtual modules on one line: each answers its own address with its own type, an
// address no module has stays silent, and address 0 is answered only on a line of one module.
#include <gtest/gtest.h>

#include "sim/SimOptions.h"
#include "sim/SimTestSupport.h"
#include "sim/VirtualBus.h"

namespace ql50::sim::test {
namespace {

std::vector<Frame> SendTo(VirtualBus& bus, std::uint8_t address, std::uint8_t op, std::uint8_t reg,
                          DataBytes data = {}) {
    const Frame request = Request(op, 1, reg, data, address);
    return Frames(bus.Receive(request.data(), request.size()));
}

TEST(VirtualBus, RoutesEachRequestToTheModuleOfItsAddress) {
    VirtualBus bus({{1, 7}, {2, 0}, {5, 3}});
    struct Case {
        std::uint8_t address;
        std::optional<std::uint8_t> typeCode;  // the reply's type register, 1..8
    };
    for (const Case c : {Case{1, 8}, Case{2, 1}, Case{5, 4}, Case{3, {}}, Case{0, {}}}) {
        const auto replies = SendTo(bus, c.address, kReadParam, kParamType);
        ASSERT_EQ(replies.size(), c.typeCode ? 1u : 0u) << int(c.address);
        if (c.typeCode) {
            EXPECT_EQ(replies[0][kPosD0], *c.typeCode);
            EXPECT_EQ(replies[0][kPosAddress], c.address);
        }
    }
    // Address 0 on a shared line reaches every module, and none answers.
    EXPECT_TRUE(SendTo(bus, 0, kWriteParam, kParamLoggerInterval, EncodeUint16(5)).empty());
    for (const auto& module : bus.Modules())
        EXPECT_EQ(DecodeUint16(module->Parameter(kParamLoggerInterval)), 5);
    VirtualBus alone({{4, 2}});
    EXPECT_EQ(SendTo(alone, 0, kReadParam, kParamType).size(), 1u);
}

TEST(SimOptions, BusNeedsDistinctAddressesAndExcludesTheSingleModule) {
    SimOptions options;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--bus", "1:7,2:0,5:3", "--no-pacing"}, &options, &error))
        << error;
    ASSERT_EQ(options.bus.size(), 3u);
    EXPECT_EQ(options.bus[2].address, 5);
    EXPECT_EQ(options.bus[2].type, 3);
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--bus", "1:7,1:0"},
                                                {"--bus", "0:7"},
                                                {"--bus", "1:8"},
                                                {"--bus", "1:7,"},
                                                {"--bus=1:7", "--address", "2"}})
        EXPECT_FALSE(ParseSimOptions(bad, &options, &error)) << bad[1];
}

}  // namespace
}  // namespace ql50::sim::test
