#include "calibration/CHistoryWindow.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QSaveFile>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

using ui::Ctl;

// A row of controls, two lines of verdict and trend, and the chart below them.
constexpr int kChartTop = 42;  // dialog units
constexpr ui::ControlTemplate kControls[] = {
    {CHistoryWindow::kIdModuleLabel, Ctl::Static, "Modul:", 7, 8, 30, 8},
    {CHistoryWindow::kIdModule, Ctl::Combo, "", 38, 6, 150, 80},
    {CHistoryWindow::kIdSavePng, Ctl::Button, "Als PNG speichern...", 196, 5, 84, 14},
    {CHistoryWindow::kIdSaveCsv, Ctl::Button, "Als CSV speichern...", 286, 5, 84, 14},
    {CHistoryWindow::kIdCondition, Ctl::Static, "", 7, 24, 546, 17},
};
constexpr ui::DialogTemplate kTemplate{161,       "Kalibrierverlauf", 560, 300, "MS Sans Serif", 8,
                                       kControls, ui::kMinimizeBox};
constexpr int kMinWidth = 380, kMinHeight = 160;

constexpr QRgb kQuantityColors[] = {0x1f77b4, 0x2ca02c};
constexpr QRgb kTrendColor = 0x0b3c66, kWarnedColor = 0xff7f0e, kRefusedColor = 0xd62728,
               kBandColor = 0x8c8c8c;
constexpr double kMsPerDay = 86400000.0;

struct Span {
    double low = HUGE_VAL, high = -HUGE_VAL;
    void Add(double v) {
        if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    }
    bool Empty() const { return low > high; }
};

// The axes of one drawing and the span of what went onto each.
struct Plot {
    QDateTimeAxis* time = nullptr;
    std::vector<QValueAxis*> axes;
    Span timeSpan;
    std::vector<Span> spans;
};

template <class Series>
Series* Add(QChart* chart, const Plot& plot, std::size_t axis, const QString& name, QColor color) {
    auto* series = new Series;
    series->setName(name);
    series->setColor(color);
    chart->addSeries(series);
    series->attachAxis(plot.time);
    series->attachAxis(plot.axes[axis]);
    return series;
}

void HideFromLegend(QChart* chart, QAbstractSeries* series) {
    for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(false);
}

void Scatter(QScatterSeries* s, QScatterSeries::MarkerShape shape, qreal size) {
    s->setMarkerShape(shape);
    s->setMarkerSize(size);
    s->setBorderColor(s->color().darker(130));
}

QString Day(const QDateTime& time, int language) {
    return time.date().toString(Qs(Tx(kMeldungen.datumsformat, language)));
}

bool Refused(const RecordedCalibration& run) {
    return run.outcome == CalibrationOutcome::Failed ||
           run.outcome == CalibrationOutcome::NotConfirmed;
}

}  // namespace

CHistoryWindow::CHistoryWindow(ui::ProcedureHost& host, QWidget* parent)
    : ui::CDialog(kTemplate, parent),
      host_(host),
      chart_(new QChart),
      view_(new QChartView(chart_, this)),
      timeAxis_(new QDateTimeAxis),
      valueAxes_{new QValueAxis, new QValueAxis} {
    // A chart is worth the room: the window can be resized and maximised.
    const QSize templateSize = size();
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setMinimumSize(ui::MapDialogRect(Units(), 0, 0, kMinWidth, kMinHeight).size());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(templateSize);
    view_->setObjectName(QString::number(kIdChart));
    view_->setAccessibleDescription(QString::number(kIdChart));
    view_->setRenderHint(QPainter::Antialiasing);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    timeAxis_->setTickCount(6);
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    for (std::size_t i = 0; i < 2; ++i) {
        QValueAxis* axis = valueAxes_[i];
        axis->setTickCount(6);
        axis->setGridLineVisible(i == 0);
        axis->setLinePenColor(QColor(kQuantityColors[i]));
        axis->setLabelsColor(QColor(kQuantityColors[i]));
        chart_->addAxis(axis, i == 0 ? Qt::AlignLeft : Qt::AlignRight);
    }
    OnSelChange(kIdModule, [this] { OnModule(); });
    OnCommand(kIdSavePng, [this] { SavePng(); });
    OnCommand(kIdSaveCsv, [this] { SaveCsv(); });
    PlaceChart();
}

CHistoryWindow::~CHistoryWindow() = default;

bool CHistoryWindow::OnInitDialog() {
    if (auto* label = ItemAs<QLabel>(kIdModuleLabel)) label->setBuddy(Item(kIdModule));
    ApplyLanguage();
    return true;
}

void CHistoryWindow::SetHistories(std::vector<ModuleHistory> histories, int shown) {
    histories_ = std::move(histories);
    const int count = int(histories_.size());
    shown_ = shown >= 0 && shown < count ? shown : count - 1;
    Redraw();
}

void CHistoryWindow::ApplyLanguage() {
    const int lang = host_.Language();
    SetCaption(Qs(Tx(kMeldungen.kalibrierverlauf, lang)));
    view_->setAccessibleName(Qs(Tx(kMeldungen.kalibrierverlauf, lang)));
    SetItemText(kIdModuleLabel, Qs(Tx(kMeldungen.modul, lang)));
    if (QWidget* module = Item(kIdModule))
        module->setAccessibleName(Qs(Tx(kMeldungen.modul, lang)));
    SetItemText(kIdSavePng, Qs(Tx(kMeldungen.alsPngSpeichern, lang)));
    SetItemText(kIdSaveCsv, Qs(Tx(kMeldungen.alsCsvSpeichern, lang)));
    Redraw();
}

void CHistoryWindow::FillModules() {
    auto* combo = ItemAs<QComboBox>(kIdModule);
    if (combo == nullptr) return;
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const ModuleHistory& h : histories_)
        combo->addItem(ModuleName(h.module, host_.Language()));
    combo->setCurrentIndex(shown_);
}

void CHistoryWindow::Redraw() {
    if (!IsOpen()) return;
    const int lang = host_.Language();
    FillModules();
    chart_->removeAllSeries();
    const std::initializer_list<QAbstractAxis*> axes{timeAxis_, valueAxes_[0], valueAxes_[1]};
    for (QAbstractAxis* axis : axes) axis->setVisible(false);
    const bool any = shown_ >= 0;
    EnableItem(kIdSavePng, any);
    EnableItem(kIdSaveCsv, any);
    if (!any) {
        SetItemText(kIdCondition, Qs(Tx(kMeldungen.nichtsAufgezeichnet, lang)));
        return;
    }
    const ModuleHistory& history = histories_[std::size_t(shown_)];
    SetItemText(kIdCondition, ConditionText(history, lang));
    DrawQuantities(history, lang);
}

// One line per quantity through the stored runs, each on a value axis of its own.
void CHistoryWindow::DrawQuantities(const ModuleHistory& h, int lang) {
    Plot plot;
    plot.time = timeAxis_;
    plot.time->setVisible(true);
    plot.time->setFormat(Qs(Tx(kMeldungen.achsenDatumsformat, lang)));
    const auto quantities = HistoryQuantities(h.module.type);
    for (std::size_t i = 0; i < quantities.size() && i < 2; ++i) {
        const HistoryQuantity& q = quantities[i];
        const QString name =
            QStringLiteral("%1 [%2]").arg(Qs(Tx(*q.label, lang)), QString::fromUtf8(q.unit));
        QValueAxis* axis = valueAxes_[i];
        axis->setTitleText(name);
        axis->setVisible(true);
        plot.axes.push_back(axis);
        plot.spans.emplace_back();
        auto* line = Add<QLineSeries>(chart_, plot, i, name, QColor(kQuantityColors[i]));
        line->setPointsVisible(true);
        auto* warned =
            Add<QScatterSeries>(chart_, plot, i, Qs(Tx(kMeldungen.gespeichertTrotzWarnung, lang)),
                                QColor(kWarnedColor));
        Scatter(warned, QScatterSeries::MarkerShapeTriangle, 13);
        if (i > 0) HideFromLegend(chart_, warned);
        for (const RecordedCalibration& run : h.runs) {
            const double t = double(run.time.toMSecsSinceEpoch());
            plot.timeSpan.Add(t);
            const double v = QuantityOf(h, run, q);
            if (!run.Stored() || !std::isfinite(v)) continue;
            line->append(t, v);
            plot.spans[i].Add(v);
            if (run.outcome == CalibrationOutcome::StoredWarned) warned->append(t, v);
        }
    }
    if (plot.axes.empty()) return;
    // The band, the trend and the refused runs on the first axis; then every axis is scaled.
    const RecordedCalibration* last = h.LastStored();
    std::optional<Band> usable;
    if (const auto condition = last ? h.ConditionOf(*last) : std::nullopt)
        usable = condition->usable;
    const auto drift = h.DriftOf();
    if (drift) {
        plot.timeSpan.Add(double(drift->to.toMSecsSinceEpoch()));
        auto* trend =
            Add<QLineSeries>(chart_, plot, 0, Qs(Tx(kMeldungen.trend, lang)), QColor(kTrendColor));
        trend->setPen(QPen(QColor(kTrendColor), 1.5, Qt::DashLine));
        trend->append(double(drift->from.toMSecsSinceEpoch()), drift->fromValue);
        trend->append(double(drift->to.toMSecsSinceEpoch()), drift->toValue);
        plot.spans[0].Add(drift->fromValue);
        plot.spans[0].Add(drift->toValue);
    }
    const double margin = std::max(kMsPerDay, (plot.timeSpan.high - plot.timeSpan.low) * 0.04);
    const double from = plot.timeSpan.low - margin, to = plot.timeSpan.high + margin;
    if (usable) {
        for (const double edge : {usable->low, usable->high}) {
            auto* band = Add<QLineSeries>(
                chart_, plot, 0, Qs(Tx(kMeldungen.brauchbarerBereich, lang)), QColor(kBandColor));
            band->setPen(QPen(QColor(kBandColor), 1, Qt::DotLine));
            band->append(from, edge);
            band->append(to, edge);
            plot.spans[0].Add(edge);
            if (edge == usable->high) HideFromLegend(chart_, band);
        }
    }
    plot.time->setRange(QDateTime::fromMSecsSinceEpoch(qint64(from)),
                        QDateTime::fromMSecsSinceEpoch(qint64(to)));
    for (std::size_t i = 0; i < plot.axes.size(); ++i) {
        Span s = plot.spans[i];
        if (s.Empty()) s.low = 0, s.high = 1;
        const double pad = std::max((s.high - s.low) * 0.08, std::abs(s.high) * 1e-3 + 1e-6);
        plot.axes[i]->setRange(s.low - pad, s.high + pad);
        plot.axes[i]->applyNiceNumbers();
    }
    // Refused runs have no values: marked along the bottom of the chart.
    auto* refused = Add<QScatterSeries>(chart_, plot, 0, Qs(Tx(kMeldungen.abgewiesen, lang)),
                                        QColor(kRefusedColor));
    Scatter(refused, QScatterSeries::MarkerShapeRotatedRectangle, 11);
    const double bottom = plot.axes[0]->min() + (plot.axes[0]->max() - plot.axes[0]->min()) * 0.03;
    for (const RecordedCalibration& run : h.runs)
        if (Refused(run)) refused->append(double(run.time.toMSecsSinceEpoch()), bottom);
}

// The last verdict and where the trend leads.
QString CHistoryWindow::ConditionText(const ModuleHistory& h, int lang) const {
    const RecordedCalibration* last = h.LastStored();
    if (last == nullptr) return Qs(Tx(kMeldungen.keineGespeicherteKalibrierung, lang));
    const auto verdict = h.VerdictOf(*last);
    QString text = Qs(Tx(kMeldungen.letzteKalibrierung, lang))
                       .arg(Day(last->time, lang),
                            verdict ? VerdictText(*verdict, lang) : QStringLiteral("-"));
    const auto drift = h.DriftOf();
    if (!drift) return text + Qs(Tx(kMeldungen.trendBrauchtDrei, lang));
    const auto quantities = HistoryQuantities(h.module.type);
    const QString perMonth = QStringLiteral("%1 %2").arg(
        QString::number(drift->perDay * 30.44, 'f', 2),
        quantities.empty() ? QString() : QString::fromUtf8(quantities[0].unit));
    if (!drift->leaves) return text + Qs(Tx(kMeldungen.trendBleibtImBereich, lang)).arg(perMonth);
    const bool past = *drift->leaves <= last->time;
    return text +
           Qs(Tx(past ? kMeldungen.trendAusserhalbSeit : kMeldungen.trendVerlaesstBereich, lang))
               .arg(perMonth, Day(*drift->leaves, lang));
}

void CHistoryWindow::OnModule() {
    if (auto* combo = ItemAs<QComboBox>(kIdModule)) shown_ = combo->currentIndex();
    Redraw();
}

void CHistoryWindow::SavePng() {
    const QString path =
        ui::SaveFileDialog(this, "png", "*.png", QStringLiteral("PNG (*.png) | *.png ||"));
    if (path.isEmpty()) return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !view_->grab().save(&file, "PNG") || !file.commit())
        host_.ReportFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

void CHistoryWindow::SaveCsv() {
    if (shown_ < 0) return;
    const QString path =
        ui::SaveFileDialog(this, "csv", "*.csv", QStringLiteral("CSV (*.csv) | *.csv ||"));
    if (path.isEmpty()) return;
    const std::string csv = HistoryCsv(histories_[std::size_t(shown_)], host_.Language());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.data(), qint64(csv.size())) != qint64(csv.size()) || !file.commit())
        host_.ReportFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

void CHistoryWindow::PlaceChart() {
    const int top = ui::MapDialogRect(Units(), 0, kChartTop, 0, 0).top();
    view_->setGeometry(0, top, width(), std::max(0, height() - top));
}

void CHistoryWindow::resizeEvent(QResizeEvent* event) {
    ui::CDialog::resizeEvent(event);
    PlaceChart();
}

}  // namespace ql50
