// Modal and modeless windows, their ending by button, Esc and close box, timers by id, and
// windows that open further windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QToolButton>
#include <map>
#include <vector>

#include "SampleDialog.h"
#include "support/Robot.h"
#include "ui/UpDownControl.h"

namespace ql50::ui {
namespace {

using sample::kSampleTemplateId;
using sample::SampleDialog;
using test::Robot;

// Enter presses the default button, and a handler bound to it replaces its ending; the window
// is modal while it runs and gone after.
TEST(DialogModal, EnterPressesOkWhoseHandlerReplacesItsEnding) {
    Robot robot;
    SampleDialog dialog;
    int pressed = 0;
    dialog.OnCommand(kIdOk, [&] {
        if (++pressed == 2) dialog.EndDialog(5);
    });
    robot.OnTemplate(kSampleTemplateId)
        .Inspect([](QWidget* window) { EXPECT_TRUE(window->isModal()); })
        .Key(Qt::Key_Return)
        .Click(kIdOk);
    EXPECT_EQ(dialog.DoModal(), 5);
    EXPECT_FALSE(dialog.isVisible() || dialog.IsOpen());
}

// A sample dialog that records its handlers: it refuses to close while busy (as the main
// window does while it measures), can end during initialisation, changes itself on its first
// showing, and counts timer ticks by id. Esc and the close box go through the Cancel handler.
class Instrumented : public SampleDialog {
public:
    bool busy = false, endAtOnce = false;
    int cancels = 0, closes = 0, shown = 0;
    std::map<int, int> ticks;

protected:
    void OnCancel() override {
        ++cancels;
        if (!busy) SampleDialog::OnCancel();
    }
    void OnClose() override {
        ++closes;
        SampleDialog::OnClose();
    }
    bool OnInitDialog() override {
        if (endAtOnce) EndDialog(7);
        if (++shown == 1) {
            SetItemText(sample::kPrompt, QStringLiteral("geändert"));
            EnableItem(sample::kCount, false);
        }
        return SampleDialog::OnInitDialog();
    }
    void OnTimer(int id) override { ++ticks[id]; }
};

TEST(DialogModal, CancelHandlerDecidesAboutEscAndCloseBox) {
    Robot robot;
    Instrumented dialog;
    dialog.busy = true;
    robot.OnTemplate(kSampleTemplateId).Key(Qt::Key_Escape).CloseBox().Inspect([&](QWidget*) {
        EXPECT_TRUE(dialog.isVisible());
        dialog.busy = false;
    });
    robot.OnTemplate(kSampleTemplateId).CloseBox();
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_EQ(dialog.cancels, 3);
    EXPECT_EQ(dialog.closes, 2);  // Esc is no close request
}

TEST(DialogModal, EndingDuringInitialisationNeverShowsTheWindow) {
    Robot robot;  // fails the test if a modal window appears
    Instrumented dialog;
    dialog.endAtOnce = true;
    EXPECT_EQ(dialog.DoModal(), 7);
    EXPECT_FALSE(dialog.IsOpen());
}

// A dialog object kept for the program's run starts every showing from its template, like a
// window created anew, and keeps the handlers bound to its buttons.
TEST(DialogModal, ShownAgainStartsFromTheTemplate) {
    Robot robot;
    Instrumented dialog;
    robot.OnTemplate(kSampleTemplateId).Click(kIdCancel);
    robot.OnTemplate(kSampleTemplateId)
        .Inspect([&](QWidget*) {
            EXPECT_EQ(dialog.ItemText(sample::kPrompt), QStringLiteral("Anzahl:"));
            EXPECT_TRUE(dialog.Item(sample::kCount)->isEnabled());
        })
        .Click(sample::kHello);
    robot.OnMessage(QString::fromUtf8(sample::kHelloText)).Click(kIdOk);
    robot.OnTemplate(kSampleTemplateId).Click(kIdCancel);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_TRUE(robot.WaitIdle());
}

// A handler of a list's selection change runs for the user's choice only; one that corrects
// the choice through the exchange does not call itself again.
TEST(DialogNotifications, SelectionChangeComesFromTheUserOnly) {
    Robot robot;
    SampleDialog dialog;
    std::vector<int> seen;
    dialog.OnSelChange(sample::kType, [&] {
        dialog.UpdateData(true);
        seen.push_back(dialog.type);
        dialog.type = 0;
        dialog.UpdateData(false);
    });
    robot.OnTemplate(kSampleTemplateId)
        .Select(sample::kType, 2)
        .Inspect([&](QWidget*) { EXPECT_EQ(dialog.ItemText(sample::kType), QStringLiteral("pH")); })
        .Click(kIdOk);
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    EXPECT_EQ(seen, std::vector<int>{2});
}

TEST(DialogNotifications, UpDownArrowsReportTheNewPositionWithinTheRange) {
    SampleDialog dialog;
    std::vector<int> positions;
    dialog.OnScroll(sample::kSpinner, [&](int pos) { positions.push_back(pos); });
    auto* spinner = dialog.ItemAs<UpDownControl>(sample::kSpinner);
    spinner->SetRange(0, 2);
    spinner->SetPos(1);
    const auto arrows = spinner->findChildren<QToolButton*>();
    arrows[0]->click();  // up: 2
    arrows[0]->click();  // at the top: nothing
    arrows[1]->click();  // down: 1
    EXPECT_EQ(positions, (std::vector<int>{2, 1}));
}

// ---- modeless ----------------------------------------------------------------------------

TEST(DialogModeless, CreateShowsWithoutBlockingAndDestroyCloses) {
    Robot robot;  // a modeless window is no modal window: nothing to answer
    QWidget owner;
    SampleDialog dialog;
    dialog.count = 12;
    ASSERT_TRUE(dialog.Create(&owner));
    EXPECT_TRUE(dialog.isVisible() && dialog.IsOpen() && dialog.isWindow());
    EXPECT_EQ(dialog.parentWidget(), &owner);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    dialog.SetItemText(sample::kCount, QStringLiteral("99"));
    ASSERT_TRUE(dialog.Create());  // creating an open window builds it anew
    EXPECT_EQ(dialog.ItemText(sample::kCount), QStringLiteral("12"));
    dialog.SetTimer(1, 60000);
    dialog.reject();  // what Esc does ends a modeless window and its timers
    EXPECT_FALSE(dialog.isVisible() || dialog.IsOpen() || dialog.HasTimer(1));
    ASSERT_TRUE(dialog.Create());
    dialog.DestroyWindow();
    EXPECT_FALSE(dialog.isVisible() || dialog.IsOpen());
}

// ---- timers ------------------------------------------------------------------------------

// Ticks arrive by id; a killed timer stays silent, a timer set again restarts with its new
// period, and destroying the window ends them all.
TEST(DialogTimers, TicksArriveByIdUntilKilledOrRestarted) {
    Instrumented dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.SetTimer(3, 10);
    dialog.SetTimer(4, 15);
    dialog.SetTimer(1, 10);
    ASSERT_TRUE(test::WaitUntil(
        [&] { return dialog.ticks[3] >= 3 && dialog.ticks[1] >= 2 && dialog.ticks[4] >= 1; }));
    dialog.KillTimer(3);
    dialog.SetTimer(1, 600000);
    const auto before = dialog.ticks;
    // Ten periods of the other timer leave a running timer 3 or 1 no chance to stay silent.
    ASSERT_TRUE(test::WaitUntil([&] { return dialog.ticks[4] >= before.at(4) + 10; }));
    EXPECT_EQ(dialog.ticks[3], before.at(3));
    EXPECT_EQ(dialog.ticks[1], before.at(1));
    dialog.DestroyWindow();
    EXPECT_FALSE(dialog.HasTimer(1) || dialog.HasTimer(4));
}

// A modal dialog's own timer ticks while the dialog waits for the user, and keeps ticking
// while one of its message boxes is open.
TEST(DialogTimers, TickDuringModalLoopAndMessageBox) {
    Robot robot;
    Instrumented dialog;
    dialog.OnCommand(sample::kHello, [&] {
        MessageBox(&dialog, QStringLiteral("Warten bis Messwert stabil ist"));
    });
    robot.OnTemplate(kSampleTemplateId)
        .Inspect([&](QWidget*) { dialog.SetTimer(9, 10); })
        .Click(sample::kHello);
    robot.OnMessage(QStringLiteral("stabil"))
        .Inspect([&](QWidget*) {
            const int atBox = dialog.ticks[9];
            EXPECT_TRUE(test::WaitUntil([&] { return dialog.ticks[9] >= atBox + 3; }));
        })
        .Click(kIdOk);
    robot.OnTemplate(kSampleTemplateId).Click(kIdCancel);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_FALSE(dialog.HasTimer(9));  // the window's timers end with the window
    EXPECT_TRUE(robot.WaitIdle());
}

}  // namespace
}  // namespace ql50::ui
