// Byte strings as they go over the line: frames as bytes, pieces joined.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "link/Frame.h"

namespace ql50::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const Frame& f) {
    return {f.begin(), f.end()};
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace ql50::test
