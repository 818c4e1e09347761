#include "trend/CTrendWindow.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QSaveFile>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "trend/TrendCsv.h"
#include "trend/TrendPlot.h"
#include "trend/TrendScale.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

using ui::Ctl;

// The controls in a row above the chart, which takes the rest of the window.
constexpr int kChartTop = 23;  // dialog units
constexpr ui::ControlTemplate kControls[] = {
    {CTrendWindow::kIdRangeLabel, Ctl::Static, "Zeitraum:", 7, 8, 36, 8},
    {CTrendWindow::kIdRange, Ctl::Combo, "", 44, 6, 44, 80},
    {CTrendWindow::kIdPause, Ctl::Button, "Anhalten", 96, 5, 60, 14},
    {CTrendWindow::kIdSavePng, Ctl::Button, "Als PNG speichern...", 162, 5, 84, 14},
    {CTrendWindow::kIdSaveCsv, Ctl::Button, "Als CSV speichern...", 252, 5, 84, 14},
};
constexpr ui::DialogTemplate kTemplate{160,       "Verlauf",       560, 280, "MS Sans Serif", 8,
                                       kControls, ui::kMinimizeBox};
// The smallest size that still shows the row of controls and a readable chart.
constexpr int kMinWidth = 345, kMinHeight = 140;

// How the time axis labels each range.
struct RangeLook {
    const char* caption;
    const char* timeFormat;
    int ticks;
};
constexpr RangeLook kRangeLooks[] = {
    {"1 min", "HH:mm:ss", 7}, {"10 min", "HH:mm:ss", 6}, {"1 h", "HH:mm", 7},
    {"6 h", "HH:mm", 7},      {"24 h", "HH:mm", 7},
};
static_assert(std::size(kRangeLooks) == kTrendRanges.size());

constexpr int kValueTicks = 6;
// The window moves on in steps of this part of its width.
constexpr int kScrollSteps = 50;

// A colour per live channel; the temperature (channel 6) red.
constexpr QRgb kChannelColors[kTrendChannels] = {0x1f77b4, 0x2ca02c, 0xff7f0e,
                                                 0x9467bd, 0x17becf, 0xd62728};

}  // namespace

QString TrendCaption(int language) {
    return Qs(Tx(kMeldungen.verlauf, language));
}

CTrendWindow::CTrendWindow(const TrendModel& model, ui::ProcedureHost& host, QWidget* parent)
    : ui::CDialog(kTemplate, parent),
      model_(model),
      host_(host),
      chart_(new QChart),
      view_(new QChartView(chart_, this)),
      plot_(new TrendPlot(chart_)),
      timeAxis_(new QDateTimeAxis) {
    // Unlike the program's dialogs this window can be resized and maximised: a chart is worth
    // the room.
    const QSize templateSize = size();
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setMinimumSize(ui::MapDialogRect(Units(), 0, 0, kMinWidth, kMinHeight).size());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(templateSize);  // and not what showing a window without a layout would make of it
    view_->setObjectName(QString::number(kIdChart));
    view_->setAccessibleDescription(QString::number(kIdChart));
    view_->setRenderHint(QPainter::Antialiasing);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    connect(chart_, &QChart::plotAreaChanged, this, [this] { OnPlotAreaChanged(); });
    OnSelChange(kIdRange, [this] { OnRange(); });
    OnCommand(kIdPause, [this] { OnPause(); });
    OnCommand(kIdSavePng, [this] { SavePng(); });
    OnCommand(kIdSaveCsv, [this] { SaveCsv(); });
    PlaceChart();
}

CTrendWindow::~CTrendWindow() = default;

bool CTrendWindow::OnInitDialog() {
    if (auto* combo = ItemAs<QComboBox>(kIdRange)) {
        for (const RangeLook& look : kRangeLooks) combo->addItem(QString::fromUtf8(look.caption));
        combo->setCurrentIndex(int(range_));
        // Screen readers on Linux name a drop-down list by its entry and tell its label by
        // this relation.
        if (auto* label = ItemAs<QLabel>(kIdRangeLabel)) label->setBuddy(combo);
    }
    ApplyLanguage();
    return true;
}

void CTrendWindow::ApplyLanguage() {
    const int lang = host_.Language();
    SetCaption(TrendCaption(lang));
    view_->setAccessibleName(TrendCaption(lang));
    SetItemText(kIdRangeLabel, Qs(Tx(kMeldungen.zeitraum, lang)));
    // A drop-down list would be named by its entry: its label's caption names it elsewhere.
    if (QWidget* range = Item(kIdRange))
        range->setAccessibleName(Qs(Tx(kMeldungen.zeitraum, lang)));
    SetItemText(kIdPause, Qs(Tx(paused_ ? kMeldungen.weiter : kMeldungen.anhalten, lang)));
    SetItemText(kIdSavePng, Qs(Tx(kMeldungen.alsPngSpeichern, lang)));
    SetItemText(kIdSaveCsv, Qs(Tx(kMeldungen.alsCsvSpeichern, lang)));
    Redraw();
}

void CTrendWindow::ModelChanged() {
    if (!IsOpen() || paused_ || model_.revision() == drawnRevision_) return;
    Redraw();
}

// The whole milliseconds of the window shown: the grid's columns up to the one that the newest
// sample (or the paused end) lies in, or that starts with it.
TrendWindow CTrendWindow::Shown() const {
    return {TrendTime(std::ceil(grid_.Start(end_ - grid_.columns))),
            TrendTime(std::floor(grid_.Start(end_)))};
}

// One value axis per unit, on alternating sides; an axis of a single channel takes its colour.
void CTrendWindow::BuildAxes() {
    chart_->removeAllSeries();
    for (const auto& [unit, axis] : unitAxes_) {
        chart_->removeAxis(axis);
        delete axis;
    }
    unitAxes_.clear();
    channelAxis_.clear();
    axisScales_.clear();
    builtType_ = model_.typeIndex();
    builtLanguage_ = host_.Language();
    channels_ = TrendChannels(builtType_, builtLanguage_);
    std::map<std::string, int> perUnit;
    for (const TrendChannel& c : channels_) ++perUnit[c.unit];
    for (const TrendChannel& c : channels_) {
        QValueAxis*& axis = unitAxes_[c.unit];
        if (axis == nullptr) {
            axis = new QValueAxis;
            axis->setTitleText(QString::fromStdString(c.unit));
            axis->setTickCount(kValueTicks);
            axis->setGridLineVisible(unitAxes_.size() == 1);
            chart_->addAxis(axis, unitAxes_.size() % 2 == 1 ? Qt::AlignLeft : Qt::AlignRight);
        }
        // The series only carries the channel's name and colour to the legend and the axes;
        // the plot draws its values.
        auto* series = new QLineSeries;
        series->setColor(QColor(kChannelColors[c.index]));
        series->setName(
            QString::fromStdString(c.unit.empty() ? c.label : c.label + " [" + c.unit + "]"));
        chart_->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(axis);
        if (perUnit[c.unit] == 1) {
            axis->setLinePenColor(series->color());
            axis->setLabelsColor(series->color());
            axis->setTitleBrush(series->color());
        }
        channelAxis_.push_back(axis);
    }
    thinnings_.assign(channels_.size(), TrendThinning());
    channelSpans_.assign(channels_.size(), {});
}

void CTrendWindow::Redraw() {
    if (!IsOpen()) return;
    if (builtType_ != model_.typeIndex() || builtLanguage_ != host_.Language()) BuildAxes();
    // One column per pixel of the plot.
    grid_ = {kTrendRanges[range_], std::max(1, int(chart_->plotArea().width()))};
    end_ = EndColumn();
    const TrendWindow shown = Shown();
    ShowTimeRange(shown);
    const auto series = chart_->series();
    std::vector<TrendPlot::Line> lines;
    std::vector<std::size_t> firstChanged;
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        const QColor color = static_cast<QLineSeries*>(series[qsizetype(i)])->color();
        const TrendSeries& values = model_.channel(channels_[i].index);
        lines.push_back(
            {color, channelAxis_[i], &thinnings_[i].Update(values, model_.history(), grid_, end_)});
        firstChanged.push_back(thinnings_[i].firstChanged());
    }
    // Unless the window or an axis moved, only the newest points are drawn again.
    const double from = grid_.Start(end_ - grid_.columns), to = grid_.Start(end_);
    if (!ScaleValueAxes(shown) && plot_->Shows(from, to)) {
        plot_->SetNewestPoints(std::move(lines), firstChanged);
    } else {
        plot_->SetLines(std::move(lines), from, to);
    }
    const bool any = model_.typeIndex() >= 0;
    EnableItem(kIdSavePng, any);
    EnableItem(kIdSaveCsv, any);
    drawnRevision_ = model_.revision();
}

// The window moves on by whole columns, in steps of a fiftieth of its width and to every whole
// range (a day at midnight): between steps a poll changes the newest columns only, and the axes
// stay. The newest values may lie up to a step before the right edge.
std::int64_t CTrendWindow::EndColumn() const {
    const TrendTime end =
        paused_ ? pausedAt_ : model_.Latest(grid_.span, QDateTime::currentMSecsSinceEpoch()).to;
    const std::int64_t newest = grid_.EndAt(end);
    const auto stepAfter = [newest](std::int64_t step) {
        return newest + (step - newest % step) % step;  // the first multiple from newest on
    };
    return std::min(stepAfter((grid_.columns + kScrollSteps - 1) / kScrollSteps),
                    stepAfter(grid_.columns));
}

// The time axis is laid out anew only when the window moved.
void CTrendWindow::ShowTimeRange(TrendWindow shown) {
    if (shownTimes_ && shownTimes_->from == shown.from && shownTimes_->to == shown.to &&
        shownLook_ == range_)
        return;
    const RangeLook& look = kRangeLooks[range_];
    timeAxis_->setFormat(QString::fromUtf8(look.timeFormat));
    timeAxis_->setTickCount(look.ticks);
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(shown.from),
                        QDateTime::fromMSecsSinceEpoch(shown.to));
    shownTimes_ = shown;
    shownLook_ = range_;
}

// Each unit's axis spans the values of its channels inside the window, with a margin, in round
// steps. An axis is touched only when what it shows changes: every change lays out its labels
// anew. Returns whether one changed.
bool CTrendWindow::ScaleValueAxes(TrendWindow shown) {
    struct Span {
        double low = HUGE_VAL, high = -HUGE_VAL;
        int decimals = 0;
    };
    std::map<QValueAxis*, Span> spans;
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        // Points that stayed keep their values; a column that took values only widened.
        const std::vector<TrendPoint>& points = thinnings_[i].points();
        auto& [low, high] = channelSpans_[i];
        if (thinnings_[i].firstChanged() == 0) low = HUGE_VAL, high = -HUGE_VAL;
        for (std::size_t k = thinnings_[i].firstChanged(); k < points.size(); ++k) {
            if (points[k].time < shown.from || points[k].time > shown.to) continue;
            low = std::min(low, points[k].value);
            high = std::max(high, points[k].value);
        }
        Span& span = spans[channelAxis_[i]];
        span.decimals = std::max(span.decimals, channels_[i].decimals);
        span.low = std::min(span.low, low);
        span.high = std::max(span.high, high);
    }
    bool changed = false;
    for (const auto& [axis, span] : spans) {
        TrendScale& shownScale = axisScales_[axis];
        const TrendScale scale =
            ScaleTrendAxis(span.low, span.high, span.decimals,
                           shownScale.ticks > 0 ? shownScale.ticks : kValueTicks);
        if (scale == shownScale) continue;
        changed = true;
        if (scale.min != shownScale.min || scale.max != shownScale.max)
            axis->setRange(scale.min, scale.max);
        if (scale.ticks != shownScale.ticks) axis->setTickCount(scale.ticks);
        if (scale.labelDecimals != shownScale.labelDecimals || shownScale.ticks == 0)
            axis->setLabelFormat(QStringLiteral("%.%1f").arg(scale.labelDecimals));
        shownScale = scale;
    }
    return changed;
}

void CTrendWindow::OnRange() {
    if (auto* combo = ItemAs<QComboBox>(kIdRange)) {
        const int index = combo->currentIndex();
        if (index >= 0 && index < int(kTrendRanges.size())) range_ = std::size_t(index);
    }
    Redraw();
}

void CTrendWindow::OnPause() {
    // The window stays where it is now until the user resumes.
    if (!paused_) pausedAt_ = Shown().to;
    paused_ = !paused_;
    SetItemText(kIdPause,
                Qs(Tx(paused_ ? kMeldungen.weiter : kMeldungen.anhalten, host_.Language())));
    Redraw();
}

QString CTrendWindow::FileStem() const {
    return Qs(Tx(kMeldungen.dateiVerlauf, host_.Language()));
}

void CTrendWindow::SavePng() {
    const QString path =
        ui::SaveFileDialog(this, "png", ui::SuggestedFileName(FileStem(), QStringLiteral("png")),
                           QStringLiteral("PNG (*.png) | *.png ||"));
    if (path.isEmpty()) return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !view_->grab().save(&file, "PNG") || !file.commit())
        host_.ReportFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

void CTrendWindow::SaveCsv() {
    const QString path =
        ui::SaveFileDialog(this, "csv", ui::SuggestedFileName(FileStem(), QStringLiteral("csv")),
                           QStringLiteral("CSV (*.csv) | *.csv ||"));
    if (path.isEmpty()) return;
    const std::string csv = TrendCsv(model_, Shown(), host_.Language());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.data(), qint64(csv.size())) != qint64(csv.size()) || !file.commit())
        host_.ReportFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

void CTrendWindow::PlaceChart() {
    const int top = ui::MapDialogRect(Units(), 0, kChartTop, 0, 0).top();
    view_->setGeometry(0, top, width(), std::max(0, height() - top));
}

void CTrendWindow::resizeEvent(QResizeEvent* event) {
    ui::CDialog::resizeEvent(event);
    PlaceChart();
}

// The plot area follows the window's size and the width of the axes' labels: the lines move
// with it, and a plot that got wider or narrower by more than a few pixel columns is thinned
// again for its new width.
void CTrendWindow::OnPlotAreaChanged() {
    plot_->PlotAreaChanged();
    if (rethinPending_ || std::abs(int(chart_->plotArea().width()) - grid_.columns) <= 8) return;
    // Not inside the chart's layout pass, which the new axis ranges would start again.
    rethinPending_ = true;
    QTimer::singleShot(0, this, [this] {
        rethinPending_ = false;
        Redraw();
    });
}

}  // namespace ql50
