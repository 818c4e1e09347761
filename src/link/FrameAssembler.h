#pragma once
// The receive side of the frame, fed one byte at a time on the user-interface thread.
//
// The receiver does not hunt for a start byte: it cuts the stream into blocks of 11 bytes
// counted from the last Reset. After a lost or extra byte it stays out of step until the next
// command resets the count. In between, the module may announce a watchdog reset with a text
// starting "WD"; that pair is recognised wherever it sits among the last nine bytes held.
#include <cstdint>
#include <ctime>
#include <string>

#include "link/Frame.h"

namespace ql50 {

enum class RxEvent {
    None,            // the block is not complete yet
    ValidFrame,      // 11 bytes with start, end byte and checksum in order: rxFrame() holds them
    BadFrame,        // 11 bytes that are no frame; frameError is now set
    WatchdogNotice,  // the module announced a watchdog reset; the bytes held are dropped
};

class FrameAssembler {
public:
    // Takes one received byte. The count restarts after every event other than None, so
    // rxCount() is at most 10 after every call.
    RxEvent Push(std::uint8_t byte);

    // Drops a partly assembled block; every command sent calls it.
    void Reset() { rxCount_ = 0; }

    // The last block assembled. After RxEvent::ValidFrame its 11 bytes are the valid reply.
    const Frame& rxFrame() const { return rxFrame_; }
    std::uint8_t rxCount() const { return rxCount_; }

    // Set by every bad block and kept until the live poll clears it (it skips one request).
    bool frameError() const { return frameError_; }
    void ClearFrameError() { frameError_ = false; }

private:
    bool WatchdogPairHeld() const;
    RxEvent CheckBlock();

    Frame rxFrame_{};
    std::uint8_t rxCount_ = 0;
    bool frameError_ = false;
};

// The event-log and status line of a watchdog notice, stamped with the local time:
// "DD.MM.YYYY\tHH:MM\tWD-RESET \n\r" (line feed before carriage return).
std::string FormatWatchdogLine(const std::tm& localTime);

}  // namespace ql50
