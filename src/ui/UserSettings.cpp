#include "ui/UserSettings.h"

#include "formats/UserSettings.h"

namespace ql50::ui {

QString UserSettingsFile() {
    return QString::fromStdString(UserSettingsPath());
}

}  // namespace ql50::ui
