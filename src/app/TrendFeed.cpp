// The trend of the main window: its model takes the values of every completed poll cycle of a
// measurement and a gap for every poll period that brought none, whether or not the trend
// window is open, so the window shows the history when it opens; it draws only while open.
#include <QDateTime>
#include <algorithm>

#include "app/CHauptDialog.h"

namespace ql50 {
namespace {

TrendTime Now() {
    return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

void CHauptDialog::ShowTrend() {
    if (!trendWindow_) {
        ui::ProcedureHost& host = *this;
        trendWindow_ = std::make_unique<CTrendWindow>(trend_, host, this);
    }
    if (!trendWindow_->IsOpen()) {
        trendWindow_->Create(this);
        return;
    }
    trendWindow_->showNormal();
    trendWindow_->raise();
    trendWindow_->activateWindow();
}

void CHauptDialog::BeginTrendRun() {
    trend_.Begin(std::min<int>(session_.module().moduleType, 7));
    trendTicked_ = false;
    trendFedCycle_.reset();
    TrendChanged();
}

// No line joins the last values of a measurement to the first of the next.
void CHauptDialog::EndTrendRun() {
    trend_.AppendGap(Now());
    TrendChanged();
}

// The end of a live chain (its temperature reply) brought six fresh values.
void CHauptDialog::FeedTrend() {
    const auto cycle = session_.lastLiveCycle();
    if (!measuring || !cycle || cycle == trendFedCycle_) return;
    trendFedCycle_ = cycle;
    const CModulDaten& m = session_.module();
    trend_.Append(Now(), {m.value1, m.value2, m.value3, m.value4, m.value5, m.temperature});
    TrendChanged();
}

// At every poll tick of a measurement: the chain of the tick before did not complete (the
// module silent, a reply lost, a bad frame, the line gone), so that period has no values.
void CHauptDialog::TrendTick() {
    const auto cycle = session_.lastLiveCycle();
    if (trendTicked_ && cycle == trendTickCycle_) {
        trend_.AppendGap(Now());
        TrendChanged();
    }
    trendTicked_ = true;
    trendTickCycle_ = cycle;
}

void CHauptDialog::TrendChanged() {
    if (trendWindow_) trendWindow_->ModelChanged();
}

}  // namespace ql50
