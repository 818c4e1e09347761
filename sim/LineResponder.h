#pragma once
// What a pseudo-terminal server serves on its line: one virtual module, or a bus of several that
// share the line. The server feeds it the received bytes, writes its answers with its reply
// delay and line-rate pacing, and picks up what it sends on its own (watchdog notices).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace ql50::sim {

class LineResponder {
public:
    virtual ~LineResponder() = default;

    // Bytes received from the program; returns the answer bytes in sending order.
    virtual std::vector<std::uint8_t> Receive(const std::uint8_t* data, std::size_t size) = 0;
    // Bytes sent on its own now; the time until there will be some (nullopt: none scheduled).
    virtual std::vector<std::uint8_t> TakeUnsolicited() = 0;
    virtual std::optional<std::chrono::milliseconds> TimeUntilUnsolicited() const = 0;
    // Called (under the responder's lock, so it must not call back) when unsolicited bytes
    // become due at once.
    virtual void SetNotifier(std::function<void()> notifier) = 0;
    // Reply timing, carried out by the server.
    virtual std::chrono::milliseconds ReplyDelay() const = 0;
    virtual unsigned BytesPerSecond() const = 0;
    // Whether it makes sense of requests while the line runs at `lineBaud`.
    virtual bool HearsLineRate(unsigned lineBaud) const = 0;
};

}  // namespace ql50::sim
