#pragma once
// What every fuzz target shares: its entry point, and the check of a property. A property that
// fails aborts with its text and place, so libFuzzer keeps the input as a crash and the replay
// test fails on it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace ql50::fuzz {

[[noreturn]] inline void Fail(const char* property, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, property);
    std::abort();
}

}  // namespace ql50::fuzz

#define QL50_FUZZ_CHECK(property) \
    ((property) ? void(0) : ::ql50::fuzz::Fail(#property, __FILE__, __LINE__))
