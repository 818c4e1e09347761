#include "support/Screenshot.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "ui/Screenshot.h"

namespace ql50::test {

QString ScreenshotPath(const QString& name) {
    return QStringLiteral(QL50_SCREENSHOT_DIR "/%1.png").arg(name);
}

bool Screenshot(QWidget* widget, const QString& name) {
    return ui::SaveScreenshot(widget, ScreenshotPath(name));
}

bool ScreenshotOfScreen(const QRect& area, const QString& name) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect part = area.intersected(screen->geometry());
    return QDir().mkpath(QStringLiteral(QL50_SCREENSHOT_DIR)) &&
           screen->grabWindow(0, part.x(), part.y(), part.width(), part.height())
               .save(ScreenshotPath(name), "PNG");
}

}  // namespace ql50::test
