#pragma once
// The factory steps: the measurement type a new module gets, the adjustment of its analogue
// inputs against reference values, its device number and composting flag, and the values of
// the parameter report.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "operations/Session.h"

namespace ql50 {

// Writes the type (module() takes it at once); when the module answers, selects it, and waits
// once more in any case: Done when that second wait saw a reply (the module takes its
// parametrisation commands now).
Outcome EnterParametrisation(Session& session, int typeIndex);
// The type written once more, which ends the parametrisation mode.
Outcome LeaveParametrisation(Session& session, int typeIndex);
// The end-of-writes command that follows a parametrisation (not examined).
void EndParametrisation(Session& session, int typeIndex);

// The end-of-writes command, which must answer, then the temperature point at 0 °C, then at
// progress positions 2 to 7 the point at 100 °C, the input points open and at 2.4 MOhm, the
// battery point, the device number and the display type. Those reads are all sent; a missing
// reply leaves the older value in module().
Outcome ReadParameterReport(Session& session,
                            const std::function<void(int position)>& progress = {});

// The device number (up to four characters; positions behind a shorter one are sent as 0) and
// the composting flag (the display type).
Outcome WriteDeviceCode(Session& session, const std::string& code, int compostingFlag);

// The reference points of the input adjustment.
enum class AdjustPoint { Temperature0, Temperature100, InputOpen, InputHigh, Battery };
// Forgets the point's raw reading and asks for a new one (without waiting).
void BeginAdjustment(Session& session, AdjustPoint point);
// Asks for one more raw reading of the point's input (without waiting).
void RequestRawReading(Session& session, AdjustPoint point);
// The last raw reading of the point's input since BeginAdjustment; nothing before one came.
std::optional<std::uint16_t> RawReading(const Session& session, AdjustPoint point);
// Stores a reading as the point's adjustment value. Not examined: the module acknowledges
// none of the adjustment writes of the measuring input and the battery, so their waits run out.
void WriteAdjustment(Session& session, AdjustPoint point, std::uint16_t value);

}  // namespace ql50
