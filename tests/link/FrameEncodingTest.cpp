// Byte-exact frames and data encodings as they travel on the wire.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "link/Encoding.h"
#include "link/Frame.h"

namespace ql50 {
namespace {

// The live poll's request, 28 aa 00 03 01 00 00 00 00 cc 29: only address and checksum vary.
TEST(BuildFrame, ReadRegisterOneIsByteExact) {
    for (const std::uint8_t aa :
         std::initializer_list<std::uint8_t>{0x00, 0x01, 0x02, 0x07, 0x1F, 0x28, 0x29, 0xFF}) {
        const Frame expected{0x28, aa, 0, 3, 1, 0, 0, 0, 0, std::uint8_t(aa ^ 0x02), 0x29};
        EXPECT_EQ(BuildFrame(aa, kReadValue, 3, 1), expected) << int(aa);
        EXPECT_TRUE(FrameIsValid(expected));
    }
}

TEST(BuildFrame, CarriesDataInOrderAndChecksumOverBytesOneToEight) {
    // Setting the clock to 14:07:09 in module 7 (value register 59).
    const Frame f = BuildFrame(7, kWriteValue, 3, 59, {14, 7, 9, 0});
    const Frame expected{0x28, 0x07, 0x01, 0x03, 0x3B, 0x0E, 0x07, 0x09, 0x00, 0x3E, 0x29};
    EXPECT_EQ(f, expected);
    // Start and end byte values inside the data need no escaping.
    const Frame brackets = BuildFrame(0x28, kReadParam, 0x29, 0x28, {0x29, 0x28, 0x29, 0x28});
    EXPECT_EQ(brackets[kPosChecksum], 0x28 ^ 0x02 ^ 0x29 ^ 0x28);
    EXPECT_TRUE(FrameIsValid(brackets));
}

TEST(FrameIsValid, RejectsEachBrokenPart) {
    const Frame good = BuildFrame(3, kReadParam, 4, 32, {0x00, 0x80, 0x3F, 0x00});
    for (const std::size_t pos : {kPosStart, kPosEnd, kPosChecksum, kPosAddress, kPosD3}) {
        Frame bad = good;
        bad[pos] ^= 0x01;
        EXPECT_FALSE(FrameIsValid(bad)) << "byte " << pos;
    }
}

TEST(Float24, DropsLowestMantissaByteAndIgnoresD3) {
    const struct {
        float written;
        DataBytes sent;
        float readBack;
    } cases[] = {{1.0f, {0x00, 0x80, 0x3F, 0x00}, 1.0f},
                 {0.1f, {0xCC, 0xCC, 0x3D, 0x00}, 0.0999984741f},  // 3DCCCCCD kept as 3DCCCC00
                 {-2.5f, {0x00, 0x20, 0xC0, 0x00}, -2.5f},
                 {0.0f, {0x00, 0x00, 0x00, 0x00}, 0.0f}};
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeFloat24(c.written), c.sent);
        DataBytes withD3 = c.sent;
        withD3[3] = 0xA5;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(DecodeFloat24(withD3)),
                  std::bit_cast<std::uint32_t>(c.readBack));
    }
}

TEST(Float32, LittleEndianSingle) {
    EXPECT_EQ(DecodeFloat32({0x00, 0x00, 0x80, 0x3F}), 1.0f);
    EXPECT_EQ(EncodeFloat32(98.5f), (DataBytes{0x00, 0x00, 0xC5, 0x42}));
    EXPECT_EQ(DecodeFloat32(EncodeFloat32(-21.375f)), -21.375f);
}

TEST(Uint16, LowByteFirst) {
    EXPECT_EQ(DecodeUint16({0x2C, 0x01, 0x00, 0x00}), 300);
    EXPECT_EQ(DecodeUint16({0x2C, 0x01, 0xFF, 0xFF}), 300);
    EXPECT_EQ(DecodeUint16({0xFF, 0xFF, 0x00, 0x00}), 65535);
    EXPECT_EQ(EncodeUint16(300), (DataBytes{0x2C, 0x01, 0x00, 0x00}));
    EXPECT_EQ(EncodeUint8(7), (DataBytes{0x07, 0x00, 0x00, 0x00}));
}

}  // namespace
}  // namespace ql50
