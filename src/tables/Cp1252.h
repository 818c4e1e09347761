#pragma once

// Windows-1252, the 8-bit character set of every text the module's program stores and every file
// it writes. The source keeps its texts as readable UTF-8 literals; they are converted to
// Windows-1252 bytes while compiling, so the tables hold exactly the bytes of the files and slots.
//
// The five codes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) are mapped to
// the C1 control code points of the same value (U+0081 ...), as Windows itself does. That keeps
// every conversion lossless: any byte string survives Cp1252ToUtf8 and back unchanged.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ql50 {

namespace cp1252 {

inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// Code points of the bytes 0x80 to 0x9F; undefined bytes keep their C1 code point.
inline constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr char32_t ToCodePoint(unsigned char byte) noexcept {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t{byte};
}

// The Windows-1252 byte of a code point, or -1 when the character set has none.
constexpr int FromCodePoint(char32_t cp) noexcept {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

// Decodes one UTF-8 sequence at `pos` and advances past it. Malformed input (stray continuation
// byte, truncated or overlong sequence, surrogate, beyond U+10FFFF) yields kInvalidUtf8 and
// advances by one byte, so the caller resynchronises on the next byte.
constexpr char32_t DecodeUtf8(std::string_view s, std::size_t& pos) noexcept {
    const auto lead = static_cast<unsigned char>(s[pos++]);
    if (lead < 0x80) return lead;
    const std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || lead > 0xF4 || s.size() - pos < extra) return kInvalidUtf8;
    char32_t cp = lead & (0x3F >> extra);
    for (std::size_t i = 0; i < extra; ++i) {
        const auto next = static_cast<unsigned char>(s[pos + i]);
        if ((next & 0xC0) != 0x80) return kInvalidUtf8;
        cp = (cp << 6) | (next & 0x3F);
    }
    constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kInvalidUtf8;
    pos += extra;
    return cp;
}

}  // namespace cp1252

// A fixed text slot of W bytes: the UTF-8 literal converted to Windows-1252, zero-terminated and
// zero-filled to the end. A text that does not fit with its zero byte, or that holds a character
// Windows-1252 cannot represent, stops the compilation.
template <std::size_t W>
consteval std::array<char, W> Cp1252Slot(std::string_view utf8) {
    std::array<char, W> slot{};
    std::size_t used = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const int byte = cp1252::FromCodePoint(cp1252::DecodeUtf8(utf8, pos));
        if (byte < 0) throw "text holds a character that Windows-1252 cannot represent";
        if (used + 1 >= W) throw "text does not fit its slot with the terminating zero";
        slot[used++] = static_cast<char>(byte);
    }
    return slot;
}

// A UTF-8 literal that turns into a slot of whatever width it initialises, so the tables name
// each width once, in the structure:  .ja = {Cp1252Text("Ja"), Cp1252Text("Yes")}.
struct Cp1252Text {
    std::string_view utf8;
    consteval Cp1252Text(const char* text) : utf8(text) {}
    template <std::size_t W>
    consteval operator std::array<char, W>() const {
        return Cp1252Slot<W>(utf8);
    }
};

// Every byte becomes its character; nothing is lost (see the note on undefined codes above).
std::string Cp1252ToUtf8(std::string_view cp1252);

// Characters Windows-1252 has no byte for become '?', and so does every malformed UTF-8 byte.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace ql50
