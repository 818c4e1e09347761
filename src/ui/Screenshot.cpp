#include "ui/Screenshot.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

namespace ql50::ui {

bool SaveScreenshot(QWidget* widget, const QString& path) {
    if (widget == nullptr || !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    // Written aside and renamed: whoever looks at the picture never sees half of one.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && widget->grab().save(&file, "PNG") && file.commit();
}

}  // namespace ql50::ui
