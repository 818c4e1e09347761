// Qt's own windows (the file chooser, the print dialog, the overwrite question, the buttons of
// message boxes) in the program's language.
#pragma once

namespace ql50::ui {

// 0 German: Qt's German translation (qtbase_de from Qt's translations folder, Debian's
// qt6-translations-l10n); 1 English: Qt's own texts. Called at start and at every change of
// language. False when German was asked for and the translation is not installed: Qt's
// windows then stay English.
bool UseQtLanguage(int language);

}  // namespace ql50::ui
