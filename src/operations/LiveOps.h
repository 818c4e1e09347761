#pragma once
// The live measurement: the reads before it starts, and the poll. A poll tick asks for live
// value 1; each reply asks for the next (1, 2, 5, 4, 3, 6), and the chain's end brings six
// fresh values (Session::liveCycle).
#include <chrono>

#include "operations/Session.h"

namespace ql50 {

inline constexpr std::chrono::milliseconds kPollPeriod{2000};

// Calibration value 1 must answer (else NoReply or LineLost); values 2 to 4 and the measurement
// type follow, and missing replies keep the values held.
Outcome ReadStartValues(Session& session);
// One tick of the poll: after a bad frame the line settles for one tick; otherwise the chain
// starts. Skipped while an exchange that must not be disturbed runs.
void PollTick(Session& session);
// One whole poll cycle, waited for: the chain's six replies, each within the reply wait. Done
// when the chain completed (six fresh values in module()); NoReply or LineLost when it broke
// off. For front ends without a poll timer of their own (the acquisition service).
Outcome ReadLiveCycle(Session& session);
// Values count as fresh while a poll cycle completed within the last two poll periods, counted
// from `since` at the latest (the start of a measurement, the line's return).
bool ValuesFresh(const Session& session, std::chrono::steady_clock::time_point since);
// The last poll cycle's values are fresh (a cycle completed within two poll periods).
bool LastCycleFresh(const Session& session);
// The module's measurement type (module().moduleType).
Outcome ReadMeasurementType(Session& session);

}  // namespace ql50
