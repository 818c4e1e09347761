#include "calibration/CCalibrationCare.h"

#include "calibration/CCalibration.h"
#include "calibration/CHistoryWindow.h"
#include "care/RecordReader.h"

namespace ql50 {
namespace {

std::vector<ModuleHistory> ReadHistories(const std::string& path) {
    return BuildHistory(RecordedRuns(ReadRecordTail(path)));
}

int IndexOf(const std::vector<ModuleHistory>& histories, const ModuleHistory* h) {
    return h ? int(h - histories.data()) : -1;
}

}  // namespace

CCalibrationCare::CCalibrationCare(CalibrationHost& host) : host_(host) {}

CCalibrationCare::~CCalibrationCare() = default;

void CCalibrationCare::Calibrated(const CalibrationRecordEntry& run) {
    if (!run.moduleType) return;  // the module did not answer: nothing new about it
    connected_ = {run.moduleId, run.address, *run.moduleType};
    Update();
}

void CCalibrationCare::MeasurementStarted(int address, int type) {
    // The device number read at the last calibration stays with the module it came from.
    if (connected_.address != address || connected_.type != type) connected_.id.clear();
    connected_.address = address;
    connected_.type = type;
    Update();
}

void CCalibrationCare::Update() {
    std::vector<ModuleHistory> histories = ReadHistories(host_.CalibrationRecordPath());
    const ModuleHistory* mine = HistoryOf(histories, connected_);
    status_ = mine ? StatusOf(*mine, UserDueIntervals(), QDate::currentDate()) : std::nullopt;
    const int shown = IndexOf(histories, mine);
    if (window_ && window_->IsOpen()) window_->SetHistories(std::move(histories), shown);
    host_.Refresh();
}

QString CCalibrationCare::StatusLine(int language) const {
    return status_ ? ql50::StatusLine(*status_, language) : QString();
}

void CCalibrationCare::ShowHistory() {
    if (!window_) window_ = std::make_unique<CHistoryWindow>(host_, host_.HostWindow());
    if (!window_->IsOpen()) window_->Create(host_.HostWindow());
    std::vector<ModuleHistory> histories = ReadHistories(host_.CalibrationRecordPath());
    const int shown = IndexOf(histories, HistoryOf(histories, connected_));
    window_->SetHistories(std::move(histories), shown);
    window_->raise();
    window_->activateWindow();
}

void CCalibrationCare::ApplyLanguage() {
    if (window_) window_->ApplyLanguage();
}

}  // namespace ql50
