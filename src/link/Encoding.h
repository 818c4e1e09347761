#pragma once
// Encodings of the four data bytes d0..d3 of a frame.
#include <bit>
#include <cstdint>

#include "link/Frame.h"

namespace ql50 {

// IEEE 754 single, d0 least significant byte.
constexpr float DecodeFloat32(const DataBytes& d) {
    return std::bit_cast<float>(std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8 |
                                std::uint32_t(d[2]) << 16 | std::uint32_t(d[3]) << 24);
}

constexpr DataBytes EncodeFloat32(float value) {
    const auto u = std::bit_cast<std::uint32_t>(value);
    return {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)};
}

// The upper three bytes of an IEEE single: d0 = bits 8..15, d1 = bits 16..23, d2 = bits 24..31;
// the lowest mantissa byte is 0 and d3 is ignored.
constexpr float DecodeFloat24(const DataBytes& d) {
    return std::bit_cast<float>(std::uint32_t(d[0]) << 8 | std::uint32_t(d[1]) << 16 |
                                std::uint32_t(d[2]) << 24);
}

// Writing drops the lowest mantissa byte (no rounding) and sends 0 as d3.
constexpr DataBytes EncodeFloat24(float value) {
    const auto u = std::bit_cast<std::uint32_t>(value);
    return {std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24), 0};
}

constexpr std::uint16_t DecodeUint16(const DataBytes& d) {
    return std::uint16_t(d[0] | d[1] << 8);
}

constexpr DataBytes EncodeUint16(std::uint16_t value) {
    return {std::uint8_t(value), std::uint8_t(value >> 8), 0, 0};
}

constexpr DataBytes EncodeUint8(std::uint8_t value) {
    return {value, 0, 0, 0};
}

}  // namespace ql50
