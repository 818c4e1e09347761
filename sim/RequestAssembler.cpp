#include "sim/RequestAssembler.h"

#include <algorithm>

namespace ql50::sim {

bool RequestAssembler::Push(std::uint8_t byte, Frame* request) {
    if (count_ == 0 && byte != kFrameStart) return false;
    buffer_[count_++] = byte;
    if (count_ < kFrameSize) return false;
    if (FrameIsValid(buffer_)) {
        if (request != nullptr) *request = buffer_;
        count_ = 0;
        return true;
    }
    Resynchronise();
    return false;
}

// Keeps the bytes from the next start byte after position 0; none left means start afresh.
void RequestAssembler::Resynchronise() {
    const auto next = std::find(buffer_.begin() + 1, buffer_.end(), kFrameStart);
    std::copy(next, buffer_.end(), buffer_.begin());
    count_ = std::size_t(buffer_.end() - next);
}

}  // namespace ql50::sim
