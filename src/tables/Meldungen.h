#pragma once

// The program's own messages and captions beyond the text table of the module's program: the
// same mechanism (one entry per text, [0] German and [1] English, fixed Windows-1252 slots,
// chosen with Tx), so no window picks a language by itself. "%1", "%2" ... are filled in with
// QString::arg where the text is shown.

#include <array>

namespace ql50 {

template <std::size_t W>
using TextPair = std::array<std::array<char, W>, 2>;

struct MeldungsTabelle {
    // Data logger.
    TextPair<160> uhrJahrUngueltig;
    TextPair<120> loggerUnvollstaendig;
    TextPair<80> exportNichtSchreibbar;
    // Calibration.
    TextPair<120> kalibrierungNichtBestaetigt;
    // Configuration.
    TextPair<100> konfigurationNichtGeschrieben;
    // Finding the module: the serial port, the search and its dialog.
    TextPair<240> keineBerechtigung;
    TextPair<100> sucheAnbieten;
    TextPair<20> suchen;
    TextPair<20> modulSuchen;
    TextPair<30> zuordnen;
    TextPair<60> sucheLaeuft;
    TextPair<100> modulGefunden;
    TextPair<40> keinModulGefunden;
    TextPair<40> sucheAbgebrochen;
    TextPair<60> fundZeile;
    TextPair<30> unbekannterTyp;
    TextPair<60> anschlussBelegt;
    TextPair<60> anschlussFehler;
    TextPair<20> anschlussRate;
};

extern const MeldungsTabelle kMeldungen;

}  // namespace ql50
