#include "formats/UserSettings.h"

#include <cstdlib>

namespace ql50 {

std::string UserSettingsPath() {
    // An unset or relative XDG_CONFIG_HOME counts as unset, as the XDG rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : "") + "/.config";
    }
    return folder + "/ql50/ql50.conf";
}

}  // namespace ql50
