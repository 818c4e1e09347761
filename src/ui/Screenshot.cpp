#include "ui/Screenshot.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>

namespace ql50::ui {

bool SaveScreenshot(QWidget* widget, const QString& path) {
    if (widget == nullptr || !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    return widget->grab().save(path, "PNG");
}

}  // namespace ql50::ui
