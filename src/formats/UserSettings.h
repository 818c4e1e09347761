#pragma once
// The user's own settings of the program, kept apart from config.ini (whose bytes stay exactly
// as the program has always written them): what the program remembers for the user (the file
// chooser's last folder, the port found for a COM number, the calibration intervals).
#include <string>

namespace ql50 {

// $XDG_CONFIG_HOME/ql50/ql50.conf (by default ~/.config/ql50/ql50.conf), an INI file, read and
// written with QSettings(path, QSettings::IniFormat).
std::string UserSettingsPath();

}  // namespace ql50
