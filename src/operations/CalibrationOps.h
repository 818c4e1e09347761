#pragma once
// The module's calibration values: the reads before a calibration, and storing new values with
// the module's confirmation.
#include <array>
#include <functional>
#include <optional>

#include "operations/Session.h"

namespace ql50 {

// The five values a calibration stores: calibration values 1 to 4 of the module's type and
// the air-pressure factor.
struct CalibrationSet {
    float calValue1 = 0, calValue2 = 0, calValue3 = 0, calValue4 = 0;
    float airPressureFactor = 0;
    bool operator==(const CalibrationSet&) const = default;
};
CalibrationSet CalibrationSetOf(const CModulDaten& modul);

// The type, then calibration values 1 to 4 and the air-pressure factor; stops at the first
// unanswered read, since a store writes all five back and each must come from this module.
Outcome ReadCalibration(Session& session);

// Writes the five values, each answered, and closes the series with the end-of-writes command
// (which carries the bytes of the last write). `progress` is told 2 to 6 after each write.
// Then the five values are read back: Done only when every write was answered and the module
// holds what was written (as the module keeps it: the lowest mantissa byte is not sent);
// NotConfirmed when it holds other values; NoReply or LineLost when a request went unanswered.
// Afterwards module() holds what the module reported.
Outcome StoreCalibration(Session& session, const CalibrationSet& values,
                         const std::function<void(int position)>& progress = {});

// The module's device number (parameter register 26, four characters as the module keeps
// them), read once after a calibration's last frame so that the calibration record names the
// module whatever port or computer it is on. Nothing when the module does not answer.
std::optional<std::array<char, 4>> ReadDeviceNumber(Session& session);

}  // namespace ql50
