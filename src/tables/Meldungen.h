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
    // Main window: its buttons and menu beyond the text table, the status line, the file name
    // a recording suggests.
    TextPair<30> kalibrierverlauf;
    TextPair<40> menueKalibrierprotokoll;
    TextPair<30> menueKalibrierverlauf;
    TextPair<60> verbindungUnterbrochen;
    TextPair<80> verbindungWiederDa;
    TextPair<60> keineAntwortSeit;
    TextPair<20> dateiMessung;
    // Dates as the user reads them: a day, and a day on a chart's axis.
    TextPair<20> datumsformat;
    TextPair<20> achsenDatumsformat;
    // Trend window; the file name its pictures and tables suggest.
    TextPair<20> verlauf;
    TextPair<20> zeitraum;
    TextPair<20> anhalten;
    TextPair<20> weiter;
    TextPair<30> alsPngSpeichern;
    TextPair<30> alsCsvSpeichern;
    TextPair<20> dateiVerlauf;
    // The calibration record kalibrierung.txt, a file format: its header cells, the
    // calibration's and the result's words, the air-pressure factor's label.
    TextPair<120> protokollKopf;
    TextPair<30> zweigPh;
    TextPair<30> zweigRedox;
    TextPair<30> zellkonstante;
    TextPair<30> zweigSauerstoff;
    TextPair<30> zweigSalinitaet;
    TextPair<30> zweigLuftdruck;
    TextPair<70> gespeichert;
    TextPair<70> gespeichertAusserhalb;
    TextPair<70> abgebrochenNichtsGespeichert;
    TextPair<70> kalibrierfehlerNichtsGespeichert;
    TextPair<70> keineAntwortNichtsGespeichert;
    TextPair<70> nichtBestaetigtGespeichert;
    TextPair<30> luftdruckfaktor;
    // The record's hash chain: why a line breaks it.
    TextPair<60> ketteGeaendert;
    TextPair<30> ketteOhneHash;
    TextPair<30> ketteZuLang;
    // Calibration history: modules, charted quantities, results, verdicts, its CSV columns.
    TextPair<30> modulName;
    TextPair<30> adresseName;
    TextPair<30> steilheit;
    TextPair<30> asymmetrie;
    TextPair<30> offset;
    TextPair<30> anstieg;
    TextPair<30> unbekannt;
    TextPair<30> gespeichertTrotzWarnung;
    TextPair<30> abgewiesen;
    TextPair<30> nichtGespeichert;
    TextPair<30> gut;
    TextPair<30> brauchbar;
    TextPair<30> reinigenOderErsetzen;
    TextPair<20> csvZeitErgebnis;
    TextPair<20> sensor;
    // Due dates: a module's state and the main window's line about its calibration.
    TextPair<20> nichtFaellig;
    TextPair<20> faellig;
    TextPair<20> ueberfaellig;
    TextPair<20> mitSensor;
    TextPair<30> kalibriertAm;
    TextPair<60> naechsteKalibrierung;
    TextPair<60> heuteFaellig;
    TextPair<70> ueberfaelligSeit;
    // Calibration history window.
    TextPair<20> modul;
    TextPair<30> brauchbarerBereich;
    TextPair<20> trend;
    TextPair<60> nichtsAufgezeichnet;
    TextPair<40> keineGespeicherteKalibrierung;
    TextPair<50> letzteKalibrierung;
    TextPair<80> trendBrauchtDrei;
    TextPair<80> trendBleibtImBereich;
    TextPair<80> trendAusserhalbSeit;
    TextPair<80> trendVerlaesstBereich;
    // Calibration record window.
    TextPair<20> kalibrierprotokoll;
    TextPair<40> protokollWirdGelesen;
    TextPair<80> letzteZeilen;
    TextPair<60> ketteUnterbrochen;
    TextPair<40> keineZeileMitHash;
    TextPair<60> ketteVollstaendig;
    TextPair<20> schliessen;
    // ql50-cli: calibration-status and verify-record.
    TextPair<80> statusKopf;
    TextPair<20> keinIntervall;
    TextPair<60> zeilePasstNicht;
    TextPair<100> ketteHaelt;
    // Data logger.
    TextPair<160> uhrJahrUngueltig;
    TextPair<120> loggerUnvollstaendig;
    TextPair<80> exportNichtSchreibbar;
    TextPair<20> dateiDatenlogger;
    // Calibration.
    TextPair<120> kalibrierungNichtBestaetigt;
    TextPair<80> protokollNichtSchreibbar;
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
