#pragma once

// Every text the windows show in both languages that no dialog template holds: one entry per
// text, [0] German and [1] English, each a fixed Windows-1252 slot, zero-terminated and
// zero-filled. "\n" inside a text is a line break of a two-line label.

#include <array>
#include <cstddef>

namespace ql50 {

struct TextTabelle {
    std::array<std::array<char, 20>, 2> messungStarten;
    std::array<std::array<char, 20>, 2> messungBeenden;
    std::array<std::array<char, 20>, 2> parametrieren;
    std::array<std::array<char, 20>, 2> kalibrieren;
    std::array<std::array<char, 20>, 2> konfigurieren;
    std::array<std::array<char, 20>, 2> setupMessung;
    std::array<std::array<char, 20>, 2> beenden;
    std::array<std::array<char, 20>, 2> abbrechen;
    std::array<std::array<char, 20>, 2> speichern;
    std::array<std::array<char, 20>, 2> sauerstoff;
    std::array<std::array<char, 20>, 2> luftdruck;
    std::array<std::array<char, 20>, 2> salinitaet;
    std::array<std::array<char, 30>, 2> datenloggerAuslesen;
    std::array<std::array<char, 30>, 2> datenloggerInformation;
    std::array<std::array<char, 30>, 2> datenloggerLoeschen;
    std::array<std::array<char, 20>, 2> uhrzeitStellen;
    std::array<std::array<char, 10>, 2> ja;
    std::array<std::array<char, 10>, 2> nein;
    std::array<std::array<char, 20>, 2> geraeteadresse;
    std::array<std::array<char, 20>, 2> keinFehler;
    std::array<std::array<char, 40>, 2> fehlerDatenkommunikation;
    std::array<std::array<char, 20>, 2> sprache;
    std::array<std::array<char, 20>, 2> datenuebertragung;
    std::array<std::array<char, 30>, 2> datenuebertragungLaeuft;
    std::array<std::array<char, 40>, 2> datenloggerintervall;
    std::array<std::array<char, 30>, 2> datenloggerFreigeben;
    std::array<std::array<char, 30>, 2> kalibrierwerte;
    std::array<std::array<char, 20>, 2> allgemein;
    std::array<std::array<char, 20>, 2> messwerttyp;
    std::array<std::array<char, 20>, 2> festtemperatur;
    std::array<std::array<char, 20>, 2> temperaturOffset;
    std::array<std::array<char, 20>, 2> adresse;
    std::array<std::array<char, 40>, 2> sensorPuffer1;
    std::array<std::array<char, 40>, 2> sensorPuffer2;
    std::array<std::array<char, 60>, 2> wartenStabil;
    std::array<std::array<char, 40>, 2> sollwertEingeben;
    std::array<std::array<char, 20>, 2> kalibrierfehler;
    std::array<std::array<char, 40>, 2> sensorPuffer;
    std::array<std::array<char, 40>, 2> sensorKalibriermedium;
    std::array<std::array<char, 40>, 2> luftdruckEingeben;
    std::array<std::array<char, 40>, 2> salinitaetEingeben;
    std::array<std::array<char, 40>, 2> aktuelleUhrzeit;
    std::array<std::array<char, 40>, 2> naechsterAlarm;
    std::array<std::array<char, 40>, 2> datenloggerIntervall;
    std::array<std::array<char, 40>, 2> vorhandeneDatensaetze;
    std::array<std::array<char, 40>, 2> loggerFreigegeben;
    std::array<std::array<char, 40>, 2> loggerNichtFreigegeben;
    std::array<std::array<char, 40>, 2> loggerWirklichLoeschen;
    std::array<std::array<char, 40>, 2> loggerLeer;
    std::array<std::array<char, 20>, 2> geraetesprache;
    std::array<std::array<char, 20>, 2> deutsch;
    std::array<std::array<char, 20>, 2> englisch;
    std::array<std::array<char, 20>, 2> aufzeichnungsdatei;
};

// 53 entries of 10, 20, 30, 40 or 60 bytes per language; any padding would break the layout.
static_assert(sizeof(TextTabelle) == 2 * (2 * 10 + 27 * 20 + 6 * 30 + 17 * 40 + 1 * 60),
              "TextTabelle must have nothing between its fields");

extern const TextTabelle kTexte;

// The text of an entry in the user's language. The settings file may hold any language number;
// everything but English (1) shows German, so no language value reaches outside the entry.
template <std::size_t W>
const char* Tx(const std::array<std::array<char, W>, 2>& field, int language) {
    return field[language == 1 ? 1 : 0].data();
}

}  // namespace ql50
