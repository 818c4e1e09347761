#include "tables/Meldungen.h"

#include "tables/Cp1252.h"

namespace ql50 {

namespace {
using T = Cp1252Text;
}  // namespace

constinit const MeldungsTabelle kMeldungen = {
    .kalibrierverlauf = {T("Kalibrierverlauf"), T("Calibration history")},
    .menueKalibrierprotokoll = {T("&Kalibrierprotokoll anzeigen"), T("Show &calibration record")},
    .menueKalibrierverlauf = {T("Kalibrier&verlauf..."), T("Calibration &history...")},
    .verbindungUnterbrochen = {T("Verbindung zum Modul unterbrochen um %1"),
                               T("Line to the module lost at %1")},
    .verbindungWiederDa = {T("Verbindung zum Modul unterbrochen um %1, wieder da um %2"),
                           T("Line to the module lost at %1, back at %2")},
    .keineAntwortSeit = {T("Keine Antwort vom Modul seit %1"),
                         T("No answer from the module since %1")},
    .dateiMessung = {T("messung"), T("measurement")},
    .datumsformat = {T("dd.MM.yyyy"), T("yyyy-MM-dd")},
    .achsenDatumsformat = {T("dd.MM.yy"), T("yyyy-MM-dd")},
    .verlauf = {T("Verlauf"), T("Trend")},
    .zeitraum = {T("Zeitraum:"), T("Range:")},
    .anhalten = {T("Anhalten"), T("Pause")},
    .weiter = {T("Weiter"), T("Resume")},
    .alsPngSpeichern = {T("Als PNG speichern..."), T("Save as PNG...")},
    .alsCsvSpeichern = {T("Als CSV speichern..."), T("Save as CSV...")},
    .dateiVerlauf = {T("verlauf"), T("trend")},
    .protokollKopf = {T("Zeit\tMesstyp\tAdresse\tKalibrierung\tvorher\tnachher\tErgebnis\tModul\t"
                        "Temperatur °C\tWerte\tSHA-256"),
                      T("time\tmodule type\taddress\tcalibration\tbefore\tafter\tresult\tmodule\t"
                        "temperature °C\tvalues\tSHA-256")},
    .zweigPh = {T("pH"), T("pH")},
    .zweigRedox = {T("Redox"), T("Redox")},
    .zellkonstante = {T("Zellkonstante"), T("cell constant")},
    .zweigSauerstoff = {T("Sauerstoff-Steilheit"), T("oxygen slope")},
    .zweigSalinitaet = {T("Salinität"), T("salinity")},
    .zweigLuftdruck = {T("Luftdruck"), T("air pressure")},
    .gespeichert = {T("gespeichert"), T("stored")},
    .gespeichertAusserhalb = {T("gespeichert trotz Warnung (außerhalb des Bereichs)"),
                              T("stored despite warning (out of range)")},
    .abgebrochenNichtsGespeichert = {T("abgebrochen, nichts gespeichert"),
                                     T("cancelled, nothing stored")},
    .kalibrierfehlerNichtsGespeichert = {T("Kalibrierfehler, nichts gespeichert"),
                                         T("calibration error, nothing stored")},
    .keineAntwortNichtsGespeichert = {T("keine Antwort vom Modul, nichts gespeichert"),
                                      T("no answer from the module, nothing stored")},
    .nichtBestaetigtGespeichert = {T("vom Modul nicht bestätigt, möglicherweise nicht gespeichert"),
                                   T("not confirmed by the module, possibly not stored")},
    .luftdruckfaktor = {T("Luftdruckfaktor"), T("air-pressure factor")},
    .ketteGeaendert = {T("sie oder eine Zeile davor wurde geändert oder entfernt"),
                       T("it or a line before it was changed or taken out")},
    .ketteOhneHash = {T("ihr fehlt der Hash"), T("it has no hash")},
    .ketteZuLang = {T("sie ist zu lang"), T("it is too long")},
    .modulName = {T("Modul %1 (%2)"), T("Module %1 (%2)")},
    .adresseName = {T("Adresse %1 (%2)"), T("Address %1 (%2)")},
    .steilheit = {T("Steilheit"), T("slope")},
    .asymmetrie = {T("Asymmetrie"), T("asymmetry")},
    .offset = {T("Offset"), T("offset")},
    .anstieg = {T("Anstieg"), T("slope")},
    .unbekannt = {T("unbekannt"), T("unknown")},
    .gespeichertTrotzWarnung = {T("gespeichert trotz Warnung"), T("stored despite warning")},
    .abgewiesen = {T("abgewiesen"), T("refused")},
    .nichtGespeichert = {T("nicht gespeichert"), T("not stored")},
    .gut = {T("gut"), T("good")},
    .brauchbar = {T("brauchbar"), T("usable")},
    .reinigenOderErsetzen = {T("reinigen oder ersetzen"), T("clean or replace")},
    .csvZeitErgebnis = {T("Zeit,Ergebnis"), T("time,result")},
    .sensor = {T("Sensor"), T("sensor")},
    .nichtFaellig = {T("nicht fällig"), T("not due")},
    .faellig = {T("fällig"), T("due")},
    .ueberfaellig = {T("überfällig"), T("overdue")},
    .mitSensor = {T(", Sensor: %1"), T(", sensor: %1")},
    .kalibriertAm = {T("Kalibriert am %1%2"), T("Calibrated on %1%2")},
    .naechsteKalibrierung = {T("Kalibriert am %1%2; nächste Kalibrierung am %3"),
                             T("Calibrated on %1%2; next calibration on %3")},
    .heuteFaellig = {T("Kalibrierung heute fällig (zuletzt am %1%2)"),
                     T("Calibration due today (last on %1%2)")},
    .ueberfaelligSeit = {T("Kalibrierung überfällig, fällig am %3 (zuletzt am %1%2)"),
                         T("Calibration overdue, due on %3 (last on %1%2)")},
    .modul = {T("Modul:"), T("Module:")},
    .brauchbarerBereich = {T("brauchbarer Bereich"), T("usable band")},
    .trend = {T("Trend"), T("trend")},
    .nichtsAufgezeichnet = {T("Es wurde noch keine Kalibrierung aufgezeichnet."),
                            T("No calibration has been recorded yet.")},
    .keineGespeicherteKalibrierung = {T("Keine gespeicherte Kalibrierung."),
                                      T("No stored calibration.")},
    .letzteKalibrierung = {T("Letzte Kalibrierung am %1: Sensor %2."),
                           T("Last calibration on %1: sensor %2.")},
    .trendBrauchtDrei =
        {T(" Ein Trend braucht drei gespeicherte Kalibrierungen an mehreren Tagen."),
         T(" A trend needs three stored calibrations on different days.")},
    .trendBleibtImBereich = {T(" Trend %1 je Monat: kein Verlassen des brauchbaren Bereichs "
                               "absehbar."),
                             T(" Trend %1 a month: it does not leave the usable band in sight.")},
    .trendAusserhalbSeit = {T(" Trend %1 je Monat: außerhalb des brauchbaren Bereichs seit etwa "
                              "%2."),
                            T(" Trend %1 a month: outside the usable band since about %2.")},
    .trendVerlaesstBereich = {T(" Trend %1 je Monat: verlässt den brauchbaren Bereich etwa am %2."),
                              T(" Trend %1 a month: leaves the usable band about %2.")},
    .kalibrierprotokoll = {T("Kalibrierprotokoll"), T("Calibration record")},
    .protokollWirdGelesen = {T("Kalibrierprotokoll wird gelesen..."),
                             T("Reading the calibration record...")},
    .letzteZeilen = {T("Die letzten %1 von %2 Zeilen; die früheren sind hier nicht gezeigt.\n"),
                     T("The last %1 of %2 lines; the earlier ones are not shown here.\n")},
    .ketteUnterbrochen = {T("Die Hash-Kette ist in Zeile %1 unterbrochen: %2."),
                          T("The hash chain breaks at line %1: %2.")},
    .keineZeileMitHash = {T("Keine Zeile trägt einen Hash."), T("No line carries a hash.")},
    .ketteVollstaendig = {T("Die Hash-Kette ist vollständig (%1 Zeilen geprüft)."),
                          T("The hash chain holds (%1 lines checked).")},
    .schliessen = {T("Schließen"), T("Close")},
    .statusKopf = {T("Modul\tMesstyp\tAdresse\tletzte Kalibrierung\tfällig am\tStand\tSensor\n"),
                   T("module\ttype\taddress\tlast calibration\tdue\tstate\tsensor\n")},
    .keinIntervall = {T("kein Intervall"), T("no interval")},
    .zeilePasstNicht = {T("%1: Zeile %2 passt nicht in die Hash-Kette: %3\n"),
                        T("%1: line %2 does not fit the hash chain: %3\n")},
    .ketteHaelt = {T("%1: die Hash-Kette ist vollständig: %2 Zeilen geprüft, %3 ältere Zeilen "
                     "ohne Hash davor\n"),
                   T("%1: the hash chain holds: %2 lines checked, %3 older lines without hash "
                     "before them\n")},
    .uhrJahrUngueltig = {T("Das Datum %1 kann die Uhr des Moduls nicht halten: sie kennt nur die "
                           "Jahre %2 bis %3. Es wurde nichts gesendet."),
                         T("The module's clock cannot hold the date %1: it knows only the years "
                           "%2 to %3. Nothing was sent.")},
    .loggerUnvollstaendig = {T("Der Datenlogger wurde nicht vollständig ausgelesen: %1 von %2 "
                               "Datensätzen empfangen."),
                             T("The data logger was not read out completely: %1 of %2 records "
                               "received.")},
    .exportNichtSchreibbar = {T("Die Exportdatei kann nicht geschrieben werden:\n%1"),
                              T("The export file cannot be written:\n%1")},
    .dateiDatenlogger = {T("datenlogger"), T("logger")},
    .kalibrierungNichtBestaetigt = {T("Das Modul hat die Kalibrierung nicht bestätigt: sie ist "
                                      "möglicherweise nicht gespeichert."),
                                    T("The module did not confirm the calibration: it may not "
                                      "be stored.")},
    .protokollNichtSchreibbar = {T("Das Kalibrierprotokoll kann nicht geschrieben werden:\n%1"),
                                 T("The calibration record cannot be written:\n%1")},
    .konfigurationNichtGeschrieben = {T("Die Konfiguration wurde nicht (vollständig) in das "
                                        "Modul geschrieben."),
                                      T("The configuration was not (completely) written to the "
                                        "module.")},
    .keineBerechtigung = {T("Keine Berechtigung für den Anschluss. Serielle Anschlüsse dürfen "
                            "die Mitglieder der Gruppe \"dialout\" öffnen. Abhilfe: im Terminal\n"
                            "    sudo usermod -aG dialout $USER\n"
                            "eingeben, dann ab- und wieder anmelden."),
                          T("No permission for the port. Serial ports may be opened by the "
                            "members of the group \"dialout\". To fix it, enter\n"
                            "    sudo usermod -aG dialout $USER\n"
                            "in a terminal, then log out and in again.")},
    .sucheAnbieten = {T("\"Suchen...\" sucht das Modul an allen seriellen Anschlüssen."),
                      T("\"Search...\" looks for the module on every serial port.")},
    .suchen = {T("Suchen..."), T("Search...")},
    .modulSuchen = {T("Modul suchen"), T("Find module")},
    .zuordnen = {T("COM%1 zuordnen"), T("Assign to COM%1")},
    .sucheLaeuft = {T("Suche an %1 mit %2 Baud ..."), T("Searching %1 at %2 baud ...")},
    .modulGefunden = {T("Gefundene Module: %1. Bitte eines wählen und COM%2 zuordnen."),
                      T("Modules found: %1. Choose one and assign it to COM%2.")},
    .keinModulGefunden = {T("Kein Modul gefunden."), T("No module found.")},
    .sucheAbgebrochen = {T("Suche abgebrochen."), T("Search cancelled.")},
    .fundZeile = {T("%1   %2 Baud   Adresse %3   %4"), T("%1   %2 baud   address %3   %4")},
    .unbekannterTyp = {T("unbekannter Typ"), T("unknown type")},
    .anschlussBelegt = {T("%1: von einem anderen Programm belegt"),
                        T("%1: in use by another program")},
    .anschlussFehler = {T("%1: kann nicht geöffnet werden (%2)"), T("%1: cannot be opened (%2)")},
    .anschlussRate = {T("%1, %2 Baud"), T("%1, %2 baud")},
};

}  // namespace ql50
