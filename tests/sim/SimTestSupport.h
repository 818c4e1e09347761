#pragma once
// Helpers shared by the virtual module's tests: a time source the test moves by hand, request
// frames, and splitting reply bytes into frames.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "link/Encoding.h"
#include "link/Frame.h"
#include "sim/VirtualModule.h"
#include "support/Bytes.h"

namespace ql50::sim::test {

using namespace std::chrono_literals;
using ql50::test::Bytes;
using ql50::test::Concat;
using ql50::test::ToBytes;

// A clock that stands still at 2024-03-05 10:07:00 UTC until the test advances it.
class FakeTime {
public:
    TimeSource Source() const {
        return [s = state_] {
            std::lock_guard lock(s->mutex);
            return s->now;
        };
    }
    void Advance(std::chrono::system_clock::duration d) {
        std::lock_guard lock(state_->mutex);
        state_->now += d;
    }

private:
    struct State {
        std::mutex mutex;
        std::chrono::system_clock::time_point now{
            std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + 10h + 7min};
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// A module on a hand-moved clock, for the tests that need only one.
class Sim : public ::testing::Test {
protected:
    FakeTime time;
    VirtualModule module{time.Source()};
};

inline Frame Request(std::uint8_t op, std::uint8_t type, std::uint8_t reg, DataBytes data = {},
                     std::uint8_t address = 1) {
    return BuildFrame(address, op, type, reg, data);
}

inline Bytes Send(VirtualModule& module, const Frame& request) {
    return module.Receive(request.data(), request.size());
}

// Splits reply bytes into frames; fails the test when they are not whole frames.
inline std::vector<Frame> Frames(const Bytes& bytes) {
    EXPECT_EQ(bytes.size() % kFrameSize, 0u) << "reply bytes are not whole frames";
    std::vector<Frame> frames(bytes.size() / kFrameSize);
    for (std::size_t i = 0; i < frames.size(); ++i)
        std::copy_n(bytes.begin() + long(i * kFrameSize), kFrameSize, frames[i].begin());
    return frames;
}

// Sends one request and returns its single reply; a default frame (all zero) if there is none.
inline Frame Ask(VirtualModule& module, const Frame& request) {
    const std::vector<Frame> frames = Frames(Send(module, request));
    EXPECT_EQ(frames.size(), 1u) << "one reply to register " << int(request[kPosRegister]);
    return frames.empty() ? Frame{} : frames.front();
}

inline DataBytes AskData(VirtualModule& module, std::uint8_t op, std::uint8_t type,
                         std::uint8_t reg, DataBytes data = {}) {
    return FrameData(Ask(module, Request(op, type, reg, data)));
}

inline float ReadLive(VirtualModule& m, std::uint8_t reg) {
    return DecodeFloat32(AskData(m, kReadValue, 4, reg));
}
inline float ReadFloat24(VirtualModule& m, std::uint8_t reg) {
    return DecodeFloat24(AskData(m, kReadParam, 4, reg));
}
inline void WriteFloat24(VirtualModule& m, std::uint8_t reg, float value) {
    Ask(m, Request(kWriteParam, 4, reg, EncodeFloat24(value)));
}

// Sets the module's clock the way the program does: time of day first, then the date.
inline void SetClock(VirtualModule& m, int year, int month, int day, int hour, int minute,
                     int second) {
    AskData(m, kWriteValue, 3, kValueTime,
            {std::uint8_t(hour), std::uint8_t(minute), std::uint8_t(second), 0});
    AskData(m, kWriteValue, 3, kValueDate,
            {std::uint8_t(year - 2000), std::uint8_t(day), std::uint8_t(month), 0});
}

}  // namespace ql50::sim::test
