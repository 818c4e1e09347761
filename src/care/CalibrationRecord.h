#pragma once
// The calibration record: one line per calibration run appended to kalibrierung.txt in the
// working folder, so a laboratory can show who changed which calibration value when, and that
// no line was changed or taken out since. UTF-8, tab-separated, each line ending in a line
// feed, a header line when the file is new; the file is only ever appended to, one whole line
// at a time, and never rewritten.
//
// A line has eleven cells:
//   time  type  address  calibration  before  after  result  module  temperature  values  hash
// - time: local ISO 8601 time with its UTC offset, "2026-12-07T10:00:00+01:00"
// - type, calibration, before, after, result: for people, in the user's language
// - address: the bus address the run talked to
// - module: the device number the module reported after the run; empty when it did not answer
// - temperature: the sensor's temperature in °C during the run, one decimal; empty when the run
//   ended before its branch
// - values: calibration values 1 to 4 and the air-pressure factor as stored, separated by
//   blanks, up to seven significant digits with a decimal point; empty when nothing was stored
// - hash: 64 lower-case hex digits, the SHA-256 of the previous line's hash followed by this
//   line's first ten cells with their tabs (everything before the last tab). The first line
//   that carries a hash follows the empty string. Changing or taking out any line breaks the
//   chain at that line or at the next one.
// Lines written before the record carried the last four cells have seven cells and no hash;
// they stay readable, and the chain starts at the first line with a hash.
#include <QDateTime>
#include <array>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "care/CalibrationBranch.h"
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

// Calibration values 1 to 4 and the air-pressure factor.
using CalibrationNumbers = std::array<float, 5>;

struct CalibrationRecordEntry {
    std::time_t time = 0;
    std::optional<int> moduleType;  // type index 0..7, unknown when the module did not answer
    int address = 0;
    std::optional<CalibrationBranch> branch;  // unknown when the run ended before a branch
    std::string before;                       // the calibration values, see CalibrationValues
    std::string after;                        // empty when nothing was stored
    CalibrationOutcome outcome = CalibrationOutcome::NotStored;
    std::string moduleId;                      // the module's device number; empty: unknown
    std::optional<float> temperature;          // °C during the run
    std::optional<CalibrationNumbers> stored;  // what was written into the module
};

// The header line in the language (1 English, else German), ending in a line feed.
std::string CalibrationRecordHeader(int language);
// The first ten cells of the entry's line, without the hash and the line feed.
std::string CalibrationRecordCells(const CalibrationRecordEntry& entry, int language);
// The whole line: the cells, a tab, the hash chained to `previousHash`, a line feed.
std::string CalibrationRecordLine(const CalibrationRecordEntry& entry, int language,
                                  const std::string& previousHash);
// The calibration values of the module's type with their labels and units, e.g.
// "Asymmetrie 1.3 mV; Steilheit -58.2 mV/pH", and the air-pressure factor of an oxygen module.
std::string CalibrationValues(const CModulDaten& modul, int language);
// The device number of register 26 as the record keeps it: the printable characters up to the
// first zero byte, without blanks around them.
std::string ModuleIdText(const std::array<char, 4>& deviceNumber);

// Appends the entry's line to the record at `path`, chained to the hash of its last line, with
// the header first when the file is new or empty. False with "<path>: <reason>" in `error`
// when it cannot be read or written, or is no regular file.
bool AppendCalibrationRecord(const std::string& path, const CalibrationRecordEntry& entry,
                             int language, std::string* error);

// One line of the record read back, in either language and either form.
struct RecordedCalibration {
    std::int64_t line = 0;  // its number in the file, counted from 1; 0 when not known
    QDateTime time;         // with the offset it was written with
    int type = -1;          // type index, -1 unknown
    int address = -1;
    std::optional<CalibrationBranch> branch;
    std::optional<CalibrationOutcome> outcome;  // unknown for a text this program never wrote
    std::string moduleId;
    std::optional<double> temperature;
    // Calibration values 1 to 4 and the air-pressure factor after the run: from the values
    // cell, or for an older line from the "after" cell as far as it shows them; NaN where not
    // known. Only a stored run has them.
    std::array<double, 5> values;
    bool Stored() const;  // the module took the values (with or without a warning)
};

// Nothing for the header line or a line with a time cell that is no time.
std::optional<RecordedCalibration> ParseCalibrationRecordLine(std::string_view line);

}  // namespace ql50
