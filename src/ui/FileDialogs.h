// The save-file and print dialogs. The save-file dialog is Qt's own, not the desktop's, so it
// looks the same everywhere and tests can drive it.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace ql50::ui {

// "Text (*.txt) | *.txt | Alle Dateien (*.*)|*.*||" -> {"Text (*.txt)", "Alle Dateien (*.*)"}:
// pairs of description and pattern separated by bars, blanks around the parts ignored, ended by
// an empty description. A description that does not already end in its pattern in parentheses
// gets it appended, since Qt takes the patterns from there.
QStringList ParseFileFilter(const QString& filter);

// Asks for a file to save to. defaultExt is added to a typed name without extension; an
// existing file is only accepted after the user confirmed overwriting it. An initialName with
// wildcards ("*.txt") only says what kind of file is wanted: the name field starts empty.
// Returns the absolute path, or an empty string when the user cancelled. The dialog is named
// "SaveFileDialog" and starts in the folder of the previous choice, which the user's settings
// (UserSettings.h) keep across runs, or else in the working folder; it never changes the
// working folder.
QString SaveFileDialog(QWidget* parent, const QString& defaultExt, const QString& initialName,
                       const QString& filter);

// A name to offer for a new file: "messung_2026-12-07_1548.txt" for stem "messung", extension
// "txt" and that minute, so files saved one after another do not replace each other.
QString SuggestedFileName(const QString& stem, const QString& extension,
                          const QDateTime& when = QDateTime::currentDateTime());

// The save-file dialog of the program's text files (recording file, logger export): text
// files, the extension added to a name typed without one, a name from `stem` and the time
// offered.
QString ChooseTextFile(QWidget* parent, const QString& stem);

// Lets the user choose and set up the printer for a whole document (no page range or
// selection); false when cancelled. Named "PrintDialog".
bool PrintDialog(QWidget* parent, QPrinter& printer);

}  // namespace ql50::ui
