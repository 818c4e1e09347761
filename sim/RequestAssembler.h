#pragma once
// Cuts the received byte stream into 11-byte request frames. Unlike the program, the module
// looks for the start byte: bytes before a "(" are dropped, and a block of 11 bytes that is
// not a valid frame is searched for the next "(" from its second byte on, so the module is back
// in step with the next complete request after line noise or a lost byte.
#include <cstddef>
#include <cstdint>

#include "link/Frame.h"

namespace ql50::sim {

class RequestAssembler {
public:
    // Takes one byte; returns true and fills `request` when it completes a valid frame.
    bool Push(std::uint8_t byte, Frame* request);
    void Reset() { count_ = 0; }
    std::size_t Pending() const { return count_; }

private:
    void Resynchronise();

    Frame buffer_{};
    std::size_t count_ = 0;
};

}  // namespace ql50::sim
