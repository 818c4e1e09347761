#include <gtest/gtest.h>

#include <string>

#include "formats/SettingsFile.h"

namespace ql50 {
namespace {

using namespace std::string_literals;

const std::string kDefaultFile =
    "[RS232]\n\rPORT=0\n\rBAUD=4800\n\r[SETUP]\n\rINTERVALL=00:01:00\n\rSPRACHE=0\n\r"
    "PARAMETRIEREN=0\n\r";

Settings Make(int port, int baud, int h, int m, int s, int language, int factory) {
    return {static_cast<std::int8_t>(port),      baud,   h, m, s,
            static_cast<std::uint8_t>(language), factory};
}

TEST(FormatSettings, DefaultsAreTheExactFileBytesPortIsSignedIntervalTwoDigits) {
    EXPECT_EQ(FormatSettings({}), kDefaultFile);
    EXPECT_EQ(FormatSettings(Make(-3, 19200, 1, 2, 3, 1, 7)),
              "[RS232]\n\rPORT=-3\n\rBAUD=19200\n\r[SETUP]\n\rINTERVALL=01:02:03\n\rSPRACHE=1\n\r"
              "PARAMETRIEREN=7\n\r");
}

// Line ends of every kind are dropped, a CR takes the next character, an empty line stops.
TEST(JoinSettingsLines, JoinsUpToTheFirstEmptyLine) {
    EXPECT_EQ(JoinSettingsLines(kDefaultFile),
              "[RS232]PORT=0BAUD=4800[SETUP]INTERVALL=00:01:00SPRACHE=0PARAMETRIEREN=0");
    const std::pair<std::string, std::string> cases[] = {
        {"a\n\rb\n\r", "ab"}, {"a\r\nb\r\n", "ab"}, {"a\nb\n", "ab"},
        {"a\rb\rc", "abc"},   {"a\r\rb", "a\rb"},   {"a\n\nb", "a"},
        {"a\r\n\r\nb", "a"},  {"\nabc", ""},        {"a\0b\n\0"s, "a\0b\0"s}};
    for (const auto& [bytes, joined] : cases) EXPECT_EQ(JoinSettingsLines(bytes), joined) << bytes;
}

// Keys in capitals only, the first one wins; PORT takes one character, BAUD four, the
// interval's fields what atoi makes of them; a blank line ends the file.
TEST(ParseSettings, ReadsValues) {
    const Settings kDefaults{};
    const std::pair<std::string, Settings> cases[] = {
        {kDefaultFile, kDefaults},
        {"port=3\nbaud=9600\nsprache=1\n", kDefaults},
        {"BAUD=19200", Make(0, 1920, 0, 1, 0, 0, 0)},
        {"PORT=12", Make(1, 4800, 0, 1, 0, 0, 0)},
        {"PORT=/", Make(-1, 4800, 0, 1, 0, 0, 0)},
        {"PORT=", Make(-48, 4800, 0, 1, 0, 0, 0)},
        {"INTERVALL=00:00:30", Make(0, 4800, 0, 0, 30, 0, 0)},
        {"INTERVALL=02:4", Make(0, 4800, 2, 4, 0, 0, 0)},
        {"INTERVALL=ab:-3: 7", Make(0, 4800, 0, -3, 7, 0, 0)},
        {"BAUD= -96", Make(0, -96, 0, 1, 0, 0, 0)},
        {"SPRACHE=7", kDefaults},
        {"SPRACHE=1\nSPRACHE=0\nPORT=2\nPORT=3", Make(2, 4800, 0, 1, 0, 1, 0)},
        {"[RS232]\n\rPORT=3\n\rBAUD=9600\n\r[SETUP]\n\r\n\rINTERVALL=00:00:30\n\rSPRACHE=1\n\r",
         Make(3, 9600, 0, 1, 0, 0, 0)},
        {"\0\x01PORT=3\0BAUD=12\0\0SPRACHE=\0"s, Make(3, 12, 0, 1, 0, 0, 0)},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(ParseSettings(bytes), expected) << bytes;
}

TEST(ParseSettings, HugeInputIsCapped) {
    const std::string huge(3 * kMaxJoinedSettingsText, 'x');
    EXPECT_EQ(JoinSettingsLines(huge + "\nPORT=5").size(), kMaxJoinedSettingsText);
    EXPECT_EQ(ParseSettings(huge + "\nPORT=5").portIndex, 0);  // beyond the cap: absent
    EXPECT_EQ(ParseSettings("PORT=5\n" + huge).portIndex, 5);
}

}  // namespace
}  // namespace ql50
