#include <gtest/gtest.h>

#include <vector>

#include "SimTestSupport.h"
#include "sim/RequestAssembler.h"

namespace ql50::sim::test {
namespace {

std::vector<Frame> Assemble(const std::vector<std::uint8_t>& bytes) {
    RequestAssembler assembler;
    std::vector<Frame> frames;
    Frame frame;
    for (std::uint8_t b : bytes) {
        if (assembler.Push(b, &frame)) frames.push_back(frame);
    }
    return frames;
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<std::uint8_t> Bytes(const Frame& f) {
    return {f.begin(), f.end()};
}

const Frame kA = Request(kReadValue, 3, 1);
const Frame kB = Request(kWriteParam, 4, 32, {0x28, 0x29, 0x28, 0x00});  // "(" and ")" as data
Frame BadChecksum(Frame f) {
    f[kPosChecksum] ^= 0x01;
    return f;
}

struct AssemblyCase {
    const char* name;
    std::vector<std::uint8_t> input;
    std::vector<Frame> expected;
};

TEST(RequestAssembler, FindsRequestsInNoisyStreams) {
    const AssemblyCase cases[] = {
        {"two clean requests", Concat({Bytes(kA), Bytes(kB)}), {kA, kB}},
        {"noise before a request", Concat({{0x00, 0xFF, 0x29}, Bytes(kA)}), {kA}},
        {"data bytes equal to the frame bytes", Bytes(kB), {kB}},
        {"bad checksum, then a good request", Concat({Bytes(BadChecksum(kA)), Bytes(kB)}), {kB}},
        {"request cut short by the next one",
         Concat({std::vector<std::uint8_t>(kA.begin(), kA.begin() + 5), Bytes(kB)}),
         {kB}},
        {"stray start byte before a request", Concat({{0x28}, Bytes(kA)}), {kA}},
        {"only noise", {0x28, 0x28, 0x01, 0x02, 0x29, 0x28}, {}},
    };
    for (const AssemblyCase& c : cases) {
        EXPECT_EQ(Assemble(c.input), c.expected) << c.name;
    }
}

TEST(RequestAssembler, AssemblesAcrossSeparateFeeds) {
    RequestAssembler assembler;
    Frame frame;
    for (std::size_t i = 0; i + 1 < kFrameSize; ++i) EXPECT_FALSE(assembler.Push(kA[i], &frame));
    EXPECT_EQ(assembler.Pending(), kFrameSize - 1);
    EXPECT_TRUE(assembler.Push(kA[kFrameSize - 1], &frame));
    EXPECT_EQ(frame, kA);
    EXPECT_EQ(assembler.Pending(), 0u);
}

}  // namespace
}  // namespace ql50::sim::test
