#pragma once
// The trend window: the live channels of the measurement type over the last minute to 24 hours,
// one value axis per unit, scrolling with every poll unless paused, and saved as a picture or as
// CSV. It only draws while it is open; the main window keeps its model fed either way, so the
// history is there when the window opens during a measurement.
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "trend/TrendModel.h"
#include "trend/TrendScale.h"
#include "trend/TrendThinning.h"
#include "ui/CDialog.h"
#include "ui/ProcedureHost.h"

class QChart;
class QChartView;
class QDateTimeAxis;
class QValueAxis;

namespace ql50 {

class TrendPlot;

// "Verlauf" / "Trend": the window's caption, also of the main window's control that opens it.
QString TrendCaption(int language);

class CTrendWindow : public ui::CDialog {
    Q_OBJECT
public:
    enum Id : int {
        kIdRangeLabel = 1301,
        kIdRange = 1302,
        kIdPause = 1303,
        kIdSavePng = 1304,
        kIdSaveCsv = 1305,
        kIdChart = 1306,
    };

    CTrendWindow(const TrendModel& model, ui::ProcedureHost& host, QWidget* parent = nullptr);
    ~CTrendWindow() override;

    // The model changed: shown at once unless the window is closed or paused.
    void ModelChanged();
    // Captions, channel names and value axes in the host's current language.
    void ApplyLanguage();

    std::size_t range() const { return range_; }
    bool paused() const { return paused_; }
    const TrendPlot& plot() const { return *plot_; }
    QChartView* chartView() const { return view_; }

protected:
    bool OnInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Redraw();
    void BuildAxes();
    std::int64_t EndColumn() const;
    void ShowTimeRange(TrendWindow shown);
    bool ScaleValueAxes(TrendWindow shown);
    TrendWindow Shown() const;
    void OnRange();
    void OnPause();
    QString FileStem() const;  // of the names the save dialogs offer
    void SavePng();
    void SaveCsv();
    void PlaceChart();
    void OnPlotAreaChanged();

    const TrendModel& model_;
    ui::ProcedureHost& host_;
    QChart* chart_;
    QChartView* view_;
    TrendPlot* plot_;
    QDateTimeAxis* timeAxis_;
    std::vector<TrendChannel> channels_;
    std::vector<QValueAxis*> channelAxis_;  // per entry of channels_
    std::map<std::string, QValueAxis*> unitAxes_;
    std::map<QValueAxis*, TrendScale> axisScales_;  // what each value axis shows
    std::vector<TrendThinning> thinnings_;          // per entry of channels_
    // The smallest and largest value shown per entry of channels_.
    std::vector<std::pair<double, double>> channelSpans_;
    std::size_t range_ = kDefaultTrendRange;
    bool paused_ = false;
    TrendTime pausedAt_ = 0;
    int builtType_ = -2;
    int builtLanguage_ = -1;
    // The window shown: the grid's columns before column end_.
    TrendGrid grid_;
    std::int64_t end_ = 0;
    std::optional<TrendWindow> shownTimes_;
    std::size_t shownLook_ = 0;
    bool rethinPending_ = false;
    std::uint64_t drawnRevision_ = 0;
};

}  // namespace ql50
