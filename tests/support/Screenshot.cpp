#include "support/Screenshot.h"

#include "ui/Screenshot.h"

namespace ql50::test {

QString ScreenshotPath(const QString& name) {
    return QStringLiteral(QL50_SCREENSHOT_DIR "/%1.png").arg(name);
}

bool Screenshot(QWidget* widget, const QString& name) {
    return ui::SaveScreenshot(widget, ScreenshotPath(name));
}

}  // namespace ql50::test
