#pragma once
// "Kalibrierverlauf": the calibrations of one module over time as a chart (pH slope in % of
// theory and asymmetry, Redox offset, cell constant or oxygen slope), the stored runs on the
// line, those stored despite a warning and those refused marked apart, the usable band of the
// sensor and the trend line that estimates when it leaves it. Saved as PNG or CSV.
#include <vector>

#include "care/CalibrationHistory.h"
#include "ui/CDialog.h"
#include "ui/ProcedureHost.h"

class QChart;
class QChartView;
class QDateTimeAxis;
class QValueAxis;

namespace ql50 {

class CHistoryWindow : public ui::CDialog {
    Q_OBJECT
public:
    enum Id : int {
        kIdModuleLabel = 1401,
        kIdModule = 1402,
        kIdSavePng = 1403,
        kIdSaveCsv = 1404,
        kIdCondition = 1405,
        kIdChart = 1406,
    };

    explicit CHistoryWindow(ui::ProcedureHost& host, QWidget* parent = nullptr);
    ~CHistoryWindow() override;

    // The modules to offer and the one to show (an index; -1 the last).
    void SetHistories(std::vector<ModuleHistory> histories, int shown);
    // Captions, texts and the chart in the host's current language.
    void ApplyLanguage();

    const std::vector<ModuleHistory>& histories() const { return histories_; }
    int shown() const { return shown_; }
    QChartView* chartView() const { return view_; }

protected:
    bool OnInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Redraw();
    void FillModules();
    void DrawQuantities(const ModuleHistory& history, int language);
    QString ConditionText(const ModuleHistory& history, int language) const;
    void OnModule();
    void SavePng();
    void SaveCsv();
    void PlaceChart();

    ui::ProcedureHost& host_;
    QChart* chart_;
    QChartView* view_;
    // The axes stay; each drawing titles and scales them anew.
    QDateTimeAxis* timeAxis_;
    QValueAxis* valueAxes_[2];
    std::vector<ModuleHistory> histories_;
    int shown_ = -1;
};

}  // namespace ql50
