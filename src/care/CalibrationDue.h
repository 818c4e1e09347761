#pragma once
// When a module's next calibration is due: an interval in days per kind of sensor, counted from
// the day of the module's last stored sensor calibration in the record. The intervals live in
// the user's settings ($XDG_CONFIG_HOME/ql50/ql50.conf, never config.ini):
//
//   [CalibrationIntervalDays]
//   pH=7
//   Redox=7
//   Conductivity=30
//   Oxygen=7
//   Turbidity=0
//
// 0 or nothing means no due date; a value that is no whole number of days from 1 to 3650 is
// passed over for the default.
#include <QDate>
#include <QString>
#include <array>
#include <optional>

#include "care/CalibrationHistory.h"

class QSettings;

namespace ql50 {

// pH, Redox, conductivity (all four ranges), oxygen, turbidity: days, 0 for none.
using DueIntervals = std::array<int, 5>;
inline constexpr DueIntervals kDefaultDueIntervals{7, 7, 30, 7, 0};

DueIntervals DueIntervalsFrom(const QSettings& settings);
// From the user's settings file; the defaults where it says nothing.
DueIntervals UserDueIntervals();

enum class DueState { NotDue, Due, Overdue };  // Due: on the due day itself

struct ModuleStatus {
    ModuleRef module;
    RecordedCalibration last;  // the last stored sensor calibration
    std::optional<QDate> due;  // nothing when the type has no interval
    DueState state = DueState::NotDue;
    std::optional<Verdict> verdict;  // of the last stored calibration
};

// Nothing when the module has no stored calibration. `today` in the local calendar; the due
// day is the calendar day of the last calibration as written in the record, plus the interval.
std::optional<ModuleStatus> StatusOf(const ModuleHistory& history, const DueIntervals& intervals,
                                     QDate today);

// The main window's line: "Kalibriert am 07.12.2026 (Sensor: gut), nächste am 14.12.2026",
// "Kalibrierung heute fällig ...", "Kalibrierung überfällig ..."; English alike.
QString StatusLine(const ModuleStatus& status, int language);
QString DueStateText(DueState state, int language);

}  // namespace ql50
