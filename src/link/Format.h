#pragma once
// Number formatting that never depends on the C library's locale.
//
// The Qt application takes the C library locale from the environment, so a German desktop would
// make snprintf("%.1f") print "21,5". The module's display texts keep the decimal point and the
// files decide about their decimal comma themselves, so every number goes through these helpers.
#include <string>
#include <string_view>

namespace ql50 {

// Most digits after the point that FormatFixed produces; any double is exact well before that.
inline constexpr int kMaxFixedDecimals = 1100;

// The text of C-locale "%.*f": `decimals` digits after the point, correctly rounded (an exact
// tie goes to the even digit), no point for 0 decimals, "-0.0" for negative zero, "nan", "-nan",
// "inf", "-inf" for the special values. A negative `decimals` means 6, as in printf; more than
// kMaxFixedDecimals are cut to that many.
std::string FormatFixed(double value, int decimals);

// The text of "%0*u": `value` in decimal, padded with leading zeros to at least `minDigits`
// (at most 64).
std::string FormatUnsigned(unsigned value, int minDigits = 1);

// Every "." of `text` replaced by ",", the decimal comma of the recording and export files.
std::string WithDecimalComma(std::string_view text);

// `text` as a JSON string: in quotes, with quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view text);

}  // namespace ql50
