#pragma once
// Break-down of the logger stream's time per byte: the same synchronous hand-over with less
// and less of the program around it.
#include <cstddef>

#include "LoggerStreamBench.h"

namespace ql50::bench {

// A worker thread posts one event per item to an object on the calling thread and waits on a
// condition variable until the event was handled, as the channel does for every byte, but
// with no port, no mutex-guarded delivery and no spinning. Seconds per hand-over.
double PostedEventHandOverSeconds(int count);

// The logger read-out through a bare CComPort whose owner only counts the bytes: the channel
// and its hand-over without frame assembly, dispatch or signals.
StreamRun PortOnlyLoggerStream(std::size_t loggerBytes);

}  // namespace ql50::bench
