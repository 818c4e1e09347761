#pragma once
// A time window of the trend as CSV, the same form ql50-cli writes for a live recording: UTF-8,
// a header with the labelled channels and their units, one line per poll period with its ISO 8601
// local time stamp, and empty cells where values were missing.
#include <string>

#include "trend/TrendModel.h"

namespace ql50 {

// Empty before the first measurement (no type, no channels).
std::string TrendCsv(const TrendModel& model, TrendWindow window, int language);

}  // namespace ql50
