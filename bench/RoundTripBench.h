#pragma once
// Sequential request/reply exchanges the way every dialog of the program talks to the module:
// SendCommand, then WaitForReply, through the real channel and the hand-over of every reply
// byte to the conversation's thread.
#include "BenchReport.h"

namespace ql50::bench {

struct RoundTripRun {
    int count = 0;
    double seconds = 0.0;
    Switches guiThread;  // context switches of the conversation's thread meanwhile
    Switches process;    // and of all threads (monitor, module server)
    double PerSecond() const { return count / seconds; }
};

// `count` exchanges after a short warm-up. Throws when a reply does not come.
RoundTripRun RoundTrips(int count);

}  // namespace ql50::bench
