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
};

}  // namespace ql50
