#include "tables/Texte.h"

#include "tables/Cp1252.h"

namespace ql50 {

namespace {
using T = Cp1252Text;
}  // namespace

constinit const TextTabelle kTexte = {
    .messungStarten = {T("Messung starten"), T("Start Measurement")},
    .messungBeenden = {T("Messung beenden"), T("End Measurement")},
    .parametrieren = {T("Parametrieren"), T("Parameter")},
    .kalibrieren = {T("Kalibrieren"), T("Calibration")},
    .konfigurieren = {T("Konfigurieren"), T("Configuration")},
    .setupMessung = {T("Setup Messung"), T("Setup Measurement")},
    .beenden = {T("Beenden"), T("Exit")},
    .abbrechen = {T("Abbrechen"), T("Cancel")},
    .speichern = {T("Speichern"), T("Save")},
    .sauerstoff = {T("Sauerstoff"), T("Oxygen")},
    .luftdruck = {T("Luftdruck"), T("Air pressure")},
    .salinitaet = {T("Salinität"), T("Salinity")},
    .datenloggerAuslesen = {T("Datenlogger Auslesen"), T("Read data logger")},
    .datenloggerInformation = {T("Datenlogger Information"), T("Data logger information")},
    .datenloggerLoeschen = {T("Datenlogger Löschen"), T("Clear data logger")},
    .uhrzeitStellen = {T("Uhrzeit stellen"), T("Clock setup")},
    .ja = {T("Ja"), T("Yes")},
    .nein = {T("Nein"), T("No")},
    .geraeteadresse = {T("Geräteadresse"), T("Device address")},
    .keinFehler = {T("kein Fehler"), T("no error")},
    .fehlerDatenkommunikation = {T("Fehler in der Datenkommunikation!"),
                                 T("Error data communication!")},
    .sprache = {T("Sprache"), T("Language")},
    .datenuebertragung = {T("Datenübertragung"), T("Data transmission")},
    .datenuebertragungLaeuft = {T("Datenübertragung läuft."), T("Wait for data transmission.")},
    .datenloggerintervall = {T("Datenloggerintervall\nin Minuten"),
                             T("interval for data\nlogger in minutes")},
    .datenloggerFreigeben = {T("Datenlogger freigeben"), T("release data logger")},
    .kalibrierwerte = {T("Kalibrierwerte"), T("calibration parameters")},
    .allgemein = {T("allgemein"), T("basic adj.")},
    .messwerttyp = {T("Messwerttyp"), T("measurement typ")},
    .festtemperatur = {T("Festtemperatur"), T("fixed temperature")},
    .temperaturOffset = {T("Temp.-offset"), T("temp. offset")},
    .adresse = {T("Adresse"), T("address")},
    .sensorPuffer1 = {T("Sensor in 1. Pufferlösung tauchen."),
                      T("Put sensor in 1. buffer solution.")},
    .sensorPuffer2 = {T("Sensor in 2. Pufferlösung tauchen."),
                      T("Put sensor in 2. buffer solution.")},
    .wartenStabil = {T("Warten, bis der Messwert stabil ist. Dann OK drücken."),
                     T("Wait until the value is stable. Than press OK button.")},
    .sollwertEingeben = {T("Aktuellen Sollwert eingeben!"), T("Input correct set point!")},
    .kalibrierfehler = {T("Kalibrierfehler!"), T("Calibration error!")},
    .sensorPuffer = {T("Sensor in Pufferlösung tauchen."), T("Put sensor in buffer solution.")},
    .sensorKalibriermedium = {T("Sensor in Kalibriermedium tauchen."),
                              T("Put sensor into the calibration medium.")},
    .luftdruckEingeben = {T("Aktuellen Luftdruck eingeben."), T("Input current air pressure.")},
    .salinitaetEingeben = {T("Salinität eingeben."), T("Input salinity.")},
    .aktuelleUhrzeit = {T("Aktuelle Uhrzeit:"), T("Actual time:")},
    .naechsterAlarm = {T("Nächster Alarm:"), T("Next alarm time:")},
    .datenloggerIntervall = {T("Datenlogger Intervall:"), T("data logging interval in minutes")},
    .vorhandeneDatensaetze = {T("Vorhandene Datensätze:"), T("Sets of data:")},
    .loggerFreigegeben = {T("Datenlogger ist freigegeben."), T("Data logger is enable.")},
    .loggerNichtFreigegeben = {T("Datenlogger ist nicht freigegeben."),
                               T("Data logger is disable.")},
    .loggerWirklichLoeschen = {T("Datenlogger wirklich löschen?"), T("Data logger realy clear?")},
    .loggerLeer = {T("Datenlogger ist leer."), T("Data logger is empty.")},
    .geraetesprache = {T("Gerätesprache"), T("device language")},
    .deutsch = {T("Deutsch"), T("German")},
    .englisch = {T("Englisch"), T("English")},
    .aufzeichnungsdatei = {T("Aufzeichnungsdatei"), T("Data storage file")},
};

}  // namespace ql50
