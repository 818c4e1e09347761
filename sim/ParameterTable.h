#pragma once
// The module's parameter registers: how each one is encoded and what a new module holds.
#include <cstdint>
#include <span>

#include "link/Frame.h"
#include "link/Registers.h"

namespace ql50::sim {

enum class Encoding : std::uint8_t { Uint8, Uint16, Float24, Chars4 };

struct ParameterSpec {
    std::uint8_t reg;
    Encoding encoding;
    DataBytes factory;  // encoded factory value
};

std::span<const ParameterSpec> ParameterTable();

// nullptr for a register the table does not list; the module keeps such registers as they
// were written (all zero in a new module).
const ParameterSpec* FindParameter(std::uint8_t reg);

// Drops the bytes that an encoding does not use, so a read returns clean data whatever the
// writer left in the unused bytes.
DataBytes Normalise(Encoding encoding, const DataBytes& data);

}  // namespace ql50::sim
