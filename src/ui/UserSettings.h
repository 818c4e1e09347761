// The user's own settings of the program, kept apart from config.ini (whose bytes stay exactly
// as the program has always written them): what the program remembers for the user, such as
// the file chooser's last folder.
#pragma once

#include <QString>

namespace ql50::ui {

// $XDG_CONFIG_HOME/ql50/ql50.conf (by default ~/.config/ql50/ql50.conf), an INI file for
// QSettings(UserSettingsFile(), QSettings::IniFormat).
QString UserSettingsFile();

}  // namespace ql50::ui
