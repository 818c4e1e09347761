#include "TrendBench.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QImage>
#include <QScreen>
#include <cmath>
#include <random>

#include "BenchReport.h"
#include "trend/CTrendWindow.h"
#include "trend/TrendPlot.h"

namespace ql50::bench {
namespace {

constexpr TrendTime kPoll = 2000;
constexpr TrendTime kStart = 1'767'225'600'000;  // 2026-01-01 00:00 UTC

// An oxygen module's six channels, drifting with noise.
class Values {
public:
    TrendValues Next() {
        phase_ += 0.001;
        const float n = noise_(random_);
        return {
            float(95 + 3 * std::sin(phase_)) + n,   float(8.5 + 0.3 * std::sin(phase_)) + n / 10,
            float(150 + 5 * std::cos(phase_)) + n,  float(210 + 2 * std::sin(phase_)) + n,
            float(1013 + 4 * std::cos(phase_)) + n, float(20 + 2 * std::sin(phase_)) + n / 10};
    }

private:
    double phase_ = 0;
    std::mt19937 random_{1};
    std::normal_distribution<float> noise_{0.f, 0.2f};
};

// 24 hours of polls, ending at the returned time.
TrendTime FillDay(TrendModel& model, Values& values) {
    model.Begin(7);
    TrendTime t = kStart;
    for (; t < kStart + kTrendHistory; t += kPoll) model.Append(t, values.Next());
    return t;
}

// Counts the paints of a widget.
class Paints : public QObject {
public:
    explicit Paints(QWidget* widget) { widget->installEventFilter(this); }
    // Serves events until a few rounds in a row bring no paint.
    void Settle() {
        for (int idle = 0; idle < 3;) {
            const int painted = count;
            QApplication::processEvents();
            idle = count == painted ? idle + 1 : 0;
        }
    }
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

class Host : public ui::ProcedureHost {
public:
    QWidget* HostWindow() override { return nullptr; }
    int Language() const override { return 0; }
    bool EnsurePortOpen() override { return true; }
    void CommunicationError() override {}
    void ReportFileError(const QString&) override {}
    void Refresh() override {}
    void ShowStatus(const std::string&) override {}
};

// What the screen holds after the polls drew only what changed, against the chart drawn anew;
// both are saved beside `picture` when they differ.
bool ScreenMatchesChart(CTrendWindow& window, const QString& picture) {
    QWidget* view = window.chartView();
    const QPoint at = view->mapTo(&window, QPoint(0, 0));
    const QImage screen =
        window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), view->width(), view->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const QImage anew = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (screen == anew) return true;
    screen.save(QString(picture).replace(".png", "-screen.png"), "PNG");
    anew.save(QString(picture).replace(".png", "-anew.png"), "PNG");
    return false;
}

}  // namespace

TrendRun TrendWindowOpen(std::size_t rangeIndex, int polls, const QString& picture) {
    TrendModel model;
    Values values;
    TrendTime t = FillDay(model, values);
    Host host;
    CTrendWindow window(model, host);
    window.Create();
    auto* range = window.ItemAs<QComboBox>(CTrendWindow::kIdRange);
    range->setCurrentIndex(int(rangeIndex));
    emit range->activated(int(rangeIndex));
    Paints paints(window.chartView()->viewport());
    while (paints.count == 0) QApplication::processEvents();
    // Opening lays the chart out more than once: the polls are measured once it has settled.
    paints.Settle();
    double cpu = ThreadCpuSeconds();
    for (int i = 0; i < polls; ++i, t += kPoll) {
        model.Append(t, values.Next());
        window.ModelChanged();
        // The chart lays itself out for the new axes and paints, as the event loop has it.
        paints.Settle();
        if (i == 0 && !picture.isEmpty()) {
            const double paused = ThreadCpuSeconds();
            window.chartView()->grab().save(picture, "PNG");
            cpu += ThreadCpuSeconds() - paused;
        }
    }
    TrendRun run;
    run.cpuSecondsPerPoll = (ThreadCpuSeconds() - cpu) / polls;
    run.pointsPerChannel = model.channel(0).size();
    for (const TrendPlot::Line& line : window.plot().lines())
        run.pointsDrawn += line.points->size();
    if (!picture.isEmpty()) run.screenMatches = ScreenMatchesChart(window, picture);
    window.DestroyWindow();
    return run;
}

TrendRun TrendWindowClosed(int polls) {
    TrendModel model;
    Values values;
    TrendTime t = FillDay(model, values);
    Host host;
    CTrendWindow window(model, host);  // made once, not open: as after the user closed it
    std::vector<TrendValues> next(static_cast<std::size_t>(polls));
    for (TrendValues& v : next) v = values.Next();
    const double cpu = ThreadCpuSeconds();
    for (const TrendValues& v : next) {
        model.Append(t, v);
        window.ModelChanged();
        t += kPoll;
    }
    TrendRun run;
    run.cpuSecondsPerPoll = (ThreadCpuSeconds() - cpu) / polls;
    run.pointsPerChannel = model.channel(0).size();
    return run;
}

double ThinSeconds24h(int repeats) {
    TrendModel model;
    Values values;
    const TrendTime end = FillDay(model, values);
    std::size_t points = 0;
    const double cpu = ThreadCpuSeconds();
    for (int i = 0; i < repeats; ++i)
        points += model.channel(0).Thin(end - kTrendHistory, end, 800).size();
    const double seconds = (ThreadCpuSeconds() - cpu) / repeats;
    return points > 0 ? seconds : 0.0;
}

}  // namespace ql50::bench
