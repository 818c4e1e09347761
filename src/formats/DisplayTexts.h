#pragma once
// The texts the program shows for what the module reported: the live values with the decimals
// of the measurement type, the firmware version, the module's status report, its clock and the
// logger's read-out position. Windows-1252 where a text may hold more than ASCII.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "link/ModulDaten.h"

namespace ql50 {

// Live channel 1 to 5 with the decimals the type table gives the channel, channel 6 (the
// temperature) with one. A value that is no number shows as "---", never as "nan" or "inf".
std::string ChannelText(float value, int moduleType, int channel);
// The six live channels of `modul` in display order (channel 1 to 5, temperature).
std::array<std::string, 6> LiveValueTexts(const CModulDaten& modul);
// "QL50 Version x.yy" of the configuration dialog.
std::string VersionText(float version);
// The status the module sent on its own: "a:b = c".
std::string StatusReportText(const std::array<std::uint8_t, 3>& status);
// Clock bytes as two digits each, joined by `separator` ("hh:mm:ss", "xx.xx.xx").
std::string ClockText(std::span<const std::uint8_t> bytes, char separator);
// The module's running byte position of a logger read-out: "Byte: n ".
std::string LoggerPositionText(unsigned position);

}  // namespace ql50
