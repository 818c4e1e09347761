#pragma once
// What the program does with each reply of the module: which registers every operation
// accepts, how their data bytes are decoded, where the value goes, and which follow-up the
// reply itself triggers.
//
// A reply that is not accepted is dropped without any effect: the wait for it runs on to its
// timeout. Every accepted reply ends the running wait. Replies are decoded by operation and
// register only; the address and type bytes of a reply are not examined.
#include <cstdint>

#include "link/Frame.h"
#include "link/ModulDaten.h"
#include "link/Registers.h"

namespace ql50 {

// What the caller has to do after a reply was dispatched, in this order:
// 1. followUpRegister != 0: send a read of that value register (op 0, type 4, data 0), the next
//    step of the live-value chain, before the wait is released;
// 2. accepted: clear replyPending;
// 3. loggerFrame: hand the frame to the logger read-out; refreshDisplay: refresh the window;
//    statusReport: the module's status (value register 57) changed.
struct ReplyOutcome {
    bool accepted = false;
    std::uint8_t followUpRegister = 0;
    bool refreshDisplay = false;
    bool loggerFrame = false;  // op 0, register 54: one frame of the logger stream
    bool statusReport = false;
};

// The request that follows a live reply with this follow-up register.
Request LiveFollowUp(std::uint8_t followUpRegister);

// True when a valid reply with this operation and register is handled (not dropped).
bool ReplyAccepted(std::uint8_t op, std::uint8_t reg);

// Decodes a valid reply frame into `modul`. Numbers only: the texts are made where the values
// are shown.
ReplyOutcome DispatchReply(const Frame& frame, CModulDaten& modul);

}  // namespace ql50
