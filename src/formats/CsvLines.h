#pragma once
// The CSV form of a live recording (RFC 4180: comma-separated, CR LF line ends, fields quoted
// when they hold a comma, quote or line end), UTF-8, decimal point. Only the channels the
// module's measurement type uses get a column; the time stamp is ISO 8601 local time with its
// offset from UTC.
#include <ctime>
#include <string>
#include <string_view>

#include "link/ModulDaten.h"

namespace ql50 {

std::string CsvField(std::string_view text);
// "time,<label> [<unit>],...": labels in the given language of the type table.
std::string CsvHeader(int typeIndex, int language);
// One line with the values of the header's channels, each with its type's decimals.
// `utcOffsetSeconds` is the local time's offset (tm_gmtoff).
// `fresh` false: the values came from no recent poll cycle, and every value field stays empty;
// a value that is not finite leaves its own field empty.
std::string CsvDataLine(const std::tm& localTime, long utcOffsetSeconds, const CModulDaten& m,
                        bool fresh = true);

}  // namespace ql50
