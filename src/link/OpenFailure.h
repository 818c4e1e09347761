#pragma once
// Why the serial channel could not open a device: what a front end tells the user beyond the
// system's own reason.

namespace ql50 {

enum class OpenFailure {
    None,      // it opened
    InUse,     // another program holds the line
    NoAccess,  // this user may not open the device (not in the group that owns it)
    Other,     // no such device, or another reason (the system's text says which)
};

}  // namespace ql50
