// Building windows from templates: ids, names for assistive tools and tests, positions in dialog
// units, radio groups, stacking, window kinds.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "SampleDialog.h"
#include "ui/Controls.h"

namespace ql50::ui {
namespace {

using sample::SampleDialog;

QString AccessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// Every control is found by its id, which is also its object name and accessible description;
// screen readers read a caption or a changing text's content, not the id.
TEST(DialogTemplate, ControlsAreFoundByIdAndNamedByTheirCaption) {
    SampleDialog dialog;
    for (const ControlTemplate& control : sample::kSampleControls) {
        if (control.id == -1) continue;
        QWidget* item = dialog.Item(control.id);
        ASSERT_NE(item, nullptr) << control.id;
        EXPECT_EQ(item->objectName(), QString::number(control.id));
        EXPECT_EQ(item->accessibleDescription(), QString::number(control.id));
        EXPECT_EQ(FindControl(&dialog, control.id), item);
    }
    EXPECT_EQ(dialog.Item(4711), nullptr);
    EXPECT_EQ(dialog.findChildren<QLabel*>(QStringLiteral("-1")).size(), 2);
    EXPECT_TRUE(dialog.ItemAs<QPushButton>(kIdOk)->isDefault());
    EXPECT_FALSE(dialog.ItemAs<QPushButton>(kIdCancel)->isDefault());
    EXPECT_EQ(dialog.ItemAs<QLabel>(sample::kUnit)->alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(dialog.ItemAs<QComboBox>(sample::kType)->currentIndex(), -1);
    EXPECT_EQ(AccessibleName(dialog.Item(kIdCancel)), QStringLiteral("Abbrechen"));
    dialog.SetItemText(sample::kUnit, QStringLiteral("µS/cm"));
    EXPECT_EQ(AccessibleName(dialog.Item(sample::kUnit)), QStringLiteral("µS/cm"));
}

// Liberation Sans is Arial's metric twin: 8 pt is 11 px at 96 dpi, its letters average 6 px
// and its lines are 12 px, as the program's windows were laid out for.
TEST(DialogTemplate, DialogUnitsFollowTheTemplateFont) {
    SampleDialog dialog;
    const QFontInfo font(dialog.font());
    EXPECT_EQ(font.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(dialog.Units().baseX, 6);
    EXPECT_EQ(dialog.Units().baseY, 12);
    EXPECT_EQ(dialog.size(), QSize(360, 240));  // 240 x 160 units
    // Edit at 50, 6, 40 x 14 units; 6 units down is 9 px exactly.
    EXPECT_EQ(dialog.Item(sample::kCount)->geometry(), QRect(75, 9, 60, 21));
    // Group box at 130, 4, 102 x 40 units: 4 * 12 / 8 = 6, 102 * 6 / 4 = 153.
    EXPECT_EQ(dialog.Item(sample::kLanguageBox)->geometry(), QRect(195, 6, 153, 60));
    // A drop-down list's 40 units include the open list; the control is one line high.
    EXPECT_LT(dialog.Item(sample::kType)->height(), 40 * 12 / 8);
    // Rounding to the nearest pixel: 1.75, 1.625, 3.5, 4.875.
    EXPECT_EQ(MapDialogRect(DialogUnits{7, 13}, 1, 1, 2, 3), QRect(2, 2, 4, 5));
}

// A group box only frames its controls, wherever it stands in the template: it must not cover
// them, or they could not be clicked.
TEST(DialogTemplate, GroupBoxStaysBehindItsControls) {
    static constexpr ControlTemplate kControls[] = {
        {10, Ctl::Check, "davor", 10, 10, 60, 10},
        {11, Ctl::GroupBox, "Rahmen", 4, 0, 80, 40},
        {12, Ctl::Radio, "danach", 10, 24, 60, 10, kGroup},
    };
    CDialog dialog(DialogTemplate{1, "Rahmen", 90, 50, "MS Shell Dlg", 8, kControls});
    for (const int id : {10, 12}) {
        const QWidget* inside = dialog.Item(id);
        EXPECT_EQ(dialog.childAt(inside->geometry().center()), inside) << id;
    }
}

// Status texts end their lines in LF CR: shown as one line break each, read back as given.
TEST(DialogTemplate, StatusTextsShowLfCrAsOneLineBreak) {
    SampleDialog dialog;
    const QString status = QStringLiteral("Uhrzeit: 23:59:58\n\rAlarm: 00:00\n\r\n\rEnde\r\n");
    dialog.SetItemText(sample::kPrompt, status);
    EXPECT_EQ(dialog.ItemAs<QLabel>(sample::kPrompt)->text(),
              QStringLiteral("Uhrzeit: 23:59:58\nAlarm: 00:00\n\nEnde\n"));
    EXPECT_EQ(dialog.ItemText(sample::kPrompt), status);
    dialog.SetItemText(sample::kType, QStringLiteral("Redox"));
    EXPECT_EQ(dialog.ItemAs<QComboBox>(sample::kType)->currentIndex(), 1);
}

// A window that can be minimised is an ordinary top-level window, which every window manager
// gives a minimise button and a task-bar entry; the others stay dialogs.
TEST(DialogTemplate, MinimizeBoxMakesAnOrdinaryWindow) {
    for (const unsigned style : {kMinimizeBox, 0u}) {
        CDialog dialog(DialogTemplate{1, "QL50", 100, 50, "Arial", 8, {}, style});
        EXPECT_EQ(dialog.windowType(), style != 0 ? Qt::Window : Qt::Dialog);
        EXPECT_EQ(dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint), style != 0);
    }
}

}  // namespace
}  // namespace ql50::ui
