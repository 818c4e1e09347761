// The user's own settings of the program, kept apart from config.ini (whose bytes stay exactly
// as the program has always written them): what the program remembers for the user, such as
// the file chooser's last folder.
#pragma once

#include <QString>

namespace ql50::ui {

// The user's settings file (formats/UserSettings.h) for QSettings(UserSettingsFile(),
// QSettings::IniFormat).
QString UserSettingsFile();

}  // namespace ql50::ui
