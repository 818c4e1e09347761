// The calibration's three windows: what they show, what they accept, and how each one ends.
#include <gtest/gtest.h>

#include <QPushButton>
#include <functional>

#include "calibration/CalibrationDialogs.h"
#include "calibration/CalibrationFormulas.h"
#include "support/Robot.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

using test::Robot;

constexpr int kResultTemplate = 154;

QString Text(QWidget* window, int id) {
    return static_cast<ui::CDialog*>(window)->ItemText(id);
}

// The ways a user ends a window, each a last step of the robot.
struct Ending {
    const char* name;
    std::function<void(Robot::Step&)> act;
};
const Ending kEnter{"Enter", [](Robot::Step& s) { s.Key(Qt::Key_Return); }};
Ending ClickOn(int id) {
    return {"button", [id](Robot::Step& s) { s.Click(id); }};
}

void FillResult(CKalWertAusgabe& result, const ResultLines& lines, int language) {
    result.saveText = language == 1 ? "Save" : "Speichern";
    result.exitText = language == 1 ? "Exit" : "Beenden";
    result.labelText1 = Qs(lines.labels[0]);
    result.labelText2 = Qs(lines.labels[1]);
    result.labelText3 = Qs(lines.labels[2]);
    result.resultText1 = Qs(lines.values[0]);
    result.resultText2 = Qs(lines.values[1]);
    result.resultText3 = Qs(lines.values[2]);
}

// Values outside the accepted range are stored only by a click: Enter ends without storing.
TEST(CalibrationDialogs, ResultOutsideTheRangeEndsWithOkOnlyBySave) {
    const struct {
        Ending ending;
        int result;
        bool outsideRange = false;
    } cases[] = {
        {kEnter, ui::kIdOk},
        {kEnter, ui::kIdCancel, true},
        {ClickOn(CKalWertAusgabe::kIdSave), ui::kIdOk, true},
    };
    const ResultLines salinity =
        CalibrationResultLines(CalibrationBranch::Salinity, 7, 0, {.entered = 12.5f});
    for (const auto& c : cases) {
        Robot robot;
        CKalWertAusgabe result;
        FillResult(result, salinity, 0);
        result.outsideRange = c.outsideRange;
        c.ending.act(robot.OnTemplate(kResultTemplate));
        EXPECT_EQ(result.DoModal(), c.result) << c.ending.name;
        EXPECT_TRUE(robot.WaitIdle());
    }
}

// The widest results of each branch stay on their one line (a static wraps at blanks and shows
// only its first line).
TEST(CalibrationDialogs, ResultLinesFitTheirColumns) {
    using B = CalibrationBranch;
    const struct {
        B branch;
        int type;
        ResultValues values;
    } cases[] = {
        {B::Ph, 0, {-60.0f, -59.16f}},        {B::Redox, 1, {-100.0f}},
        {B::Conductivity, 5, {1.2f, 12.34f}}, {B::OxygenSlope, 7, {199.9f, 12600.0f, 12400.0f}},
        {B::Salinity, 7, {.entered = 40.0f}}, {B::AirPressure, 7, {.entered = 1199.9f}},
    };
    for (const int language : {0, 1}) {
        for (const auto& c : cases) {
            CKalWertAusgabe result;
            FillResult(result, CalibrationResultLines(c.branch, c.type, language, c.values),
                       language);
            Robot robot;
            robot.OnTemplate(kResultTemplate)
                .Inspect([&](QWidget* w) {
                    for (const int id : {1150, 1151, 1152, 1166, 1167, 1168}) {
                        auto* label = static_cast<ui::CDialog*>(w)->Item(id);
                        const QString text = Text(w, id);
                        EXPECT_LE(label->fontMetrics().horizontalAdvance(text), label->width())
                            << text.toStdString();
                    }
                })
                .Key(Qt::Key_Escape);
            result.DoModal();
            EXPECT_TRUE(robot.WaitIdle());
        }
    }
}

}  // namespace
}  // namespace ql50
