#pragma once
// The line rates the serial channel can set, for front ends that check a rate before they open
// the port.

namespace ql50 {

#ifndef _WIN32
// Whether the POSIX channel can set the line to `baudRate` bits per second: the rates the
// terminal interface has constants for, 50 to 4,000,000. (On Win32 the driver decides.)
bool IsSupportedLineRate(int baudRate);
#endif

}  // namespace ql50
