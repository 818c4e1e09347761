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

struct JoinCase {
    const char* name;
    std::string bytes;
    std::string joined;
    friend void PrintTo(const JoinCase& c, std::ostream* os) { *os << c.name; }
};

class JoinLines : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinLines, JoinsUpToTheFirstEmptyLine) {
    EXPECT_EQ(JoinSettingsLines(GetParam().bytes), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JoinLines,
    ::testing::Values(
        JoinCase{"OwnFile", kDefaultFile,
                 "[RS232]PORT=0BAUD=4800[SETUP]INTERVALL=00:01:00SPRACHE=0PARAMETRIEREN=0"},

        JoinCase{"LfCr", "a\n\rb\n\r", "ab"}, JoinCase{"CrLf", "a\r\nb\r\n", "ab"},
        JoinCase{"Lf", "a\nb\n", "ab"}, JoinCase{"CrTakesNextCharacter", "a\rb\rc", "abc"},
        JoinCase{"CrTakesCr", "a\r\rb", "a\rb"}, JoinCase{"LfLfStops", "a\n\nb", "a"},
        JoinCase{"CrLfCrLfStops", "a\r\n\r\nb", "a"}, JoinCase{"LeadingLfStops", "\nabc", ""},
        JoinCase{"Nul", "a\0b\n\0"s, "a\0b\0"s}),
    [](const auto& p) { return std::string(p.param.name); });

struct ParseCase {
    const char* name;
    std::string bytes;
    Settings expected;
    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }
};

class Parse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parse, ReadsValues) {
    EXPECT_EQ(ParseSettings(GetParam().bytes), GetParam().expected);
}

const Settings kDefaults{};

INSTANTIATE_TEST_SUITE_P(
    Table, Parse,
    ::testing::Values(
        ParseCase{"DefaultFile", kDefaultFile, kDefaults},
        ParseCase{"KeysInLowerCase", "port=3\nbaud=9600\nsprache=1\n", kDefaults},
        ParseCase{"BaudTakesFourCharacters", "BAUD=19200", Make(0, 1920, 0, 1, 0, 0, 0)},
        ParseCase{"PortTakesOneCharacter", "PORT=12", Make(1, 4800, 0, 1, 0, 0, 0)},

        ParseCase{"PortBelowZero", "PORT=/", Make(-1, 4800, 0, 1, 0, 0, 0)},

        ParseCase{"PortAtEnd", "PORT=", Make(-48, 4800, 0, 1, 0, 0, 0)},
        ParseCase{"Interval30s", "INTERVALL=00:00:30", Make(0, 4800, 0, 0, 30, 0, 0)},

        ParseCase{"IntervalCutShort", "INTERVALL=02:4", Make(0, 4800, 2, 4, 0, 0, 0)},
        ParseCase{"IntervalNotNumbers", "INTERVALL=ab:-3: 7", Make(0, 4800, 0, -3, 7, 0, 0)},
        ParseCase{"BaudBlanksAndSign", "BAUD= -96", Make(0, -96, 0, 1, 0, 0, 0)},

        ParseCase{"LanguageOutOfRange", "SPRACHE=7", kDefaults},

        ParseCase{"FirstOccurrenceWins", "SPRACHE=1\nSPRACHE=0\nPORT=2\nPORT=3",
                  Make(2, 4800, 0, 1, 0, 1, 0)},
        ParseCase{"BlankLineAfterSetup",
                  "[RS232]\n\rPORT=3\n\rBAUD=9600\n\r[SETUP]\n\r\n\rINTERVALL=00:00:30\n\r"
                  "SPRACHE=1\n\rPARAMETRIEREN=1\n\r",
                  Make(3, 9600, 0, 1, 0, 0, 0)},
        ParseCase{"BinaryWithNul", "\0\x01PORT=3\0BAUD=12\0\0SPRACHE=\0"s,
                  Make(3, 12, 0, 1, 0, 0, 0)}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ParseSettings, HugeInputIsCapped) {
    const std::string huge(3 * kMaxJoinedSettingsText, 'x');
    EXPECT_EQ(JoinSettingsLines(huge + "\nPORT=5").size(), kMaxJoinedSettingsText);
    EXPECT_EQ(ParseSettings(huge + "\nPORT=5").portIndex, 0);  // beyond the cap: absent
    EXPECT_EQ(ParseSettings("PORT=5\n" + huge).portIndex, 5);
}

}  // namespace
}  // namespace ql50
