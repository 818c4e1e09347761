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

TEST(Texte, TextsAreExactWindows1252Bytes) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {Tx(kTexte.fehlerDatenkommunikation, 0), "Fehler in der Datenkommunikation!"},
        {Tx(kTexte.datenloggerintervall, 1), "interval for data\nlogger in minutes"},
        {Tx(kTexte.sensorPuffer1, 0), "Sensor in 1. Pufferl\xF6sung tauchen."},
        // The longest English prompt fills its slot up to the zero byte.
        {Tx(kTexte.sensorKalibriermedium, 1), "Put sensor into the calibration medium."},
        {Tx(kTexte.naechsterAlarm, 0),
         "N\xE4"
         "chster Alarm:"},
        {Tx(kTexte.loggerFreigegeben, 1), "Data logger is enable."},
        {Tx(kTexte.loggerWirklichLoeschen, 1), "Data logger realy clear?"},
        {Tx(kTexte.geraeteadresse, 0), "Ger\xE4teadresse"},
        {Tx(kTexte.datenuebertragungLaeuft, 0),
         "Daten\xFC"
         "bertragung l\xE4uft."},
        {Tx(kTexte.messwerttyp, 1), "measurement typ"},
        {Tx(kTexte.wartenStabil, 1), "Wait until the value is stable. Than press OK button."},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.text, c.expected);
}

TEST(Texte, AnyLanguageOtherThanEnglishShowsGerman) {
    for (const int language : {0, 2, -1, 255, 1 << 30}) EXPECT_STREQ(Tx(kTexte.ja, language), "Ja");
    EXPECT_STREQ(Tx(kTexte.ja, 1), "Yes");
}

}  // namespace
}  // namespace ql50
