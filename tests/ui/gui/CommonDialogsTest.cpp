// Message boxes and where they open, the save-file dialog with its filter and overwrite question,
// the print dialog.
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

// The ordinary box carries the application's title, the error box its own and the error icon;
// both offer OK only, and without an owner they still block the rest of the program.
TEST(MessageBox, CarriesItsCaptionOnlyOkAndIsModalToTheApplication) {
    Robot robot;
    sample::SampleDialog modeless;
    ASSERT_TRUE(modeless.Create());
    const auto expect = [](const char* title, QMessageBox::Icon icon) {
        return [=](QWidget* window) {
            auto* box = qobject_cast<QMessageBox*>(window);
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8(title));
            EXPECT_EQ(box->icon(), icon);
            ASSERT_EQ(box->buttons().size(), 1);
            EXPECT_EQ(box->buttonRole(box->buttons().first()), QMessageBox::AcceptRole);
            EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(QApplication::activeModalWidget(), window);
        };
    };
    robot.OnMessage(QStringLiteral("Messung"))
        .Inspect(expect("QL50", QMessageBox::NoIcon))
        .Click(kIdOk);
    robot.OnMessage(QStringLiteral("Permission denied"))
        .Inspect(expect("Application Error", QMessageBox::Critical))
        .Click(kIdOk);
    EXPECT_EQ(MessageBox(nullptr, QStringLiteral("Messung erst beenden!")), kIdOk);
    ErrorBox(nullptr, QStringLiteral("Permission denied\n/dev/ttyS0"),
             QStringLiteral("Application Error"));
    EXPECT_TRUE(robot.WaitIdle());
    modeless.DestroyWindow();
}

TEST(FileFilter, FrameworkFilterStringsBecomeQtFilters) {
    const std::pair<QString, QStringList> cases[] = {
        {kFilter, {QStringLiteral("Text (*.txt)"), QStringLiteral("Alle Dateien (*.*)")}},
        {QStringLiteral("Daten|*.dat;*.csv||"), {QStringLiteral("Daten (*.dat *.csv)")}},
        {QStringLiteral("Alles|*.*||Ignoriert|*.x||"), {QStringLiteral("Alles (*.*)")}},
        {QStringLiteral("||"), {}},
    };
    for (const auto& [filter, expected] : cases) EXPECT_EQ(ParseFileFilter(filter), expected);
}

class SaveFileDialogTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return QDir(folder_.path()).absoluteFilePath(name); }
    QString Ask(const QString& initial = QStringLiteral("*.txt")) {
        return SaveFileDialog(nullptr, QStringLiteral("txt"), initial, kFilter);
    }
    static QString NameField(QWidget* window) {
        return window->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
    }

    QTemporaryDir folder_;
    Robot robot_;
};

// A pattern is no name: the field starts empty; a typed name gets the default extension, one
// with its own keeps it. Choosing creates no file and leaves the working folder alone.
TEST_F(SaveFileDialogTest, TypedNameGetsTheDefaultExtensionAndAPlainInitialNameIsOffered) {
    const QString before = QDir::currentPath();
    robot_.OnFileDialog()
        .Inspect([](QWidget* window) {
            EXPECT_EQ(qobject_cast<QFileDialog*>(window)->nameFilters(), ParseFileFilter(kFilter));
            EXPECT_TRUE(NameField(window).isEmpty());
        })
        .SaveAs(Path(QStringLiteral("messung")));
    EXPECT_EQ(Ask(), Path(QStringLiteral("messung.txt")));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("messung.txt"))));
    robot_.OnFileDialog()
        .Inspect([](QWidget* window) { EXPECT_EQ(NameField(window), "messung.txt"); })
        .SaveAs(Path(QStringLiteral("log.csv")));
    EXPECT_EQ(Ask(QStringLiteral("messung.txt")), Path(QStringLiteral("log.csv")));
    robot_.OnFileDialog().Cancel();
    EXPECT_EQ(Ask(), QString());
    EXPECT_EQ(QDir::currentPath(), before);
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
    robot_.OnFileDialog().SaveAs(Path(QStringLiteral("alt.txt")));
    robot_.OnMessage(QStringLiteral("alt.txt")).Press(QMessageBox::Yes);
    EXPECT_EQ(Ask(), Path(QStringLiteral("alt.txt")));
}

// The folder of the last choice is kept in the user's settings file, so a later run starts
// there, and one that has gone gives way to the working folder. A new name is offered, and
// Qt's own texts follow the program's language.
TEST_F(SaveFileDialogTest, RemembersItsFolderOffersANameAndSpeaksTheLanguage) {
    const auto inspect = [](const QString& folder, const QString& save, const QString& shot) {
        return [=](QWidget* window) {
            EXPECT_EQ(qobject_cast<QFileDialog*>(window)->directory().absolutePath(), folder);
            EXPECT_TRUE(NameField(window).contains(
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

TEST(PrintDialog, CancelReturnsFalse) {
    Robot robot;
    robot.OnWindow(QStringLiteral("PrintDialog")).Cancel();
    QPrinter printer;
    EXPECT_FALSE(PrintDialog(nullptr, printer));
    EXPECT_TRUE(robot.WaitIdle());
}

}  // namespace
}  // namespace ql50::ui
