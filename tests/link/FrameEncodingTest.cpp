// Byte-exact frames and data encodings as they travel on the wire.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "link/Encoding.h"
#include "link/Frame.h"

namespace ql50 {
namespace {

// Start byte, address, operation, type, register, four data bytes, the XOR of bytes 1 to 8, end
// byte; start and end byte values inside a frame need no escaping.
TEST(BuildFrame, IsByteExact) {
    const struct {
        Frame built, expected;
    } cases[] = {
        {BuildFrame(0x29, kReadValue, 3, 1), {0x28, 0x29, 0, 3, 1, 0, 0, 0, 0, 0x2B, 0x29}},
        {BuildFrame(7, kWriteValue, 3, 59, {14, 7, 9, 0}),
         {0x28, 0x07, 0x01, 0x03, 0x3B, 0x0E, 0x07, 0x09, 0x00, 0x3E, 0x29}},
        {BuildFrame(0x28, kReadParam, 0x29, 0x28, {0x29, 0x28, 0x29, 0x28}),
         {0x28, 0x28, 2, 0x29, 0x28, 0x29, 0x28, 0x29, 0x28, 0x2B, 0x29}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.built, c.expected);
        EXPECT_TRUE(FrameIsValid(c.expected));
    }
}

TEST(FrameIsValid, RejectsEachBrokenPart) {
    const Frame good = BuildFrame(3, kReadParam, 4, 32, {0x00, 0x80, 0x3F, 0x00});
    for (const std::size_t pos : {kPosStart, kPosEnd, kPosChecksum, kPosAddress, kPosD3}) {
        Frame bad = good;
        bad[pos] ^= 0x01;
        EXPECT_FALSE(FrameIsValid(bad)) << "byte " << pos;
    }
}

// Float24 drops the lowest mantissa byte and ignores d3; float32 and uint16 are little-endian.
TEST(Encodings, AreByteExact) {
    const struct {
        float written;
        DataBytes sent;
        float readBack;
    } floats24[] = {{1.0f, {0x00, 0x80, 0x3F, 0x00}, 1.0f},
                    {0.1f, {0xCC, 0xCC, 0x3D, 0x00}, 0.0999984741f},  // 3DCCCCCD kept as 3DCCCC00
                    {-2.5f, {0x00, 0x20, 0xC0, 0x00}, -2.5f}};
    for (const auto& c : floats24) {
        EXPECT_EQ(EncodeFloat24(c.written), c.sent);
        DataBytes withD3 = c.sent;
        withD3[3] = 0xA5;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(DecodeFloat24(withD3)),
                  std::bit_cast<std::uint32_t>(c.readBack));
    }
    EXPECT_EQ(EncodeFloat32(98.5f), (DataBytes{0x00, 0x00, 0xC5, 0x42}));
    EXPECT_EQ(DecodeFloat32({0x00, 0x00, 0x80, 0x3F}), 1.0f);
    EXPECT_EQ(DecodeUint16({0x2C, 0x01, 0xFF, 0xFF}), 300);
    EXPECT_EQ(EncodeUint16(300), (DataBytes{0x2C, 0x01, 0x00, 0x00}));
    EXPECT_EQ(EncodeUint8(7), (DataBytes{0x07, 0x00, 0x00, 0x00}));
}

}  // namespace
}  // namespace ql50
