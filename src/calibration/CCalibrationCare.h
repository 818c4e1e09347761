#pragma once
// The care of the connected module's calibration in the main window: which module is on the
// line, when its next calibration is due and how its sensor fares (a line for the status
// area), and the calibration history window. It reads only the end of the record, so a record
// of any size costs the window no time.
#include <QString>
#include <memory>
#include <optional>

#include "care/CalibrationDue.h"
#include "care/CalibrationRecord.h"

namespace ql50 {

class CalibrationHost;
class CHistoryWindow;

class CCalibrationCare {
public:
    explicit CCalibrationCare(CalibrationHost& host);
    ~CCalibrationCare();

    // After a calibration run: the module it talked to (device number, address, type).
    void Calibrated(const CalibrationRecordEntry& run);
    // After the start reads of a measurement: the module at this address is of this type.
    void MeasurementStarted(int address, int type);
    // The status area's line about the connected module; empty when the record knows no stored
    // calibration of it.
    QString StatusLine(int language) const;
    const std::optional<ModuleStatus>& status() const { return status_; }

    // "Kalibrierverlauf": opens the history window (made when first opened) at the connected
    // module, or brings it to the front.
    void ShowHistory();
    CHistoryWindow* historyWindow() const { return window_.get(); }
    void ApplyLanguage();

private:
    void Update();

    CalibrationHost& host_;
    ModuleRef connected_;
    std::optional<ModuleStatus> status_;
    std::unique_ptr<CHistoryWindow> window_;
};

}  // namespace ql50
