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
};

extern const MeldungsTabelle kMeldungen;

}  // namespace ql50
