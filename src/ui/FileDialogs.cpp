#include "ui/FileDialogs.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QSettings>

#include "ui/UserSettings.h"

namespace ql50::ui {
namespace {

QString QtFilter(const QString& description, const QString& pattern) {
    const QString patterns = QStringList(pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                                 .replaceInStrings(QStringLiteral(" "), QString())
                                 .join(QLatin1Char(' '));
    const QString suffix = QStringLiteral("(%1)").arg(patterns);
    if (patterns.isEmpty() || description.endsWith(suffix)) return description;
    return QStringLiteral("%1 %2").arg(description, suffix);
}

bool IsPattern(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

const QString kLastFolderKey = QStringLiteral("FileDialog/LastFolder");

// The folder of the previous choice, also from an earlier run, while it still exists; else the
// working folder.
QString StartFolder() {
    const QString last =
        QSettings(UserSettingsFile(), QSettings::IniFormat).value(kLastFolderKey).toString();
    return !last.isEmpty() && QDir(last).exists() ? last : QDir::currentPath();
}

void RememberFolder(const QString& folder) {
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    settings.setValue(kLastFolderKey, folder);
}

}  // namespace

QStringList ParseFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        if (description.isEmpty()) break;
        result.append(QtFilter(description, parts[i + 1].trimmed()));
    }
    return result;
}

QString SaveFileDialog(QWidget* parent, const QString& defaultExt, const QString& initialName,
                       const QString& filter) {
    if (parent == nullptr) parent = QApplication::activeModalWidget();
    QPointer<QFileDialog> dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("SaveFileDialog"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(ParseFileFilter(filter));
    dialog->setDefaultSuffix(defaultExt);
    dialog->setDirectory(StartFolder());
    if (!initialName.isEmpty() && !IsPattern(initialName)) dialog->selectFile(initialName);
    dialog->setWindowModality(Qt::ApplicationModal);
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog != nullptr;
    const QStringList files = accepted ? dialog->selectedFiles() : QStringList();
    delete dialog.data();
    if (files.isEmpty()) return {};
    const QFileInfo chosen(files.first());
    RememberFolder(chosen.absolutePath());
    return chosen.absoluteFilePath();
}

QString SuggestedFileName(const QString& stem, const QString& extension, const QDateTime& when) {
    return QStringLiteral("%1_%2.%3")
        .arg(stem, when.toString(QStringLiteral("yyyy-MM-dd_HHmm")), extension);
}

QString ChooseTextFile(QWidget* parent, const QString& stem) {
    return SaveFileDialog(parent, "txt", SuggestedFileName(stem, QStringLiteral("txt")),
                          QString::fromUtf8("Text (*.txt) | *.txt | Alle Dateien (*.*)|*.*||"));
}

bool PrintDialog(QWidget* parent, QPrinter& printer) {
    QPointer<QPrintDialog> dialog = new QPrintDialog(&printer, parent);
    dialog->setObjectName(QStringLiteral("PrintDialog"));
    // The program prints whole one-page documents. Printing to a file stays offered: it keeps
    // a report as a PDF where no printer is at hand.
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog->setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog->setWindowModality(Qt::ApplicationModal);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog.data();
    return accepted;
}

}  // namespace ql50::ui
