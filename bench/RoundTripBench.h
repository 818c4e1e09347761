#pragma once
// Sequential request/reply exchanges the way every dialog of the program talks to the module:
// SendCommand, then WaitForReply, through the real channel and the hand-over of every reply
// byte to the conversation's thread.
namespace ql50::bench {

// Round trips per second over `count` exchanges (after a short warm-up).
// Throws when a reply does not come.
double RoundTripsPerSecond(int count);

}  // namespace ql50::bench
