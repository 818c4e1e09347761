// The Windows-1252 conversions in both directions, on any bytes.
//
// Windows-1252 to UTF-8 gives valid UTF-8, one character per byte, and back the very same bytes
// (the five bytes the character set leaves undefined keep their C1 code points). UTF-8 to
// Windows-1252 gives one byte per character of valid UTF-8: the character's own byte where
// Windows-1252 has one, "?" otherwise; malformed input never yields more bytes than it had.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/Check.h"
#include "tables/Cp1252.h"

namespace {

// The code points of strictly valid UTF-8 (no overlong form, no surrogate, nothing beyond
// U+10FFFF), or nothing.
std::optional<std::vector<char32_t>> DecodeStrict(std::string_view s) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        std::size_t follow = 0;
        char32_t cp = lead, least = 0;
        if (lead >= 0x80) {
            if ((lead & 0xE0) == 0xC0) {
                follow = 1, cp = lead & 0x1Fu, least = 0x80;
            } else if ((lead & 0xF0) == 0xE0) {
                follow = 2, cp = lead & 0x0Fu, least = 0x800;
            } else if ((lead & 0xF8) == 0xF0) {
                follow = 3, cp = lead & 0x07u, least = 0x10000;
            } else {
                return std::nullopt;
            }
        }
        if (s.size() - i - 1 < follow) return std::nullopt;
        for (std::size_t k = 1; k <= follow; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            cp = cp << 6 | (next & 0x3Fu);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        points.push_back(cp);
        i += follow + 1;
    }
    return points;
}

// The byte of each character that some Windows-1252 byte converts to, by code point; built
// from the conversion to UTF-8, so the two directions must agree.
class ByteOf {
public:
    ByteOf() {
        for (int b = 0; b < 256; ++b) {
            const auto points = DecodeStrict(ql50::Cp1252ToUtf8(std::string(1, char(b))));
            QL50_FUZZ_CHECK(points && points->size() == 1);
            table_.emplace_back(points->front(), static_cast<char>(b));
        }
        std::sort(table_.begin(), table_.end());
    }
    std::optional<char> operator()(char32_t cp) const {
        const auto at =
            std::lower_bound(table_.begin(), table_.end(), cp,
                             [](const auto& entry, char32_t c) { return entry.first < c; });
        if (at == table_.end() || at->first != cp) return std::nullopt;
        return at->second;
    }

private:
    std::vector<std::pair<char32_t, char>> table_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ql50;
    static const ByteOf byteOf;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as Windows-1252.
    const std::string utf8 = Cp1252ToUtf8(bytes);
    const auto points = DecodeStrict(utf8);
    QL50_FUZZ_CHECK(points && points->size() == size);
    for (std::size_t i = 0; i < size; ++i) QL50_FUZZ_CHECK(byteOf((*points)[i]) == bytes[i]);
    QL50_FUZZ_CHECK(Utf8ToCp1252(utf8) == bytes);

    // The bytes as UTF-8.
    const std::string cp1252 = Utf8ToCp1252(bytes);
    QL50_FUZZ_CHECK(cp1252.size() <= size);
    if (const auto characters = DecodeStrict(bytes)) {
        QL50_FUZZ_CHECK(cp1252.size() == characters->size());
        for (std::size_t i = 0; i < cp1252.size(); ++i)
            QL50_FUZZ_CHECK(cp1252[i] == byteOf((*characters)[i]).value_or('?'));
    }
    QL50_FUZZ_CHECK(Utf8ToCp1252(Cp1252ToUtf8(cp1252)) == cp1252);
    return 0;
}
