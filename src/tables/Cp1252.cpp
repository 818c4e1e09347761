#include "tables/Cp1252.h"

namespace ql50 {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    const auto put = [&out](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else {  // Windows-1252 reaches no further than U+2122: three bytes at most.
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 2);
    for (const char c : cp1252) AppendUtf8(out, cp1252::ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const int byte = cp1252::FromCodePoint(cp1252::DecodeUtf8(utf8, pos));
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return out;
}

}  // namespace ql50
