#pragma once
// The check of one logger export line against the record it was written from, shared by the
// targets that assemble records.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/LoggerRecords.h"
#include "fuzz/Check.h"

namespace ql50::fuzz {

// The pieces of `text` between the separators (an empty text gives one empty piece).
inline std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        text.remove_prefix(at + 1);
    }
}

// A decimal number with an optional minus sign and at least `minDigits` digits, nothing else.
inline std::optional<long> DecimalNumber(std::string_view text, std::size_t minDigits = 1) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.size() < minDigits || text.size() > 9) return std::nullopt;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// "DD.MM.YY\tHH:MM\t<percent>\t<mg/l with one decimal after a comma>\t<°C>\t\n": every number
// reads back as the record's byte, the concentration as its raw hundredths to one decimal.
inline void CheckLoggerLine(const LoggerRecord& r, const std::string& line) {
    const std::vector<std::string_view> fields = SplitAt(line, '\t');
    QL50_FUZZ_CHECK(fields.size() == 6 && fields[5] == "\n");

    const std::vector<std::string_view> date = SplitAt(fields[0], '.');
    QL50_FUZZ_CHECK(date.size() == 3);
    for (std::size_t i = 0; i < 3; ++i) QL50_FUZZ_CHECK(DecimalNumber(date[i], 2) == r[i]);
    const std::vector<std::string_view> time = SplitAt(fields[1], ':');
    QL50_FUZZ_CHECK(time.size() == 2);
    QL50_FUZZ_CHECK(DecimalNumber(time[0], 2) == r[3] && DecimalNumber(time[1], 2) == r[4]);
    QL50_FUZZ_CHECK(DecimalNumber(fields[2]) == r[5]);

    // The single-precision factor lies just below 0.01, so a raw value ending in 5 rounds down:
    // the line is off by at most half a tenth.
    const std::vector<std::string_view> concentration = SplitAt(fields[3], ',');
    QL50_FUZZ_CHECK(concentration.size() == 2 && concentration[1].size() == 1);
    const std::optional<long> whole = DecimalNumber(concentration[0]);
    const std::optional<long> tenth = DecimalNumber(concentration[1]);
    QL50_FUZZ_CHECK(whole && tenth && *whole >= 0);
    const long raw = r[6] + 255L * r[7];
    QL50_FUZZ_CHECK(std::labs((*whole * 10 + *tenth) * 10 - raw) <= 5);

    QL50_FUZZ_CHECK(DecimalNumber(fields[4]) == static_cast<std::int8_t>(r[8]));
}

}  // namespace ql50::fuzz
