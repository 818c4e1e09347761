// The trend window, opened from the main window's button while the virtual module is measured.
#include <QAccessible>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QImage>
#include <QLegendMarker>
#include <algorithm>
#include <cmath>

#include "MainWindowFixture.h"
#include "sim/PtyServer.h"
#include "support/Files.h"
#include "support/Screenshot.h"
#include "trend/CTrendWindow.h"
#include "trend/TrendPlot.h"

namespace ql50::test {
namespace {

// What names a control for a screen reader: its name, or for a drop-down list (named by its
// entry) the label it is labelled by.
QString Caption(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (accessible == nullptr) return {};
    if (accessible->role() == QAccessible::ComboBox) {
        const auto labels = accessible->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    }
    return accessible->text(QAccessible::Name);
}

TEST_F(MainWindowTest, TrendWindowDrawsEveryLabelledChannelWithAGapWhereTheModuleWasSilent) {
    sim::VirtualModule module;  // oxygen: six channels, two of them in hPa
    sim::PtyServer server(module);
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    Open(server.SlavePath());
    UseRecordingFile("m.txt", 60);
    EXPECT_EQ(Text(kIdVerlauf), "Verlauf");
    Click(kIdVerlauf);
    CTrendWindow* trend = window->trendWindow();
    ASSERT_NE(trend, nullptr);
    ASSERT_TRUE(trend->isVisible());
    EXPECT_EQ(trend->Caption(), "Verlauf");
    const std::pair<int, int> captioned[] = {
        {CTrendWindow::kIdRange, CTrendWindow::kIdRangeLabel},
        {CTrendWindow::kIdPause, CTrendWindow::kIdPause},
        {CTrendWindow::kIdSavePng, CTrendWindow::kIdSavePng},
        {CTrendWindow::kIdSaveCsv, CTrendWindow::kIdSaveCsv},
    };
    for (const auto& [id, captionId] : captioned)
        EXPECT_EQ(Caption(trend->Item(id)), ui::ControlText(trend->Item(captionId))) << id;
    auto* range = trend->ItemAs<QComboBox>(CTrendWindow::kIdRange);
    range->setCurrentIndex(0);  // 1 min, picked as by the user
    emit range->activated(0);

    Click(kIdMessung);
    const auto& lines = trend->plot().lines();
    ASSERT_TRUE(WaitUntil([&] { return lines.size() == 6 && lines[0].points->size() >= 2; }));
    // A module that stops answering for a while leaves a gap between two runs of the lines.
    const TrendSeries& saturation = window->trend().channel(0);
    const auto lastIsValue = [&] { return !std::isnan(saturation[saturation.size() - 1].value); };
    module.SetSilent(true);
    ASSERT_TRUE(WaitUntil([&] { return !lastIsValue(); }));
    module.SetSilent(false);
    const auto runs = [&] {
        return std::count_if(lines[0].points->begin(), lines[0].points->end(),
                             [](const TrendPoint& p) { return p.newRun; });
    };
    ASSERT_TRUE(WaitUntil([&] { return runs() == 2 && lines[0].points->back().newRun == false; }));
    QStringList legend;
    for (QLegendMarker* marker : trend->chartView()->chart()->legend()->markers())
        legend << marker->label();
    EXPECT_EQ(legend.first(), QString::fromUtf8("Sättigung [%]"));
    EXPECT_EQ(legend.size(), 6);
    EXPECT_EQ(lines[3].axis, lines[4].axis) << "partial and air pressure share the hPa axis";
    EXPECT_TRUE(Screenshot(trend, "trend-german-measuring"));
    // Paused, the chart stays where it was.
    const auto* time =
        static_cast<QDateTimeAxis*>(trend->chartView()->chart()->axes(Qt::Horizontal).first());
    const QDateTime shownUpTo = time->max();
    trend->ItemAs<QAbstractButton>(CTrendWindow::kIdPause)->click();
    EXPECT_EQ(ui::ControlText(trend->Item(CTrendWindow::kIdPause)), "Weiter");
    EXPECT_EQ(time->max(), shownUpTo);
    // What the chart shows, saved: the picture, and the values as CSV with the gap's empty cells.
    robot.OnFileDialog().SaveAs(QString::fromStdString(File("trend.png")));
    trend->ItemAs<QAbstractButton>(CTrendWindow::kIdSavePng)->click();
    robot.OnFileDialog().SaveAs(QString::fromStdString(File("trend")));
    trend->ItemAs<QAbstractButton>(CTrendWindow::kIdSaveCsv)->click();
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(QImage(QString::fromStdString(File("trend.png"))).size(),
              trend->chartView()->size() * trend->devicePixelRatio());
    const std::string csv = Slurp(File("trend.csv"));
    EXPECT_EQ(csv.rfind("time,S\xC3\xA4ttigung [%],Konzentration [mg/l],", 0), 0u) << csv;
    EXPECT_NE(csv.find(",,,,,,\r\n"), std::string::npos) << csv;
    Click(kIdMessung);
    EXPECT_FALSE(lastIsValue()) << "the stop ends the line";
}

}  // namespace
}  // namespace ql50::test
