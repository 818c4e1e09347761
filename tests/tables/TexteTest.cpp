#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>

#include "tables/Texte.h"

namespace ql50 {
namespace {

// Slot widths of the 53 entries in field order, as the program's texts are laid out.
constexpr std::size_t kWidths[] = {
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 30, 30, 30, 20, 10, 10,
    20, 20, 40, 20, 20, 30, 40, 30, 30, 20, 20, 20, 20, 20, 40, 40, 60, 40,
    20, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 20, 20, 20, 20,
};
static_assert(std::size(kWidths) == 53);

TEST(Texte, EveryEntryHoldsTwoNonEmptyZeroFilledTexts) {
    ASSERT_EQ(sizeof(TextTabelle), 2 * std::accumulate(std::begin(kWidths), std::end(kWidths), 0u));
    const char* slot = reinterpret_cast<const char*>(&kTexte);
    for (std::size_t field = 0; field < std::size(kWidths); ++field) {
        for (int language = 0; language < 2; ++language, slot += kWidths[field]) {
            const std::string_view bytes(slot, kWidths[field]);
            SCOPED_TRACE(testing::Message() << "field " << field << " language " << language);
            const std::size_t end = bytes.find('\0');
            ASSERT_NE(end, std::string_view::npos);
            EXPECT_GT(end, 0u);
            EXPECT_EQ(bytes.find_first_not_of('\0', end), std::string_view::npos);
        }
    }
}

struct Pair {
    const std::array<std::array<char, 40>, 2>* field40;
    std::string de, en;
};

TEST(Texte, FortyByteTextsAreExact) {
    const Pair cases[] = {
        {&kTexte.fehlerDatenkommunikation, "Fehler in der Datenkommunikation!",
         "Error data communication!"},
        {&kTexte.datenloggerintervall, "Datenloggerintervall\nin Minuten",
         "interval for data\nlogger in minutes"},
        {&kTexte.sensorPuffer1, "Sensor in 1. Pufferl\xF6sung tauchen.",
         "Put sensor in 1. buffer solution."},
        {&kTexte.sensorKalibriermedium, "Sensor in Kalibriermedium tauchen.",
         "Put sensor into the calibration medium."},
        {&kTexte.naechsterAlarm,
         "N\xE4"
         "chster Alarm:",
         "Next alarm time:"},
        {&kTexte.vorhandeneDatensaetze, "Vorhandene Datens\xE4tze:", "Sets of data:"},
        {&kTexte.loggerFreigegeben, "Datenlogger ist freigegeben.", "Data logger is enable."},
        {&kTexte.loggerNichtFreigegeben, "Datenlogger ist nicht freigegeben.",
         "Data logger is disable."},
        {&kTexte.loggerWirklichLoeschen, "Datenlogger wirklich l\xF6schen?",
         "Data logger realy clear?"},
    };
    for (const Pair& c : cases) {
        EXPECT_EQ(std::string((*c.field40)[0].data()), c.de);
        EXPECT_EQ(std::string((*c.field40)[1].data()), c.en);
    }
}

TEST(Texte, OtherTextsAreExact) {
    EXPECT_STREQ(Tx(kTexte.geraeteadresse, 0), "Ger\xE4teadresse");
    EXPECT_STREQ(Tx(kTexte.datenloggerLoeschen, 0), "Datenlogger L\xF6schen");
    EXPECT_STREQ(Tx(kTexte.datenuebertragung, 0),
                 "Daten\xFC"
                 "bertragung");
    EXPECT_STREQ(Tx(kTexte.datenuebertragungLaeuft, 0),
                 "Daten\xFC"
                 "bertragung l\xE4uft.");
    EXPECT_STREQ(Tx(kTexte.salinitaet, 0), "Salinit\xE4t");
    EXPECT_STREQ(Tx(kTexte.messwerttyp, 1), "measurement typ");
    EXPECT_STREQ(Tx(kTexte.wartenStabil, 0),
                 "Warten, bis der Messwert stabil ist. Dann OK dr\xFC"
                 "cken.");
    EXPECT_STREQ(Tx(kTexte.wartenStabil, 1),
                 "Wait until the value is stable. Than press OK button.");
    EXPECT_STREQ(Tx(kTexte.aufzeichnungsdatei, 1), "Data storage file");
}

TEST(Texte, LongestEnglishPromptFillsItsSlotExactly) {
    EXPECT_EQ(std::strlen(kTexte.sensorKalibriermedium[1].data()) + 1,
              kTexte.sensorKalibriermedium[1].size());
}

TEST(Texte, AnyLanguageOtherThanEnglishShowsGerman) {
    for (const int language : {0, 2, -1, 255, 1 << 30}) EXPECT_STREQ(Tx(kTexte.ja, language), "Ja");
    EXPECT_STREQ(Tx(kTexte.ja, 1), "Yes");
}

}  // namespace
}  // namespace ql50
