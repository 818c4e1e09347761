#include "link/Format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace ql50 {

namespace {

// Sign, the 309 integer digits of the largest double, the point and the decimals.
constexpr std::size_t kFixedBufferSize = 1 + 309 + 1 + kMaxFixedDecimals;
constexpr int kPrintfDefaultPrecision = 6;
constexpr int kMaxPadding = 64;

}  // namespace

std::string FormatFixed(double value, int decimals) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (decimals < 0) decimals = kPrintfDefaultPrecision;
    decimals = std::min(decimals, kMaxFixedDecimals);

    std::array<char, kFixedBufferSize> buffer;
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc{}) return {};  // unreachable: the buffer holds the longest result
    return std::string(buffer.data(), end);
}

std::string FormatUnsigned(unsigned value, int minDigits) {
    std::array<char, 16> buffer;
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string digits(buffer.data(), error == std::errc{} ? end : buffer.data());
    const auto width = std::size_t(std::clamp(minDigits, 0, kMaxPadding));
    if (width > digits.size()) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string WithDecimalComma(std::string_view text) {
    std::string result(text);
    std::replace(result.begin(), result.end(), '.', ',');
    return result;
}

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + '"';
}

}  // namespace ql50
