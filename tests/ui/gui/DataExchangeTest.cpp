// Exchange between members and controls: both directions for every kind, and the rules that
// refuse what the user typed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QLineEdit>

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

// Members are shown in their controls; what the user changes arrives in the members when the
// dialog ends with OK.
TEST(DataExchange, MembersAreShownAndReadBackOnOk) {
    SampleDialog dialog;
    dialog.count = -17, dialog.language = 1, dialog.release = 1, dialog.type = 2, dialog.entry = 0;
    dialog.time = QTime(23, 59, 58);
    Robot robot;
    robot.OnTemplate(kSampleTemplateId)
        .Inspect([&](QWidget*) {
            EXPECT_EQ(dialog.ItemText(sample::kCount), QStringLiteral("-17"));
            EXPECT_TRUE(Checked(dialog, sample::kEnglish) && !Checked(dialog, sample::kGerman));
            EXPECT_FALSE(Checked(dialog, sample::kSideA) || Checked(dialog, sample::kSideB));
            EXPECT_TRUE(Checked(dialog, sample::kRelease));
            EXPECT_EQ(dialog.ItemText(sample::kType), QStringLiteral("Sauerstoff"));
            EXPECT_EQ(dialog.ItemText(sample::kEntries), QStringLiteral("eins"));
            EXPECT_EQ(dialog.ItemAs<QDateTimeEdit>(sample::kTime)->time(), QTime(23, 59, 58));
            EXPECT_EQ(dialog.ItemAs<QDateTimeEdit>(sample::kDate)->date(), QDate(2005, 12, 31));
        })
        .SetText(sample::kCount, QStringLiteral(" 42 "))
        .SetText(sample::kFactor, QStringLiteral(" 7.00 "))
        .SetText(sample::kAddress, QStringLiteral("31"))
        .SetText(sample::kInterval, QStringLiteral("120"))
        .Check(sample::kGerman)
        .Check(sample::kSideB)
        .Check(sample::kRelease, false)
        .Select(sample::kType, 1)
        .Select(sample::kEntries, 2)
        .SetTime(sample::kTime, QTime(1, 30, 15))
        .SetDate(sample::kDate, QDate(2002, 1, 1))
        .Click(kIdOk);
    ASSERT_EQ(dialog.DoModal(), kIdOk);
    EXPECT_EQ(std::tuple(dialog.count, dialog.factor, dialog.address, dialog.interval),
              std::tuple(42, 7.0f, 31, QStringLiteral("120")));
    EXPECT_EQ(std::tuple(dialog.language, dialog.side, dialog.release, dialog.type, dialog.entry),
              std::tuple(0, 1, 0, 1, 2));
    EXPECT_EQ(dialog.time, QTime(1, 30, 15));
    EXPECT_EQ(dialog.date, QDate(2002, 1, 1));
}

// Floats show up to six significant digits; an index outside the group or list shows nothing
// selected and reads back as -1.
TEST(DataExchange, FloatsShowSixDigitsAndIndexesOutsideSelectNothing) {
    SampleDialog dialog;
    for (const auto& [value, shown] : {std::pair{1013.25f, "1013.25"},
                                       {0.1f, "0.1"},
                                       {-2.5f, "-2.5"},
                                       {123456789.0f, "1.23457e+08"}}) {
        dialog.factor = value;
        dialog.UpdateData(false);
        EXPECT_EQ(dialog.ItemText(sample::kFactor), QString::fromLatin1(shown)) << value;
    }
    dialog.language = 0;
    dialog.UpdateData(false);
    dialog.language = 2;
    dialog.type = 7;
    dialog.UpdateData(false);
    EXPECT_FALSE(Checked(dialog, sample::kGerman) || Checked(dialog, sample::kEnglish));
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(std::tuple(dialog.language, dialog.type, dialog.entry), std::tuple(-1, -1, -1));
}

// The first failing rule shows its message, focuses its control, and keeps the dialog open;
// members of later rules keep their values. Cancel then leaves them all alone.
TEST(DataExchange, RefusedEntryShowsItsMessageAndFocusesTheControl) {
    const struct {
        int id;
        const char* text;
        QString message;
    } cases[] = {
        {sample::kCount, "99999999999", DataExchange::IntegerMessage()},
        {sample::kFactor, "7,00", DataExchange::NumberMessage()},
        {sample::kFactor, "1e39", DataExchange::NumberMessage()},
        {sample::kAddress, "256", DataExchange::ByteMessage()},
        {sample::kAddress, "32", DataExchange::IntRangeMessage(0, 31)},
    };
    for (const auto& c : cases) {
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

TEST(DataExchange, MaximumLengthLimitsTheEditAndRefusesLongerTexts) {
    SampleDialog dialog;
    dialog.UpdateData(false);
    auto* edit = dialog.ItemAs<QLineEdit>(sample::kInterval);
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
        {" 7.00 ", 7.0},  {"\t-1.5", -1.5}, {"+3", 3.0}, {".5", 0.5},   {"5.", 5.0},
        {"2.5E-1", 0.25}, {"7,00", {}},     {" ", {}},   {"1.2.3", {}}, {"0x10", {}},
        {"inf", {}},      {"nan", {}},      {"e5", {}},  {".", {}},
    };
    for (const auto& [text, expected] : numbers)
        EXPECT_EQ(ParseNumber(QString::fromLatin1(text)), expected) << '"' << text << '"';
    const std::pair<const char*, std::optional<long long>> integers[] = {
        {" 255 ", 255}, {"-12", -12}, {"+7", 7}, {"1.0", {}}, {"", {}}, {"0x1", {}},
    };
    for (const auto& [text, expected] : integers)
        EXPECT_EQ(ParseInteger(QString::fromLatin1(text)), expected) << '"' << text << '"';
}

}  // namespace
}  // namespace ql50::ui
