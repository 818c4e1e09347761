#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <type_traits>

#include "tables/Cp1252.h"

namespace ql50 {
namespace {

// Whether the builder accepts a text for a slot of W bytes: a rejected text is a compile error,
// which a requires-expression turns into false.
template <std::size_t W>
constexpr bool kGeraeteadresseFits = requires {
    typename std::integral_constant<char, Cp1252Slot<W>("Geräteadresse")[0]>;
};
template <std::size_t W>
constexpr bool kOmegaFits = requires {
    typename std::integral_constant<char, Cp1252Slot<W>("Ω")[0]>;
};

static_assert(kGeraeteadresseFits<14>, "13 characters and the zero byte fill 14 bytes");
static_assert(!kGeraeteadresseFits<13>, "no room for the zero byte");
static_assert(!kOmegaFits<20>, "Windows-1252 has no Greek capital omega");

TEST(Cp1252Slot, ConvertsToSingleBytesAndZeroFills) {
    constexpr std::array<char, 8> slot = Cp1252Slot<8>("µ°äÄ€");
    EXPECT_EQ(std::string(slot.data(), slot.size()), std::string("\xB5\xB0\xE4\xC4\x80\0\0\0", 8));
}

// What the system's own converter makes of a byte; empty where Windows-1252 defines nothing.
std::string SystemCp1252ToUtf8(char byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "iconv has no CP1252";
    char in[1] = {byte}, out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return ok ? std::string(out, sizeof out - outLeft) : std::string();
}

TEST(Cp1252ToUtf8, EveryByteAgreesWithTheSystemConverterAndRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const std::string byte(1, static_cast<char>(b));
        std::string expected = SystemCp1252ToUtf8(static_cast<char>(b));
        if (expected.empty())  // the five undefined codes keep their C1 code point
            expected = {static_cast<char>(0xC2), static_cast<char>(b)};
        EXPECT_EQ(Cp1252ToUtf8(byte), expected);
        EXPECT_EQ(Utf8ToCp1252(expected), byte);
    }
}

// A character Windows-1252 lacks becomes "?", and so does each byte of malformed UTF-8.
TEST(Utf8ToCp1252, MarksWhatItCannotConvert) {
    const std::pair<std::string, std::string> cases[] = {
        {"Ω→😀", "???"},     {"a\xE2\x82", "a??"},    {"\xC3(", "?("},
        {"\xC0\xAF", "??"}, {"\xED\xA0\x80", "???"}, {"\xFF\xFE", "??"},
    };
    for (const auto& [utf8, cp1252] : cases) EXPECT_EQ(Utf8ToCp1252(utf8), cp1252);
}

}  // namespace
}  // namespace ql50
