#pragma once
// What a reading holds for each kind of module: the channels a measurement type uses (its live
// values, labelled in English with their units and the decimals the program shows) and the
// fields of a data-logger record.
#include <vector>

#include "formats/LoggerRecords.h"
#include "link/ModulDaten.h"
#include "store/Reading.h"

namespace ql50::acquire {

// The channels of a poll cycle of a module of `type`, without values (what a cycle that broke
// off stores); nothing for an unknown type.
std::vector<store::Channel> LiveLayout(int type);
// With the values of a completed poll cycle, rounded to the channel's decimals; a value that is
// not finite stays missing.
std::vector<store::Channel> LiveChannels(int type, const CModulDaten& module);
// A logger record: its percentage, concentration (mg/l) and temperature (°C). An oxygen
// module's record carries its saturation and concentration, and takes those labels.
std::vector<store::Channel> LoggerChannels(int type, const LoggerRecord& record);

}  // namespace ql50::acquire
