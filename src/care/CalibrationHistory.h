#pragma once
// The calibration history of each module in the record: its sensor calibrations in order (pH,
// Redox, cell constant, oxygen slope; the salinity and air pressure are settings, not the
// sensor's condition), the values charted for its type, the verdict of each stored run and the
// drift of the sensor.
//
// A module is known by the device number it reported after the run. Lines without one (of
// older versions, or when the module did not answer) are kept apart by bus address and type.
#include <QString>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "care/CalibrationRecord.h"
#include "care/SensorCondition.h"
#include "tables/Meldungen.h"

namespace ql50 {

struct ModuleRef {
    std::string id;  // device number; empty: not known
    int address = -1;
    int type = -1;
};

// "Modul 4711 (pH)", or without device number "Adresse 3 (pH)".
QString ModuleName(const ModuleRef& module, int language);

struct ModuleHistory {
    ModuleRef module;
    std::vector<RecordedCalibration> runs;  // in the order of the record
    // The first stored condition value: what an oxygen sensor's slope is measured against.
    double reference = 0;

    const RecordedCalibration* LastStored() const;
    std::optional<Verdict> VerdictOf(const RecordedCalibration& run) const;
    std::optional<Condition> ConditionOf(const RecordedCalibration& run) const;
    // The drift of the condition value over the stored runs.
    std::optional<Drift> DriftOf() const;
};

// The sensor calibrations grouped by module, in the order each module first appears.
std::vector<ModuleHistory> BuildHistory(const std::vector<RecordedCalibration>& runs);

// The history of the module on the line: by device number when it is known (then a history
// without device number at the same address and type), else the latest at the address and type.
const ModuleHistory* HistoryOf(const std::vector<ModuleHistory>& histories,
                               const ModuleRef& connected);

// What the history charts for a type: label (an entry of kMeldungen), unit and the value of a
// run.
struct HistoryQuantity {
    const TextPair<30>* label;
    const char* unit;
    int index;  // 0: the condition value of the type, 1: the pH asymmetry
};
std::vector<HistoryQuantity> HistoryQuantities(int type);
double QuantityOf(const ModuleHistory& history, const RecordedCalibration& run,
                  const HistoryQuantity& quantity);

// "Gut", "Brauchbar", "Reinigen oder ersetzen" and the English words.
QString VerdictText(Verdict verdict, int language);
QString OutcomeText(std::optional<CalibrationOutcome> outcome, int language);

// The module's runs as CSV (RFC 4180, UTF-8, CR LF): time, result, the charted quantities,
// the verdict.
std::string HistoryCsv(const ModuleHistory& history, int language);

}  // namespace ql50
