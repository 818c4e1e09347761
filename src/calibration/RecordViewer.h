#pragma once
// "Kalibrierprotokoll anzeigen": the calibration record as a table of its last lines, with the
// first line that breaks the hash chain marked. The whole file is read in pieces while a
// progress window (after half a second) offers to cancel, so a record of any size or content
// neither freezes nor crashes the program.
#include <string>

class QWidget;

namespace ql50 {

void ShowCalibrationRecord(QWidget* parent, const std::string& path, int language);

}  // namespace ql50
