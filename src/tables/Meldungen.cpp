#include "tables/Meldungen.h"

#include "tables/Cp1252.h"

namespace ql50 {

namespace {
using T = Cp1252Text;
}  // namespace

constinit const MeldungsTabelle kMeldungen = {
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
    .kalibrierungNichtBestaetigt = {T("Das Modul hat die Kalibrierung nicht bestätigt: sie ist "
                                      "möglicherweise nicht gespeichert."),
                                    T("The module did not confirm the calibration: it may not "
                                      "be stored.")},
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
