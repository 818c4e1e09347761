#pragma once
// The recording file's lines and the calibration summary of the main window.
// Texts are Windows-1252 bytes, as they are written to the file.
#include <ctime>
#include <string>

#include "link/ModulDaten.h"

namespace ql50 {

// Written at every start of a measurement; the same for every measurement type. Ends in LF.
std::string RecordHeaderLine();
// One data line: "DD.MM.YYYY<TAB>HH:MM<TAB>" and the six values (channel 1, temperature,
// channels 3, 4, 2, 5 with 1, 1, 0, 0, 2, 0 decimals) with a decimal comma, ended by CR LF.
// A value that is not finite (NaN, infinity) leaves its cell empty.
std::string RecordDataLine(const std::tm& localTime, const CModulDaten& modul);
// The line of an interval whose values no poll cycle brought: date, time and the tabs of the
// six cells, which stay empty, so the file keeps one line per interval and never shows old
// values as new.
std::string RecordGapLine(const std::tm& localTime);
// "<label>: <value>  " for calibration value 1 and for values 2 to 4 whose label is not empty,
// with the type's decimals, in the given language.
std::string CalibrationSummary(const CModulDaten& modul, int language);
// The recording interval in milliseconds; an interval of 00:00:00 records once per second
// instead of flooding the file as fast as the timer can fire.
int RecordTimerMs(int hours, int minutes, int seconds);

}  // namespace ql50
