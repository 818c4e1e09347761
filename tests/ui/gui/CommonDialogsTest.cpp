// Message boxes and where they open, the save-file dialog with its filter and overwrite question,
// the print dialog.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include "SampleDialog.h"
#include "support/Robot.h"
#include "support/Screenshot.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBox.h"
#include "ui/Placement.h"
#include "ui/QtLanguage.h"
#include "ui/UserSettings.h"

namespace ql50::ui {
namespace {

using test::Robot;

const QString kFilter = QStringLiteral("Text (*.txt) | *.txt | Alle Dateien (*.*)|*.*||");

// ---- message boxes -----------------------------------------------------------------------

// A window opens under the area it must leave in view, over it where the screen has no room
// below, moved sideways into the screen; where Qt puts it when it fits neither way.
TEST(Placement, ClearOfTheAreaKeptInView) {
    const QRect screen(0, 0, 800, 600);
    const struct {
        QRect keep;
        std::optional<QPoint> at;
    } cases[] = {
        {{100, 50, 600, 40}, QPoint(249, 98)}, {{100, 500, 600, 40}, QPoint(249, 392)},
        {{0, 50, 100, 40}, QPoint(0, 98)},     {{700, 50, 100, 40}, QPoint(500, 98)},
        {{0, 60, 800, 480}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(PlaceClearOf({300, 100}, c.keep, screen), c.at);
}

void ExpectOkOnly(QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->buttons().first()->objectName(), QStringLiteral("1"));
    EXPECT_EQ(box->buttonRole(box->buttons().first()), QMessageBox::AcceptRole);
}

// The ordinary box carries the application's title, the error box its own and the error
// icon; both offer OK only.
TEST(MessageBox, CarriesItsCaptionAndOnlyOk) {
    Robot robot;
    robot.OnMessage(QStringLiteral("Messung erst beenden!"))
        .Inspect([](QWidget* window) {
            EXPECT_EQ(window->windowTitle(), QStringLiteral("QL50"));
            ExpectOkOnly(window);
        })
        .Click(kIdOk);
    EXPECT_EQ(MessageBox(nullptr, QStringLiteral("Messung erst beenden!")), kIdOk);
    robot.OnMessage(QStringLiteral("Permission denied"))
        .Inspect([](QWidget* window) {
            EXPECT_EQ(window->windowTitle(), QStringLiteral("Application Error"));
            EXPECT_EQ(qobject_cast<QMessageBox*>(window)->icon(), QMessageBox::Critical);
            ExpectOkOnly(window);
        })
        .Click(kIdOk);
    ErrorBox(nullptr, QStringLiteral("Permission denied\n/dev/ttyS0"),
             QStringLiteral("Application Error"));
    EXPECT_TRUE(robot.WaitIdle());
    EXPECT_EQ(robot.Messages(), (QStringList{QStringLiteral("Messung erst beenden!"),
                                             QStringLiteral("Permission denied\n/dev/ttyS0")}));
}

// Without an owner the box still blocks the rest of the program.
TEST(MessageBox, WithoutOwnerIsModalToTheApplication) {
    Robot robot;
    sample::SampleDialog modeless;
    ASSERT_TRUE(modeless.Create());
    robot.OnMessage(QStringLiteral("COM 1"))
        .Inspect([&](QWidget* window) {
            EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(QApplication::activeModalWidget(), window);
            EXPECT_TRUE(QApplication::activeModalWidget() != &modeless);
        })
        .Key(Qt::Key_Escape);
    MessageBox(nullptr, QStringLiteral("COM 1 kann nicht geöffnet werden."));
    EXPECT_TRUE(robot.WaitIdle());
    modeless.DestroyWindow();
}

// ---- save-file dialog --------------------------------------------------------------------

TEST(FileFilter, FrameworkFilterStringsBecomeQtFilters) {
    const std::pair<QString, QStringList> cases[] = {
        {kFilter, {QStringLiteral("Text (*.txt)"), QStringLiteral("Alle Dateien (*.*)")}},
        {QStringLiteral("Daten|*.dat;*.csv||"), {QStringLiteral("Daten (*.dat *.csv)")}},
        {QStringLiteral("Text (*.txt)|*.txt"), {QStringLiteral("Text (*.txt)")}},
        {QStringLiteral("Alles|*.*||Ignoriert|*.x||"), {QStringLiteral("Alles (*.*)")}},
        {QString(), {}},
        {QStringLiteral("||"), {}},
    };
    for (const auto& [filter, expected] : cases) {
        EXPECT_EQ(ParseFileFilter(filter), expected) << filter.toStdString();
    }
}

class SaveFileDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }
    QString Path(const QString& name) const { return QDir(folder_.path()).absoluteFilePath(name); }
    QString Ask() {
        return SaveFileDialog(nullptr, QStringLiteral("txt"), QStringLiteral("*.txt"), kFilter);
    }

    QTemporaryDir folder_;
    Robot robot_;
};

// The pattern "*.txt" is no name: the field starts empty and the dialog offers the filters.
TEST_F(SaveFileDialogTest, TypedNameWithoutExtensionGetsTheDefaultOne) {
    robot_.OnFileDialog()
        .Inspect([](QWidget* window) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            EXPECT_EQ(dialog->objectName(), QStringLiteral("SaveFileDialog"));
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dialog->nameFilters(), ParseFileFilter(kFilter));
            const auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(field, nullptr);
            EXPECT_TRUE(field->text().isEmpty());
        })
        .SaveAs(Path(QStringLiteral("messung")));
    EXPECT_EQ(Ask(), Path(QStringLiteral("messung.txt")));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("messung.txt"))));  // choosing creates nothing
}

TEST_F(SaveFileDialogTest, ExistingFileIsOnlyTakenAfterConfirmation) {
    QFile existing(Path(QStringLiteral("alt.txt")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    // Refused first: the dialog stays open and the user cancels it.
    robot_.OnFileDialog().SaveAs(Path(QStringLiteral("alt")));
    robot_.OnMessage(QStringLiteral("alt.txt")).Press(QMessageBox::No);
    robot_.OnFileDialog().Cancel();
    EXPECT_EQ(Ask(), QString());
    // Confirmed: the existing file is the choice.
    robot_.OnFileDialog().SaveAs(Path(QStringLiteral("alt.txt")));
    robot_.OnMessage(QStringLiteral("alt.txt")).Press(QMessageBox::Yes);
    EXPECT_EQ(Ask(), Path(QStringLiteral("alt.txt")));
    EXPECT_EQ(robot_.Messages().size(), 2);
}

// Cancel returns nothing; a name with an extension is kept; a plain initial name is offered;
// the working folder stays.
TEST_F(SaveFileDialogTest, CancelExtensionKeptAndPlainInitialName) {
    const QString before = QDir::currentPath();
    robot_.OnFileDialog().Cancel();
    EXPECT_EQ(Ask(), QString());
    robot_.OnFileDialog().SaveAs(Path(QStringLiteral("log.csv")));
    EXPECT_EQ(Ask(), Path(QStringLiteral("log.csv")));
    robot_.OnFileDialog()
        .Inspect([](QWidget* window) {
            const auto* field = window->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(field->text(), QStringLiteral("messung.txt"));
        })
        .Cancel();
    SaveFileDialog(nullptr, QStringLiteral("txt"), QStringLiteral("messung.txt"), kFilter);
    EXPECT_EQ(QDir::currentPath(), before);
}

// The folder of the last choice is kept in the user's settings file, so a later run starts
// there, and one that has gone gives way to the working folder. A new name is offered, and
// Qt's own texts follow the program's language.
TEST_F(SaveFileDialogTest, RemembersItsFolderOffersANameAndSpeaksTheLanguage) {
    const auto inspect = [](const QString& folder, const QString& save, const QString& shot) {
        return [=](QWidget* window) {
            EXPECT_EQ(qobject_cast<QFileDialog*>(window)->directory().absolutePath(), folder);
            const auto* name = window->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            EXPECT_TRUE(name->text().contains(
                QRegularExpression(QStringLiteral(R"(^messung_\d{4}-\d\d-\d\d_\d{4}\.txt$)"))));
            const auto* box = window->findChild<QDialogButtonBox*>();
            EXPECT_EQ(box->buttons().first()->text().remove(QLatin1Char('&')), save);
            EXPECT_TRUE(shot.isEmpty() || test::Screenshot(window, shot));
        };
    };
    QSettings(UserSettingsFile(), QSettings::IniFormat)
        .setValue(QStringLiteral("FileDialog/LastFolder"), QDir::rootPath());
    ASSERT_TRUE(UseQtLanguage(0)) << "Qt's German translation is missing";
    robot_.OnFileDialog()
        .Inspect(inspect(QDir::rootPath(), QStringLiteral("Speichern"), "ui_file_chooser_de"))
        .SaveAs(Path(QStringLiteral("a.txt")));
    EXPECT_EQ(ChooseTextFile(nullptr, QStringLiteral("messung")), Path(QStringLiteral("a.txt")));
    ASSERT_TRUE(UseQtLanguage(1));
    robot_.OnFileDialog()
        .Inspect(inspect(folder_.path(), QStringLiteral("Save"), "ui_file_chooser_en"))
        .Cancel();
    ChooseTextFile(nullptr, QStringLiteral("messung"));
    ASSERT_TRUE(folder_.remove());
    robot_.OnFileDialog().Inspect(inspect(QDir::currentPath(), "Save", {})).Cancel();
    ChooseTextFile(nullptr, QStringLiteral("messung"));
}

// ---- print dialog ------------------------------------------------------------------------

TEST(PrintDialog, CancelReturnsFalse) {
    Robot robot;
    robot.OnWindow(QStringLiteral("PrintDialog")).Cancel();
    QPrinter printer;
    EXPECT_FALSE(PrintDialog(nullptr, printer));
    EXPECT_TRUE(robot.WaitIdle());
}

// ---- the robot's own failure reports -----------------------------------------------------

TEST(Robot, ReportsAndClosesAnUnexpectedWindow) {
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        Robot robot;
        sample::SampleDialog dialog;
        EXPECT_EQ(dialog.DoModal(), kIdCancel);
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find("unexpected modal window"),
              std::string::npos);
}

TEST(Robot, ReportsAStepThatNeverComesAndAStepLeftOver) {
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        Robot robot;
        robot.OnMessage(QStringLiteral("kommt nie")).Within(200).Click(kIdOk);
        robot.OnMessage(QStringLiteral("auch nicht")).Click(kIdOk);
        EXPECT_TRUE(test::WaitUntil([&] { return failures.size() >= 1; }));
    }
    ASSERT_EQ(failures.size(), 2);
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find("kommt nie"),
              std::string::npos);
    EXPECT_NE(std::string(failures.GetTestPartResult(1).message()).find("never reached"),
              std::string::npos);
}

}  // namespace
}  // namespace ql50::ui
