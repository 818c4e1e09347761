#pragma once
// The module's command frame: 11 bytes in both directions,
// "(" address op type register d0 d1 d2 d3 checksum ")".
// There is no escaping: data bytes may take any value, 0x28 and 0x29 included.
#include <array>
#include <cstddef>
#include <cstdint>

namespace ql50 {

inline constexpr std::size_t kFrameSize = 11;
inline constexpr std::uint8_t kFrameStart = 0x28;  // "("
inline constexpr std::uint8_t kFrameEnd = 0x29;    // ")"

using Frame = std::array<std::uint8_t, kFrameSize>;
using DataBytes = std::array<std::uint8_t, 4>;

// Operation codes (frame byte 2). Value and parameter registers are separate numbering spaces.
enum Op : std::uint8_t { kReadValue = 0, kWriteValue = 1, kReadParam = 2, kWriteParam = 3 };

// Frame byte positions.
enum FrameByte : std::size_t {
    kPosStart = 0,
    kPosAddress = 1,
    kPosOp = 2,
    kPosType = 3,
    kPosRegister = 4,
    kPosD0 = 5,
    kPosD1 = 6,
    kPosD2 = 7,
    kPosD3 = 8,
    kPosChecksum = 9,
    kPosEnd = 10
};

// The frame checksum is the XOR of the eight bytes address .. d3 (frame bytes 1 to 8).
constexpr std::uint8_t FrameChecksum(const std::uint8_t* eight) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < 8; ++i) sum ^= eight[i];
    return sum;
}

constexpr Frame BuildFrame(std::uint8_t address, std::uint8_t op, std::uint8_t type,
                           std::uint8_t reg, DataBytes data = {}) {
    Frame f{kFrameStart, address, op, type, reg, data[0], data[1], data[2], data[3], 0, kFrameEnd};
    f[kPosChecksum] = FrameChecksum(&f[kPosAddress]);
    return f;
}

constexpr DataBytes FrameData(const Frame& f) {
    return {f[kPosD0], f[kPosD1], f[kPosD2], f[kPosD3]};
}

// Shape and checksum check of a received block of 11 bytes.
constexpr bool FrameIsValid(const Frame& f) {
    return f[kPosEnd] == kFrameEnd && f[kPosStart] == kFrameStart &&
           FrameChecksum(&f[kPosAddress]) == f[kPosChecksum];
}

}  // namespace ql50
