// Exchange between members and controls: both directions for every kind, and the rules that
// refuse what the user typed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListWidget>

#include "SampleDialog.h"
#include "support/Robot.h"

namespace ql50::ui {
namespace {

using sample::kSampleTemplateId;
using sample::SampleDialog;
using test::Robot;

bool Checked(const CDialog& dialog, int id) {
    return dialog.ItemAs<QAbstractButton>(id)->isChecked();
}

TEST(DataExchange, MembersAreShownInTheirControls) {
    SampleDialog dialog;
    dialog.count = -17;
    dialog.factor = 1013.25f;
    dialog.address = 31;
    dialog.interval = QStringLiteral("15");
    dialog.language = 1;
    dialog.side = -1;
    dialog.release = 1;
    dialog.type = 2;
    dialog.entry = 0;
    dialog.time = QTime(23, 59, 58);
    dialog.date = QDate(2005, 12, 31);
    dialog.UpdateData(false);
    EXPECT_EQ(dialog.ItemText(sample::kCount), QStringLiteral("-17"));
    EXPECT_EQ(dialog.ItemText(sample::kFactor), QStringLiteral("1013.25"));
    EXPECT_EQ(dialog.ItemText(sample::kAddress), QStringLiteral("31"));
    EXPECT_EQ(dialog.ItemText(sample::kInterval), QStringLiteral("15"));
    EXPECT_FALSE(Checked(dialog, sample::kGerman));
    EXPECT_TRUE(Checked(dialog, sample::kEnglish));
    EXPECT_FALSE(Checked(dialog, sample::kSideA));
    EXPECT_FALSE(Checked(dialog, sample::kSideB));
    EXPECT_TRUE(Checked(dialog, sample::kRelease));
    EXPECT_EQ(dialog.ItemText(sample::kType), QStringLiteral("Sauerstoff"));
    EXPECT_EQ(dialog.ItemText(sample::kEntries), QStringLiteral("eins"));
    EXPECT_EQ(dialog.ItemAs<QDateTimeEdit>(sample::kTime)->time(), QTime(23, 59, 58));
    EXPECT_EQ(dialog.ItemAs<QDateTimeEdit>(sample::kDate)->date(), QDate(2005, 12, 31));
}

TEST(DataExchange, FloatsShowUpToSixSignificantDigits) {
    SampleDialog dialog;
    for (const auto& [value, shown] : {std::pair{1013.25f, "1013.25"},
                                       {0.1f, "0.1"},
                                       {0.0f, "0"},
                                       {-2.5f, "-2.5"},
                                       {123456789.0f, "1.23457e+08"}}) {
        dialog.factor = value;
        dialog.UpdateData(false);
        EXPECT_EQ(dialog.ItemText(sample::kFactor), QString::fromLatin1(shown)) << value;
    }
}

// An index outside the group or list shows nothing selected and reads back as -1.
TEST(DataExchange, IndexOutsideTheGroupOrListSelectsNothing) {
    SampleDialog dialog;
    dialog.language = 0;
    dialog.UpdateData(false);
    EXPECT_TRUE(Checked(dialog, sample::kGerman));
    for (const int index : {-1, 2}) {
        dialog.language = index;
        dialog.type = index + 5;
        dialog.UpdateData(false);
        EXPECT_FALSE(Checked(dialog, sample::kGerman) || Checked(dialog, sample::kEnglish));
        ASSERT_TRUE(dialog.UpdateData(true));
        EXPECT_EQ(dialog.language, -1);
        EXPECT_EQ(dialog.type, -1);
        EXPECT_EQ(dialog.entry, -1);
    }
}

// What the user changes arrives in the members when the dialog ends with OK.
TEST(DataExchange, ControlsAreReadBackOnOk) {
    Robot robot;
    robot.OnTemplate(kSampleTemplateId)
        .SetText(sample::kCount, QStringLiteral(" 42 "))
        .SetText(sample::kFactor, QStringLiteral(" 7.00 "))
        .SetText(sample::kAddress, QStringLiteral("31"))
        .SetText(sample::kInterval, QStringLiteral("120"))
        .Check(sample::kEnglish)
        .Check(sample::kSideB)
        .Check(sample::kRelease, false)
        .Select(sample::kType, 1)
        .Select(sample::kEntries, 2)
        .SetTime(sample::kTime, QTime(1, 30, 15))
        .SetDate(sample::kDate, QDate(2002, 1, 1))
        .Click(kIdOk);
    SampleDialog dialog;
    dialog.release = 1;
    ASSERT_EQ(dialog.DoModal(), kIdOk);
    EXPECT_EQ(dialog.count, 42);
    EXPECT_EQ(dialog.factor, 7.0f);
    EXPECT_EQ(dialog.address, 31);
    EXPECT_EQ(dialog.interval, QStringLiteral("120"));
    EXPECT_EQ(dialog.language, 1);
    EXPECT_EQ(dialog.side, 1);
    EXPECT_EQ(dialog.release, 0);
    EXPECT_EQ(dialog.type, 1);
    EXPECT_EQ(dialog.entry, 2);
    EXPECT_EQ(dialog.time, QTime(1, 30, 15));
    EXPECT_EQ(dialog.date, QDate(2002, 1, 1));
}

struct RefusedEntry {
    int id;
    const char* text;
    QString message;
};

// The first failing rule shows its message, focuses its control, and keeps the dialog open;
// members of later rules keep their values. Cancel then leaves them all alone.
TEST(DataExchange, RefusedEntryShowsItsMessageAndFocusesTheControl) {
    const RefusedEntry cases[] = {
        {sample::kCount, "12a", DataExchange::IntegerMessage()},
        {sample::kCount, "99999999999", DataExchange::IntegerMessage()},
        {sample::kFactor, "7,00", DataExchange::NumberMessage()},
        {sample::kFactor, "1e39", DataExchange::NumberMessage()},
        {sample::kAddress, "256", DataExchange::ByteMessage()},
        {sample::kAddress, "-1", DataExchange::ByteMessage()},
        {sample::kAddress, "32", DataExchange::IntRangeMessage(0, 31)},
    };
    for (const RefusedEntry& c : cases) {
        SCOPED_TRACE(c.text);
        SampleDialog dialog;
        dialog.release = 1;
        Robot robot;
        robot.OnTemplate(kSampleTemplateId)
            .SetText(c.id, QString::fromUtf8(c.text))
            .Check(sample::kRelease, false)
            .Click(kIdOk);
        robot.OnMessage(c.message).Click(kIdOk);
        robot.OnTemplate(kSampleTemplateId)
            .Inspect([&](QWidget* window) { EXPECT_EQ(window->focusWidget(), dialog.Item(c.id)); })
            .Click(kIdCancel);
        EXPECT_EQ(dialog.DoModal(), kIdCancel);
        EXPECT_EQ(dialog.release, 1);
        EXPECT_TRUE(robot.WaitIdle());
        EXPECT_EQ(robot.Messages(), QStringList{c.message});
    }
}

// An address the module reported out of range can only be cancelled; fixing it lets OK pass.
TEST(DataExchange, FixingTheRefusedEntryLetsOkThrough) {
    Robot robot;
    SampleDialog dialog;
    dialog.address = 40;
    robot.OnTemplate(kSampleTemplateId).Click(kIdOk);
    robot.OnMessage(DataExchange::IntRangeMessage(0, 31)).Click(kIdOk);
    robot.OnTemplate(kSampleTemplateId).SetText(sample::kAddress, QStringLiteral("3")).Click(kIdOk);
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    EXPECT_EQ(dialog.address, 3);
}

TEST(DataExchange, MaximumLengthLimitsTheEditAndRefusesLongerTexts) {
    SampleDialog dialog;
    dialog.interval = QStringLiteral("15");
    dialog.UpdateData(false);
    auto* edit = dialog.ItemAs<QLineEdit>(sample::kInterval);
    EXPECT_EQ(edit->maxLength(), 3);
    edit->setText(QStringLiteral("1234"));
    EXPECT_EQ(edit->text(), QStringLiteral("123"));

    Robot robot;
    robot.OnMessage(DataExchange::MaxCharsMessage(3)).Click(kIdOk);
    DataExchange dx(dialog, true);
    dx.MaxChars(sample::kInterval, QStringLiteral("1234"), 3);
    EXPECT_TRUE(dx.Failed());
    int count = 5;
    dx.Number(sample::kCount, count);  // after a failure the exchange does nothing
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(robot.WaitIdle());
}

TEST(DataExchange, NumberParsingFollowsTheCFormat) {
    const std::pair<const char*, std::optional<double>> numbers[] = {
        {"7.00", 7.0}, {" 7.00 ", 7.0}, {"\t-1.5", -1.5}, {"+3", 3.0},  {".5", 0.5},
        {"5.", 5.0},   {"1e3", 1000.0}, {"2.5E-1", 0.25}, {"7,00", {}}, {"", {}},
        {" ", {}},     {"abc", {}},     {"1.2.3", {}},    {"7.0x", {}}, {"0x10", {}},
        {"inf", {}},   {"nan", {}},     {"1 000", {}},    {"e5", {}},   {".", {}},
    };
    for (const auto& [text, expected] : numbers) {
        EXPECT_EQ(ParseNumber(QString::fromLatin1(text)), expected) << '"' << text << '"';
    }
    const std::pair<const char*, std::optional<long long>> integers[] = {
        {"0", 0},    {" 255 ", 255}, {"-12", -12}, {"+7", 7},
        {"1.0", {}}, {"", {}},       {"1 2", {}},  {"0x1", {}},
    };
    for (const auto& [text, expected] : integers) {
        EXPECT_EQ(ParseInteger(QString::fromLatin1(text)), expected) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace ql50::ui
