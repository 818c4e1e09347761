#include "ui/UserSettings.h"

#include <QStandardPaths>

namespace ql50::ui {

QString UserSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ql50/ql50.conf");
}

}  // namespace ql50::ui
