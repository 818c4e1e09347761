#pragma once
// The calibration record: one line per calibration run appended to kalibrierung.txt in the
// working folder, so a laboratory can show who changed which calibration value when. UTF-8,
// tab-separated, a header line when the file is new; the file is only ever appended to, one
// whole line at a time.
#include <ctime>
#include <optional>
#include <string>

#include "calibration/CalibrationFormulas.h"
#include "link/ModulDaten.h"

namespace ql50 {

inline constexpr const char* kCalibrationRecordFile = "kalibrierung.txt";

enum class CalibrationOutcome {
    Stored,        // computed, accepted and written into the module
    StoredWarned,  // outside the accepted range, written anyway by the user's choice
    NotStored,     // the user left the result without storing, or closed the choice
    Failed,        // nothing could be computed ("Kalibrierfehler!")
    NoAnswer,      // the module did not answer the opening reads
    NotConfirmed,  // the user stored it, but the module did not confirm that it holds it
};

struct CalibrationRecordEntry {
    std::time_t time = 0;
    std::optional<int> moduleType;  // type index 0..7, unknown when the module did not answer
    int address = 0;
    std::optional<CalibrationBranch> branch;  // unknown when the run ended before a branch
    std::string before;                       // the calibration values, see CalibrationValues
    std::string after;                        // empty when nothing was stored
    CalibrationOutcome outcome = CalibrationOutcome::NotStored;
};

// "Zeit\tMesstyp\t..." in the language (1 English, else German), ending in a line feed.
std::string CalibrationRecordHeader(int language);
// One line: local ISO 8601 time with its UTC offset, type name, address, what was calibrated,
// the values before and after, and the outcome; UTF-8, ending in a line feed.
std::string CalibrationRecordLine(const CalibrationRecordEntry& entry, int language);
// The calibration values of the module's type with their labels and units, e.g.
// "Asymmetrie 1.3 mV; Steilheit -58.2 mV/pH", and the air-pressure factor of an oxygen module.
std::string CalibrationValues(const CModulDaten& modul, int language);

// Appends the line to the record at `path`, with the header first when the file is new or
// empty. False with "<path>: <reason>" in `error` when it cannot be written.
bool AppendCalibrationRecord(const std::string& path, const std::string& line, int language,
                             std::string* error);

}  // namespace ql50
